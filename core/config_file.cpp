#include "core/config_file.hpp"

#include "core/private_profile.hpp"

namespace vx::core {
namespace {
constexpr std::string_view section = "com";
}

std::string ConfigFile::read_config_value(std::string_view key) const {
    return read_profile_string(path_, section, key);
}

bool ConfigFile::write_config_value(std::string_view key, std::string_view value) const {
    return write_profile_string(path_, section, key, value);
}

}  // namespace vx::core
