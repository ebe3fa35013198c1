// The interpreter chooser window on a controlled search path: rows, keys,
// sel, and the program ending and starting again on the chosen directory.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include "chooser/ui/chooser_window.hpp"
#include "core/config_file.hpp"
#include "tests/support/program_fixture.hpp"

namespace vx::test {
namespace {

// A folder holding an executable file named name that prints nothing.
std::string make_fake_interpreter(const TempDir& base, const std::string& folder,
                                  const std::string& name) {
    const auto dir = base.path() / folder;
    std::filesystem::create_directories(dir);
    write_file(dir / name, "#!/bin/sh\nexit 0\n");
    std::filesystem::permissions(dir / name, std::filesystem::perms::owner_all);
    return dir.string();
}

// A search path holding only the given folders and the "which" command itself.
std::string search_path(const TempDir& base, const std::vector<std::string>& folders) {
    const auto tools = base.path() / "tools";
    std::filesystem::create_directories(tools);
    std::filesystem::create_symlink("/usr/bin/which", tools / "which");
    std::string path;
    for (const auto& folder : folders) {
        path += folder + ":";
    }
    return path + tools.string();
}

chooser::ChooserWindow* open_chooser(ProgramFixture& program) {
    program.find<QPushButton>("选择")->click();
    return program.controller().chooser_window();
}

std::vector<std::string> rows_of(chooser::ChooserWindow* chooser) {
    std::vector<std::string> rows;
    auto* list = chooser->findChild<QTreeWidget*>("列表框");
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        rows.push_back(list->topLevelItem(row)->text(0).toStdString());
    }
    return rows;
}

void choose_row(chooser::ChooserWindow* chooser, int row) {
    auto* list = chooser->findChild<QTreeWidget*>("列表框");
    list->setCurrentItem(list->topLevelItem(row));
    chooser->findChild<QPushButton*>("选择1")->click();
}

TEST(ChooserGui, rows_skip_windows_apps_and_the_last_row_writes_r3) {
    TempDir paths("vx-path");
    const std::string first = make_fake_interpreter(paths, "first", "python");
    const std::string store = make_fake_interpreter(paths, "WindowsApps", "python");
    const std::string second = make_fake_interpreter(paths, "second", "python3");
    ScopedEnv path("PATH", search_path(paths, {first, store, second}));

    ProgramFixture program({.with_py = false, .config = "[com]\nsel=0\n"});
    program.start();  // no Py: the error shows the chooser button
    auto* chooser = open_chooser(program);
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->windowTitle().toStdString(), "选择Python目录");
    EXPECT_EQ(rows_of(chooser), (std::vector<std::string>{program.run_dir_str() + "/Py/bin/python",
                                                          first + "/python", second + "/python3"}));
    core::ConfigFile config(program.config_path().string());
    EXPECT_EQ(config.read_config_value("sel"), "1");
    EXPECT_EQ(chooser->findChild<QLabel*>("当前")->text().toStdString(),
              program.run_dir_str() + "/Py/bin/python");

    QSignalSpy ended(&program.controller(), &ui::MainController::program_should_end);
    choose_row(chooser, 2);
    EXPECT_EQ(config.read_config_value("r3"), second + "/");
    EXPECT_EQ(config.read_config_value("sel"), "3");
    EXPECT_EQ(program.prompter().informations,
              std::vector<std::string>{"设置完成 点击 [确认] 退出软件, 重新打开"});
    EXPECT_EQ(ended.count(), 1);
}

TEST(ChooserGui, no_selection_stores_nothing) {
    ScopedEnv path("PATH", "/usr/bin:/bin");
    ProgramFixture program({.with_py = false, .config = "[com]\nsel=\n"});
    program.start();
    auto* chooser = open_chooser(program);
    const std::string before = read_file(program.config_path());
    chooser->findChild<QPushButton*>("选择1")->click();
    EXPECT_EQ(read_file(program.config_path()), before);
    EXPECT_TRUE(program.prompter().informations.empty());
}

TEST(ChooserGui, the_next_start_works_in_the_chosen_directory) {
    TempDir base("vx-other");
    PythonEnv other(base.path() / "env");
    ScopedEnv path("PATH", search_path(base, {(other.root() / "bin").string()}));
    std::string chosen_dir;
    {
        ProgramFixture program({.with_py = false});
        program.start();
        auto* chooser = open_chooser(program);
        const auto rows = rows_of(chooser);
        ASSERT_GE(rows.size(), 2u);
        EXPECT_EQ(rows[1], other.bin_dir() + "python");
        choose_row(chooser, 1);
        chosen_dir = core::ConfigFile(program.config_path().string()).read_config_value("r2");
        EXPECT_EQ(chosen_dir, other.bin_dir());

        // The program starts again in the same run folder, on the chosen interpreter.
        program.stop();
        program.start();
        EXPECT_EQ(program.window().windowTitle().toStdString(), "Verdanex - " + chosen_dir);
        ASSERT_TRUE(program.wait_until_unlocked());
        const auto names = program.listed_names();
        EXPECT_NE(std::find(names.begin(), names.end(), "pip"), names.end());
        EXPECT_EQ(program.status(0), " 加载 [已安装] 包 完成 OK ...");
    }
}

}  // namespace
}  // namespace vx::test
