#pragma once
// A read of the system's process table (/proc): who is whose parent, which
// process group each belongs to and the names a process goes by. Used by the
// shutdown clean-up to find, among the processes this program started, the
// shell, pip and Python processes a command may have left running.
//
// Thread use: any thread; nothing is cached.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vx::platform {

struct ProcessInfo {
    int pid = 0;
    int parent_pid = 0;
    int group_id = 0;
    char state = '?';  // as in /proc/PID/stat: 'R', 'S', 'Z' (zombie), ...
    // The names it goes by, distinct: the kernel's command name, the file name
    // of its executable and of its argv[0]. A shell started as /bin/sh reads
    // "sh" and "dash"; an interpreter started through a "python" link reads
    // "python" and "python3.11".
    std::vector<std::string> names;

    bool alive() const { return state != 'Z' && state != 'X' && state != 'x'; }
};

// One process, or nullopt when it does not exist (any more).
std::optional<ProcessInfo> read_process(int pid, bool with_names = true);

// Every process of the system, by ascending pid; names are left out unless asked for.
std::vector<ProcessInfo> list_processes(bool with_names = false);

// The live (not zombie) processes descended from this program, by ascending
// pid, with their names. A process whose parent has ended is adopted by
// another and is no longer among them.
std::vector<ProcessInfo> descendants_of_this_process();

bool is_descendant_of_this_process(int pid);

// Exists and has not ended (a zombie has ended).
bool process_is_alive(int pid);

// Some member of the process group has not ended.
bool process_group_is_alive(int group_id);

// Ends a process: SIGTERM, up to `grace` for it to go, then SIGKILL. When the
// process belongs to the process group of a command this program is running
// (see child_process.hpp), the whole group is ended instead, so that the
// shell, pip and the interpreter of that command go together. Returns whether
// the process has ended. Does not reap: the process's parent does.
bool terminate_process(int pid, std::chrono::milliseconds grace);

}  // namespace vx::platform
