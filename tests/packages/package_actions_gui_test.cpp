// Lookup, install, update and uninstall end to end: the real window, a real
// environment, real pip, and the local index over HTTPS.
#include <gtest/gtest.h>

#include <QTest>

#include <algorithm>

#include "tests/support/package_index.hpp"
#include "tests/support/program_fixture.hpp"

namespace vx::test {
namespace {

const QColor pink(255, 128, 192);
const QColor green(0, 128, 0);

class PackageActionsGui : public ::testing::Test {
protected:
    static void SetUpTestSuite() { index_ = new PackageIndex(); }
    static void TearDownTestSuite() {
        delete index_;
        index_ = nullptr;
    }

    void SetUp() override {
        program_ = std::make_unique<ProgramFixture>(ProgramOptions{
            .config = "[com]\ninfo_host=" + index_->host() + "\n", .pip = index_->pip_settings()});
        ASSERT_EQ(program_->start(), core::StartupOutcome::ready);
        ASSERT_TRUE(program_->wait_until_unlocked());
    }

    ProgramFixture& program() { return *program_; }

    // Types the name into n, clicks 搜 索 and waits for the lookup to end.
    void search(const std::string& name) {
        program().find<QLineEdit>("n")->setText(QString::fromStdString(name));
        program().find<QPushButton>("ss")->click();
        ASSERT_TRUE(wait_until([&] { return program().unlocked(); }));
    }

    void click_listed(const std::string& name) {
        auto* list = program().find<QTreeWidget>("列表框");
        const auto rows = list->findItems(QString::fromStdString(name), Qt::MatchExactly, 0);
        ASSERT_EQ(rows.size(), 1) << name;
        list->scrollToItem(rows.front());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(rows.front()).center());
        ASSERT_TRUE(wait_until([&] { return program().visible("mn") && program().unlocked(); }));
    }

    // Clicks a panel button, answering its confirmation, and waits for the reload.
    void click_and_confirm(const char* button, bool answer = true) {
        program().prompter().confirm_answers.push_back(answer);
        program().find<QPushButton>(button)->click();
        if (answer) {
            ASSERT_TRUE(wait_until([&] {
                return program().status(0) == " 重新 加载 [已安装] 包 完成 OK ..." &&
                       program().unlocked();
            }));
        }
    }

    QColor mark_colour() {
        return program().find<QLabel>("mv")->palette().color(QPalette::WindowText);
    }

    bool listed(const std::string& name) {
        const auto names = program().listed_names();
        return std::find(names.begin(), names.end(), name) != names.end();
    }

