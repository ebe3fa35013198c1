#include "platform/process_table.hpp"

#include "platform/child_process.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <string_view>
#include <thread>

namespace vx::platform {
namespace {

constexpr auto poll_interval = std::chrono::milliseconds(10);
// After SIGKILL a process goes at once unless it is stuck in the kernel.
constexpr auto kill_wait = std::chrono::seconds(2);

// Small /proc files, read with a close-on-exec descriptor.
std::optional<std::string> read_small_file(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string content;
    char buffer[4096];
    for (;;) {
        ssize_t count = read(fd, buffer, sizeof buffer);
        if (count > 0) {
            content.append(buffer, static_cast<std::size_t>(count));
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    close(fd);
    return content;
}

std::string base_name(std::string_view path) {
    std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

void add_name(std::vector<std::string>& names, std::string name) {
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) {
        names.push_back(std::move(name));
    }
}

// "PID (COMM) STATE PPID PGRP ...": the command name may hold blanks and
// parentheses, so it runs up to the last ')'.
bool parse_stat(const std::string& stat, ProcessInfo& info, std::string& command_name) {
    std::size_t open = stat.find('(');
    std::size_t close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open ||
        close + 2 >= stat.size()) {
        return false;
    }
    command_name = stat.substr(open + 1, close - open - 1);
    const char* cursor = stat.c_str() + close + 2;
    info.state = *cursor++;
    char* end = nullptr;
    info.parent_pid = static_cast<int>(std::strtol(cursor, &end, 10));
    if (end == cursor) {
        return false;
    }
    cursor = end;
    info.group_id = static_cast<int>(std::strtol(cursor, &end, 10));
    return end != cursor;
}

void read_names(ProcessInfo& info, const std::string& command_name) {
    const std::string dir = "/proc/" + std::to_string(info.pid);
    add_name(info.names, command_name);
    char target[4096];
    ssize_t length = readlink((dir + "/exe").c_str(), target, sizeof target - 1);
    if (length > 0) {
        std::string_view exe(target, static_cast<std::size_t>(length));
        constexpr std::string_view deleted = " (deleted)";
        if (exe.ends_with(deleted)) {
            exe.remove_suffix(deleted.size());
        }
        add_name(info.names, base_name(exe));
    }
    if (auto command_line = read_small_file(dir + "/cmdline")) {
        add_name(info.names, base_name(command_line->c_str()));
    }
}

bool parse_pid(const char* text, int& pid) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value <= 0) {
        return false;
    }
    pid = static_cast<int>(value);
    return true;
}

// Waits up to `limit` for `still_running` to turn false; returns its last answer.
template <typename Check>
bool wait_while(Check still_running, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    bool running = still_running();
    while (running && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(poll_interval);
        running = still_running();
    }
    return running;
}

}  // namespace

std::optional<ProcessInfo> read_process(int pid, bool with_names) {
    auto stat = read_small_file("/proc/" + std::to_string(pid) + "/stat");
    if (!stat) {
        return std::nullopt;
    }
    ProcessInfo info;
    info.pid = pid;
    std::string command_name;
    if (!parse_stat(*stat, info, command_name)) {
        return std::nullopt;
    }
    if (with_names) {
        read_names(info, command_name);
    }
    return info;
}

std::vector<ProcessInfo> list_processes(bool with_names) {
    std::vector<ProcessInfo> processes;
    DIR* proc = opendir("/proc");  // glibc opens it close-on-exec
    if (proc == nullptr) {
        return processes;
    }
    while (dirent* entry = readdir(proc)) {
        int pid = 0;
        if (!parse_pid(entry->d_name, pid)) {
            continue;
        }
        // A process that ended since the listing is simply left out.
        if (auto info = read_process(pid, with_names)) {
            processes.push_back(std::move(*info));
        }
    }
    closedir(proc);
    std::sort(processes.begin(), processes.end(),
              [](const ProcessInfo& a, const ProcessInfo& b) { return a.pid < b.pid; });
    return processes;
}

std::vector<ProcessInfo> descendants_of_this_process() {
    std::multimap<int, int> children;  // parent pid -> child pid
    for (const ProcessInfo& process : list_processes(false)) {
        children.emplace(process.parent_pid, process.pid);
    }
    std::vector<int> found;
    std::vector<int> pending{static_cast<int>(getpid())};
    while (!pending.empty()) {
        int parent = pending.back();
        pending.pop_back();
        auto [first, last] = children.equal_range(parent);
        for (auto it = first; it != last; ++it) {
            found.push_back(it->second);
            pending.push_back(it->second);
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<ProcessInfo> descendants;
    for (int pid : found) {
        auto info = read_process(pid, true);
        if (info && info->alive()) {
            descendants.push_back(std::move(*info));
        }
    }
    return descendants;
}

bool is_descendant_of_this_process(int pid) {
    const int self = static_cast<int>(getpid());
    // The chain is short; the bound only guards against a table that changes under us.
    for (int step = 0, current = pid; step < 4096 && current > 1; ++step) {
        auto info = read_process(current, false);
        if (!info) {
            return false;
        }
        if (info->parent_pid == self) {
            return true;
        }
        current = info->parent_pid;
    }
    return false;
}

bool process_is_alive(int pid) {
    auto info = read_process(pid, false);
    return info && info->alive();
}

bool process_group_is_alive(int group_id) {
    for (const ProcessInfo& process : list_processes(false)) {
        if (process.group_id == group_id && process.alive()) {
            return true;
        }
    }
    return false;
}

bool terminate_process(int pid, std::chrono::milliseconds grace) {
    auto info = read_process(pid, false);
    if (!info || !info->alive()) {
        return false;
    }
    const int group_id = info->group_id;
    SignalTarget target = signal_process_or_its_group(pid, group_id, SIGTERM);
    if (target == SignalTarget::none) {
        return false;
    }
    auto running = [&] {
        return target == SignalTarget::group ? process_group_is_alive(group_id)
                                             : process_is_alive(pid);
    };
    if (wait_while(running, grace)) {
        // A group id that still has live members cannot have been reused.
        if (target == SignalTarget::group) {
            kill(-group_id, SIGKILL);
        } else {
            kill(pid, SIGKILL);
        }
        wait_while(running, kill_wait);
    }
    return !process_is_alive(pid);
}

}  // namespace vx::platform
