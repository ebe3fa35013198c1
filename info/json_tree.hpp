#pragma once
// An immutable JSON value parsed in C++: the form in which a document holds
// data from outside until a script needs it. One flat array of nodes and one
// byte pool, so that a large reply costs few allocations. Object members are
// kept in the order a JavaScript engine enumerates them (array-index names
// first, ascending, then the others in first-seen order; a repeated name keeps
// its first place and its last value), so that reads match the engine's.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vx::info {

enum class JsonKind : std::uint8_t { null, boolean, number, string, array, object };

struct JsonNode {
    std::uint32_t first = 0;       // string: pool offset; array/object: index of the first child
    std::uint32_t count = 0;       // string: byte length; array/object: number of children
    std::uint32_t key_offset = 0;  // member name in the pool (object members only)
    std::uint32_t key_length = 0;
    double number = 0;
    JsonKind kind = JsonKind::null;
    bool flag = false;  // the value of a boolean
};

struct JsonTree {
    std::vector<JsonNode> nodes;  // the children of a container are contiguous
    std::string pool;             // decoded strings and member names, UTF-8
    std::uint32_t root = 0;

    const JsonNode& node(std::uint32_t index) const { return nodes[index]; }
    std::string_view text(const JsonNode& node) const {
        return std::string_view(pool).substr(node.first, node.count);
    }
    std::string_view key(const JsonNode& node) const {
        return std::string_view(pool).substr(node.key_offset, node.key_length);
    }
};

// Containers nested deeper than this are refused, as the script engine's own
// JSON.parse refuses them; every recursive walk over a tree stays this shallow.
inline constexpr std::size_t json_max_depth = 1024;

struct JsonParseOutcome {
    std::shared_ptr<const JsonTree> tree;  // empty when the text is not JSON
    std::string message;                   // why it is not
    std::size_t line = 0;                  // 1-based position of the fault
    std::size_t column = 0;                // 1-based byte column
    std::size_t offset = 0;                // byte offset of the fault
    bool invalid_utf8 = false;             // a string held bytes that are not UTF-8
};

// Parses JSON text (RFC 8259; a leading UTF-8 byte-order mark is skipped).
// Numbers that do not fit a double are refused, as the engine refuses them.
// Text that is not UTF-8 is refused with invalid_utf8 set, so that the caller
// can convert it first. An escaped lone surrogate reads as "?", which is what
// the engine's text conversion makes of it.
JsonParseOutcome parse_json_tree(std::string_view text);

// Array-index member names ("0" .. "4294967294" without leading zeros) sort
// before all others in an engine's enumeration order.
bool is_array_index(std::string_view name);

}  // namespace vx::info
