#pragma once
// Switching pip's package index to one of the eight mirrors of Config.ini.
#include "core/context.hpp"
#include "core/prompter.hpp"

namespace vx::packages {

// Runs on the GUI thread. number is 1 to 8, the mirror's place in the menu.
void select_mirror(core::Context& context, core::Prompter& prompter, int number);

}  // namespace vx::packages
