#include "platform/os_release.hpp"

#include "platform/files.hpp"

#include <sys/utsname.h>
#include <sstream>

namespace vx::platform {

std::string pretty_name_of(const std::string& os_release_text) {
    std::istringstream lines(os_release_text);
    static constexpr std::string_view key = "PRETTY_NAME=";
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with(key)) {
            continue;
        }
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return value;
    }
    return {};
}

std::string linux_os_description() {
    for (const char* file : {"/etc/os-release", "/usr/lib/os-release"}) {
        if (auto text = read_whole_file(file)) {
            if (auto name = pretty_name_of(*text); !name.empty()) {
                return name;
            }
        }
    }
    utsname system{};
    if (uname(&system) != 0) {
        return {};
    }
    return std::string(system.sysname) + " " + system.release;
}

}  // namespace vx::platform
