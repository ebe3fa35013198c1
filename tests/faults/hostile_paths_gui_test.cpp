// The run folder and the Python folder named with blanks, quotes, "$",
// backticks and non-ASCII letters: the program starts, lists, installs and
// uninstalls there with real pip, and no name is ever run as a command.
#include <gtest/gtest.h>

#include <QTest>

#include <algorithm>

#include "core/config_file.hpp"
#include "tests/faults/fault_checks.hpp"
#include "tests/support/package_index.hpp"
#include "tests/support/program_fixture.hpp"

namespace vx::test {
namespace {

namespace fs = std::filesystem;

// Would make a "vxcanary" file if it ever reached a shell unquoted.
const std::string hostile_name =
    "sp ace 'single' \"double\" $HOME $(touch vxcanary) `touch vxcanary` ;& 包 é";

class HostilePathsGui : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        adopt_orphans();
        index_ = new PackageIndex();
    }
    static void TearDownTestSuite() {
        delete index_;
        index_ = nullptr;
    }

    static bool listed(ProgramFixture& program, const std::string& name) {
        const auto names = program.listed_names();
        return std::find(names.begin(), names.end(), name) != names.end();
    }

    static void wait_for_reload(ProgramFixture& program) {
        ASSERT_TRUE(wait_until([&] {
            return program.status(0) == " 重新 加载 [已安装] 包 完成 OK ..." && program.unlocked();
        })) << program.status(0);
    }

    static void install_and_uninstall(ProgramFixture& program, PythonEnv& py) {
        program.find<QLineEdit>("n")->setText("vxdemo");
        program.find<QPushButton>("ss")->click();
        ASSERT_TRUE(wait_until([&] { return program.visible("mn") && program.unlocked(); }));
        ASSERT_EQ(program.text_of("var"), "2.0");
        program.prompter().confirm_answers.push_back(true);
        program.find<QPushButton>("安装")->click();
        wait_for_reload(program);
        EXPECT_TRUE(listed(program, "vxdemo"));
        EXPECT_EQ(py.installed_version("vxdemo"), "2.0");

        auto* list = program.find<QTreeWidget>("列表框");
        const auto rows = list->findItems("vxdemo", Qt::MatchExactly, 0);
        ASSERT_EQ(rows.size(), 1);
        list->scrollToItem(rows.front());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(rows.front()).center());
        ASSERT_TRUE(wait_until([&] { return program.visible("mn") && program.unlocked(); }));
        program.prompter().confirm_answers.push_back(true);
        program.find<QPushButton>("卸载")->click();
        wait_for_reload(program);
        EXPECT_FALSE(listed(program, "vxdemo"));
        EXPECT_FALSE(py.installed_version("vxdemo"));
    }

    static PackageIndex* index_;
};

PackageIndex* HostilePathsGui::index_ = nullptr;

TEST_F(HostilePathsGui, the_program_works_in_folders_with_shell_characters_in_their_names) {
    struct Row {
        const char* name;
        bool own_py_folder;  // slot 2 in a folder of its own, else the run folder's Py
    };
    for (const Row row : {Row{"run folder", false}, Row{"Python folder", true}}) {
        const ChildWatch watch;
        TempDir base("vx-hostile");
        const fs::path hostile = base.path() / hostile_name;
        fs::create_directories(hostile);
        // Every temporary folder of the program below lands in the hostile
        // one: run folder, runtime folder, HOME and pip's folders.
        ScopedEnv tmpdir("TMPDIR", hostile.string());
        std::unique_ptr<PythonEnv> own_py;
        std::string config = "[com]\ninfo_host=" + index_->host() + "\n";
        if (row.own_py_folder) {
            own_py = std::make_unique<PythonEnv>(hostile / ("py " + hostile_name));
            config += "sel=2\nr2=" + own_py->bin_dir() + "\n";
        }
        ProgramFixture program(
            {.with_py = !row.own_py_folder, .config = config, .pip = index_->pip_settings()});
        PythonEnv& py = own_py ? *own_py : *program.py();
        ASSERT_NE(program.run_dir_str().find(hostile_name), std::string::npos);

        ASSERT_EQ(program.start(), core::StartupOutcome::ready) << row.name;
        ASSERT_TRUE(program.wait_until_unlocked()) << row.name << ": " << program.text_of("err");
        EXPECT_EQ(
            program.window().windowTitle().toStdString(),
            "Verdanex - " + (row.own_py_folder ? py.bin_dir() : program.run_dir_str() + "/Py/bin/"))
            << row.name;
        EXPECT_TRUE(program.status(3).starts_with("Python 3.")) << row.name;
        EXPECT_TRUE(listed(program, "pip")) << row.name;

        install_and_uninstall(program, py);

        const core::ConfigFile file(program.config_path().string());
        EXPECT_EQ(file.read_config_value("r1"), program.run_dir_str() + "/Py/bin/") << row.name;
        if (row.own_py_folder) {
            EXPECT_EQ(file.read_config_value("r2"), py.bin_dir()) << row.name;
        }
        EXPECT_TRUE(program.prompter().failures.empty()) << row.name;
        for (const auto& entry : fs::recursive_directory_iterator(base.path())) {
            EXPECT_NE(entry.path().filename(), "vxcanary") << row.name << ": " << entry.path();
        }
        EXPECT_FALSE(fs::exists(fs::current_path() / "vxcanary")) << row.name;
        program.stop();
        EXPECT_TRUE(watch.wait_until_clean()) << row.name << "\n" << watch.describe();
    }
}

}  // namespace
}  // namespace vx::test
