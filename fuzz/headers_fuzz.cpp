// Request header text from a caller on any bytes: no crash; the defaults are
// added only where missing, capitalisation changes letter case and nothing
// else, and the header list never takes a line that could smuggle in others.
//   input: header text \0 url
#include <string>
#include <string_view>
#include <vector>

#include "core/text.hpp"
#include "fuzz/fuzz_input.hpp"
#include "http/headers.hpp"
#include "http/methods.hpp"

namespace {

bool is_lower_letter(char c) {
    return c >= 'a' && c <= 'z';
}

// The pieces a capitalisation keeps, joined the same way.
std::string kept_pieces(std::string_view text) {
    std::string kept;
    for (const std::string& piece : vx::text::split(text, vx::text::crlf)) {
        if (piece.find(':') != std::string::npos) {
            kept += (kept.empty() ? "" : "\r\n") + piece;
        }
    }
    return kept;
}

void check_capitalised(std::string_view text) {
    const std::string capitalised = vx::http::capitalize_header_names(text);
    VX_FUZZ_CHECK(vx::text::to_lower_ascii(capitalised) ==
                  vx::text::to_lower_ascii(kept_pieces(text)));
    for (const std::string& piece : vx::text::split(capitalised, vx::text::crlf)) {
        const std::size_t colon = piece.find(':');
        VX_FUZZ_CHECK(colon != std::string::npos);
        for (std::size_t at = 0; at < colon; ++at) {
            VX_FUZZ_CHECK(!((at == 0 || piece[at - 1] == '-') && is_lower_letter(piece[at])));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vx::http;
    const vx::fuzz::FuzzInput input(data, size);
    const std::string_view text = input.text();
    const std::string_view url = input.field(0, "https://pypi.org/pypi/numpy/json");

    check_capitalised(text);
    for (const std::int32_t method : {method_get, method_post}) {
        const std::string completed = add_default_header_lines(text, url, method);
        VX_FUZZ_CHECK(completed.starts_with(text));
        for (std::string_view marker : {"Accept:", "Referer:", "Accept-Language:", "User-Agent:"}) {
            VX_FUZZ_CHECK(vx::text::find_ignoring_case(completed, marker) != std::string::npos);
        }
        check_capitalised(completed);
        RequestHeaderList list;
        for (const std::string& piece :
             vx::text::split(capitalize_header_names(completed), vx::text::crlf)) {
            list.set(header_name(piece), header_value(piece));
        }
        for (const HeaderField& field : list.fields()) {
            VX_FUZZ_CHECK(!field.name.empty());
            VX_FUZZ_CHECK(field.name.find_first_of(std::string_view(" :\r\n\0", 5)) ==
                          std::string::npos);
            VX_FUZZ_CHECK(field.value.find_first_of(std::string_view("\r\n\0", 3)) ==
                          std::string::npos);
        }
    }
    return 0;
}
