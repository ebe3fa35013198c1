#include "core/shutdown.hpp"

#include "core/text.hpp"
#include "platform/child_process.hpp"
#include "platform/process_table.hpp"

#include <algorithm>

namespace vx::core {
namespace {

constexpr std::string_view interpreter_name = "python";

// "python3" or "python3.N", however cased.
bool is_versioned_interpreter(std::string_view process_name) {
    std::string lower = text::to_lower_ascii(process_name);
    std::string_view name = lower;
    if (!name.starts_with("python3")) {
        return false;
    }
    name.remove_prefix(7);
    if (name.empty()) {
        return true;
    }
    if (name.front() != '.' || name.size() == 1) {
        return false;
    }
    name.remove_prefix(1);
    return std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool process_name_matches(std::string_view process_name, std::string_view wanted) {
    if (text::equals_ignoring_case(process_name, wanted)) {
        return true;
    }
    return text::equals_ignoring_case(wanted, interpreter_name) &&
           is_versioned_interpreter(process_name);
}

unsigned find_process_id_by_name(std::string_view name) {
    for (const platform::ProcessInfo& process : platform::descendants_of_this_process()) {
        // Only what a command of ours runs: other children of this process
        // (a helper the embedding program started, say) are not ours to end.
        if (!platform::is_running_child_group(process.group_id)) {
            continue;
        }
        for (const std::string& process_name : process.names) {
            if (process_name_matches(process_name, name)) {
                return static_cast<unsigned>(process.pid);
            }
        }
    }
    return 0;
}

bool terminate_process_by_id(unsigned process_id) {
    const int pid = static_cast<int>(process_id);
    // Checked again here: between the search and now the process may have
    // ended and its id gone to someone else's process.
    if (pid <= 0 || !platform::is_descendant_of_this_process(pid)) {
        return false;
    }
    return platform::terminate_process(pid, platform::termination_grace);
}

void end_child_processes() {
    for (std::string_view name : child_process_names) {
        if (unsigned pid = find_process_id_by_name(name)) {
            terminate_process_by_id(pid);
        }
    }
}

}  // namespace vx::core
