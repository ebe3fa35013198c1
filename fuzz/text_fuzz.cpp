// The text helpers on any bytes: no crash; UTF-8 conversion gives valid UTF-8
// and keeps valid text as it is; splitting and joining give the text back.
//   input: text \0 separator
#include <string>
#include <string_view>
#include <vector>

#include "core/text.hpp"
#include "fuzz/fuzz_input.hpp"

namespace {

std::string joined(const std::vector<std::string>& pieces, std::string_view separator) {
    std::string text;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) {
            text += separator;
        }
        text += pieces[i];
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vx::text;
    const vx::fuzz::FuzzInput input(data, size);
    const std::string_view text = input.text();
    const std::string_view separator = input.field(0, crlf);

    const std::string converted = utf8_to_text(text);
    VX_FUZZ_CHECK(is_valid_utf8(converted));
    VX_FUZZ_CHECK(is_valid_utf8(text) == (converted == text));

    for (const std::string& line : split_lines(text)) {
        VX_FUZZ_CHECK(line.find('\n') == std::string::npos);
    }
    VX_FUZZ_CHECK(split_lines(text).size() <= count_occurrences(text, "\n") + 1);

    const std::vector<std::string> pieces = split(text, separator);
    if (!separator.empty()) {
        // Only a last piece that would be empty is missing from the join.
        const std::string back = joined(pieces, separator);
        VX_FUZZ_CHECK(back == text || back + std::string(separator) == text);
        VX_FUZZ_CHECK(pieces.size() <= count_occurrences(text, separator) + 1);
    }

    const std::string trimmed = trim(text);
    VX_FUZZ_CHECK(text.find(trimmed) != std::string_view::npos);
    VX_FUZZ_CHECK(to_lower_ascii(text).size() == text.size());
    VX_FUZZ_CHECK(equals_ignoring_case(to_upper_ascii(text), to_lower_ascii(text)));
    if (!separator.empty()) {
        const std::size_t at = find_ignoring_case(text, separator);
        VX_FUZZ_CHECK(at == std::string::npos ||
                      equals_ignoring_case(text.substr(at, separator.size()), separator));
        VX_FUZZ_CHECK((at == std::string::npos) ==
                      (count_occurrences(text, separator, false) == 0));
        VX_FUZZ_CHECK(remove_all(text, separator).size() ==
                      text.size() - count_occurrences(text, separator) * separator.size());
    }
    std::string affixed(text);
    trim_affix(affixed, separator);
    VX_FUZZ_CHECK(text.find(affixed) != std::string_view::npos);
    return 0;
}
