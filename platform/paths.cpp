#include "platform/paths.hpp"

#include <pwd.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vx::platform {
namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::string executable_dir() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return std::filesystem::current_path(error).string();
    }
    return exe.parent_path().string();
}

std::string home_dir() {
    if (auto home = environment("HOME"); !home.empty()) {
        return home;
    }
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) {
        return entry->pw_dir;
    }
    return "/";
}

std::string user_config_dir() {
    if (auto config = environment("XDG_CONFIG_HOME"); !config.empty()) {
        return config;
    }
    return home_dir() + "/.config";
}

std::string runtime_dir() {
    if (auto runtime = environment("XDG_RUNTIME_DIR");
        !runtime.empty() && access(runtime.c_str(), W_OK | X_OK) == 0) {
        return runtime;
    }
    if (auto tmp = environment("TMPDIR"); !tmp.empty()) {
        return tmp;
    }
    return "/tmp";
}

}  // namespace vx::platform
