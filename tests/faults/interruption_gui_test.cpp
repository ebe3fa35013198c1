// Operations cut short from outside: pip killed in the middle of an install,
// and the window closed in the middle of an install and of a lookup. The
// window ends unlocked (or closed), no process is left behind, Config.ini
// stays as it was.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>

#include "core/shell_runner.hpp"
#include "tests/faults/fault_checks.hpp"
#include "tests/support/package_index.hpp"
#include "tests/support/program_fixture.hpp"

namespace vx::test {
namespace {

class InterruptionGui : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        adopt_orphans();
        index_ = new PackageIndex();
    }
    static void TearDownTestSuite() {
        delete index_;
        index_ = nullptr;
    }

    void SetUp() override {
        index_->set_faults({});
        program_ = std::make_unique<ProgramFixture>(ProgramOptions{
            .config = "[com]\ninfo_host=" + index_->host() + "\n", .pip = index_->pip_settings()});
        ASSERT_EQ(program_->start(), core::StartupOutcome::ready);
        ASSERT_TRUE(program_->wait_until_unlocked());
        config_before_ = read_file(program_->config_path());
    }
    void TearDown() override { index_->set_faults({}); }

    ProgramFixture& program() { return *program_; }

    void search(const std::string& name) {
        program().find<QLineEdit>("n")->setText(QString::fromStdString(name));
        program().find<QPushButton>("ss")->click();
        ASSERT_TRUE(wait_until([&] { return program().visible("mn") && program().unlocked(); }));
    }

    static bool index_was_asked_for(const std::string& path) {
        const auto requests = index_->requests();
        return std::any_of(requests.begin(), requests.end(), [&](const std::string& line) {
            return line.find(path) != std::string::npos;
        });
    }

    // Starts installing vxdemo against an index that answers only after a
    // minute, and waits until pip waits for the download.
    void start_a_slow_install() {
        search("vxdemo");
        index_->set_faults({.delay_seconds = 60});
        program().prompter().confirm_answers.push_back(true);
        program().find<QPushButton>("安装")->click();
        ASSERT_TRUE(wait_until([&] {
            return find_descendant(getpid(), {pip_words}) && index_was_asked_for("/simple/vxdemo/");
        })) << "pip never asked the index for vxdemo";
    }

    // pip's own command line; the shell's holds the requirement in quotes.
    static constexpr const char* pip_words = "-m pip install vxdemo==2.0";

    static PackageIndex* index_;
    std::unique_ptr<ProgramFixture> program_;
    std::string config_before_;
};

PackageIndex* InterruptionGui::index_ = nullptr;

TEST_F(InterruptionGui, a_killed_install_shows_the_failure_reloads_and_leaves_no_pip) {
    struct Row {
        const char* name;
        std::vector<std::string> victim;  // pieces of the command line of the process killed
    };
    const Row rows[] = {
        {"pip killed", {pip_words}},
        // pip outlives its shell unless the runner ends it.
        {"the shell of the command killed", {"sh -c", "'vxdemo==2.0'"}},
    };
    for (const Row& row : rows) {
        const ChildWatch watch;
        const std::size_t failures_before = program().prompter().failures.size();
        start_a_slow_install();
        const auto victim = find_descendant(getpid(), row.victim);
        ASSERT_TRUE(victim) << row.name;
        ASSERT_EQ(kill(*victim, SIGKILL), 0) << row.name;

        ASSERT_TRUE(wait_until([&] {
            return program().status(0) == " 重新 加载 [已安装] 包 完成 OK ..." &&
                   program().unlocked();
        })) << row.name
            << ": " << program().status(0);
        ASSERT_EQ(program().prompter().failures.size(), failures_before + 1) << row.name;
        EXPECT_EQ(program().prompter().failures.back().first,
                  "安装 vxdemo 包 失败, pip 的输出如下:")
            << row.name;
        const auto names = program().listed_names();
        EXPECT_NE(std::find(names.begin(), names.end(), "pip"), names.end()) << row.name;
        EXPECT_EQ(std::find(names.begin(), names.end(), "vxdemo"), names.end()) << row.name;
        // Nothing is left by the time the list is back: a stray pip would only
        // end by chance, on its next write to the broken pipe.
        EXPECT_TRUE(watch.left_behind().empty()) << row.name << "\n" << watch.describe();
        EXPECT_EQ(read_file(program().config_path()), config_before_) << row.name;
        index_->set_faults({});
        EXPECT_FALSE(program().py()->installed_version("vxdemo")) << row.name;
    }

    // The window works on: the same install goes through once the index answers.
    search("vxdemo");
    program().prompter().confirm_answers.push_back(true);
    program().find<QPushButton>("安装")->click();
    ASSERT_TRUE(wait_until([&] {
        return program().status(0) == " 重新 加载 [已安装] 包 完成 OK ..." && program().unlocked();
    }));
    EXPECT_EQ(program().py()->installed_version("vxdemo"), "2.0");
}

TEST_F(InterruptionGui, closing_the_window_mid_install_ends_pip_and_the_worker) {
    const ChildWatch watch;
    start_a_slow_install();

    program().controller().shut_down();
    program().window().close();
    EXPECT_FALSE(program().window().isVisible());
    EXPECT_TRUE(watch.wait_until_clean()) << watch.describe();
    EXPECT_TRUE(program().controller().wait_for_workers(std::chrono::seconds(30)));
    EXPECT_TRUE(watch.left_behind().empty()) << watch.describe();
    EXPECT_FALSE(program().py()->installed_version("vxdemo"));
    EXPECT_EQ(read_file(program().config_path()), config_before_);
}

TEST_F(InterruptionGui, closing_the_window_mid_lookup_leaves_nothing_behind) {
    const ChildWatch watch;
    index_->set_faults({.hang = true});
    program().find<QLineEdit>("n")->setText("vxdemo");
    program().find<QPushButton>("ss")->click();
    ASSERT_TRUE(wait_until([] { return index_was_asked_for("/pypi/web/pypi/vxdemo/json"); }));

    program().controller().shut_down();
    program().window().close();
    EXPECT_FALSE(program().window().isVisible());
    EXPECT_TRUE(watch.left_behind().empty()) << watch.describe();
    // The lookup has no process to end; it ends by its own limit on silence.
    EXPECT_TRUE(program().controller().wait_for_workers(std::chrono::seconds(90)));
    EXPECT_TRUE(watch.left_behind().empty()) << watch.describe();
    EXPECT_EQ(read_file(program().config_path()), config_before_);
}

TEST(InterruptedCommand, a_shell_killed_mid_command_takes_its_command_along) {
    adopt_orphans();
    const ChildWatch watch;
    core::ShellRunner runner("/");
    // The command's process still holds the output pipe when its shell dies.
    const core::CommandResult result = runner.run_here("sleep 600 & echo $!; kill -KILL $$");
    EXPECT_EQ(result.exit_status, 128 + SIGKILL);
    const int sleeper = std::stoi(result.output);
    EXPECT_FALSE(process_alive(sleeper));
    EXPECT_TRUE(watch.left_behind().empty()) << watch.describe();
}

}  // namespace
}  // namespace vx::test
