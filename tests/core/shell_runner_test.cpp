#include "core/shell_runner.hpp"

#include "core/output_collector.hpp"
#include "core/text.hpp"
#include "platform/process_table.hpp"
#include "tests/support/child_pattern.hpp"
#include "tests/support/temp_dir.hpp"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <set>
#include <thread>

namespace vx::core {
namespace {

namespace fs = std::filesystem;
using text::quote_for_sh;

// The helper program's command line: its quoted path followed by steps.
std::string helper(std::string_view steps) {
    return quote_for_sh(VX_CHILD_HELPER) + " " + std::string(steps);
}

// True when this process has no child left at all, running or unreaped.
bool no_children_left() {
    int status = 0;
    return waitpid(-1, &status, WNOHANG) < 0 && errno == ECHILD;
}

void write_script(const fs::path& path, const std::string& body) {
    test::write_file(path, "#!/bin/sh\n" + body + "\n");
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add);
}

class ShellRunnerTest : public ::testing::Test {
protected:
    test::TempDir run_dir{"vx-run-dir"};
    ShellRunner runner{run_dir.str()};
};

TEST_F(ShellRunnerTest, empty_command_starts_nothing) {
    CommandResult in_dir = runner.run("", run_dir.str());
    CommandResult here = runner.run_here("");
    EXPECT_FALSE(in_dir.started);
    EXPECT_FALSE(here.started);
    EXPECT_EQ(in_dir.output, "");
    EXPECT_EQ(run_shell_command(runner, "", {}, false, run_dir.str()), "");
    EXPECT_EQ(run_shell_command_here(runner, "", {}, false), "");
}

TEST_F(ShellRunnerTest, output_comes_back_whole_and_in_order) {
    struct Row {
        const char* name;
        std::size_t size;
    };
    const Row rows[] = {{"nothing", 0}, {"5000 bytes", 5000}, {"10 MB", 10u << 20}};
    for (const Row& row : rows) {
        std::string chunks;
        CommandResult result = runner.run(helper("out " + std::to_string(row.size)), run_dir.str(),
                                          [&](std::string_view chunk) {
                                              chunks += chunk;
                                              return 0;
                                          });
        EXPECT_TRUE(result.started) << row.name;
        EXPECT_EQ(result.exit_status, 0) << row.name;
        EXPECT_TRUE(result.output == test::pattern_bytes(row.size)) << row.name;
        EXPECT_TRUE(chunks == result.output) << row.name << ": the handler saw other bytes";
    }
    EXPECT_TRUE(no_children_left());
}

TEST_F(ShellRunnerTest, zero_byte_in_output_cuts_nothing) {
    std::string output =
        run_shell_command(runner, helper("text before zero text after"), {}, false, run_dir.str());
    EXPECT_EQ(output, std::string("before\0after", 12));
}

TEST_F(ShellRunnerTest, standard_error_is_interleaved_in_order) {
    std::string output = run_shell_command(
        runner, helper("text o1, err e1, text o2, err e2, text o3"), {}, false, run_dir.str());
    EXPECT_EQ(output, "o1,e1,o2,e2,o3");

    std::string missing = run_shell_command(runner, "vx_no_such_program_here", {}, false, "");
    EXPECT_NE(missing.find("vx_no_such_program_here"), std::string::npos) << missing;
    EXPECT_NE(missing.find("not found"), std::string::npos) << missing;
}

TEST_F(ShellRunnerTest, output_written_just_before_exit_is_kept) {
    // Repeated: losing the last bytes is a race, not a certainty.
    for (int round = 0; round < 50; ++round) {
        CommandResult result =
            runner.run(helper("out 70000 text last-words exit 7"), run_dir.str());
        ASSERT_EQ(result.output, test::pattern_bytes(70000) + "last-words") << "round " << round;
        ASSERT_EQ(result.exit_status, 7);
    }
}

TEST_F(ShellRunnerTest, background_descendant_does_not_hold_the_run) {
    // The run ends with the shell; a descendant that keeps the pipe open is not waited for.
    CommandResult result = runner.run_here("sleep 600 & echo early $!");
    ASSERT_TRUE(result.output.starts_with("early ")) << result.output;
    const int sleeper = std::stoi(result.output.substr(6));
    EXPECT_TRUE(platform::process_is_alive(sleeper));
    EXPECT_EQ(result.exit_status, 0);
    kill(sleeper, SIGKILL);
}

TEST_F(ShellRunnerTest, exit_status_is_reported) {
    struct Row {
        const char* name;
        std::string command;
        int status;
    };
    const Row rows[] = {
        {"success", helper("text ok"), 0},
        {"exit code", helper("exit 42"), 42},
        {"unknown program", "vx_no_such_program_here", 127},
        {"shell killed by a signal", "kill -KILL $$", 128 + SIGKILL},
    };
    for (const Row& row : rows) {
        CommandResult result = runner.run(row.command, run_dir.str());
        EXPECT_TRUE(result.started) << row.name;
        EXPECT_EQ(result.exit_status, row.status) << row.name;
        EXPECT_EQ(result.succeeded(), row.status == 0) << row.name;
    }
}

TEST_F(ShellRunnerTest, directory_with_shell_characters_is_taken_literally) {
    test::TempDir base{"vx-odd-dir"};
    const fs::path canary = base / "canary";
    test::ScopedEnv canary_path("VX_CANARY", canary.string());
    const fs::path odd =
        base / "a b 'q' $(touch \"$VX_CANARY\") `touch \"$VX_CANARY\"`; touch \"$VX_CANARY\" #";
    fs::create_directories(odd);
    const std::string expected = fs::canonical(odd).string() + "\n";

    EXPECT_EQ(run_shell_command(runner, "pwd -P", {}, false, odd.string()), expected);
    EXPECT_EQ(run_shell_command(runner, "pwd -P", {}, false, odd.string() + "/"), expected);
    EXPECT_FALSE(fs::exists(canary)) << "the directory's name was run as a command";
}

TEST_F(ShellRunnerTest, empty_directory_means_the_run_directory) {
    EXPECT_EQ(run_shell_command(runner, "pwd -P", {}, false, ""),
              fs::canonical(run_dir.path()).string() + "\n");
}

TEST_F(ShellRunnerTest, run_here_has_no_directory_change) {
    std::string here = run_shell_command_here(runner, "pwd -P", {}, false);
    EXPECT_EQ(here, fs::canonical(fs::current_path()).string() + "\n");
}

TEST(OutputCollector, keeps_committed_bytes_in_order_across_blocks) {
    OutputCollector collector;
    const std::string expected = test::pattern_bytes(3u << 20);
    std::size_t offered = 0;
    std::size_t kept = 0;
    // Reads of every size, some filling only part of the room they were given.
    for (std::size_t step = 1; kept < expected.size(); step = step * 3 % 70001 + 1) {
        std::span<char> room = collector.room();
        ASSERT_FALSE(room.empty());
        const std::size_t size = std::min({step, room.size(), expected.size() - kept});
        std::copy_n(expected.data() + kept, size, room.data());
        collector.commit(size);
        kept += size;
        ++offered;
    }
    EXPECT_GT(offered, 1u);
    EXPECT_EQ(collector.size(), expected.size());
    EXPECT_TRUE(collector.take() == expected);
    EXPECT_EQ(collector.size(), 0u);
    EXPECT_EQ(collector.take(), "");
}

TEST(BuildCommandLine, quotes_the_directory_and_resolves_the_python_word) {
    struct Row {
        const char* name;
        const char* command;
        const char* directory;
        const char* line;
    };
    // /vx-absent holds no interpreter, so the word becomes its python.
    const Row rows[] = {
        {"plain command", "pip list", "/vx-absent/Py/bin/", "cd -- '/vx-absent/Py/bin/'; pip list"},
        {"python word", "python -m pip list", "/vx-absent/Py/bin/",
         "cd -- '/vx-absent/Py/bin/'; '/vx-absent/Py/bin/python' -m pip list"},
        {"no trailing slash", "python -V", "/vx-absent/bin",
         "cd -- '/vx-absent/bin'; '/vx-absent/bin/python' -V"},
        {"python alone", "python", "/vx-absent/", "cd -- '/vx-absent/'; '/vx-absent/python'"},
        {"longer word", "python3 -V", "/vx-absent/", "cd -- '/vx-absent/'; python3 -V"},
        {"word later in the line", "echo python", "/vx-absent/",
         "cd -- '/vx-absent/'; echo python"},
        {"empty directory", "pip", "", "cd -- '/run dir'; pip"},
        {"quote in directory", "pip", "/x/it's/", "cd -- '/x/it'\\''s/'; pip"},
        {"quote in directory with python", "python -V", "/x/it's",
         "cd -- '/x/it'\\''s'; '/x/it'\\''s/python' -V"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(build_command_line(row.command, row.directory, "/run dir"), row.line) << row.name;
    }
}

TEST_F(ShellRunnerTest, python_word_runs_the_interpreter_of_the_directory) {
    test::TempDir dirs{"vx-interpreters"};
    // A python on PATH must never stand in for the directory's.
    write_script(dirs / "on_path/python", "echo path-python");
    write_script(dirs / "on_path/python3", "echo path-python3");
    test::ScopedEnv path("PATH", (dirs / "on_path").string() + ":" + std::getenv("PATH"));
    write_script(dirs / "both/python", "echo dir-python \"$@\"");
    write_script(dirs / "both/python3", "echo dir-python3 \"$@\"");
    write_script(dirs / "only3/python3", "echo dir-python3 \"$@\"");
    fs::create_directories(dirs / "neither");

    struct Row {
        const char* name;
        std::string directory;
        std::string expected;
    };
    const Row rows[] = {
        {"python first", (dirs / "both/").string(), "dir-python -V\n"},
        {"python3 when there is no python", (dirs / "only3").string(), "dir-python3 -V\n"},
        {"python3 with trailing slash", (dirs / "only3/").string(), "dir-python3 -V\n"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(run_shell_command(runner, "python -V", {}, false, row.directory), row.expected)
            << row.name;
    }

    std::string neither =
        run_shell_command(runner, "python -V", {}, false, (dirs / "neither/").string());
    EXPECT_NE(neither.find((dirs / "neither/python").string()), std::string::npos) << neither;
    EXPECT_NE(neither.find("not found"), std::string::npos) << neither;
    EXPECT_EQ(neither.find("path-python"), std::string::npos) << neither;
}

TEST_F(ShellRunnerTest, handler_stop_ends_the_command_and_its_children) {
    std::string seen;
    CommandResult result =
        runner.run(helper("pid sleep 600000 text never"), run_dir.str(), [&](std::string_view c) {
            seen += c;
            return seen.find('\n') != std::string::npos ? 1 : 0;
        });
    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.output.find("pid="), std::string::npos) << "the stopping chunk is not kept";
    EXPECT_EQ(result.exit_status, 128 + SIGTERM);
    ASSERT_TRUE(seen.starts_with("pid="));
    const int helper_pid = std::stoi(seen.substr(4));
    EXPECT_FALSE(platform::process_is_alive(helper_pid)) << "the helper runs on";
    EXPECT_TRUE(no_children_left());
}

TEST_F(ShellRunnerTest, handler_is_consulted_only_when_asked) {
    int calls = 0;
    ChunkHandler stop_at_once = [&](std::string_view) {
        ++calls;
        return 1;
    };
    EXPECT_EQ(run_shell_command(runner, "echo kept", stop_at_once, false, ""), "kept\n");
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(run_shell_command(runner, "echo dropped", stop_at_once, true, ""), "");
    EXPECT_EQ(calls, 1);
}

// Lowers the descriptor limit so that no new descriptor can be opened: a
// real failure to start a child, without touching the shell.
class NoFreeDescriptors {
public:
    NoFreeDescriptors() {
        getrlimit(RLIMIT_NOFILE, &saved_);
        int lowest_free = open("/dev/null", O_RDONLY | O_CLOEXEC);
        close(lowest_free);
        rlimit lowered = saved_;
        lowered.rlim_cur = static_cast<rlim_t>(lowest_free);
        setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~NoFreeDescriptors() { setrlimit(RLIMIT_NOFILE, &saved_); }
    NoFreeDescriptors(const NoFreeDescriptors&) = delete;
    NoFreeDescriptors& operator=(const NoFreeDescriptors&) = delete;

private:
    rlimit saved_{};
};

TEST_F(ShellRunnerTest, child_that_cannot_start_gives_empty_text) {
    CommandResult result;
    {
        NoFreeDescriptors limit;
        result = runner.run("echo unreachable", run_dir.str());
    }
    EXPECT_FALSE(result.started);
    EXPECT_EQ(result.output, "");
    EXPECT_TRUE(runner.run("echo again", run_dir.str()).started) << "the failure did not pass";
}

TEST_F(ShellRunnerTest, no_descriptor_leaks_into_the_child) {
    // Opened without close-on-exec on purpose, as a careless library might.
    int stray = open("/dev/null", O_RDONLY);
    ASSERT_GE(stray, 0);
    std::string output = run_shell_command(runner, helper("fds"), {}, false, run_dir.str());
    close(stray);
    EXPECT_EQ(output, "fds=\n");
}

TEST_F(ShellRunnerTest, child_reads_empty_standard_input) {
    EXPECT_EQ(run_shell_command(runner, "cat; echo done", {}, false, ""), "done\n");
}

TEST_F(ShellRunnerTest, pump_runs_on_the_registered_thread_only) {
    std::atomic<int> calls{0};
    std::set<std::thread::id> threads;
    runner.set_event_pump(
        [&] {
            ++calls;
            threads.insert(std::this_thread::get_id());
        },
        std::this_thread::get_id());

    CommandResult on_gui = runner.run(helper("text a sleep 300 text b"), run_dir.str());
    EXPECT_EQ(on_gui.output, "ab");
    EXPECT_GT(calls.load(), 0) << "the window would not paint while the command runs";
    EXPECT_EQ(threads, std::set<std::thread::id>{std::this_thread::get_id()});

    const int before = calls.load();
    CommandResult on_worker;
    std::thread worker(
        [&] { on_worker = runner.run(helper("text a sleep 300 text b"), run_dir.str()); });
    worker.join();
    EXPECT_EQ(on_worker.output, "ab");
    EXPECT_EQ(calls.load(), before);
}

TEST_F(ShellRunnerTest, begin_shutdown_refuses_new_commands) {
    EXPECT_FALSE(runner.shutting_down());
    runner.begin_shutdown();
    EXPECT_TRUE(runner.shutting_down());
    CommandResult result = runner.run("echo late", run_dir.str());
    EXPECT_FALSE(result.started);
    EXPECT_EQ(result.output, "");
    EXPECT_FALSE(runner.run_here("echo late").started);
}

}  // namespace
}  // namespace vx::core
