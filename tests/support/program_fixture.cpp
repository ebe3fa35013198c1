#include "tests/support/program_fixture.hpp"

#include <QCoreApplication>
#include <QThread>

#include "core/ui/mask_widget.hpp"

namespace vx::test {

bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

ProgramFixture::ProgramFixture(ProgramOptions options) {
    runtime_env_ = std::make_unique<ScopedEnv>("XDG_RUNTIME_DIR", runtime_dir_.str());
    pip_env_ = std::make_unique<IsolatedPipEnvironment>(options.pip);
    write_file(config_path(), options.config);
    if (options.with_py) {
        py_ = std::make_unique<PythonEnv>(run_dir_.path() / "Py");
    }
}

ProgramFixture::~ProgramFixture() {
    stop();
}

core::StartupOutcome ProgramFixture::start() {
    controller_ = std::make_unique<ui::MainController>(
        core::ProgramPaths{run_dir_.str(), config_path().string()}, prompter_);
    return controller_->start();
}

bool ProgramFixture::unlocked() {
    auto* mask = find<ui::MaskWidget>("遮罩");
    return mask && !mask->blocking() && enabled("n");
}

bool ProgramFixture::wait_until_unlocked(std::chrono::milliseconds timeout) {
    return wait_until([this] { return unlocked(); }, timeout);
}

std::string ProgramFixture::text_of(const char* name) {
    QObject* object = window().findChild<QObject*>(QString::fromUtf8(name));
    if (auto* edit = qobject_cast<QLineEdit*>(object))
        return edit->text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(object))
        return label->text().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(object))
        return button->text().toStdString();
    if (object && object->property("plainText").isValid()) {
        return object->property("plainText").toString().toStdString();
    }
    return {};
}

std::string ProgramFixture::status(int pane) {
    auto* label = find<QLabel>(("pane" + std::to_string(pane)).c_str());
    return label && !label->isHidden() ? label->text().toStdString() : std::string();
}

std::vector<std::string> ProgramFixture::listed_names() {
    std::vector<std::string> names;
    auto* list = find<QTreeWidget>("列表框");
    for (int row = 0; list && row < list->topLevelItemCount(); ++row) {
        names.push_back(list->topLevelItem(row)->text(0).toStdString());
    }
    return names;
}

bool ProgramFixture::visible(const char* name) {
    auto* widget = find<QWidget>(name);
    return widget && !widget->isHidden();
}

bool ProgramFixture::enabled(const char* name) {
    auto* widget = find<QWidget>(name);
    return widget && widget->isEnabled();
}

void ProgramFixture::stop() {
    if (controller_) {
        controller_->shut_down();
        controller_->wait_for_workers(std::chrono::seconds(30));
        controller_.reset();
    }
}

}  // namespace vx::test