    static PackageIndex* index_;
    std::unique_ptr<ProgramFixture> program_;
};

PackageIndex* PackageActionsGui::index_ = nullptr;

TEST_F(PackageActionsGui, install_update_and_uninstall_a_package) {
    search("VxDemo");
    EXPECT_EQ(program().text_of("mn"), "vxdemo");
    EXPECT_EQ(program().text_of("mv"), "[未安装]");
    EXPECT_EQ(mark_colour(), pink);
    EXPECT_EQ(program().text_of("安装"), "安 装");
    EXPECT_EQ(program().text_of("var"), "2.0");
    EXPECT_TRUE(program().enabled("安装"));
    EXPECT_FALSE(program().enabled("卸载"));
    EXPECT_TRUE(program().text_of("minfo").starts_with("最新版本: 2.0\n更新时间: "));
    EXPECT_EQ(program().status(0), " 获取 vxdemo 信息 完成 OK ...");

    program().find<QLineEdit>("var")->setText("1.0");
    click_and_confirm("安装");
    EXPECT_EQ(program().prompter().confirmations.back(), "点击 [确认] 开始 安装 vxdemo 版本: 1.0");
    EXPECT_TRUE(listed("vxdemo"));
    EXPECT_EQ(program().py()->installed_version("vxdemo"), "1.0");
    EXPECT_FALSE(program().visible("mn"));
    EXPECT_EQ(program().text_of("n"), "");
    EXPECT_TRUE(program().prompter().failures.empty());

    search("vxdemo");
    EXPECT_EQ(program().text_of("mv"), "[已安装] 版本: 1.0");
    EXPECT_EQ(mark_colour(), green);
    EXPECT_EQ(program().text_of("安装"), "更 新");
    EXPECT_TRUE(program().enabled("安装"));
    EXPECT_TRUE(program().enabled("卸载"));
    click_and_confirm("安装");
    EXPECT_EQ(program().prompter().confirmations.back(), "点击 [确认] 开始 更新 vxdemo 版本: 2.0");
    EXPECT_EQ(program().py()->installed_version("vxdemo"), "2.0");

    click_listed("vxdemo");
    EXPECT_EQ(program().text_of("mv"), "[已安装] 版本: 2.0");
    EXPECT_EQ(program().text_of("安装"), "更 新");
    click_and_confirm("卸载");
    EXPECT_EQ(program().prompter().confirmations.back(), "确认卸载吗?  删除 vxdemo 版本: 2.0");
    EXPECT_FALSE(listed("vxdemo"));
    EXPECT_FALSE(program().py()->installed_version("vxdemo"));
}

TEST_F(PackageActionsGui, updating_to_the_installed_version_asks_whether_to_go_on) {
    ASSERT_TRUE(program().py()->pip({"install", "vxdemo==2.0"}).ok());
    program().controller().state().set_installed_lines({"vxdemo 2.0"});
    search("vxdemo");
    program().prompter().confirm_answers.push_back(false);
    const std::string status_before = program().status(0);
    program().find<QPushButton>("安装")->click();
    EXPECT_EQ(program().prompter().confirmations.back(),
              "[已是最新版]  确认还要继续吗?  更新 vxdemo 版本: 2.0");
    // Cancel: nothing runs, nothing changes.
    EXPECT_EQ(program().status(0), status_before);
    EXPECT_TRUE(program().unlocked());
    EXPECT_TRUE(program().visible("mn"));
}

TEST_F(PackageActionsGui, core_packages_can_never_be_uninstalled_from_the_panel) {
    for (const char* name : {"pip", "setuptools"}) {
        click_listed(name);
        EXPECT_TRUE(program().text_of("mv").starts_with("[已安装] 版本: ")) << name;
        EXPECT_FALSE(program().enabled("卸载")) << name;
    }
    search("PIP");
    EXPECT_FALSE(program().enabled("卸载"));
}

TEST_F(PackageActionsGui, an_unknown_name_shows_the_not_found_panel) {
    search("nosuchpackage");
    EXPECT_EQ(program().text_of("minfo"), "此包不存在, 请重新输入并搜索 ...");
    EXPECT_EQ(program().text_of("mv"), "[未安装]");
    EXPECT_EQ(program().text_of("var"), "");
    EXPECT_FALSE(program().enabled("安装"));
    EXPECT_FALSE(program().enabled("卸载"));
    EXPECT_EQ(program().status(0), " 获取 nosuchpackage 信息 完成 OK ...");
}

TEST_F(PackageActionsGui, an_empty_search_does_nothing) {
    const std::string status_before = program().status(0);
    program().find<QPushButton>("ss")->click();
    EXPECT_EQ(program().status(0), status_before);
    EXPECT_TRUE(program().unlocked());
}

TEST_F(PackageActionsGui, a_failed_install_is_reported_with_pip_s_words) {
    search("vxbroken");
    click_and_confirm("安装");
    ASSERT_EQ(program().prompter().failures.size(), 1u);
    EXPECT_EQ(program().prompter().failures[0].first, "安装 vxbroken 包 失败, pip 的输出如下:");
    EXPECT_NE(program().prompter().failures[0].second.find("vxmissing"), std::string::npos);
    EXPECT_FALSE(listed("vxbroken"));

    search("vxdemo");
    program().find<QLineEdit>("var")->setText("9.9");
    click_and_confirm("安装");
    ASSERT_EQ(program().prompter().failures.size(), 2u);
    EXPECT_FALSE(program().py()->installed_version("vxdemo"));
}

TEST_F(PackageActionsGui, shell_metacharacters_never_reach_a_shell) {
    const auto canary = program().run_dir().path() / "canary";
    const std::string touch = "touch " + canary.string();
    search("vxdemo");
    for (const std::string& version :
         std::vector<std::string>{"1.0;" + touch, "1.0$(" + touch + ")", "1.0`" + touch + "`",
                                  "1.0' ; " + touch + " '", "1.0\n" + touch}) {
        program().find<QLineEdit>("var")->setText(QString::fromStdString(version));
        program().find<QPushButton>("安装")->click();
        EXPECT_EQ(program().prompter().informations.back(),
                  "版本号无效: 只能包含字母、数字和 . + ! * _ -");
    }
    EXPECT_TRUE(program().prompter().confirmations.empty());
    for (const std::string& name :
         std::vector<std::string>{"vxdemo;" + touch, "$(" + touch + ")", "vx`" + touch + "`"}) {
        search(name);
        EXPECT_EQ(program().text_of("minfo"), "此包不存在, 请重新输入并搜索 ...") << name;
    }
    EXPECT_FALSE(std::filesystem::exists(canary));
}

TEST(PackageLookupGui, a_failed_request_leaves_the_version_empty_and_install_disabled) {
    // Nothing listens on the index port any more.
    std::string host;
    {
        PackageIndex gone;
        host = gone.host();
    }
    ProgramFixture program({.config = "[com]\ninfo_host=" + host + "\n"});
    program.start();
    ASSERT_TRUE(program.wait_until_unlocked());
    program.find<QLineEdit>("n")->setText("vxdemo");
    program.find<QPushButton>("ss")->click();
    ASSERT_TRUE(wait_until([&] { return program.visible("mn") && program.unlocked(); }));
    EXPECT_EQ(program.text_of("var"), "");
    EXPECT_FALSE(program.enabled("安装"));
    EXPECT_TRUE(program.text_of("minfo").starts_with("最新版本: \n更新时间: "));
}

}  // namespace
}  // namespace vx::test
