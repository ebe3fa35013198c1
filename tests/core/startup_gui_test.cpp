// The start-up on the real main window: Config.ini normalisation, the default
// Python directory check, a second copy, and the interface routines.
#include <gtest/gtest.h>

#include "core/env_check.hpp"
#include "core/startup.hpp"
#include "core/ui/mask_widget.hpp"
#include "platform/single_instance.hpp"
#include "tests/support/program_fixture.hpp"

namespace vx::test {
namespace {

using core::StartupOutcome;

TEST(StartupGui, missing_py_shows_the_py_message_with_the_chooser_button) {
    ProgramFixture program({.with_py = false});
    EXPECT_EQ(program.start(), StartupOutcome::py_directory_faulty);
    EXPECT_TRUE(program.visible("err"));
    EXPECT_EQ(program.text_of("err"),
              "Py 目录异常, 请关闭软件 先运行【Quillomar】\n或 设置其它Python目录");
    EXPECT_TRUE(program.visible("选择"));
    EXPECT_TRUE(program.enabled("选择"));
    for (int pane = 0; pane < 4; ++pane) {
        EXPECT_EQ(program.status(pane), "") << pane;
    }
    EXPECT_FALSE(program.enabled("n"));
    EXPECT_EQ(program.window().windowTitle().toStdString(), "Verdanex");
    const std::string config = read_file(program.config_path());
    EXPECT_NE(config.find("r1=" + program.run_dir_str() + "/Py/bin/"), std::string::npos);
    EXPECT_NE(config.find("sel=1"), std::string::npos);
}

TEST(StartupGui, a_second_copy_closes_and_leaves_config_untouched) {
    ProgramFixture program({.with_py = false, .config = "[com]\nsel=0\nn1=PyPI源\n"});
    platform::SingleInstanceLock first_copy;
    ASSERT_TRUE(first_copy.acquire(std::string(core::single_instance_name)));
    const std::string before = read_file(program.config_path());
    EXPECT_EQ(program.start(), StartupOutcome::another_copy_running);
    EXPECT_FALSE(program.window().isVisible());
    EXPECT_EQ(read_file(program.config_path()), before);
}

TEST(StartupGui, sel_is_normalised_and_r1_rewritten) {
    struct Row {
        const char* name;
        std::string config;
        std::string expected_sel;
    };
    const Row rows[] = {
        {"absent", "[com]\nr1=/moved/away/Py/bin/\n", "1"},
        {"empty", "[com]\nsel=\n", "1"},
        {"zero", "[com]\nsel=0\n", "1"},
        {"kept", "[com]\nsel=2\nr2=/nowhere/\n", "2"},
        {"only exactly zero counts as zero", "[com]\nsel=00\n", "00"},
    };
    for (const auto& row : rows) {
        ProgramFixture program({.with_py = false, .config = row.config});
        program.start();
        core::ConfigFile config(program.config_path().string());
        EXPECT_EQ(config.read_config_value("sel"), row.expected_sel) << row.name;
        EXPECT_EQ(config.read_config_value("r1"), program.run_dir_str() + "/Py/bin/") << row.name;
    }
}

TEST(StartupGui, another_slot_skips_the_py_check_and_names_its_directory) {
    TempDir elsewhere("vx-no-python");
    const std::string dir = elsewhere.str() + "/";
    ProgramFixture program(
        {.with_py = false, .config = "[com]\nsel=2\nr2=" + dir + "\nn0=[当前]豆瓣源\n"});
    EXPECT_EQ(program.start(), StartupOutcome::ready);
    EXPECT_EQ(program.window().windowTitle().toStdString(), "Verdanex - " + dir);
    EXPECT_FALSE(program.status(1).empty());
    EXPECT_EQ(program.status(2), "pip [当前]豆瓣源");
    // No interpreter there: the check reports it and the window stays locked.
    EXPECT_TRUE(wait_until([&] { return program.visible("err"); }));
    EXPECT_EQ(program.text_of("err"),
              "Python was not found 【Python文件不存在】\n请 设置其它Python目录");
    EXPECT_EQ(program.status(0), " 获取 Python 解释器 版本 ...");
    EXPECT_EQ(program.status(3), "");
    EXPECT_FALSE(program.unlocked());
}

TEST(StartupGui, lock_unlock_and_hide_switch_the_real_controls) {
    ProgramFixture program({.with_py = false});
    program.start();
    ui::MainWindow& window = program.window();
    auto* mask = program.find<ui::MaskWidget>("遮罩");
    const char* locked_controls[] = {"name", "n", "ss", "s", "源选择框", "导入2", "导出2"};

    window.unlock_interface();
    EXPECT_FALSE(mask->blocking());
    for (const char* name : locked_controls)
        EXPECT_TRUE(program.enabled(name)) << name;

    window.lock_interface();
    EXPECT_TRUE(mask->blocking());
    EXPECT_EQ(mask->cursor().shape(), Qt::WaitCursor);
    for (const char* name : locked_controls)
        EXPECT_FALSE(program.enabled(name)) << name;

    window.show_info_panel();
    window.hide_info_panel();
    for (const char* name : {"mn", "mv", "minfo", "var", "var1", "安装", "卸载"}) {
        EXPECT_FALSE(program.visible(name)) << name;
    }
    for (const char* name : {"导入2", "导出2", "源选择框"}) {
        EXPECT_FALSE(program.visible(name)) << name;
    }
}

TEST(StartupGui, controls_without_text_have_accessible_names_and_tab_follows_the_top_row) {
    ProgramFixture program({.with_py = false});
    program.start();
    for (const char* name :
         {"name", "n", "s", "var", "mn", "mv", "minfo", "列表框", "遮罩", "err"}) {
        EXPECT_FALSE(program.find<QWidget>(name)->accessibleName().isEmpty()) << name;
    }
    for (const char* pane : {"pane0", "pane1", "pane2", "pane3"}) {
        EXPECT_FALSE(program.find<QWidget>(pane)->accessibleName().isEmpty()) << pane;
    }
    auto* filter = program.find<QWidget>("name");
    EXPECT_EQ(filter->nextInFocusChain(), program.find<QWidget>("n"));
    EXPECT_EQ(program.find<QWidget>("n")->nextInFocusChain(), program.find<QWidget>("ss"));
}

}  // namespace
}  // namespace vx::test
