#pragma once
#include <string>

namespace vx::platform {

// The distribution's PRETTY_NAME from /etc/os-release (or /usr/lib/os-release),
// else the kernel's name and release as uname reports them.
std::string linux_os_description();

// The PRETTY_NAME value of an os-release text, unquoted; empty when absent.
std::string pretty_name_of(const std::string& os_release_text);

}  // namespace vx::platform
