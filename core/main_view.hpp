#pragma once
// What the program's logic may do to the main window. Every call may come from
// any thread: the window implementation carries it out on the GUI thread, in
// the order the calls were made, and drops it when the window is gone.
#include <string>
#include <vector>

namespace vx::core {

enum class StatusPane { message = 0, system = 1, mirror = 2, interpreter = 3 };

// One entry of the package list: the name shown and the version kept in the
// hidden column.
struct PackageItem {
    std::string name;
    std::string version;
    bool operator==(const PackageItem&) const = default;
};

enum class InstallMark { not_installed, installed };

class MainView {
public:
    virtual ~MainView() = default;

    virtual void set_caption(const std::string& caption) = 0;
    // Shows the pane (added on first use) with the text.
    virtual void set_status(StatusPane pane, const std::string& text) = 0;
    virtual void set_mirror_choice(const std::string& name) = 0;

    virtual void lock_interface() = 0;
    virtual void unlock_interface() = 0;
    virtual void show_environment_error(const std::string& message) = 0;

    virtual void show_packages(const std::vector<PackageItem>& items) = 0;
    // Empties the search box and the filter box.
    virtual void clear_search_boxes() = 0;

    // The information panel.
    virtual void hide_info_panel() = 0;
    virtual void show_info_panel() = 0;
    virtual void set_package_name(const std::string& name) = 0;
    virtual void set_install_mark(InstallMark mark, const std::string& caption) = 0;
    virtual void set_version_text(const std::string& version) = 0;
    virtual void set_info_text(const std::string& info) = 0;
    virtual void set_install_caption(const std::string& caption) = 0;
    virtual void set_install_enabled(bool enabled) = 0;
    virtual void set_uninstall_enabled(bool enabled) = 0;

    // Tells the user that an operation failed, with the command's output as detail.
    virtual void show_failure(const std::string& message, const std::string& detail) = 0;
};

}  // namespace vx::core
