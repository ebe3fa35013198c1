#include "http/headers.hpp"

#include <algorithm>

#include "core/text.hpp"
#include "http/methods.hpp"

namespace vx::http {
namespace {

struct DefaultLine {
    std::string_view marker;
    std::string_view line;
};

constexpr DefaultLine default_lines[] = {
    {"Accept:", "\r\nAccept: */*"},
    {"Referer:", "\r\nReferer: "},  // followed by the url
    {"Accept-Language:", "\r\nAccept-Language: zh-cn"},
    {"User-Agent:", "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"},
};
constexpr DefaultLine form_content_type = {"Content-Type:",
                                           "\r\nContent-Type: application/x-www-form-urlencoded"};

bool is_token_char(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

char upper_ascii_letter(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::string header_name(std::string_view line) {
    const std::size_t colon = line.find(':');
    return colon == std::string_view::npos ? std::string() : text::trim(line.substr(0, colon));
}

std::string header_value(std::string_view line) {
    const std::size_t colon = line.find(':');
    return colon == std::string_view::npos ? std::string() : text::trim(line.substr(colon + 1));
}

std::string capitalize_header_names(std::string_view text) {
    std::string result;
    for (std::string& piece : text::split(text, text::crlf)) {
        const std::size_t colon = piece.find(':');
        if (colon == std::string::npos) {
            continue;
        }
        for (std::size_t at = 0; at < colon; ++at) {
            if (at == 0 || piece[at - 1] == '-') {
                piece[at] = upper_ascii_letter(piece[at]);
            }
        }
        if (!result.empty()) {
            result += text::crlf;
        }
        result += piece;
    }
    return result;
}

std::string add_default_header_lines(std::string_view headers, std::string_view url,
                                     std::int32_t method) {
    std::string result(headers);
    for (const DefaultLine& entry : default_lines) {
        if (text::find_ignoring_case(result, entry.marker) == std::string::npos) {
            result += entry.line;
            if (entry.marker == "Referer:") {
                result += url;
            }
        }
    }
    if (method == method_post &&
        text::find_ignoring_case(result, form_content_type.marker) == std::string::npos) {
        result += form_content_type.line;
    }
    return result;
}

bool RequestHeaderList::set(std::string_view name, std::string_view value) {
    if (name.empty()) {
        return false;
    }
    if (!std::all_of(name.begin(), name.end(), is_token_char) ||
        value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        return false;
    }
    auto same_name = [&](const HeaderField& field) {
        return text::equals_ignoring_case(field.name, name);
    };
    if (auto existing = std::find_if(fields_.begin(), fields_.end(), same_name);
        existing != fields_.end()) {
        existing->name = name;
        existing->value = value;
    } else {
        fields_.push_back({std::string(name), std::string(value)});
    }
    return true;
}

bool RequestHeaderList::contains(std::string_view name) const {
    return std::any_of(fields_.begin(), fields_.end(), [&](const HeaderField& field) {
        return text::equals_ignoring_case(field.name, name);
    });
}

}  // namespace vx::http
