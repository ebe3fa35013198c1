#pragma once
// Owns the program's services and the main window, and turns what the user
// does in the window into operations: lookups, installs and uninstalls on
// worker threads; requirements, mirrors and the chooser on the GUI thread.
#include <QObject>
#include <QPointer>

#include <chrono>
#include <memory>

#include "chooser/ui/chooser_window.hpp"
#include "core/app_state.hpp"
#include "core/config_file.hpp"
#include "core/context.hpp"
#include "core/event_pump.hpp"
#include "core/prompter.hpp"
#include "core/shell_runner.hpp"
#include "core/startup.hpp"
#include "core/ui/main_window.hpp"
#include "core/ui/qt_main_view.hpp"
#include "core/worker_threads.hpp"
#include "platform/single_instance.hpp"

namespace vx::ui {

class MainController : public QObject {
    Q_OBJECT
public:
    MainController(core::ProgramPaths paths, core::Prompter& prompter);
    ~MainController() override;

    // The start-up: single copy, Config.ini, caption, status panes, and the
    // environment check on its worker. Shows the window unless another copy
    // runs.
    core::StartupOutcome start();

    // The clean-up of the window's end: no new command starts, the commands
    // this program started are ended, the single-instance lock is released.
    // Safe to call more than once.
    void shut_down();

    // Waits for the worker threads; false when some are still running.
    bool wait_for_workers(std::chrono::milliseconds timeout);

    MainWindow& window() { return *window_; }
    core::AppState& state() { return state_; }
    chooser::ChooserWindow* chooser_window() const { return chooser_.data(); }

signals:
    // A Python directory was chosen: the program ends.
    void program_should_end();

private:
    void connect_window();
    void on_search_requested();
    void on_package_clicked(const QString& name, const QString& version);
    void on_filter_changed();
    void on_filter_focused();
    void on_install_clicked();
    void on_uninstall_clicked();
    void on_chooser_requested();

    core::Prompter& prompter_;
    core::AppState state_;
    core::ConfigFile config_;
    core::ShellRunner runner_;
    core::EventPump pump_;
    std::unique_ptr<MainWindow> window_;
    QtMainView view_;
    core::Context context_;
    platform::SingleInstanceLock instance_;
    QPointer<chooser::ChooserWindow> chooser_;
    bool shut_down_ = false;
    // Last, so that it is destroyed first: no worker outlives what it uses.
    core::WorkerThreads workers_;
};

}  // namespace vx::ui
