#include "core/private_profile.hpp"

#include "core/text.hpp"
#include "platform/files.hpp"

#include <vector>

namespace vx::core {
namespace {

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

struct Line {
    std::string_view text;  // without its line break
    std::size_t begin = 0;  // offset of the line in the content
    std::size_t end = 0;    // offset just past its line break
};

std::vector<Line> lines_of(std::string_view content) {
    std::vector<Line> lines;
    std::size_t begin = 0;
    while (begin < content.size()) {
        std::size_t newline = content.find('\n', begin);
        std::size_t end = newline == std::string_view::npos ? content.size() : newline + 1;
        std::size_t text_end = newline == std::string_view::npos ? content.size() : newline;
        if (text_end > begin && content[text_end - 1] == '\r') {
            --text_end;
        }
        lines.push_back({content.substr(begin, text_end - begin), begin, end});
        begin = end;
    }
    return lines;
}

// The name of a section header line, or nullopt for other lines.
std::optional<std::string_view> section_name(std::string_view line) {
    line = trim_blanks(line);
    if (line.size() < 2 || line.front() != '[') {
        return std::nullopt;
    }
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return trim_blanks(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> key_line(std::string_view line) {
    const std::string_view trimmed = trim_blanks(line);
    if (trimmed.empty() || trimmed.front() == ';') {
        return std::nullopt;
    }
    const std::size_t equals = trimmed.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return KeyLine{trim_blanks(trimmed.substr(0, equals)), trim_blanks(trimmed.substr(equals + 1))};
}

std::string unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    if (value.size() > max_profile_value) {
        // Cut at a character boundary so that the result stays valid UTF-8.
        std::size_t cut = max_profile_value;
        while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        value = value.substr(0, cut);
    }
    return std::string(value);
}

std::string_view line_break_of(std::string_view content) {
    const std::size_t newline = content.find('\n');
    return (newline != std::string_view::npos && newline > 0 && content[newline - 1] == '\r')
               ? std::string_view("\r\n")
               : std::string_view("\n");
}

}  // namespace

std::string profile_lookup(std::string_view content, std::string_view section,
                           std::string_view key) {
    // Names in the file are read trimmed, so the names asked for are too.
    section = trim_blanks(section);
    key = trim_blanks(key);
    bool in_section = false;
    for (const Line& line : lines_of(content)) {
        if (auto name = section_name(line.text)) {
            in_section = text::equals_ignoring_case(*name, section);
        } else if (in_section) {
            if (auto entry = key_line(line.text);
                entry && text::equals_ignoring_case(entry->key, key)) {
                return unquote(entry->value);
            }
        }
    }
    return {};
}

std::optional<std::string> profile_update(std::string_view content, std::string_view section,
                                          std::string_view key, std::string_view value) {
    const auto breaks_structure = [](std::string_view part) {
        return part.find_first_of("\r\n") != std::string_view::npos;
    };
    const std::string_view clean_key = trim_blanks(key);
    section = trim_blanks(section);
    // A "]" would end the section's name early: the header would name another section.
    if (clean_key.empty() || clean_key.find('=') != std::string_view::npos ||
        clean_key.front() == '[' || clean_key.front() == ';' || breaks_structure(clean_key) ||
        breaks_structure(value) || breaks_structure(section) ||
        section.find(']') != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view line_break = line_break_of(content);
    const std::string new_line = std::string(clean_key) + "=" + std::string(value);

    bool in_section = false;
    std::optional<std::size_t> section_end;  // where a new key of the first matching section goes
    for (const Line& line : lines_of(content)) {
        if (auto name = section_name(line.text)) {
            if (in_section) {
                break;  // the first matching section ended without the key
            }
            in_section = text::equals_ignoring_case(*name, section);
            if (in_section) {
                section_end = line.end;
            }
            continue;
        }
        if (!in_section) {
            continue;
        }
        if (auto entry = key_line(line.text);
            entry && text::equals_ignoring_case(entry->key, clean_key)) {
            std::string result(content.substr(0, line.begin));
            result += std::string(entry->key) + "=" + std::string(value);
            result += content.substr(line.begin + line.text.size());
            return result;
        }
        if (!trim_blanks(line.text).empty()) {
            section_end = line.end;
        }
    }

    std::string result(content);
    if (section_end) {
        std::string insertion = new_line + std::string(line_break);
        if (*section_end > 0 && content[*section_end - 1] != '\n') {
            insertion =
                std::string(line_break) + insertion;  // the section's last line had no break
        }
        result.insert(*section_end, insertion);
        return result;
    }
    if (!result.empty() && result.back() != '\n') {
        result += line_break;
    }
    result += "[" + std::string(section) + "]" + std::string(line_break) + new_line +
              std::string(line_break);
    return result;
}

std::string read_profile_string(const std::string& path, std::string_view section,
                                std::string_view key) {
    const auto content = platform::read_whole_file(path);
    return content ? profile_lookup(*content, section, key) : std::string();
}

bool write_profile_string(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view value) {
    std::string content;
    if (platform::path_exists(path)) {
        auto existing = platform::read_whole_file(path);
        if (!existing) {
            return false;  // a folder or an unreadable file is never replaced
        }
        content = std::move(*existing);
    }
    const auto updated = profile_update(content, section, key, value);
    return updated && platform::write_file_atomically(path, *updated);
}

}  // namespace vx::core
