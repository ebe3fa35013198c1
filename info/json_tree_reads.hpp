#pragma once
// Reads of a JsonTree that give exactly what the document's script snippets
// give for the same value in the engine: the number notation, toString,
// JSON.stringify, the member and leaf walks, and paths in script syntax.
// Where a path needs more of the script language than member and index
// access (a method, "length", an inherited member), the read says so with
// TreeRead::State::unknown and the document asks the engine instead.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "info/json_tree.hpp"

namespace vx::info {

// Number.prototype.toString() in base 10.
std::string js_number_text(double number);

// value.toString() for every kind but null (which has none).
std::string js_plain_text(const JsonTree& tree, std::uint32_t index);

// JSON.stringify(value) as the engine writes it: no spaces, only control
// characters, the quote and the backslash escaped.
std::string js_json_text(const JsonTree& tree, std::uint32_t index);

// The value as JSON text that the engine's JSON.parse reads back to the very
// same value: how a tree is handed to the engine. (Trees hold no -0, NaN or
// infinity, so this is js_json_text with room reserved up front.)
std::string serialise_json(const JsonTree& tree, std::uint32_t index);

// The names of an object's members joined with CR LF; empty for anything else.
std::string js_member_names(const JsonTree& tree, std::uint32_t index);

// The string, number and boolean members of a container (walked into nested
// containers when recursive) joined with separator. Undefined for a string
// value: the engine walks its characters, so the caller asks the engine.
std::string js_leaf_values(const JsonTree& tree, std::uint32_t index, bool recursive,
                           std::string_view separator);

struct TreeRead {
    enum class State : std::uint8_t {
        value,      // node holds the value
        undefined,  // no such member or item
        error,      // the script would throw (a member of null or undefined)
        unknown,    // needs the engine
    };
    State state = State::unknown;
    std::uint32_t node = 0;

    bool holds_value() const { return state == State::value; }
};

// The value of member key (a property name, array indexes in decimal) of from.
TreeRead read_member(const JsonTree& tree, TreeRead from, std::string_view key);

// Evaluates expression, a script path at global scope in which the global
// variable name holds the tree's root. is_other_global tells whether a global
// of another name exists, for expressions that start with one.
TreeRead read_path(const JsonTree& tree, std::uint32_t root, std::string_view expression,
                   std::string_view name,
                   const std::function<bool(std::string_view)>& is_other_global);

}  // namespace vx::info
