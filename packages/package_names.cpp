#include "packages/package_names.hpp"

#include <algorithm>
#include <cstdint>

#include "core/text.hpp"

namespace vx::packages {
namespace {

using vx::text::quote_for_sh;

bool is_ascii_alnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool is_ascii_digit(char c) {
    return c >= '0' && c <= '9';
}

// A path a file dialog could give: anything but empty, and no NUL, which
// would cut the command line short on its way to the shell.
bool is_usable_path(std::string_view path) {
    return !path.empty() && path.find('\0') == std::string_view::npos;
}

// Decodes the code point starting at text[at] and moves at past it. The text
// is known to be valid UTF-8.
std::uint32_t next_code_point(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 1;
    std::uint32_t value = lead;
    if (lead >= 0xF0) {
        length = 4;
        value = lead & 0x07u;
    } else if (lead >= 0xE0) {
        length = 3;
        value = lead & 0x0Fu;
    } else if (lead >= 0xC0) {
        length = 2;
        value = lead & 0x1Fu;
    }
    for (std::size_t i = 1; i < length; ++i) {
        value = (value << 6) | (byte(at + i) & 0x3Fu);
    }
    at += length;
    return value;
}

bool is_space_or_control(std::uint32_t c) {
    if (c <= 0x20 || (c >= 0x7F && c <= 0xA0)) {
        return true;  // C0, space, DEL, C1, no-break space
    }
    return c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 ||
           c == 0x202F || c == 0x205F || c == 0x3000 || c == 0xFEFF;
}

bool is_refused_in_url(std::uint32_t c) {
    return is_space_or_control(c) || c == '\'' || c == '"' || c == '`' || c == '\\';
}

// The authority part (between "//" and the path) names a host.
bool names_a_host(std::string_view authority) {
    const std::size_t at_sign = authority.rfind('@');
    std::string_view host =
        at_sign == std::string_view::npos ? authority : authority.substr(at_sign + 1);
    std::string_view port;
    if (host.starts_with('[')) {
        const std::size_t close = host.find(']');
        if (close == std::string_view::npos || close == 1) {
            return false;
        }
        const std::string_view after = host.substr(close + 1);
        if (!after.empty()) {
            if (!after.starts_with(':')) {
                return false;
            }
            port = after.substr(1);
            if (port.empty()) {
                return false;
            }
        }
        host = host.substr(0, close + 1);
    } else if (const std::size_t colon = host.find(':'); colon != std::string_view::npos) {
        port = host.substr(colon + 1);
        host = host.substr(0, colon);
        if (port.empty()) {
            return false;
        }
    }
    return !host.empty() && std::all_of(port.begin(), port.end(), is_ascii_digit);
}

}  // namespace

bool is_valid_package_name(std::string_view name) {
    if (name.empty() || !is_ascii_alnum(name.front()) || !is_ascii_alnum(name.back())) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        return is_ascii_alnum(c) || c == '.' || c == '_' || c == '-';
    });
}

bool is_valid_version_text(std::string_view version) {
    constexpr std::string_view punctuation = ".+!*_-";
    return !version.empty() && std::all_of(version.begin(), version.end(), [&](char c) {
        return is_ascii_alnum(c) || punctuation.find(c) != std::string_view::npos;
    });
}

bool is_http_url(std::string_view address) {
    if (!vx::text::is_valid_utf8(address)) {
        return false;
    }
    for (std::size_t at = 0; at < address.size();) {
        if (is_refused_in_url(next_code_point(address, at))) {
            return false;
        }
    }
    std::string_view rest;
    if (vx::text::starts_with_ignoring_case(address, "http://")) {
        rest = address.substr(7);
    } else if (vx::text::starts_with_ignoring_case(address, "https://")) {
        rest = address.substr(8);
    } else {
        return false;
    }
    return names_a_host(rest.substr(0, rest.find_first_of("/?#")));
}

std::string percent_encode_path_segment(std::string_view name) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(name.size());
    for (char c : name) {
        if (is_ascii_alnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            encoded += '%';
            encoded += hex[byte >> 4];
            encoded += hex[byte & 0x0F];
        }
    }
    return encoded;
}

std::optional<std::string> install_command(std::string_view name, std::string_view version,
                                           bool upgrade) {
    if (!is_valid_package_name(name) || !is_valid_version_text(version)) {
        return std::nullopt;
    }
    std::string requirement = std::string(name) + "==" + std::string(version);
    return std::string(upgrade ? "python -m pip install --upgrade " : "python -m pip install ") +
           quote_for_sh(requirement);
}

std::optional<std::string> uninstall_command(std::string_view name) {
    if (!is_valid_package_name(name)) {
        return std::nullopt;
    }
    return "python -m pip uninstall " + quote_for_sh(name) + " -y";
}

std::optional<std::string> freeze_command(std::string_view temp_path) {
    if (!is_usable_path(temp_path)) {
        return std::nullopt;
    }
    return "python -m pip freeze > " + quote_for_sh(temp_path);
}

std::optional<std::string> import_command(std::string_view path) {
    if (!is_usable_path(path)) {
        return std::nullopt;
    }
    return "python -m pip install -r " + quote_for_sh(path);
}

std::optional<std::string> batch_uninstall_command(std::string_view path) {
    if (!is_usable_path(path)) {
        return std::nullopt;
    }
    return "python -m pip uninstall -r " + quote_for_sh(path) + " -y";
}

std::optional<std::string> set_index_url_command(std::string_view url) {
    if (!is_http_url(url)) {
        return std::nullopt;
    }
    return "python -m pip config set global.index-url " + quote_for_sh(url);
}

}  // namespace vx::packages
