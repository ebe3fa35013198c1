#pragma once
// Carries the logic's window writes to the GUI thread, in the order they were
// made. A write that arrives after the window is gone is dropped.
#include <QObject>
#include <QPointer>

#include <functional>

#include "core/main_view.hpp"
#include "core/prompter.hpp"
#include "core/ui/main_window.hpp"

namespace vx::ui {

class QtMainView : public core::MainView {
public:
    // window and prompter are used on the GUI thread only; the view must
    // outlive every worker that writes through it.
    QtMainView(MainWindow* window, core::Prompter& prompter);
    ~QtMainView() override;

    void set_caption(const std::string& caption) override;
    void set_status(core::StatusPane pane, const std::string& text) override;
    void set_mirror_choice(const std::string& name) override;
    void lock_interface() override;
    void unlock_interface() override;
    void show_environment_error(const std::string& message) override;
    void show_packages(const std::vector<core::PackageItem>& items) override;
    void clear_search_boxes() override;
    void hide_info_panel() override;
    void show_info_panel() override;
    void set_package_name(const std::string& name) override;
    void set_install_mark(core::InstallMark mark, const std::string& caption) override;
    void set_version_text(const std::string& version) override;
    void set_info_text(const std::string& info) override;
    void set_install_caption(const std::string& caption) override;
    void set_install_enabled(bool enabled) override;
    void set_uninstall_enabled(bool enabled) override;
    void show_failure(const std::string& message, const std::string& detail) override;

private:
    void post(std::function<void(MainWindow&)> write);

    QObject bridge_;  // lives on the GUI thread; queued writes are delivered to it
    QPointer<MainWindow> window_;
    core::Prompter& prompter_;
};

}  // namespace vx::ui
