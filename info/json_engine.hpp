#pragma once
// The engine behind one JsonDocument and its copies: a QJSEngine that has run
// the start script, every evaluation bounded by the shared watchdog, and the
// C++ tree that stands for the root until a script needs the root itself.
// Lives and dies on the thread that created it.
#include <QJSEngine>
#include <QJSValue>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "info/json_document.hpp"
#include "info/json_tree.hpp"

namespace vx::info {

class ScriptWatchdog;

class JsonEngine {
public:
    // An engine whose global `name` is an empty object, beside str_Code,
    // str_reg and the start script; empty when no engine can be made.
    static std::shared_ptr<JsonEngine> start(std::string_view name,
                                             std::chrono::milliseconds time_limit);

    JsonEngine();
    ~JsonEngine();
    JsonEngine(const JsonEngine&) = delete;
    JsonEngine& operator=(const JsonEngine&) = delete;

    struct Answer {
        QJSValue value;
        bool ok = false;
    };

    // Runs code at global scope (var declarations stay). A thrown error or the
    // time limit gives ok false and fills last_error().
    Answer run(std::string_view code);
    // Runs code with the global str_data holding data as a string value, so
    // that the data is never part of a script; str_data is gone afterwards.
    Answer run_with_data(std::string_view code, std::string_view data);
    // A global variable (or inherited member of the global object) of that name.
    bool has_global(std::string_view name);

    const ScriptError& last_error() const { return last_error_; }
    QJSEngine& js() { return js_; }

    std::chrono::milliseconds time_limit;
    // Nothing has run since start(): as good as a new engine.
    bool pristine = false;

    // While set, the global tree_name holds null in the engine and this tree
    // stands for it; reads answer from the tree, anything else hands the
    // tree over first.
    std::shared_ptr<const JsonTree> tree;
    std::uint32_t tree_root = 0;
    std::string tree_name;

private:
    void record_error(const QJSValue& thrown, const QStringList& trace, bool timed_out,
                      std::string_view code);

    QJSEngine js_;
    std::shared_ptr<ScriptWatchdog> watchdog_;
    ScriptError last_error_;
};

}  // namespace vx::info
