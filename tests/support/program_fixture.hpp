#pragma once
// The whole program in a test: a run folder with its Config.ini (and, when
// asked, a real Py environment), the user's folders isolated, the controller
// with its real main window, and the dialogs answered by a FakePrompter.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/ui/main_controller.hpp"
#include "tests/support/fake_prompter.hpp"
#include "tests/support/python_env.hpp"
#include "tests/support/temp_dir.hpp"

namespace vx::test {

// Processes window events until done() holds or the timeout passes.
bool wait_until(const std::function<bool()>& done,
                std::chrono::milliseconds timeout = std::chrono::seconds(60));

struct ProgramOptions {
    bool with_py = true;             // make run_dir/Py a real virtual environment
    std::string config = "[com]\n";  // the Config.ini the run folder starts with
    PipSettings pip;                 // the environment pip runs in
};

class ProgramFixture {
public:
    explicit ProgramFixture(ProgramOptions options = {});
    ~ProgramFixture();

    // Makes the controller (and its window) and runs the start-up.
    core::StartupOutcome start();
    // Waits until the start-up's environment check has unlocked the window.
    bool wait_until_unlocked(std::chrono::milliseconds timeout = std::chrono::seconds(120));
    bool unlocked();

    ui::MainController& controller() { return *controller_; }
    ui::MainWindow& window() { return controller_->window(); }
    FakePrompter& prompter() { return prompter_; }
    const TempDir& run_dir() const { return run_dir_; }
    std::string run_dir_str() const { return run_dir_.str(); }
    std::filesystem::path config_path() const { return run_dir_.path() / "Config.ini"; }
    PythonEnv* py() { return py_.get(); }
    IsolatedPipEnvironment& pip_environment() { return *pip_env_; }

    template <typename Widget>
    Widget* find(const char* name) {
        return window().findChild<Widget*>(QString::fromUtf8(name));
    }
    std::string text_of(const char* name);  // a line edit's, label's or button's text
    std::string status(int pane);
    std::vector<std::string> listed_names();
    bool visible(const char* name);
    bool enabled(const char* name);

    // Ends the controller as the window's close would.
    void stop();

private:
    TempDir run_dir_{"vx-run"};
    TempDir runtime_dir_{"vx-runtime"};
    std::unique_ptr<ScopedEnv> runtime_env_;
    std::unique_ptr<IsolatedPipEnvironment> pip_env_;
    std::unique_ptr<PythonEnv> py_;
    FakePrompter prompter_;
    std::unique_ptr<ui::MainController> controller_;
};

}  // namespace vx::test
