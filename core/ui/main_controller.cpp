#include "core/ui/main_controller.hpp"

#include <QApplication>
#include <QThread>

#include "chooser/chooser.hpp"
#include "chooser/ui/chooser_window.hpp"
#include "core/env_check.hpp"
#include "core/shutdown.hpp"
#include "core/text.hpp"
#include "info/package_lookup.hpp"
#include "packages/mirror.hpp"
#include "packages/package_actions.hpp"
#include "packages/package_filter.hpp"
#include "packages/package_list.hpp"
#include "packages/requirements.hpp"

namespace vx::ui {
namespace {

std::string utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

std::vector<core::PackageItem> all_items(const std::vector<std::string>& lines) {
    return packages::filter_package_list(lines, "");
}

}  // namespace

MainController::MainController(core::ProgramPaths paths, core::Prompter& prompter)
    : prompter_(prompter),
      state_(paths),
      config_(paths.config_path),
      runner_(paths.run_dir),
      pump_([] { QCoreApplication::processEvents(QEventLoop::AllEvents); },
            std::this_thread::get_id()),
      window_(std::make_unique<MainWindow>()),
      view_(window_.get(), prompter),
      context_{state_, view_, runner_, config_, pump_} {
    runner_.set_event_pump(pump_.processor(), pump_.gui_thread());
    connect_window();
}

MainController::~MainController() {
    shut_down();
    workers_.wait_all(std::chrono::seconds(5));
    if (chooser_) {
        delete chooser_.data();
    }
}

void MainController::connect_window() {
    MainWindow* w = window_.get();
    connect(w, &MainWindow::search_requested, this, &MainController::on_search_requested);
    connect(w, &MainWindow::package_clicked, this, &MainController::on_package_clicked);
    connect(w, &MainWindow::filter_changed, this, &MainController::on_filter_changed);
    connect(w, &MainWindow::filter_focused, this, &MainController::on_filter_focused);
    connect(w, &MainWindow::install_clicked, this, &MainController::on_install_clicked);
    connect(w, &MainWindow::uninstall_clicked, this, &MainController::on_uninstall_clicked);
    connect(w, &MainWindow::export_requested, this,
            [this] { packages::export_requirements(context_, prompter_); });
    connect(w, &MainWindow::import_requested, this,
            [this] { packages::import_requirements(context_, prompter_); });
    connect(w, &MainWindow::batch_uninstall_requested, this,
            [this] { packages::batch_uninstall(context_, prompter_); });
    connect(w, &MainWindow::mirror_requested, this,
            [this](int number) { packages::select_mirror(context_, prompter_, number); });
    connect(w, &MainWindow::chooser_requested, this, &MainController::on_chooser_requested);
    connect(w, &MainWindow::closing, this, &MainController::shut_down);
}

core::StartupOutcome MainController::start() {
    const core::StartupOutcome outcome = core::on_main_window_created(context_, instance_);
    if (outcome == core::StartupOutcome::another_copy_running) {
        return outcome;
    }
    window_->show();
    if (outcome == core::StartupOutcome::ready) {
        workers_.start([this] {
            core::env_check(context_, [this](std::string report) {
                packages::show_installed_packages(context_, std::move(report));
            });
        });
    }
    return outcome;
}

void MainController::shut_down() {
    if (shut_down_) {
        return;
    }
    shut_down_ = true;
    runner_.begin_shutdown();
    core::end_child_processes();
    instance_.release();
}

bool MainController::wait_for_workers(std::chrono::milliseconds timeout) {
    return workers_.wait_all(timeout);
}

void MainController::on_search_requested() {
    const std::string typed = window_->search_text();
    if (typed.empty()) {
        return;
    }
    const std::string name = text::to_lower_ascii(typed);
    pump_.pump_wait(100);
    window_->clear_filter();
    pump_.pump_wait(100);
    view_.set_status(core::StatusPane::message, " [搜索]获取 包名" + name + " ...");
    view_.lock_interface();
    workers_.start([this, name] { info::lookup_package_info(context_, {name, "", true}); });
}

void MainController::on_package_clicked(const QString& name, const QString& version) {
    info::LookupRequest request{utf8(name), utf8(version), false};
    workers_.start([this, request] { info::lookup_package_info(context_, request); });
}

void MainController::on_filter_changed() {
    window_->show_packages(
        packages::filter_package_list(state_.installed_lines(), window_->filter_text()));
}

void MainController::on_filter_focused() {
    if (packages::should_reset_list(window_->search_text(), window_->filter_text())) {
        window_->show_packages(all_items(state_.installed_lines()));
    }
}

void MainController::on_install_clicked() {
    const packages::PackageChoice choice{text::remove_all(window_->install_caption(), " "),
                                         window_->package_name(), window_->version_text()};
    const auto prompt =
        packages::install_prompt(choice, state_.installed_version(), state_.latest_version());
    if (!prompt) {
        return;
    }
    if (const auto refusal = packages::refusal_of(choice, /*needs_version=*/true)) {
        prompter_.inform(*refusal);
        return;
    }
    if (prompter_.confirm(*prompt)) {
        workers_.start([this, choice] { packages::install_package(context_, choice); });
    }
}

void MainController::on_uninstall_clicked() {
    const packages::PackageChoice choice{"卸载", window_->package_name(), ""};
    if (const auto refusal = packages::refusal_of(choice, /*needs_version=*/false)) {
        prompter_.inform(*refusal);
        return;
    }
    if (prompter_.confirm(packages::uninstall_prompt(choice.name, state_.installed_version()))) {
        workers_.start([this, choice] { packages::uninstall_package(context_, choice); });
    }
}

void MainController::on_chooser_requested() {
    if (chooser_) {
        chooser_->raise();
        chooser_->activateWindow();
        return;
    }
    chooser_ = new chooser::ChooserWindow();
    auto rows = std::make_shared<std::vector<std::string>>();
    connect(chooser_, &chooser::ChooserWindow::row_chosen, this, [this, rows](int index) {
        chooser::choose_row(config_, *rows, static_cast<std::size_t>(index));
        prompter_.inform(std::string(chooser::chosen_message));
        if (chooser_) {
            chooser_->close();
        }
        emit program_should_end();
    });
    chooser_->show();
    const chooser::ChooserContents contents =
        chooser::open_chooser(config_, state_.run_dir(), runner_);
    *rows = contents.rows;
    if (chooser_) {
        chooser_->set_current(contents.current);
        chooser_->set_rows(contents.rows);
    }
}

}  // namespace vx::ui
