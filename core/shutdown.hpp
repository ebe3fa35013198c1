#pragma once
// The clean-up when the main window goes: ends the shell, pip and Python
// processes that a running command may have left. Only processes of the
// commands this program runs are considered; a process of the same name that this
// program did not start is never touched. Ending a running command ends its
// whole process group (the shell and everything it started).
//
// Thread use: any thread, usually the GUI thread while the window is being
// destroyed. Call ShellRunner::begin_shutdown() first, so that no worker
// starts its next command behind the clean-up.
#include <array>
#include <string_view>

namespace vx::core {

// Looked for in this order, one process per name.
inline constexpr std::array<std::string_view, 3> child_process_names{"sh", "pip", "python"};

// Whether a process name stands for `wanted`: equal ignoring ASCII case, and
// "python3" or "python3.N" count as "python".
bool process_name_matches(std::string_view process_name, std::string_view wanted);

// The first (lowest) id among this program's live descendants that belong
// to a running command's process group and go by `name`; 0 when there is none.
unsigned find_process_id_by_name(std::string_view name);

// Ends the process (SIGTERM, a short grace, then SIGKILL), with its whole
// process group when it belongs to a running command. Returns whether it has
// ended; false for an id that is not a descendant of this program.
bool terminate_process_by_id(unsigned process_id);

// For each name in child_process_names: find it, and end it when found.
void end_child_processes();

}  // namespace vx::core
