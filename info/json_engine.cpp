#include "info/json_engine.hpp"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>

#include "info/json_start_script.hpp"
#include "info/script_watchdog.hpp"

namespace vx::info {
namespace {

// Error records keep only the start of a long script or text.
constexpr std::size_t error_text_limit = 200;

std::string utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

QString qstring(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::shared_ptr<JsonEngine> JsonEngine::start(std::string_view name,
                                              std::chrono::milliseconds time_limit) {
    if (QCoreApplication::instance() == nullptr) {
        return nullptr;  // QJSEngine needs the application object
    }
    auto engine = std::make_shared<JsonEngine>();
    engine->time_limit = time_limit;
    if (!engine->run(json_start_script()).ok) {
        return nullptr;
    }
    const Answer native =
        engine->run("typeof JSON.stringify === 'function' && typeof JSON.parse === 'function'");
    if (!native.value.toBool() && !engine->run(json_fallback_script()).ok) {
        return nullptr;
    }
    std::string globals = "var ";
    globals += name;
    globals += " = {}, str_Code = String.fromCharCode(9216), str_reg = new RegExp(str_Code, 'g')";
    engine->run(globals);
    engine->pristine = true;
    return engine;
}

JsonEngine::JsonEngine() : watchdog_(ScriptWatchdog::shared()) {}

JsonEngine::~JsonEngine() = default;

JsonEngine::Answer JsonEngine::run(std::string_view code) {
    pristine = false;
    const std::uint64_t ticket = watchdog_->arm(&js_, time_limit);
    QStringList trace;
    QJSValue value = js_.evaluate(qstring(code), QString(), 1, &trace);
    const bool timed_out = watchdog_->disarm(ticket);
    if (timed_out) {
        js_.setInterrupted(false);
    }
    // A thrown value that is no Error object shows only in the stack trace.
    if (timed_out || !trace.isEmpty() || value.isError()) {
        record_error(value, trace, timed_out, code);
        return {};
    }
    last_error_ = ScriptError{};
    return {std::move(value), true};
}

JsonEngine::Answer JsonEngine::run_with_data(std::string_view code, std::string_view data) {
    static const QString slot = QStringLiteral("str_data");
    pristine = false;
    QJSValue global = js_.globalObject();
    global.setProperty(slot, QJSValue(qstring(data)));
    Answer answer = run(code);
    global.deleteProperty(slot);
    return answer;
}

bool JsonEngine::has_global(std::string_view name) {
    return js_.globalObject().hasProperty(qstring(name));
}

void JsonEngine::record_error(const QJSValue& thrown, const QStringList& trace, bool timed_out,
                              std::string_view code) {
    ScriptError error;
    if (timed_out) {
        error.Number = ScriptError::timed_out;
        error.Source = "Timeout";
        error.Description = "the script ran past its time limit";
    } else {
        error.Number = ScriptError::script_thrown;
        if (thrown.isError()) {
            error.Source = utf8(thrown.property(QStringLiteral("name")).toString());
            error.Description = utf8(thrown.property(QStringLiteral("message")).toString());
        } else {
            error.Description = utf8(thrown.toString());
        }
    }
    // Frames read "function:line:column:file".
    if (!trace.isEmpty()) {
        const QStringList frame = trace.first().split(QLatin1Char(':'));
        if (frame.size() >= 3) {
            error.Line = std::max(0, frame[1].toInt());
            error.Column = std::max(0, frame[2].toInt());
        }
    }
    error.Text = utf8(qstring(code.substr(0, error_text_limit)));
    last_error_ = std::move(error);
}

}  // namespace vx::info
