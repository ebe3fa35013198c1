#include "core/text.hpp"

#include <algorithm>

namespace vx::text {
namespace {

constexpr std::string_view full_width_space = "\xE3\x80\x80";

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool same_ignoring_case(char a, char b) {
    return lower(a) == lower(b);
}

std::size_t find(std::string_view text, std::string_view part, std::size_t from,
                 bool case_sensitive) {
    return case_sensitive ? text.find(part, from) : find_ignoring_case(text, part, from);
}

}  // namespace

std::size_t count_occurrences(std::string_view text, std::string_view part, bool case_sensitive) {
    if (text.empty() || part.empty()) {
        return 0;
    }
    std::size_t count = 0;
    for (std::size_t at = find(text, part, 0, case_sensitive); at != std::string_view::npos;
         at = find(text, part, at + part.size(), case_sensitive)) {
        ++count;
    }
    return count;
}

std::string trim_affix(std::string& text, std::string_view affix) {
    if (!affix.empty()) {
        std::string_view rest = text;
        while (rest.ends_with(affix)) {
            rest.remove_suffix(affix.size());
        }
        while (rest.starts_with(affix)) {
            rest.remove_prefix(affix.size());
        }
        text = std::string(rest);
    }
    return text;
}

std::string trim_suffix(std::string_view text, std::string_view suffix) {
    if (!suffix.empty()) {
        while (text.ends_with(suffix)) {
            text.remove_suffix(suffix.size());
        }
    }
    return std::string(text);
}

std::vector<std::string> split(std::string_view text, std::string_view separator) {
    std::vector<std::string> pieces;
    if (text.empty()) {
        return pieces;
    }
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    std::size_t start = 0;
    for (std::size_t at = text.find(separator); at != std::string_view::npos;
         at = text.find(separator, start)) {
        pieces.emplace_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    if (start < text.size()) {
        pieces.emplace_back(text.substr(start));
    }
    return pieces;
}

std::vector<std::string> split_lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at = text.find('\n'); at != std::string_view::npos;
         at = text.find('\n', start)) {
        std::size_t end = (at > start && text[at - 1] == '\r') ? at - 1 : at;
        lines.emplace_back(text.substr(start, end - start));
        start = at + 1;
    }
    if (start < text.size()) {
        lines.emplace_back(text.substr(start));
    }
    return lines;
}

std::string trim(std::string_view text) {
    for (bool changed = true; changed;) {
        changed = false;
        if (text.starts_with(' ')) {
            text.remove_prefix(1);
            changed = true;
        } else if (text.starts_with(full_width_space)) {
            text.remove_prefix(full_width_space.size());
            changed = true;
        }
        if (text.ends_with(' ')) {
            text.remove_suffix(1);
            changed = true;
        } else if (text.ends_with(full_width_space)) {
            text.remove_suffix(full_width_space.size());
            changed = true;
        }
    }
    return std::string(text);
}

std::string to_lower_ascii(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), lower);
    return result;
}

std::string to_upper_ascii(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), upper);
    return result;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), same_ignoring_case);
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           equals_ignoring_case(text.substr(0, prefix.size()), prefix);
}

std::size_t find_ignoring_case(std::string_view text, std::string_view part, std::size_t from) {
    if (from > text.size()) {
        return std::string_view::npos;
    }
    auto hit = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                           part.begin(), part.end(), same_ignoring_case);
    if (hit == text.end() && !part.empty()) {
        return std::string_view::npos;
    }
    return static_cast<std::size_t>(hit - text.begin());
}

std::string replace_all(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) {
        return std::string(text);
    }
    std::string result;
    result.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t at = text.find(from); at != std::string_view::npos;
         at = text.find(from, start)) {
        result.append(text.substr(start, at - start)).append(to);
        start = at + from.size();
    }
    result.append(text.substr(start));
    return result;
}

std::string remove_all(std::string_view text, std::string_view part) {
    return replace_all(text, part, {});
}

std::string remove_all_ignoring_case(std::string_view text, std::string_view part) {
    if (part.empty()) {
        return std::string(text);
    }
    std::string result;
    std::size_t start = 0;
    for (std::size_t at = find_ignoring_case(text, part); at != std::string_view::npos;
         at = find_ignoring_case(text, part, start)) {
        result.append(text.substr(start, at - start));
        start = at + part.size();
    }
    result.append(text.substr(start));
    return result;
}

namespace {

// Length of the valid UTF-8 sequence starting at text[at], or 0 when invalid.
std::size_t valid_sequence_length(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char min_second = 0x80, max_second = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            min_second = 0xA0;
        if (lead == 0xED)
            max_second = 0x9F;  // no UTF-16 surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            min_second = 0x90;
        if (lead == 0xF4)
            max_second = 0x8F;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    if (byte(at + 1) < min_second || byte(at + 1) > max_second) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = valid_sequence_length(bytes, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

std::string utf8_to_text(std::string_view bytes) {
    static constexpr std::string_view replacement = "\xEF\xBF\xBD";
    std::string result;
    result.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = valid_sequence_length(bytes, at);
        if (length == 0) {
            result.append(replacement);
            ++at;
        } else {
            result.append(bytes.substr(at, length));
            at += length;
        }
    }
    return result;
}

std::string quote_for_sh(std::string_view text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    quoted += '\'';
    return quoted;
}

}  // namespace vx::text
