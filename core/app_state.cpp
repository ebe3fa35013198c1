#include "core/app_state.hpp"

namespace vx::core {

std::vector<std::string> AppState::installed_lines() const {
    std::lock_guard lock(mutex_);
    return installed_lines_;
}

void AppState::set_installed_lines(std::vector<std::string> lines) {
    std::lock_guard lock(mutex_);
    installed_lines_ = std::move(lines);
}

std::string AppState::installed_version() const {
    std::lock_guard lock(mutex_);
    return installed_version_;
}

void AppState::set_installed_version(std::string version) {
    std::lock_guard lock(mutex_);
    installed_version_ = std::move(version);
}

std::string AppState::latest_version() const {
    std::lock_guard lock(mutex_);
    return latest_version_;
}

void AppState::set_latest_version(std::string version) {
    std::lock_guard lock(mutex_);
    latest_version_ = std::move(version);
}

}  // namespace vx::core
