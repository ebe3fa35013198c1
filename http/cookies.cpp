#include "http/cookies.hpp"

#include <algorithm>
#include <vector>

#include "core/text.hpp"

namespace vx::http {
namespace {

constexpr std::string_view item_separator = "; ";
constexpr std::string_view set_cookie_marker = "Set-Cookie:";
constexpr std::string_view deleted_suffix = "=deleted";

// Trimmed; a text ending with ";" gets a space so that its last item splits off cleanly.
std::string prepare_for_split(std::string_view cookie_text) {
    std::string prepared = text::trim(cookie_text);
    if (prepared.ends_with(';')) {
        prepared += ' ';
    }
    return prepared;
}

}  // namespace

std::string cookie_name(std::string_view item) {
    const std::size_t equals = item.find('=');
    return text::trim(equals == std::string_view::npos ? item : item.substr(0, equals));
}

std::string gather_reply_cookies(std::string_view reply_headers) {
    std::string gathered;
    for (const std::string& piece : text::split(reply_headers, text::crlf)) {
        const std::size_t colon_space = piece.find(": ");
        if (colon_space == std::string::npos || piece.compare(0, colon_space, "Set-Cookie") != 0) {
            continue;
        }
        std::string value;
        if (piece.find(';') != std::string::npos) {
            const std::size_t marker = piece.find(set_cookie_marker);
            const std::size_t start = marker + set_cookie_marker.size();
            const std::size_t end = piece.find(';', start);
            value = piece.substr(start, end == std::string::npos ? end : end - start);
        } else {
            value = text::remove_all_ignoring_case(piece, set_cookie_marker);
        }
        gathered += text::trim(value);
        gathered += item_separator;
    }
    if (gathered.ends_with(item_separator)) {
        gathered.resize(gathered.size() - item_separator.size());
    }
    return gathered;
}

std::string strip_cookie_markers(std::string_view cookies) {
    return text::remove_all_ignoring_case(cookies, "Cookie:");
}

std::string merge_cookie_text(std::string_view old_text, std::string_view new_text) {
    const std::vector<std::string> old_items =
        text::split(prepare_for_split(old_text), item_separator);
    std::vector<std::string> items = text::split(prepare_for_split(new_text), item_separator);
    for (const std::string& old_item : old_items) {
        const std::string name = cookie_name(old_item);
        const bool named_already = std::any_of(items.begin(), items.end(), [&](const auto& item) {
            return cookie_name(item) == name;
        });
        if (!named_already) {
            items.push_back(old_item);
        }
    }
    std::string kept;
    for (const std::string& item : items) {
        if (!item.ends_with(deleted_suffix)) {
            kept += item;
            kept += item_separator;
        }
    }
    if (!kept.empty()) {
        kept.resize(kept.size() - item_separator.size());
    }
    return remove_duplicate_items(kept, item_separator);
}

std::string remove_duplicate_items(std::string_view text, std::string_view separator) {
    std::vector<std::string> kept;
    for (std::string& item : text::split(text, separator)) {
        if (std::find(kept.begin(), kept.end(), item) == kept.end()) {
            kept.push_back(std::move(item));
        }
    }
    std::string joined;
    for (std::size_t at = 0; at < kept.size(); ++at) {
        if (at > 0) {
            joined += separator;
        }
        joined += kept[at];
    }
    return joined;
}

}  // namespace vx::http
