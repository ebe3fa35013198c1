#include "core/pip_config.hpp"

#include "core/private_profile.hpp"
#include "platform/files.hpp"
#include "platform/paths.hpp"

#include <chrono>
#include <thread>

namespace vx::core {
namespace {
std::string pip_config_folder() {
    return platform::user_config_dir() + "/pip";
}
}  // namespace

std::string pip_config_path() {
    return pip_config_folder() + "/pip.conf";
}

bool user_has_pip_config() {
    return platform::path_exists(pip_config_path()) ||
           platform::path_exists(platform::home_dir() + "/.pip/pip.conf");
}

bool seed_pip_config(const std::string& index_url) {
    if (user_has_pip_config()) {
        return true;
    }
    if (!platform::make_directories(pip_config_folder())) {
        return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return write_profile_string(pip_config_path(), "global", "index-url", index_url);
}

}  // namespace vx::core
