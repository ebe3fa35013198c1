#pragma once
// JsonDocument: one JSON value held in a JavaScript engine (QJSEngine) and
// read or changed through paths in script syntax, such as "['info']['version']"
// or "info.version" (relative to the root; the empty path is the root).
//
// Data from outside (a reply of the package index) goes in through
// parse_data(), which never runs it as script: it is parsed in C++ and the
// path reads are answered from that tree with exactly the texts the engine
// would give; the engine receives the value (through JSON.parse) only when an
// operation needs the script language. parse() evaluates its text as a script
// expression and is for trusted text only.
//
// Every evaluation is bounded by a time limit; one that runs out counts as a
// script error. A failing operation gives the empty text, 0 or false.
//
// Threads: a document, its engine and every copy sharing that engine belong
// to the thread that created them; create, use and destroy them there. A
// QCoreApplication must exist before the first document is made.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QJSEngine;

namespace vx::info {

class JsonEngine;

// What an evaluation that failed left behind; Number is 0 when there was none.
struct ScriptError {
    static constexpr int script_thrown = 1;  // the script raised an error
    static constexpr int timed_out = 2;      // stopped at the time limit
    static constexpr int not_json = 3;       // parse_data: the text is not JSON

    int Number = 0;
    std::string Source;       // the error's name ("SyntaxError", "TypeError", "Timeout", "JSON")
    std::string Description;  // its message
    std::string HelpFile;     // always empty
    int HelpContext = 0;      // always 0
    std::string Text;         // the start of the script or data at fault
    int Line = 0;
    int Column = 0;
};

class JsonDocument {
public:
    static constexpr std::string_view default_name = "da";
    static constexpr std::chrono::milliseconds default_time_limit{5000};

    // A document whose root, the engine global `name`, is an empty object.
    explicit JsonDocument(std::string name = std::string(default_name));
    // A copy shares the engine, and with it the root, until either parses.
    JsonDocument(const JsonDocument& other);
    JsonDocument& operator=(const JsonDocument& other);
    JsonDocument(JsonDocument&& other) noexcept;
    JsonDocument& operator=(JsonDocument&& other) noexcept;
    ~JsonDocument();

    // Replaces this document's engine reference with a fresh engine.
    void start_engine();

    // Evaluates text as a script expression (literal: as the right-hand side of
    // `var name = `) in a fresh engine. Trusted text only. True when the root
    // is not null afterwards; a text that fails or runs out of time leaves it null.
    bool parse(std::string_view text, bool literal = false, ScriptError* error = nullptr);
    // Reads text as JSON data, never as script, in a fresh engine. True when the
    // text is JSON (nested at most 1024 deep) and its value is not null.
    bool parse_data(std::string_view text, ScriptError* error = nullptr);

    bool clear();  // the root becomes an empty object
    std::string to_json();

    // Stores a plain text (kept exactly, backslashes included), or with as_json
    // JSON data: merged into an object that is there, assigned otherwise.
    bool set_value(std::string_view path, std::string_view value, bool as_json = false);
    // Assigns the value of a script expression (trusted text only).
    bool set_expression(std::string_view path, std::string_view expression);

    // Makes path absolute (prefixed with the document's name) unless it starts
    // with the name and names a value; true when a value exists there.
    bool resolve_path(std::string& path);
    bool exists(std::string_view path = {});
    // 0 null/undefined/missing, 1 boolean, 2 number, 4 object, 5 array,
    // 6 string, -1 anything else or a path through a missing member.
    int value_type(std::string_view path = {});
    // Plain: a string as it is, a number in the engine's notation, "true" or
    // "false", array items joined by ",", "[object Object]"; missing, null and
    // undefined give "". as_json: the value as JSON text.
    std::string get_text(std::string_view path = {}, bool as_json = false);
    int member_names(std::vector<std::string>& names, std::string_view path = {});
    int array_count(std::string_view path = {});
    JsonDocument get_document(std::string_view path = {});

    // Appends (or with at_front prepends) a value to the array at path, which
    // is created when something else is there.
    bool add_item(std::string_view value, std::string_view path = {}, bool as_json = false,
                  bool at_front = false);
    JsonDocument get_item_document(int index, std::string_view path = {});
    // Plain form: only a string item gives a text.
    std::string get_item_text(int index, std::string_view path = {}, bool as_json = false);
    bool set_item(int index, std::string_view path, std::string_view value, bool as_json = false);
    bool remove_item(int index, std::string_view path = {});
    bool remove(std::string_view path = {});
    bool set_number(std::string_view path, double number);
    double get_number(std::string_view path = {});
    std::string get_json(std::string_view path = {});
    // The engine itself, holding the current root; empty when there is none.
    std::shared_ptr<QJSEngine> engine();
    // The string, number and boolean members at path (nested ones too when
    // recursive), as texts.
    int leaf_values(std::vector<std::string>& values, std::string_view path = {},
                    bool recursive = false);

    const std::string& name() const { return name_; }
    bool has_engine() const { return engine_ != nullptr; }
    // Longest time one evaluation may take (default 5 s); applies to the
    // engine this document shares with its copies.
    void set_time_limit(std::chrono::milliseconds limit);

private:
    struct Place;  // a resolved path and, while the root is a tree, its value there

    void renew_engine();
    Place locate(std::string_view path);
    bool tree_active() const;
    bool materialise();
    bool load_json(std::string_view target, std::string_view json);
    std::string eval_text(const std::string& code);
    bool eval_bool(const std::string& code);
    double eval_number(const std::string& code);
    JsonDocument document_from(const Place& place, const std::string& target);
    std::string plain_value_literal(std::string_view value) const;

    std::string name_;
    std::shared_ptr<JsonEngine> engine_;
    std::chrono::milliseconds time_limit_ = default_time_limit;
};

}  // namespace vx::info
