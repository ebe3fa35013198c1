#include "info/json_tree_reads.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace vx::info {
namespace {

// Members every object inherits in the engine (the last two come from the
// start script); a read of one of these names must go to the engine.
constexpr std::array<std::string_view, 14> inherited_names = {
    "constructor",      "toString",         "toLocaleString",       "valueOf",
    "hasOwnProperty",   "isPrototypeOf",    "propertyIsEnumerable", "__defineGetter__",
    "__defineSetter__", "__lookupGetter__", "__lookupSetter__",     "__proto__",
    "toJSONString",     "parseJSON"};

bool is_inherited_name(std::string_view key) {
    for (const std::string_view name : inherited_names) {
        if (name == key) {
            return true;
        }
    }
    return false;
}

void append_plain(std::string& out, const JsonTree& tree, std::uint32_t index);

// Array.prototype.join(","): null items give nothing, nested arrays are
// joined in turn, objects give "[object Object]".
void append_joined(std::string& out, const JsonTree& tree, const JsonNode& array) {
    for (std::uint32_t i = 0; i < array.count; ++i) {
        if (i > 0) {
            out += ',';
        }
        if (tree.node(array.first + i).kind != JsonKind::null) {
            append_plain(out, tree, array.first + i);
        }
    }
}

void append_plain(std::string& out, const JsonTree& tree, std::uint32_t index) {
    const JsonNode& node = tree.node(index);
    switch (node.kind) {
        case JsonKind::null:
            break;
        case JsonKind::boolean:
            out += node.flag ? "true" : "false";
            break;
        case JsonKind::number:
            out += js_number_text(node.number);
            break;
        case JsonKind::string:
            out += tree.text(node);
            break;
        case JsonKind::array:
            append_joined(out, tree, node);
            break;
        case JsonKind::object:
            out += "[object Object]";
            break;
    }
}

void append_json_string(std::string& out, std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\') {
            continue;
        }
        out.append(text.data() + run, i - run);
        run = i + 1;
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 0xF];
        }
    }
    out.append(text.data() + run, text.size() - run);
    out += '"';
}

void append_json(std::string& out, const JsonTree& tree, std::uint32_t index) {
    const JsonNode& node = tree.node(index);
    switch (node.kind) {
        case JsonKind::null:
            out += "null";
            break;
        case JsonKind::boolean:
            out += node.flag ? "true" : "false";
            break;
        case JsonKind::number:
            out += std::isfinite(node.number) ? js_number_text(node.number) : "null";
            break;
        case JsonKind::string:
            append_json_string(out, tree.text(node));
            break;
        case JsonKind::array:
        case JsonKind::object: {
            const bool object = node.kind == JsonKind::object;
            out += object ? '{' : '[';
            for (std::uint32_t i = 0; i < node.count; ++i) {
                if (i > 0) {
                    out += ',';
                }
                if (object) {
                    append_json_string(out, tree.key(tree.node(node.first + i)));
                    out += ':';
                }
                append_json(out, tree, node.first + i);
            }
            out += object ? '}' : ']';
        }
    }
}

void append_leaves(std::string& out, bool& first, const JsonTree& tree, const JsonNode& container,
                   bool recursive, std::string_view separator) {
    for (std::uint32_t i = 0; i < container.count; ++i) {
        const JsonNode& member = tree.node(container.first + i);
        if (member.kind == JsonKind::array || member.kind == JsonKind::object) {
            if (recursive) {
                append_leaves(out, first, tree, member, recursive, separator);
            }
        } else if (member.kind != JsonKind::null) {
            if (!first) {
                out += separator;
            }
            first = false;
            append_plain(out, tree, container.first + i);
        }
    }
}

bool is_identifier_start(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
}
bool is_identifier_part(char c) {
    return is_identifier_start(c) || (c >= '0' && c <= '9');
}

std::string_view take_identifier(std::string_view text, std::size_t& at) {
    const std::size_t start = at;
    if (at < text.size() && is_identifier_start(text[at])) {
        while (at < text.size() && is_identifier_part(text[at])) {
            ++at;
        }
    }
    return text.substr(start, at - start);
}

// One bracket step: a quoted name without escapes or line breaks, or a small
// decimal index. Anything else is left to the engine (false).
bool take_bracket_key(std::string_view text, std::size_t& at, std::string_view& key) {
    ++at;  // '['
    if (at >= text.size()) {
        return false;
    }
    const char open = text[at];
    if (open == '\'' || open == '"') {
        const std::size_t start = ++at;
        while (at < text.size() && text[at] != open) {
            const char c = text[at];
            if (c == '\\' || c == '\n' || c == '\r' ||
                (text.substr(at, 2) == "\xE2\x80" && at + 2 < text.size() &&
                 (text[at + 2] == '\xA8' || text[at + 2] == '\xA9'))) {
                return false;
            }
            ++at;
        }
        if (at >= text.size()) {
            return false;
        }
        key = text.substr(start, at - start);
        ++at;  // closing quote
    } else {
        const std::size_t start = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            ++at;
        }
        key = text.substr(start, at - start);
        if (key.empty() || key.size() > 15 || (key[0] == '0' && key.size() > 1)) {
            return false;
        }
    }
    if (at >= text.size() || text[at] != ']') {
        return false;
    }
    ++at;
    return true;
}

}  // namespace

