// The private-profile reader and writer on any content, section, key and
// value: no crash; a write that is accepted reads back, leaves every other
// key as it read before, and repeating it changes nothing.
//   input: content \0 section \0 key \0 value
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "core/private_profile.hpp"
#include "core/text.hpp"
#include "fuzz/fuzz_input.hpp"

namespace {

using vx::core::profile_lookup;
using vx::core::profile_update;

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// Names and values lose blanks at both ends, and a CR at the end.
std::string_view trimmed(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (is_blank(text.back()) || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// What a read gives for a stored value: trimmed, one pair of matching quotes
// taken off, cut to the longest value at a character boundary.
std::string expected_read(std::string_view value) {
    value = trimmed(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    if (value.size() > vx::core::max_profile_value) {
        std::size_t cut = vx::core::max_profile_value;
        while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        value = value.substr(0, cut);
    }
    return std::string(value);
}

struct Name {
    std::string section;
    std::string key;
};

// Section and key names the content appears to use (a rough scan is enough:
// the property must hold for any other name), plus the usual ones.
std::vector<Name> names_in(std::string_view content) {
    std::vector<Name> names = {{"com", "sel"}, {"com", "n0"}, {"global", "index-url"}};
    std::string section;
    for (const std::string& line : vx::text::split_lines(content)) {
        const std::string_view text = trimmed(line);
        if (text.starts_with('[')) {
            section = std::string(trimmed(text.substr(1, text.find(']') - 1)));
        } else if (const std::size_t equals = text.find('='); equals != std::string_view::npos) {
            names.push_back({section, std::string(trimmed(text.substr(0, equals)))});
        }
        if (names.size() >= 40) {
            break;
        }
    }
    return names;
}

bool refusal_expected(std::string_view section, std::string_view key, std::string_view value) {
    const auto has_break = [](std::string_view part) {
        return part.find_first_of("\r\n") != std::string_view::npos;
    };
    const std::string_view clean_key = trimmed(key);
    const std::string_view clean_section = trimmed(section);
    return clean_key.empty() || clean_key.find('=') != std::string_view::npos ||
           clean_key.front() == '[' || clean_key.front() == ';' || has_break(clean_key) ||
           has_break(value) || has_break(clean_section) ||
           clean_section.find(']') != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const vx::fuzz::FuzzInput input(data, size);
    const std::string_view content = input.text();
    const std::string_view section = input.field(0, "com");
    const std::string_view key = input.field(1, "sel");
    const std::string_view value = input.field(2, "2");

    const std::vector<Name> names = names_in(content);
    for (const Name& name : names) {
        profile_lookup(content, name.section, name.key);
    }

    const auto written = profile_update(content, section, key, value);
    VX_FUZZ_CHECK(written.has_value() != refusal_expected(section, key, value));
    if (!written) {
        return 0;
    }
    VX_FUZZ_CHECK(profile_lookup(*written, section, key) == expected_read(value));
    for (const Name& name : names) {
        if (vx::text::equals_ignoring_case(name.section, trimmed(section)) &&
            vx::text::equals_ignoring_case(name.key, trimmed(key))) {
            continue;
        }
        VX_FUZZ_CHECK(profile_lookup(*written, name.section, name.key) ==
                      profile_lookup(content, name.section, name.key));
    }
    VX_FUZZ_CHECK(profile_update(*written, section, key, value) == written);
    return 0;
}
