// Cookie texts on any bytes: no crash; the gathered reply cookies and the
// merged cookie text hold no repeated item and no deleted one.
//   input: reply header text \0 the caller's cookie text
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.hpp"
#include "fuzz/fuzz_input.hpp"
#include "http/cookies.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vx::http;
    const vx::fuzz::FuzzInput input(data, size);
    const std::string_view reply_headers = input.text();
    const std::string_view cookies = input.field(0, "Cookie: session=1; theme=dark");

    const std::string gathered = gather_reply_cookies(reply_headers);
    // One item per Set-Cookie line at most, each without a "; " of its own.
    VX_FUZZ_CHECK(vx::text::split(gathered, "; ").size() <=
                  vx::text::count_occurrences(reply_headers, "Set-Cookie: "));
    const std::string merged = merge_cookie_text(strip_cookie_markers(cookies), gathered);
    const std::vector<std::string> items = vx::text::split(merged, "; ");
    for (std::size_t i = 0; i < items.size(); ++i) {
        VX_FUZZ_CHECK(!items[i].ends_with("=deleted"));
        VX_FUZZ_CHECK(std::find(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(i),
                                items[i]) == items.begin() + static_cast<std::ptrdiff_t>(i));
    }
    for (const std::string& item : items) {
        cookie_name(item);
    }
    return 0;
}
