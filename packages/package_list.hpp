#pragma once
// The two loaders of the installed-package list: the first load after the
// environment check and the reload after every operation that changes the
// installation. Both run on the caller's thread and end by unlocking the
// interface.
#include <string>

#include "core/context.hpp"

namespace vx::packages {

// Parses a complete "python -m pip list" output into installed_lines and the
// list, then unlocks. Runs no command.
void show_installed_packages(core::Context& context, std::string last_output);

// Runs "python -m pip list" in py_dir and refills the list, then unlocks.
void load_installed_packages(core::Context& context);

}  // namespace vx::packages
