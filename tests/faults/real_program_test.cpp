// The built executable as a user's system runs it: copied into a run folder
// of its own with Config.ini and Py beside it, started offscreen. A
// termination signal in the middle of a long command ends it at once with the
// command's processes, and a second copy started while it runs leaves at once.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include "tests/faults/fault_checks.hpp"
#include "tests/faults/program_process.hpp"
#include "tests/support/python_env.hpp"
#include "tests/support/temp_dir.hpp"

namespace vx::test {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

class RealProgram : public ::testing::Test {
protected:
    void SetUp() override {
        adopt_orphans();
        fs::create_directories(run_);
        fs::copy_file(built_program(), executable_);
        py_ = std::make_unique<PythonEnv>(run_ / "Py");
        // An interpreter that takes a minute to answer "python -V": the
        // environment check waits in its command.
        const fs::path slow = base_ / "slow python";
        write_file(slow / "python", "#!/bin/sh\nsleep 60\necho 'Python 3.11.2'\n");
        fs::permissions(slow / "python", fs::perms::owner_all);
        config_ = "[com]\nsel=2\nr2=" + slow.string() + "/\n";
        write_file(run_ / "Config.ini", config_);
        env_ = {{"QT_QPA_PLATFORM", "offscreen"}, {"XDG_RUNTIME_DIR", runtime_.str()}};
    }

    std::unique_ptr<ProgramProcess> start(const std::string& log_name) {
        return std::make_unique<ProgramProcess>(executable_, env_, base_ / log_name);
    }

    // The environment check's "sleep 60", once the program has got that far.
    std::optional<int> wait_for_the_slow_command(ProgramProcess& program) {
        const auto deadline = std::chrono::steady_clock::now() + seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            if (auto sleeper = find_descendant(program.pid(), {"sleep 60"})) {
                return sleeper;
            }
            if (program.wait_for_exit(std::chrono::milliseconds(20))) {
                break;
            }
        }
        return std::nullopt;
    }

    // A rewrite replaces the file (write beside, rename): a new inode.
    ino_t config_inode() const {
        struct stat info {};
        return stat((run_ / "Config.ini").c_str(), &info) == 0 ? info.st_ino : 0;
    }

    std::string program_log(const std::string& log_name) const {
        return read_file(base_ / log_name);
    }

    // What start-up writes into the file it was given: the default slot's folder.
    std::string config_after_start() const {
        return config_ + "r1=" + run_.string() + "/Py/bin/\n";
    }

    TempDir base_{"vx-real"};
    TempDir runtime_{"vx-real-runtime"};
    IsolatedPipEnvironment pip_env_;
    fs::path run_ = base_.path() / "run";
    fs::path executable_ = run_ / "verdanex";
    std::unique_ptr<PythonEnv> py_;
    std::string config_;
    std::map<std::string, std::optional<std::string>> env_;
};

TEST_F(RealProgram, sigterm_during_a_long_command_ends_the_program_and_its_children) {
    const ChildWatch watch;
    auto program = start("program.log");
    const auto sleeper = wait_for_the_slow_command(*program);
    ASSERT_TRUE(sleeper) << program_log("program.log");

    ASSERT_TRUE(program->signal(SIGTERM));
    // Generous: the program ends its command (half a second of grace) and
    // waits two seconds at most for its workers.
    const auto status = program->wait_for_exit(seconds(30));
    ASSERT_TRUE(status) << "still running after SIGTERM\n" << program_log("program.log");
    EXPECT_EQ(*status, 0) << program_log("program.log");
    EXPECT_FALSE(process_alive(*sleeper));
    EXPECT_TRUE(watch.left_behind().empty()) << watch.describe();
    EXPECT_EQ(read_file(run_ / "Config.ini"), config_after_start());
}

TEST_F(RealProgram, a_second_copy_exits_at_once_and_leaves_config_ini_alone) {
    auto first = start("first.log");
    const auto sleeper = wait_for_the_slow_command(*first);
    ASSERT_TRUE(sleeper) << program_log("first.log");
    const std::string config = read_file(run_ / "Config.ini");
    const ino_t inode = config_inode();
    EXPECT_EQ(config, config_after_start());

    for (int round = 0; round < 20; ++round) {
        auto second = start("second.log");
        const auto status = second->wait_for_exit(seconds(60));
        ASSERT_TRUE(status) << "round " << round << ": the second copy kept running";
        EXPECT_EQ(*status, 0) << "round " << round << "\n" << program_log("second.log");
        EXPECT_EQ(read_file(run_ / "Config.ini"), config) << "round " << round;
        EXPECT_EQ(config_inode(), inode) << "round " << round << ": Config.ini was rewritten";
    }
    // The first copy runs on, still in its command.
    EXPECT_FALSE(first->wait_for_exit(std::chrono::milliseconds(0)));
    EXPECT_TRUE(process_alive(*sleeper));

    ASSERT_TRUE(first->signal(SIGTERM));
    EXPECT_TRUE(first->wait_for_exit(seconds(30)));
}

}  // namespace
}  // namespace vx::test
