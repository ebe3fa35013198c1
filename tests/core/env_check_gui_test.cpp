// The environment check and first load on a real virtual environment: the
// interpreter's answer, pip.conf seeding, pip's presence, the core upgrade
// when pip asks for it, and what a broken interpreter shows.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/config_file.hpp"
#include "tests/support/package_index.hpp"
#include "tests/support/program_fixture.hpp"
#include "tests/support/run_command.hpp"

namespace vx::test {
namespace {

bool contains(const std::vector<std::string>& items, const std::string& wanted) {
    return std::find(items.begin(), items.end(), wanted) != items.end();
}

TEST(EnvCheckGui, first_load_lists_the_environment_and_unlocks) {
    ProgramFixture program(
        {.config = "[com]\ny2=https://mirror.example/simple/\nn0=[当前]豆瓣源\n"});
    ASSERT_EQ(program.start(), core::StartupOutcome::ready);
    EXPECT_EQ(program.window().windowTitle().toStdString(),
              "Verdanex - " + program.run_dir_str() + "/Py/bin/");
    ASSERT_TRUE(program.wait_until_unlocked());

    EXPECT_EQ(program.status(0), " 加载 [已安装] 包 完成 OK ...");
    EXPECT_TRUE(program.status(3).starts_with("Python 3.")) << program.status(3);
    EXPECT_EQ(program.status(2), "pip [当前]豆瓣源");
    const auto names = program.listed_names();
    EXPECT_TRUE(contains(names, "pip"));
    EXPECT_EQ(names.size(), program.py()->pip_list_names().size());
    // The hidden column holds the version pip reported.
    auto* list = program.find<QTreeWidget>("列表框");
    const auto pip_rows = list->findItems("pip", Qt::MatchExactly, 0);
    ASSERT_EQ(pip_rows.size(), 1);
    EXPECT_EQ(pip_rows.front()->text(1).toStdString(), *program.py()->installed_version("pip"));

    // A user without pip configuration gets one with the second mirror.
    const std::string seeded = read_file(program.pip_environment().user_pip_conf());
    EXPECT_EQ(seeded, "[global]\nindex-url=https://mirror.example/simple/\n");
}

TEST(EnvCheckGui, an_existing_pip_configuration_is_never_touched) {
    struct Row {
        const char* name;
        bool legacy;  // $HOME/.pip/pip.conf instead of the XDG one
    };
    for (const Row row : {Row{"xdg file", false}, Row{"legacy file", true}}) {
        ProgramFixture program({.config = "[com]\ny2=https://mirror.example/simple/\n"});
        const auto existing = row.legacy ? program.pip_environment().home() / ".pip" / "pip.conf"
                                         : program.pip_environment().user_pip_conf();
        write_file(existing, "[global]\ntimeout = 5\n");
        program.start();
        ASSERT_TRUE(program.wait_until_unlocked()) << row.name;
        EXPECT_EQ(read_file(existing), "[global]\ntimeout = 5\n") << row.name;
        EXPECT_EQ(std::filesystem::exists(program.pip_environment().user_pip_conf()), !row.legacy)
            << row.name;
    }
}

TEST(EnvCheckGui, missing_pip_in_py_shows_the_pip_message) {
    ProgramFixture program;
    std::filesystem::remove(program.py()->root() / "bin" / "pip");
    program.start();
    ASSERT_TRUE(wait_until([&] { return program.visible("err"); }));
    EXPECT_EQ(program.text_of("err"),
              "Pip 异常, 请关闭软件 先运行【Quillomar】\n或 设置其它Python目录");
    EXPECT_EQ(program.status(0), " 检查 pip 包管理工具 ...");
    EXPECT_TRUE(program.status(3).starts_with("Python 3."));
    EXPECT_TRUE(program.visible("选择"));
    EXPECT_FALSE(program.unlocked());
    EXPECT_TRUE(program.listed_names().empty());
}

TEST(EnvCheckGui, an_interpreter_without_pip_shows_pip_s_words_in_the_error_not_in_the_list) {
    TempDir other("vx-nopip");
    const auto venv = run_command({PythonEnv::base_interpreter(), "-m", "venv", "--without-pip",
                                   (other.path() / "env").string()});
    ASSERT_TRUE(venv.ok()) << venv.output;
    const std::string dir = (other.path() / "env" / "bin").string() + "/";
    ProgramFixture program({.with_py = false, .config = "[com]\nsel=2\nr2=" + dir + "\n"});
    program.start();
    ASSERT_TRUE(wait_until([&] { return program.visible("err"); }));
    const std::string error = program.text_of("err");
    EXPECT_TRUE(
        error.starts_with("Pip 异常, 请关闭软件 先运行【Quillomar】\n或 设置其它Python目录\n"))
        << error;
    EXPECT_NE(error.find("No module named pip"), std::string::npos) << error;
    EXPECT_TRUE(program.listed_names().empty());
    EXPECT_FALSE(program.unlocked());
}

TEST(EnvCheckGui, pip_s_upgrade_notice_brings_the_core_packages_up_to_date) {
    PackageIndex index;
    const auto upgrades = index.add_core_upgrade_wheels();
    if (!upgrades) {
        GTEST_SKIP() << "no pip newer than the environment's exists on this machine";
    }
    ProgramFixture program({.pip = index.pip_settings(/*version_check=*/true)});
    const std::string old_pip = *program.py()->installed_version("pip");
    ASSERT_NE(old_pip, upgrades->pip_version);
    program.start();
    ASSERT_TRUE(program.wait_until_unlocked(std::chrono::minutes(5)));

    EXPECT_EQ(*program.py()->installed_version("pip"), upgrades->pip_version);
    auto* list = program.find<QTreeWidget>("列表框");
    const auto pip_rows = list->findItems("pip", Qt::MatchExactly, 0);
    ASSERT_EQ(pip_rows.size(), 1);
    EXPECT_EQ(pip_rows.front()->text(1).toStdString(), upgrades->pip_version);
    if (!upgrades->wheel_version.empty()) {
        EXPECT_EQ(program.py()->installed_version("wheel"), upgrades->wheel_version);
    }
    const auto requests = index.requests();
    for (const char* package : {"/simple/pip/", "/simple/setuptools/", "/simple/wheel/"}) {
        EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), [&](const std::string& r) {
            return r.find(package) != std::string::npos;
        })) << package;
    }
}

}  // namespace
}  // namespace vx::test
