#include "info/json_tree.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <system_error>
#include <unordered_map>
#include <utility>

namespace vx::info {
namespace {

// Texts beyond this would overflow the 32-bit offsets of the pool.
constexpr std::size_t max_text_size = std::numeric_limits<std::uint32_t>::max() / 2;

// Objects up to this size are checked for repeated names pairwise.
constexpr std::size_t small_object = 16;

// Bytes a string can hold as they are: everything but the quote, the
// backslash, control characters and the bytes of multi-byte characters.
constexpr auto plain_string_byte = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x80; ++c) {
        plain[c] = c != '"' && c != '\\';
    }
    return plain;
}();

struct Frame {
    std::size_t pending_start;  // first child in the pending list
    bool object;
    bool has_index_names = false;
    std::uint32_t own_key_offset, own_key_length;  // this container's name in its parent
    std::uint32_t key_offset = 0, key_length = 0;  // name of the member being read
};

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text), tree_(std::make_shared<JsonTree>()) {}

    JsonParseOutcome run() {
        JsonParseOutcome outcome;
        if (text_.size() > max_text_size) {
            outcome.message = "text too large";
            return outcome;
        }
        if (text_.starts_with("\xEF\xBB\xBF")) {
            pos_ = 3;
        }
        tree_->pool.reserve(text_.size() / 2);
        if (parse_document()) {
            tree_->nodes.push_back(pending_.back());
            tree_->root = static_cast<std::uint32_t>(tree_->nodes.size() - 1);
            tree_->nodes.shrink_to_fit();
            tree_->pool.shrink_to_fit();
            outcome.tree = std::move(tree_);
            return outcome;
        }
        outcome.message = error_;
        outcome.invalid_utf8 = invalid_utf8_;
        outcome.line = 1;
        std::size_t line_start = 0;
        for (std::size_t at = 0; at < error_pos_ && at < text_.size(); ++at) {
            if (text_[at] == '\n') {
                ++outcome.line;
                line_start = at + 1;
            }
        }
        outcome.column = error_pos_ - line_start + 1;
        outcome.offset = error_pos_;
        return outcome;
    }

