#pragma once
// Requirements files: export the installed packages, install everything a
// file lists, uninstall everything a file lists. Each asks for the file, then
// runs one pip command on the GUI thread while the window keeps painting.
#include "core/context.hpp"
#include "core/prompter.hpp"

namespace vx::packages {

void export_requirements(core::Context& context, core::Prompter& prompter);
void import_requirements(core::Context& context, core::Prompter& prompter);
void batch_uninstall(core::Context& context, core::Prompter& prompter);

}  // namespace vx::packages
