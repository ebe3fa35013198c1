#include "info/json_document.hpp"

#include <QString>

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/text.hpp"
#include "info/json_document_place.hpp"
#include "info/json_engine.hpp"
#include "info/json_tree.hpp"
#include "info/json_tree_reads.hpp"

namespace vx::info {
namespace {

// Every text read passes through this: str_Code (U+2400), which stands for a
// backslash stored by set_value, becomes a backslash again.
constexpr std::string_view unescape_tail = R"(.replace(str_reg, '\\'))";
constexpr std::string_view str_code_utf8 = "\xE2\x90\x80";
constexpr std::string_view leaf_separator = "[2020年7月20日20时0分0秒]";

std::string unescape(std::string text) {
    if (text.find(str_code_utf8) == std::string::npos) {
        return text;
    }
    return vx::text::replace_all(text, str_code_utf8, "\\");
}

bool is_non_null(const JsonTree& tree, const TreeRead& read) {
    return read.holds_value() && tree.node(read.node).kind != JsonKind::null;
}

int type_code(JsonKind kind) {
    switch (kind) {
        case JsonKind::null:
            return 0;
        case JsonKind::boolean:
            return 1;
        case JsonKind::number:
            return 2;
        case JsonKind::object:
            return 4;
        case JsonKind::array:
            return 5;
        case JsonKind::string:
            return 6;
    }
    return -1;
}

}  // namespace

JsonDocument::JsonDocument(std::string name) : name_(std::move(name)) {
    start_engine();
}

JsonDocument::JsonDocument(const JsonDocument& other) = default;
JsonDocument& JsonDocument::operator=(const JsonDocument& other) = default;
JsonDocument::JsonDocument(JsonDocument&& other) noexcept = default;
JsonDocument& JsonDocument::operator=(JsonDocument&& other) noexcept = default;
JsonDocument::~JsonDocument() = default;

void JsonDocument::start_engine() {
    engine_.reset();  // the old engine goes first when this was its last reference
    engine_ = JsonEngine::start(name_, time_limit_);
}

void JsonDocument::set_time_limit(std::chrono::milliseconds limit) {
    time_limit_ = limit;
    if (engine_) {
        engine_->time_limit = limit;
    }
}

void JsonDocument::renew_engine() {
    // An engine that nobody else holds and nothing has touched since its start
    // is as fresh as a new one; keeping it saves the start.
    if (engine_ && engine_.use_count() == 1 && engine_->pristine) {
        return;
    }
    start_engine();
}

bool JsonDocument::parse(std::string_view text, bool literal, ScriptError* error) {
    renew_engine();
    if (!engine_) {
        return false;
    }
    engine_->run("var " + name_ + " = null");
    std::string code = "var " + name_ + " = ";
    if (literal) {
        code += text;
    } else {
        code += "eval(";
        code += text;
        code += ")";
    }
    const bool ran = engine_->run(code).ok;
    if (error != nullptr) {
        *error = engine_->last_error();
    }
    if (!ran) {
        // Whatever ran before the fault or the time limit is not a document.
        engine_->run(name_ + " = null");
        return false;
    }
    return eval_bool(name_ + " != null");
}

bool JsonDocument::parse_data(std::string_view text, ScriptError* error) {
    renew_engine();
    if (!engine_) {
        return false;
    }
    JsonParseOutcome outcome = parse_json_tree(text);
    std::string converted;
    if (!outcome.tree && outcome.invalid_utf8) {
        // Read the bytes the way the engine's own text conversion would.
        converted = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
                        .toUtf8()
                        .toStdString();
        text = converted;
        outcome = parse_json_tree(text);
    }
    if (!outcome.tree) {
        engine_->run("var " + name_ + " = null");
        if (error != nullptr) {
            *error = ScriptError{};
            error->Number = ScriptError::not_json;
            error->Source = "JSON";
            error->Description = outcome.message;
            error->Text =
                vx::text::utf8_to_text(text.substr(std::min(outcome.offset, text.size()), 40));
            error->Line = static_cast<int>(outcome.line);
            error->Column = static_cast<int>(outcome.column);
        }
        return false;
    }
    if (error != nullptr) {
        *error = ScriptError{};
    }
    // Until a script needs it, the tree stands for the root; the engine's
    // global is set when the tree is handed over.
    engine_->pristine = false;
    engine_->tree_root = outcome.tree->root;
    engine_->tree_name = name_;
    engine_->tree = std::move(outcome.tree);
    return engine_->tree->node(engine_->tree_root).kind != JsonKind::null;
}

bool JsonDocument::tree_active() const {
    return engine_ && engine_->tree && engine_->tree_name == name_;
}

bool JsonDocument::materialise() {
    if (!engine_ || !engine_->tree) {
        return true;
    }
    const std::shared_ptr<const JsonTree> tree = std::move(engine_->tree);
    engine_->tree.reset();
    if (load_json(engine_->tree_name, serialise_json(*tree, engine_->tree_root))) {
        return true;
    }
    engine_->run(engine_->tree_name + " = null");
    return false;
}

bool JsonDocument::load_json(std::string_view target, std::string_view json) {
    std::string code(target);
    code += " = JSON.parse(str_data)";
    return engine_->run_with_data(code, json).ok;
}

std::string JsonDocument::eval_text(const std::string& code) {
    if (!engine_ || !materialise()) {
        return {};
    }
    const JsonEngine::Answer answer = engine_->run(code);
    if (!answer.ok || answer.value.isUndefined() || answer.value.isNull()) {
        return {};
    }
    return answer.value.toString().toUtf8().toStdString();
}

bool JsonDocument::eval_bool(const std::string& code) {
    if (!engine_ || !materialise()) {
        return false;
    }
    const JsonEngine::Answer answer = engine_->run(code);
    return answer.ok && answer.value.toBool();
}

double JsonDocument::eval_number(const std::string& code) {
    if (!engine_ || !materialise()) {
        return 0;
    }
    const JsonEngine::Answer answer = engine_->run(code);
    const double number = answer.ok ? answer.value.toNumber() : 0;
    return std::isnan(number) ? 0 : number;
}

JsonDocument::Place JsonDocument::locate(std::string_view path) {
    Place place;
    place.path = std::string(path);
    if (!engine_) {
        return place;
    }
    const auto absolute = [this](std::string_view relative) {
        if (relative.empty()) {
            return name_;
        }
        return relative.front() == '[' ? name_ + std::string(relative)
                                       : name_ + "." + std::string(relative);
    };
    if (tree_active()) {
        const JsonTree& tree = *engine_->tree;
        const auto read = [&](std::string_view expression) {
            return read_path(
                tree, engine_->tree_root, expression, name_,
                [this](std::string_view global) { return engine_->has_global(global); });
        };
        TreeRead found;
        if (path.starts_with(name_)) {
            found = read(path);
            if (is_non_null(tree, found)) {
                return {place.path, true, true, found};
            }
        }
        if (found.state != TreeRead::State::unknown || !path.starts_with(name_)) {
            const std::string resolved = absolute(path);
            found = read(resolved);
            if (found.state != TreeRead::State::unknown) {
                return {resolved, is_non_null(tree, found), true, found};
            }
        }
    }
    if (path.starts_with(name_) && eval_bool(place.path + " != null")) {
        place.exists = true;
        return place;
    }
    place.path = absolute(path);
    place.exists = eval_bool(place.path + " != null");
    return place;
}

bool JsonDocument::resolve_path(std::string& path) {
    Place place = locate(path);
    path = std::move(place.path);
    return place.exists;
}

std::string JsonDocument::to_json() {
    if (tree_active()) {
        return unescape(js_json_text(*engine_->tree, engine_->tree_root));
    }
    return eval_text("JSON.stringify(" + name_ + ")" + std::string(unescape_tail));
}

bool JsonDocument::exists(std::string_view path) {
    return locate(path).exists;
}

int JsonDocument::value_type(std::string_view path) {
    if (!engine_) {
        return 0;
    }
    const Place place = locate(path);
    if (place.in_tree) {
        switch (place.read.state) {
            case TreeRead::State::value:
                return type_code(engine_->tree->node(place.read.node).kind);
            case TreeRead::State::undefined:
                return 0;
            default:
                return -1;
        }
    }
    if (eval_bool(place.path + " == null")) {
        return 0;
    }
    const std::string kind = eval_text("Object.prototype.toString.call(" + place.path + ")");
    if (kind == "[object Boolean]")
        return 1;
    if (kind == "[object Number]")
        return 2;
    if (kind == "[object Object]")
        return 4;
    if (kind == "[object Array]")
        return 5;
    if (kind == "[object String]")
        return 6;
    return -1;
}

std::string JsonDocument::get_text(std::string_view path, bool as_json) {
    if (!engine_) {
        return {};
    }
    const Place place = locate(path);
    if (place.in_tree) {
        if (!place.read.holds_value()) {
            return {};
        }
        const JsonTree& tree = *engine_->tree;
        if (as_json) {
            return unescape(js_json_text(tree, place.read.node));
        }
        if (tree.node(place.read.node).kind == JsonKind::null) {
            return {};
        }
        return unescape(js_plain_text(tree, place.read.node));
    }
    if (as_json) {
        return eval_text("JSON.stringify(" + place.path + ")" + std::string(unescape_tail));
    }
    return eval_text(place.path + ".toString()" + std::string(unescape_tail));
}

std::string JsonDocument::get_json(std::string_view path) {
    return get_text(path, true);
}

int JsonDocument::member_names(std::vector<std::string>& names, std::string_view path) {
    names.clear();
    if (!engine_) {
        return 0;
    }
    const Place place = locate(path);
    std::string joined;
    if (place.in_tree) {
        if (place.read.holds_value()) {
            joined = js_member_names(*engine_->tree, place.read.node);
        }
    } else {
        joined = eval_text("get__name_All(" + place.path + ")");
    }
    names = vx::text::split(joined, "\r\n");
    return static_cast<int>(names.size());
}

int JsonDocument::array_count(std::string_view path) {
    if (!engine_) {
        return 0;
    }
    const Place place = locate(path);
    if (place.in_tree) {
        if (!place.read.holds_value()) {
            return 0;
        }
        const JsonNode& node = engine_->tree->node(place.read.node);
        return node.kind == JsonKind::array ? static_cast<int>(node.count) : 0;
    }
    return static_cast<int>(eval_number("get__count(" + place.path + ")"));
}

int JsonDocument::leaf_values(std::vector<std::string>& values, std::string_view path,
                              bool recursive) {
    values.clear();
    if (!engine_) {
        return 0;
    }
    const Place place = locate(path);
    std::string joined;
    // The engine walks a string's characters; leave that to it.
    if (place.in_tree && !(place.read.holds_value() &&
                           engine_->tree->node(place.read.node).kind == JsonKind::string)) {
        if (place.read.holds_value()) {
            joined = js_leaf_values(*engine_->tree, place.read.node, recursive, leaf_separator);
        }
    } else {
        eval_bool("var str_all = new Array()");
        eval_bool("get__nodeValue(" + place.path + ", " + (recursive ? "true" : "false") + ")");
        joined = eval_text("str_all.join('" + std::string(leaf_separator) + "')");
    }
    values = vx::text::split(joined, leaf_separator);
    return static_cast<int>(values.size());
}

JsonDocument JsonDocument::document_from(const Place& place, const std::string& target) {
    JsonDocument document(name_);
    document.set_time_limit(time_limit_);
    if (!document.engine_) {
        return document;
    }
    if (place.in_tree) {
        document.engine_->pristine = false;
        if (!place.read.holds_value()) {
            document.engine_->run("var " + name_ + " = null");
        } else {
            // The value is shared, not copied: trees never change.
            document.engine_->tree = engine_->tree;
            document.engine_->tree_root = place.read.node;
            document.engine_->tree_name = name_;
        }
        return document;
    }
    // The value as it is (backslash marks included) goes in as data.
    document.parse_data(eval_text("JSON.stringify(" + target + ")"));
    return document;
}

JsonDocument JsonDocument::get_document(std::string_view path) {
    if (!engine_) {
        return JsonDocument(name_);
    }
    const Place place = locate(path);
    return document_from(place, place.path);
}

JsonDocument JsonDocument::get_item_document(int index, std::string_view path) {
    if (!engine_) {
        return JsonDocument(name_);
    }
    Place place = locate(path);
    const std::string key = std::to_string(index);
    place.path += "[" + key + "]";
    if (place.in_tree) {
        place.read = read_member(*engine_->tree, place.read, key);
        place.in_tree = place.read.state != TreeRead::State::unknown;
    }
    return document_from(place, place.path);
}

std::string JsonDocument::get_item_text(int index, std::string_view path, bool as_json) {
    if (!engine_) {
        return {};
    }
    const Place place = locate(path);
    const std::string key = std::to_string(index);
    const std::string item = place.path + "[" + key + "]";
    if (place.in_tree) {
        const JsonTree& tree = *engine_->tree;
        const TreeRead read = read_member(tree, place.read, key);
        if (read.state != TreeRead::State::unknown) {
            if (!read.holds_value()) {
                return {};
            }
            const JsonNode& node = tree.node(read.node);
            if (as_json) {
                return unescape(js_json_text(tree, read.node));
            }
            return node.kind == JsonKind::string ? unescape(std::string(tree.text(node))) : "";
        }
    }
    if (as_json) {
        return eval_text("JSON.stringify(" + item + ")" + std::string(unescape_tail));
    }
    return eval_text(item + std::string(unescape_tail));
}

double JsonDocument::get_number(std::string_view path) {
    if (!engine_) {
        return 0;
    }
    const Place place = locate(path);
    if (place.in_tree) {
        if (!place.read.holds_value()) {
            return 0;
        }
        const JsonNode& node = engine_->tree->node(place.read.node);
        switch (node.kind) {
            case JsonKind::null:
                return 0;
            case JsonKind::boolean:
                return node.flag ? 1 : 0;
            case JsonKind::number:
                return node.number;
            default:
                break;  // the engine's ToNumber of texts and containers
        }
    }
    return eval_number(place.path);
}

std::shared_ptr<QJSEngine> JsonDocument::engine() {
    if (!engine_) {
        return nullptr;
    }
    materialise();
    return std::shared_ptr<QJSEngine>(engine_, &engine_->js());
}

}  // namespace vx::info
