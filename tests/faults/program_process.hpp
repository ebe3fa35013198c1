#pragma once
// The built program started as a process of its own, from a run folder the
// test made: a copy of the executable, its Config.ini and its Py beside it.
// The process runs in a process group of its own with standard input from
// /dev/null and its output in a log file; the destructor kills the group if
// it still runs, and reaps the process.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace vx::test {

// The executable the build made (build/bin/verdanex).
std::filesystem::path built_program();

class ProgramProcess {
public:
    // Starts executable with this process's environment changed by env (a
    // value sets, nullopt removes). Throws std::runtime_error when it cannot start.
    ProgramProcess(const std::filesystem::path& executable,
                   const std::map<std::string, std::optional<std::string>>& env,
                   const std::filesystem::path& log_path);
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool signal(int signal_number) const;
    // The exit code (128 + N when signal N ended it) once the process has
    // ended within the timeout; nullopt while it still runs.
    std::optional<int> wait_for_exit(std::chrono::milliseconds timeout);

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

}  // namespace vx::test
