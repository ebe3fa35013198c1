#include "core/shutdown.hpp"

#include "core/shell_runner.hpp"
#include "core/text.hpp"
#include "platform/process_table.hpp"
#include "tests/support/temp_dir.hpp"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <future>
#include <thread>

namespace vx::core {
namespace {

namespace fs = std::filesystem;
using text::quote_for_sh;

const char* const sleeping_python =
    "python -c \"import os, time; print(os.getpid(), flush=True); time.sleep(600)\"";

// A real interpreter binary (not a wrapper script), so that the process it
// starts carries an interpreter's name. Empty when the machine has none.
std::string real_interpreter() {
    std::error_code error;
    if (fs::exists("/usr/bin/python3", error)) {
        return fs::canonical("/usr/bin/python3").string();
    }
    ShellRunner runner{"/"};
    std::string found = text::trim_suffix(
        runner.run_here("python3 -c 'import sys; print(sys.executable)'").output, "\n");
    return !found.empty() && fs::exists(found, error) ? fs::canonical(found).string() : "";
}

// A folder holding a link to the interpreter under `name`.
void link_interpreter(const test::TempDir& folder, const std::string& name,
                      const std::string& interpreter) {
    fs::create_symlink(interpreter, folder / name);
}

// Waits until the process goes by `name`: right after the fork it is still
// the shell that started it.
bool wait_for_name(int pid, const std::string& name) {
    for (int attempt = 0; attempt < 2000; ++attempt) {
        auto info = platform::read_process(pid);
        if (!info || !info->alive()) {
            return false;
        }
        if (std::find(info->names.begin(), info->names.end(), name) != info->names.end()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Runs a command on a worker thread, as an install does, and hands over the
// first line it prints.
class BackgroundCommand {
public:
    BackgroundCommand(ShellRunner& runner, std::string command, std::string directory) {
        std::future<std::string> line = first_line_.get_future();
        worker_ = std::thread([this, &runner, command, directory] {
            std::string seen;
            bool told = false;
            result_ = runner.run(command, directory, [&](std::string_view chunk) {
                seen += chunk;
                if (!told && seen.find('\n') != std::string::npos) {
                    told = true;
                    first_line_.set_value(seen.substr(0, seen.find('\n')));
                }
                return 0;
            });
            if (!told) {
                first_line_.set_value("");
            }
        });
        first_line_value_ = line.get();
    }
    ~BackgroundCommand() { finish(); }
    BackgroundCommand(const BackgroundCommand&) = delete;
    BackgroundCommand& operator=(const BackgroundCommand&) = delete;

    const std::string& first_line() const { return first_line_value_; }
    const CommandResult& finish() {
        if (worker_.joinable()) {
            worker_.join();
        }
        return result_;
    }

private:
    std::promise<std::string> first_line_;
    std::string first_line_value_;
    CommandResult result_;
    std::thread worker_;  // last: it uses the members above
};

// Kills a process this test started outside the program's tree.
class KillAtEnd {
public:
    explicit KillAtEnd(int pid) : pid_(pid) {}
    ~KillAtEnd() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
        }
    }
    KillAtEnd(const KillAtEnd&) = delete;
    KillAtEnd& operator=(const KillAtEnd&) = delete;

private:
    int pid_;
};

TEST(ProcessNameMatches, ignores_case_and_counts_python3_as_python) {
    struct Row {
        const char* name;
        const char* process_name;
        const char* wanted;
        bool matches;
    };
    const Row rows[] = {
        {"same name", "sh", "sh", true},
        {"other case", "SH", "sh", true},
        {"bash is not sh", "bash", "sh", false},
        {"dash is not sh", "dash", "sh", false},
        {"pip", "pip", "pip", true},
        {"pip3 is not pip", "pip3", "pip", false},
        {"python", "python", "python", true},
        {"python3", "python3", "python", true},
        {"python3.N", "python3.11", "python", true},
        {"python3.N in capitals", "PYTHON3.12", "python", true},
        {"python2", "python2", "python", false},
        {"python3. without a number", "python3.", "python", false},
        {"python3.x", "python3.x", "python", false},
        {"pythonw", "pythonw", "python", false},
        {"python3 is not pip", "python3", "pip", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(process_name_matches(row.process_name, row.wanted), row.matches) << row.name;
    }
}

TEST(EndChildProcesses, without_children_finds_and_ends_nothing) {
    for (std::string_view name : child_process_names) {
        EXPECT_EQ(find_process_id_by_name(name), 0u) << name;
    }
    end_child_processes();
    EXPECT_FALSE(terminate_process_by_id(0));
}

TEST(EndChildProcesses, ends_a_running_command_with_its_shell_and_interpreter) {
    const std::string interpreter = real_interpreter();
    if (interpreter.empty()) {
        GTEST_SKIP() << "no Python interpreter on this machine";
    }
    test::TempDir py_dir{"vx-py-dir"};
    link_interpreter(py_dir, "python3", interpreter);
    ShellRunner runner{py_dir.str()};

    BackgroundCommand command(runner, sleeping_python, py_dir.str());
    const int python_pid = std::stoi(command.first_line());
    EXPECT_EQ(find_process_id_by_name("python"), static_cast<unsigned>(python_pid));
    const unsigned shell_pid = find_process_id_by_name("sh");
    EXPECT_NE(shell_pid, 0u);

    runner.begin_shutdown();
    end_child_processes();
    const CommandResult& result = command.finish();

    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.exit_status, 128 + SIGTERM);
    EXPECT_FALSE(platform::process_is_alive(python_pid));
    EXPECT_FALSE(platform::process_is_alive(static_cast<int>(shell_pid)));
    EXPECT_TRUE(platform::descendants_of_this_process().empty());
    EXPECT_FALSE(runner.run(sleeping_python, py_dir.str()).started);
}

TEST(EndChildProcesses, leaves_alone_a_python_this_program_did_not_start) {
    const std::string interpreter = real_interpreter();
    if (interpreter.empty()) {
        GTEST_SKIP() << "no Python interpreter on this machine";
    }
    test::TempDir other{"vx-other-python"};
    link_interpreter(other, "python", interpreter);
    ShellRunner runner{other.str()};
    // Started in the background of a shell that then ends: the interpreter is
    // adopted by another process and is no longer ours.
    CommandResult detach =
        runner.run_here(quote_for_sh((other / "python").string()) +
                        " -c 'import time; time.sleep(600)' </dev/null >/dev/null 2>&1 & echo $!");
    const int foreign = std::stoi(detach.output);
    KillAtEnd cleanup(foreign);
    ASSERT_TRUE(wait_for_name(foreign, "python")) << "the detached interpreter did not start";
    ASSERT_FALSE(platform::is_descendant_of_this_process(foreign));

    EXPECT_EQ(find_process_id_by_name("python"), 0u);
    EXPECT_FALSE(terminate_process_by_id(static_cast<unsigned>(foreign)));

    test::TempDir py_dir{"vx-py-dir"};
    link_interpreter(py_dir, "python", interpreter);
    BackgroundCommand ours(runner, sleeping_python, py_dir.str());
    const int our_python = std::stoi(ours.first_line());
    end_child_processes();
    ours.finish();

    EXPECT_FALSE(platform::process_is_alive(our_python));
    EXPECT_TRUE(platform::process_is_alive(foreign)) << "a process we did not start was ended";
}

TEST(TerminateProcessById, kills_a_command_that_ignores_the_polite_signal) {
    ShellRunner runner{"/"};
    BackgroundCommand command(runner, "trap '' TERM; echo ready; sleep 600", "/");
    ASSERT_EQ(command.first_line(), "ready");
    const unsigned shell_pid = find_process_id_by_name("sh");
    ASSERT_NE(shell_pid, 0u);

    EXPECT_TRUE(terminate_process_by_id(shell_pid));
    EXPECT_EQ(command.finish().exit_status, 128 + SIGKILL);
    EXPECT_TRUE(platform::descendants_of_this_process().empty());
}

TEST(TerminateProcessById, ends_a_single_child_that_is_no_command) {
    pid_t pid = -1;
    char name[] = "sleep";
    char seconds[] = "600";
    char* argv[] = {name, seconds, nullptr};
    ASSERT_EQ(posix_spawnp(&pid, "sleep", nullptr, nullptr, argv, environ), 0);

    EXPECT_TRUE(terminate_process_by_id(static_cast<unsigned>(pid)));
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
}

}  // namespace
}  // namespace vx::core
