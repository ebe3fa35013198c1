#include "tests/faults/fault_checks.hpp"

#include <sys/prctl.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "platform/process_table.hpp"
#include "tests/support/program_fixture.hpp"
#include "tests/support/temp_dir.hpp"

namespace vx::test {
namespace {

std::string command_line_of(int pid) {
    std::string text = read_file("/proc/" + std::to_string(pid) + "/cmdline");
    while (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    for (char& c : text) {
        if (c == '\0') {
            c = ' ';
        }
    }
    return text;
}

long status_number(const std::string& status, const std::string& key) {
    const auto at = status.find("\n" + key + ":");
    return at == std::string::npos ? -1 : std::stol(status.substr(at + key.size() + 2));
}

}  // namespace

void adopt_orphans() {
    prctl(PR_SET_CHILD_SUBREAPER, 1);
}

std::vector<LiveProcess> live_descendants_of(pid_t ancestor) {
    std::multimap<int, int> children;
    for (const platform::ProcessInfo& process : platform::list_processes(false)) {
        children.emplace(process.parent_pid, process.pid);
    }
    std::vector<LiveProcess> found;
    std::vector<int> pending{static_cast<int>(ancestor)};
    while (!pending.empty()) {
        const int parent = pending.back();
        pending.pop_back();
        auto [first, last] = children.equal_range(parent);
        for (auto it = first; it != last; ++it) {
            pending.push_back(it->second);
            if (process_alive(it->second)) {
                found.push_back({it->second, command_line_of(it->second)});
            }
        }
    }
    return found;
}

std::optional<int> find_descendant(pid_t ancestor, const std::vector<std::string>& parts) {
    for (const LiveProcess& process : live_descendants_of(ancestor)) {
        bool all = true;
        for (const std::string& part : parts) {
            all = all && process.command_line.find(part) != std::string::npos;
        }
        if (all) {
            return process.pid;
        }
    }
    return std::nullopt;
}

ChildWatch::ChildWatch() {
    for (const LiveProcess& process : live_descendants_of(getpid())) {
        known_.insert(process.pid);
    }
}

std::vector<LiveProcess> ChildWatch::left_behind() const {
    std::vector<LiveProcess> left;
    for (LiveProcess& process : live_descendants_of(getpid())) {
        if (!known_.contains(process.pid)) {
            left.push_back(std::move(process));
        }
    }
    return left;
}

bool ChildWatch::wait_until_clean(std::chrono::milliseconds timeout) const {
    return wait_until([this] { return left_behind().empty(); }, timeout);
}

std::string ChildWatch::describe() const {
    std::ostringstream out;
    for (const LiveProcess& process : left_behind()) {
        out << process.pid << ": " << process.command_line << "\n";
    }
    return out.str();
}

ProcessUsage usage_of_this_process() {
    const std::string status = "\n" + read_file("/proc/self/status");
    ProcessUsage usage;
    usage.rss_kib = status_number(status, "VmRSS");
    usage.threads = static_cast<int>(status_number(status, "Threads"));
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
         it.increment(error)) {
        ++usage.descriptors;
    }
    --usage.descriptors;  // the iterator's own
    return usage;
}

bool process_alive(int pid) {
    const auto info = platform::read_process(pid, false);
    return info && info->alive();
}

}  // namespace vx::test
