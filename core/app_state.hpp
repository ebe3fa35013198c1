#pragma once
// The program-wide state that the start-up sets and the operations share.
// Fixed values are set once on the GUI thread before any worker starts; the
// mutable texts are written by workers and read by the GUI thread, so they
// sit behind one mutex and cross it by copy.
#include <mutex>
#include <string>
#include <vector>

namespace vx::core {

struct ProgramPaths {
    std::string run_dir;      // folder of the executable, no trailing "/"
    std::string config_path;  // run_dir + "/Config.ini"
};

class AppState {
public:
    explicit AppState(ProgramPaths paths) : paths_(std::move(paths)) {}

    const ProgramPaths& paths() const { return paths_; }
    const std::string& run_dir() const { return paths_.run_dir; }
    const std::string& config_path() const { return paths_.config_path; }

    // Set by the start-up, before any worker runs.
    std::string active_slot;
    std::string py_dir;
    std::string os_description;

    // Rewritten by the mirror switch on the GUI thread.
    std::string current_mirror_name;
    std::string current_mirror_url;

    std::vector<std::string> installed_lines() const;
    void set_installed_lines(std::vector<std::string> lines);

    std::string installed_version() const;
    void set_installed_version(std::string version);
    std::string latest_version() const;
    void set_latest_version(std::string version);

    // Held by each worker operation for its whole run, so that the environment
    // check, installs, uninstalls and lookups never overlap.
    std::mutex operation_lock;

private:
    ProgramPaths paths_;
    mutable std::mutex mutex_;
    std::vector<std::string> installed_lines_;
    std::string installed_version_;
    std::string latest_version_;
};

}  // namespace vx::core
