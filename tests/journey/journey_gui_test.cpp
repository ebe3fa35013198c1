// One user's whole journey through the real windows, against a real
// environment and the local index: each step asserts what the user sees.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include "chooser/ui/chooser_window.hpp"
#include "core/config_file.hpp"
#include "tests/support/package_index.hpp"
#include "tests/support/program_fixture.hpp"

namespace vx::test {
namespace {

using Names = std::vector<std::string>;

class Journey {
public:
    explicit Journey(ProgramFixture& program) : program_(program) {}

    void search(const std::string& name) {
        program_.find<QLineEdit>("n")->setText(QString::fromStdString(name));
        QTest::keyClick(program_.find<QLineEdit>("n"), Qt::Key_Return);
        ASSERT_TRUE(wait_until([&] { return program_.visible("mn") && program_.unlocked(); }));
    }

    void click_listed(const std::string& name) {
        auto* list = program_.find<QTreeWidget>("列表框");
        const auto rows = list->findItems(QString::fromStdString(name), Qt::MatchExactly, 0);
        ASSERT_EQ(rows.size(), 1) << name;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(rows.front()).center());
        ASSERT_TRUE(wait_until([&] { return program_.visible("mn") && program_.unlocked(); }));
    }

    void confirm_and_wait(const char* button) {
        program_.prompter().confirm_answers.push_back(true);
        program_.find<QPushButton>(button)->click();
        wait_for_reload();
    }

    void wait_for_reload() {
        ASSERT_TRUE(wait_until([&] {
            return program_.status(0) == " 重新 加载 [已安装] 包 完成 OK ..." &&
                   program_.unlocked();
        }));
    }

    void menu(const char* entry) {
        for (QAction* action : program_.window().popup_menu()->actions()) {
            if (action->text() == QString::fromUtf8(entry)) {
                action->trigger();
                return;
            }
        }
        FAIL() << "no menu entry " << entry;
    }

    bool listed(const std::string& name) {
        const auto names = program_.listed_names();
        return std::find(names.begin(), names.end(), name) != names.end();
    }

private:
    ProgramFixture& program_;
};

TEST(JourneyGui, from_first_start_to_a_restart_on_the_chosen_interpreter) {
    PackageIndex index;
    ProgramFixture program({.config = "[com]\nn1=PyPI源\ny1=" + index.simple_url() +
                                      "\ninfo_host=" + index.host() + "\n",
                            .pip = index.pip_settings()});
    Journey user(program);
    const auto failures = [&] { return program.prompter().failures.size(); };

    // Start: the environment is checked and the list loads.
    ASSERT_EQ(program.start(), core::StartupOutcome::ready);
    ASSERT_TRUE(program.wait_until_unlocked());
    EXPECT_EQ(program.status(0), " 加载 [已安装] 包 完成 OK ...");
    EXPECT_TRUE(user.listed("pip"));

    // Filter.
    QTest::keyClicks(program.find<QLineEdit>("name"), "PI");
    EXPECT_EQ(program.listed_names(), Names{"pip"});
    program.find<QLineEdit>("name")->clear();
    EXPECT_TRUE(user.listed("setuptools"));

    // An unknown name.
    user.search("nothing-here");
    EXPECT_EQ(program.text_of("minfo"), "此包不存在, 请重新输入并搜索 ...");
    EXPECT_FALSE(program.enabled("安装"));

    // A package: look it up, install 1.0, update to 2.0.
    user.search("vxdemo");
    EXPECT_EQ(program.text_of("mv"), "[未安装]");
    EXPECT_EQ(program.text_of("安装"), "安 装");
    program.find<QLineEdit>("var")->setText("1.0");
    user.confirm_and_wait("安装");
    EXPECT_TRUE(user.listed("vxdemo"));
    user.search("vxdemo");
    EXPECT_EQ(program.text_of("mv"), "[已安装] 版本: 1.0");
    EXPECT_EQ(program.text_of("安装"), "更 新");
    user.confirm_and_wait("安装");
    EXPECT_EQ(program.py()->installed_version("vxdemo"), "2.0");

    // Uninstall from a click in the list.
    user.click_listed("vxdemo");
    EXPECT_EQ(program.text_of("mv"), "[已安装] 版本: 2.0");
    user.confirm_and_wait("卸载");
    EXPECT_FALSE(user.listed("vxdemo"));

    // Export, then import into the environment, then batch uninstall.
    ASSERT_TRUE(program.py()->pip({"install", "vxapp"}).ok());
    const std::string requirements = program.run_dir_str() + "/requirements.txt";
    program.prompter().file_answers.push_back(requirements);
    user.menu("导 出");
    EXPECT_EQ(program.status(0), " [Pip] 导出 requirements 完成 OK ...");
    EXPECT_NE(read_file(requirements).find("vxapp==1.0"), std::string::npos);
    ASSERT_TRUE(program.py()->pip({"uninstall", "-y", "vxapp", "vxdemo"}).ok());
    program.prompter().file_answers.push_back(requirements);
    user.menu("导 入");
    user.wait_for_reload();
    EXPECT_TRUE(user.listed("vxapp"));
    EXPECT_TRUE(user.listed("vxdemo"));
    program.prompter().file_answers.push_back(requirements);
    user.menu("批量卸载");
    user.wait_for_reload();
    EXPECT_FALSE(user.listed("vxapp"));
    EXPECT_FALSE(user.listed("vxdemo"));

    // Switch the mirror.
    user.menu("PyPI源");
    EXPECT_EQ(program.status(2), "pip [当前]PyPI源");
    EXPECT_EQ(program.py()->pip({"config", "get", "global.index-url"}).output,
              index.simple_url() + "\n");
    EXPECT_EQ(failures(), 0u);

    // The chooser: pick row 0; the program ends after the message.
    QSignalSpy ended(&program.controller(), &ui::MainController::program_should_end);
    user.menu("选择Python目录");
    auto* chooser = program.controller().chooser_window();
    ASSERT_NE(chooser, nullptr);
    auto* rows = chooser->findChild<QTreeWidget*>("列表框");
    ASSERT_GE(rows->topLevelItemCount(), 1);
    EXPECT_EQ(rows->topLevelItem(0)->text(0).toStdString(),
              program.run_dir_str() + "/Py/bin/python");
    rows->setCurrentItem(rows->topLevelItem(0));
    chooser->findChild<QPushButton*>("选择1")->click();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(program.prompter().informations.back(), "设置完成 点击 [确认] 退出软件, 重新打开");
    core::ConfigFile config(program.config_path().string());
    EXPECT_EQ(config.read_config_value("sel"), "1");

    // Restart on the chosen directory.
    program.stop();
    ASSERT_EQ(program.start(), core::StartupOutcome::ready);
    EXPECT_EQ(program.window().windowTitle().toStdString(),
              "Verdanex - " + program.run_dir_str() + "/Py/bin/");
    ASSERT_TRUE(program.wait_until_unlocked());
    EXPECT_EQ(program.status(2), "pip [当前]PyPI源");
    EXPECT_TRUE(user.listed("pip"));
}

}  // namespace
}  // namespace vx::test