private:
    bool fail(const char* message) {
        if (error_.empty()) {
            error_ = message;
            error_pos_ = pos_;
        }
        return false;
    }

    void skip_space() {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
                return;
            }
            ++pos_;
        }
    }

    bool at_end() const { return pos_ >= text_.size(); }
    char peek() const { return text_[pos_]; }

    enum class Step { failed, value, opened };

    // The iterative core: frames_ replaces recursion, so deep texts cannot
    // exhaust the stack.
    bool parse_document() {
        for (;;) {
            skip_space();
            const Step step = parse_value();
            if (step == Step::failed) {
                return false;
            }
            if (step == Step::opened) {
                continue;  // the container's first value comes next
            }
            for (;;) {
                skip_space();
                if (frames_.empty()) {
                    return at_end() || fail("unexpected text after the value");
                }
                if (at_end()) {
                    return fail("unexpected end of text");
                }
                Frame& frame = frames_.back();
                const char c = peek();
                if (c == ',') {
                    ++pos_;
                    skip_space();
                    if (frame.object && !parse_member_name(frame)) {
                        return false;
                    }
                    break;  // next value
                }
                if (c != (frame.object ? '}' : ']')) {
                    return fail(frame.object ? "expected ',' or '}'" : "expected ',' or ']'");
                }
                ++pos_;
                close_container();
            }
        }
    }

    Step parse_value() {
        if (at_end()) {
            return fail_step("unexpected end of text");
        }
        JsonNode node;
        const char c = peek();
        if (c == '{' || c == '[') {
            return open_container(c == '{');
        }
        if (c == '"') {
            ++pos_;
            node.kind = JsonKind::string;
            node.first = static_cast<std::uint32_t>(tree_->pool.size());
            if (!parse_string()) {
                return Step::failed;
            }
            node.count = static_cast<std::uint32_t>(tree_->pool.size() - node.first);
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            node.kind = JsonKind::number;
            if (!parse_number(node.number)) {
                return Step::failed;
            }
        } else if (text_.substr(pos_, 4) == "true") {
            node.kind = JsonKind::boolean;
            node.flag = true;
            pos_ += 4;
        } else if (text_.substr(pos_, 5) == "false") {
            node.kind = JsonKind::boolean;
            pos_ += 5;
        } else if (text_.substr(pos_, 4) == "null") {
            pos_ += 4;
        } else {
            return fail_step("unexpected character");
        }
        push_value(node);
        return Step::value;
    }

    Step fail_step(const char* message) {
        fail(message);
        return Step::failed;
    }

    void push_value(JsonNode node) {
        if (!frames_.empty() && frames_.back().object) {
            node.key_offset = frames_.back().key_offset;
            node.key_length = frames_.back().key_length;
        }
        pending_.push_back(node);
    }

    Step open_container(bool object) {
        if (frames_.size() >= json_max_depth) {
            return fail_step("nesting too deep");
        }
        ++pos_;
        Frame frame{pending_.size(), object, false, 0, 0};
        if (!frames_.empty() && frames_.back().object) {
            frame.own_key_offset = frames_.back().key_offset;
            frame.own_key_length = frames_.back().key_length;
        }
        frames_.push_back(frame);
        skip_space();
        if (!at_end() && peek() == (object ? '}' : ']')) {
            ++pos_;
            close_container();
            return Step::value;
        }
        if (object && !parse_member_name(frames_.back())) {
            return Step::failed;
        }
        return Step::opened;
    }

    bool parse_member_name(Frame& frame) {
        if (at_end() || peek() != '"') {
            return fail("expected a member name");
        }
        ++pos_;
        const std::size_t start = tree_->pool.size();
        if (!parse_string()) {
            return false;
        }
        frame.key_offset = static_cast<std::uint32_t>(start);
        frame.key_length = static_cast<std::uint32_t>(tree_->pool.size() - start);
        if (frame.key_length > 0 && tree_->pool[start] >= '0' && tree_->pool[start] <= '9') {
            frame.has_index_names = true;
        }
        skip_space();
        if (at_end() || peek() != ':') {
            return fail("expected ':'");
        }
        ++pos_;
        skip_space();
        return true;
    }

    void close_container() {
        const Frame frame = frames_.back();
        frames_.pop_back();
        if (frame.object) {
            order_members(frame);
        }
        const auto begin = pending_.begin() + static_cast<std::ptrdiff_t>(frame.pending_start);
        JsonNode node;
        node.kind = frame.object ? JsonKind::object : JsonKind::array;
        node.first = static_cast<std::uint32_t>(tree_->nodes.size());
        node.count = static_cast<std::uint32_t>(pending_.end() - begin);
        node.key_offset = frame.own_key_offset;
        node.key_length = frame.own_key_length;
        tree_->nodes.insert(tree_->nodes.end(), begin, pending_.end());
        pending_.erase(begin, pending_.end());
        pending_.push_back(node);
    }

    std::string_view key_of(const JsonNode& node) const {
        return std::string_view(tree_->pool).substr(node.key_offset, node.key_length);
    }

    bool has_repeated_names(std::size_t start) const {
        const std::size_t count = pending_.size() - start;
        if (count <= small_object) {
            for (std::size_t i = start + 1; i < pending_.size(); ++i) {
                for (std::size_t j = start; j < i; ++j) {
                    if (key_of(pending_[i]) == key_of(pending_[j])) {
                        return true;
                    }
                }
            }
            return false;
        }
        std::vector<std::string_view> names;
        names.reserve(count);
        for (std::size_t i = start; i < pending_.size(); ++i) {
            names.push_back(key_of(pending_[i]));
        }
        std::sort(names.begin(), names.end());
        return std::adjacent_find(names.begin(), names.end()) != names.end();
    }

    // A repeated name keeps its first place and takes its last value; array
    // index names go first in ascending order, as the engine enumerates them.
    void order_members(const Frame& frame) {
        const std::size_t start = frame.pending_start;
        if (has_repeated_names(start)) {
            std::vector<JsonNode> unique;
            std::unordered_map<std::string_view, std::size_t> place;
            for (std::size_t i = start; i < pending_.size(); ++i) {
                const auto [it, fresh] = place.emplace(key_of(pending_[i]), unique.size());
                if (fresh) {
                    unique.push_back(pending_[i]);
                } else {
                    unique[it->second] = pending_[i];
                }
            }
            pending_.resize(start);
            pending_.insert(pending_.end(), unique.begin(), unique.end());
        }
        if (!frame.has_index_names) {
            return;
        }
        const auto begin = pending_.begin() + static_cast<std::ptrdiff_t>(start);
        const auto indexes_end = std::stable_partition(
            begin, pending_.end(), [this](const JsonNode& n) { return is_array_index(key_of(n)); });
        std::sort(begin, indexes_end, [this](const JsonNode& a, const JsonNode& b) {
            const std::string_view x = key_of(a);
            const std::string_view y = key_of(b);
            return x.size() != y.size() ? x.size() < y.size() : x < y;
        });
    }

    bool parse_number(double& value) {
        const std::size_t start = pos_;
        if (peek() == '-') {
            ++pos_;
        }
        if (at_end() || !is_digit(peek())) {
            return fail("invalid number");
        }
        if (peek() == '0') {
            ++pos_;
        } else {
            skip_digits();
        }
        if (!at_end() && peek() == '.') {
            ++pos_;
            if (at_end() || !is_digit(peek())) {
                return fail("invalid number");
            }
            skip_digits();
        }
        if (!at_end() && (peek() == 'e' || peek() == 'E')) {
            ++pos_;
            if (!at_end() && (peek() == '+' || peek() == '-')) {
                ++pos_;
            }
            if (at_end() || !is_digit(peek())) {
                return fail("invalid number");
            }
            skip_digits();
        }
        const char* first = text_.data() + start;
        const auto [end, error] = std::from_chars(first, text_.data() + pos_, value);
        if (error != std::errc() || end != text_.data() + pos_) {
            pos_ = start;
            return fail("number out of range");
        }
        value += 0.0;  // -0 reads as 0, as in the engine's JSON.parse
        return true;
    }

    static bool is_digit(char c) { return c >= '0' && c <= '9'; }
    void skip_digits() {
        while (!at_end() && is_digit(peek())) {
            ++pos_;
        }
    }

    // Reads up to the closing quote and appends the decoded bytes to the pool.
    bool parse_string() {
        std::string& out = tree_->pool;
        for (;;) {
            const std::size_t run = pos_;
            while (pos_ < text_.size() &&
                   plain_string_byte[static_cast<unsigned char>(text_[pos_])]) {
                ++pos_;
            }
            out.append(text_.data() + run, pos_ - run);
            if (at_end()) {
                return fail("unterminated string");
            }
            const auto c = static_cast<unsigned char>(peek());
            if (c == '"') {
                ++pos_;
                return true;
            }
            if (c < 0x20) {
                return fail("control character in string");
            }
            if (c >= 0x80) {
                const std::size_t length = utf8_sequence_length();
                if (length == 0) {
                    invalid_utf8_ = true;
                    return fail("invalid UTF-8");
                }
                out.append(text_.data() + pos_, length);
                pos_ += length;
                continue;
            }
            if (!parse_escape(out)) {
                return false;
            }
        }
    }

    bool parse_escape(std::string& out) {
        ++pos_;  // the backslash
        if (at_end()) {
            return fail("unterminated string");
        }
        const char c = text_[pos_++];
        switch (c) {
            case '"':
                out += '"';
                return true;
            case '\\':
                out += '\\';
                return true;
            case '/':
                out += '/';
                return true;
            case 'b':
                out += '\b';
                return true;
            case 'f':
                out += '\f';
                return true;
            case 'n':
                out += '\n';
                return true;
            case 'r':
                out += '\r';
                return true;
            case 't':
                out += '\t';
                return true;
            case 'u':
                break;
            default:
                --pos_;
                return fail("invalid escape");
        }
        std::uint32_t unit = 0;
        if (!read_hex4(unit)) {
            return false;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF && text_.substr(pos_, 2) == "\\u") {
            const std::size_t saved = pos_;
            pos_ += 2;
            std::uint32_t low = 0;
            if (!read_hex4(low)) {
                return false;
            }
            if (low >= 0xDC00 && low <= 0xDFFF) {
                append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                return true;
            }
            pos_ = saved;  // the second escape stands on its own
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            out += '?';
        } else {
            append_utf8(out, unit);
        }
        return true;
    }

    bool read_hex4(std::uint32_t& unit) {
        if (pos_ + 4 > text_.size()) {
            return fail("invalid escape");
        }
        for (int i = 0; i < 4; ++i) {
            const char c = text_[pos_];
            unit <<= 4;
            if (c >= '0' && c <= '9') {
                unit |= static_cast<std::uint32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                unit |= static_cast<std::uint32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                unit |= static_cast<std::uint32_t>(c - 'A' + 10);
            } else {
                return fail("invalid escape");
            }
            ++pos_;
        }
        return true;
    }

    static void append_utf8(std::string& out, std::uint32_t code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    // Length of the well-formed UTF-8 sequence at pos_, 0 when it is not one
    // (overlong forms, surrogates and code points past U+10FFFF included).
    std::size_t utf8_sequence_length() const {
        const auto byte = [this](std::size_t i) {
            return pos_ + i < text_.size() ? static_cast<unsigned char>(text_[pos_ + i]) : 0u;
        };
        const unsigned lead = byte(0);
        const auto tail = [&](std::size_t i) { return (byte(i) & 0xC0u) == 0x80u; };
        if (lead >= 0xC2 && lead <= 0xDF) {
            return tail(1) ? 2 : 0;
        }
        if (lead >= 0xE0 && lead <= 0xEF) {
            const unsigned second = byte(1);
            if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F)) {
                return 0;
            }
            return tail(1) && tail(2) ? 3 : 0;
        }
        if (lead >= 0xF0 && lead <= 0xF4) {
            const unsigned second = byte(1);
            if ((lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
                return 0;
            }
            return tail(1) && tail(2) && tail(3) ? 4 : 0;
        }
        return 0;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::shared_ptr<JsonTree> tree_;
    std::vector<JsonNode> pending_;
    std::vector<Frame> frames_;
    std::string error_;
    std::size_t error_pos_ = 0;
    bool invalid_utf8_ = false;
};

}  // namespace

JsonParseOutcome parse_json_tree(std::string_view text) {
    return Parser(text).run();
}

bool is_array_index(std::string_view name) {
    if (name.empty() || name.size() > 10 || (name[0] == '0' && name.size() > 1)) {
        return false;
    }
    std::uint64_t value = 0;
    for (const char c : name) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value < 4294967295u;
}

}  // namespace vx::info
