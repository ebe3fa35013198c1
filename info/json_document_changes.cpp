// The operations that change a document's root. They all run in the engine,
// so a root still held as a tree is handed over first.
#include <QString>

#include <string>

#include "info/json_document.hpp"
#include "info/json_document_place.hpp"
#include "info/json_engine.hpp"
#include "info/json_tree.hpp"
#include "info/json_tree_reads.hpp"

namespace vx::info {

bool is_json_data(std::string_view text) {
    const JsonParseOutcome outcome = parse_json_tree(text);
    if (outcome.tree || !outcome.invalid_utf8) {
        return outcome.tree != nullptr;
    }
    const QByteArray converted =
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUtf8();
    return parse_json_tree(std::string_view(converted.constData(), converted.size())).tree !=
           nullptr;
}

bool JsonDocument::clear() {
    if (tree_active()) {
        engine_->tree.reset();  // dropped unread: no need to hand it to the engine
    }
    return eval_bool(name_ + " = {}");
}

std::string JsonDocument::plain_value_literal(std::string_view value) const {
    std::string literal = "'";
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        switch (c) {
            case '\\':
                literal += "\\\\";
                break;
            case '\'':
                literal += "\\'";
                break;
            case '"':
                literal += "\\\"";
                break;
            case '\r':
                literal += "\\r";
                break;
            case '\n':
                literal += "\\n";
                break;
            case '\0':
                literal += "\\x00";
                break;
            default:
                // U+2028 and U+2029 end a line inside a script literal too.
                if (value.substr(i, 3) == "\xE2\x80\xA8" || value.substr(i, 3) == "\xE2\x80\xA9") {
                    literal += value[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
                    i += 2;
                } else {
                    literal += c;
                }
        }
    }
    literal += R"('.replace(/\\/g, str_Code))";
    return literal;
}

bool JsonDocument::set_value(std::string_view path, std::string_view value, bool as_json) {
    if (!engine_) {
        return false;
    }
    const Place place = locate(path);
    const std::string& p = place.path;
    if (!as_json) {
        return eval_bool(p + " = " + plain_value_literal(value));
    }
    if (!value.empty() && !is_json_data(value)) {
        return false;  // only JSON data goes in, never script
    }
    const bool merge =
        place.exists && eval_text("Object.prototype.toString.call(" + p + ")") == "[object Object]";
    if (value.empty()) {
        return merge ? eval_bool(p + " = get__extend(" + p + ", {})")
                     : eval_bool(p + " = undefined");
    }
    if (!materialise()) {
        return false;
    }
    const std::string code = merge ? p + " = get__extend(" + p + ", JSON.parse(str_data))"
                                   : p + " = JSON.parse(str_data)";
    const JsonEngine::Answer answer = engine_->run_with_data(code, value);
    return answer.ok && answer.value.toBool();
}

bool JsonDocument::set_expression(std::string_view path, std::string_view expression) {
    if (!engine_) {
        return false;
    }
    return eval_bool(locate(path).path + " = eval(" + std::string(expression) + ")");
}

bool JsonDocument::add_item(std::string_view value, std::string_view path, bool as_json,
                            bool at_front) {
    if (!engine_) {
        return false;
    }
    const std::string p = locate(path).path;
    std::string item;
    if (!as_json) {
        item = plain_value_literal(value);
    } else if (!value.empty()) {
        if (!is_json_data(value)) {
            return false;
        }
        item = "JSON.parse(str_data)";
    }
    const std::string code = "if (Object.prototype.toString.call(" + p +
                             ") != '[object Array]') { " + p + " = new Array() } " + p +
                             (at_front ? ".unshift(" : ".push(") + item + ")";
    if (!materialise()) {
        return false;
    }
    const JsonEngine::Answer answer = engine_->run_with_data(code, value);
    return answer.ok && answer.value.toBool();
}

bool JsonDocument::set_item(int index, std::string_view path, std::string_view value,
                            bool as_json) {
    if (!engine_) {
        return false;
    }
    const std::string target = locate(path).path + "[" + std::to_string(index) + "]";
    if (!as_json) {
        return eval_bool(target + " = " + plain_value_literal(value));
    }
    if (value.empty()) {
        return eval_bool(target + " = undefined");
    }
    if (!is_json_data(value) || !materialise()) {
        return false;
    }
    const JsonEngine::Answer answer =
        engine_->run_with_data(target + " = JSON.parse(str_data)", value);
    return answer.ok && answer.value.toBool();
}

bool JsonDocument::remove_item(int index, std::string_view path) {
    if (!engine_) {
        return false;
    }
    return eval_bool(locate(path).path + ".splice(" + std::to_string(index) + ", 1)");
}

bool JsonDocument::remove(std::string_view path) {
    if (!engine_) {
        return false;
    }
    return eval_bool("delete " + locate(path).path);
}

bool JsonDocument::set_number(std::string_view path, double number) {
    if (!engine_) {
        return false;
    }
    return eval_bool(locate(path).path + " = " + js_number_text(number));
}

}  // namespace vx::info