std::string js_number_text(double number) {
    if (std::isnan(number)) {
        return "NaN";
    }
    if (number == 0) {
        return "0";
    }
    if (std::isinf(number)) {
        return number < 0 ? "-Infinity" : "Infinity";
    }
    // Shortest round-trip digits, then the engine's layout of them.
    char buffer[40];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(number),
                                   std::chars_format::scientific)
                         .ptr;
    const std::string_view scientific(buffer, static_cast<std::size_t>(end - buffer));
    const std::size_t e = scientific.find('e');
    std::string digits(1, scientific[0]);
    if (e > 1) {
        digits.append(scientific.substr(2, e - 2));
    }
    const int exponent = std::atoi(std::string(scientific.substr(e + 1)).c_str());
    const int k = static_cast<int>(digits.size());
    const int n = exponent + 1;

    std::string out = number < 0 ? "-" : "";
    if (k <= n && n <= 21) {
        out += digits;
        out.append(static_cast<std::size_t>(n - k), '0');
    } else if (0 < n && n <= 21) {
        out += digits.substr(0, static_cast<std::size_t>(n));
        out += '.';
        out += digits.substr(static_cast<std::size_t>(n));
    } else if (-6 < n && n <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-n), '0');
        out += digits;
    } else {
        out += digits[0];
        if (k > 1) {
            out += '.';
            out += digits.substr(1);
        }
        out += n - 1 >= 0 ? "e+" : "e-";
        out += std::to_string(std::abs(n - 1));
    }
    return out;
}

std::string js_plain_text(const JsonTree& tree, std::uint32_t index) {
    std::string out;
    append_plain(out, tree, index);
    return out;
}

std::string js_json_text(const JsonTree& tree, std::uint32_t index) {
    std::string out;
    append_json(out, tree, index);
    return out;
}

std::string serialise_json(const JsonTree& tree, std::uint32_t index) {
    std::string out;
    out.reserve(tree.pool.size() + tree.nodes.size() * 8);
    append_json(out, tree, index);
    return out;
}

std::string js_member_names(const JsonTree& tree, std::uint32_t index) {
    const JsonNode& node = tree.node(index);
    std::string out;
    if (node.kind != JsonKind::object) {
        return out;
    }
    for (std::uint32_t i = 0; i < node.count; ++i) {
        if (i > 0) {
            out += "\r\n";
        }
        out += tree.key(tree.node(node.first + i));
    }
    return out;
}

std::string js_leaf_values(const JsonTree& tree, std::uint32_t index, bool recursive,
                           std::string_view separator) {
    std::string out;
    bool first = true;
    const JsonNode& node = tree.node(index);
    if (node.kind == JsonKind::array || node.kind == JsonKind::object) {
        append_leaves(out, first, tree, node, recursive, separator);
    }
    return out;
}

TreeRead read_member(const JsonTree& tree, TreeRead from, std::string_view key) {
    using State = TreeRead::State;
    if (from.state != State::value) {
        return {from.state == State::undefined ? State::error : from.state, 0};
    }
    const JsonNode& node = tree.node(from.node);
    switch (node.kind) {
        case JsonKind::null:
            return {State::error, 0};
        case JsonKind::object:
            for (std::uint32_t i = 0; i < node.count; ++i) {
                if (tree.key(tree.node(node.first + i)) == key) {
                    return {State::value, node.first + i};
                }
            }
            return {is_inherited_name(key) ? State::unknown : State::undefined, 0};
        case JsonKind::array: {
            if (!is_array_index(key)) {
                return {State::unknown, 0};
            }
            std::uint64_t item = 0;
            std::from_chars(key.data(), key.data() + key.size(), item);
            if (item < node.count) {
                return {State::value, node.first + static_cast<std::uint32_t>(item)};
            }
            return {State::undefined, 0};
        }
        default:
            return {State::unknown, 0};  // methods and indexes of plain values
    }
}

TreeRead read_path(const JsonTree& tree, std::uint32_t root, std::string_view expression,
                   std::string_view name,
                   const std::function<bool(std::string_view)>& is_other_global) {
    using State = TreeRead::State;
    std::size_t at = 0;
    TreeRead current{State::value, root};
    if (expression.starts_with(name) &&
        (expression.size() == name.size() || !is_identifier_part(expression[name.size()]))) {
        at = name.size();
    } else {
        const std::string_view identifier = take_identifier(expression, at);
        if (identifier.empty()) {
            return {};
        }
        if (is_other_global(identifier)) {
            return {};
        }
        current = {State::error, 0};  // a ReferenceError, unless the rest does not parse
    }
    while (at < expression.size()) {
        std::string_view key;
        if (expression[at] == '.') {
            ++at;
            key = take_identifier(expression, at);
            if (key.empty()) {
                return {};
            }
        } else if (expression[at] != '[' || !take_bracket_key(expression, at, key)) {
            return {};
        }
        if (current.state == State::value || current.state == State::undefined) {
            current = read_member(tree, current, key);
            if (current.state == State::unknown) {
                return {};
            }
        }
    }
    return current;
}

}  // namespace vx::info
