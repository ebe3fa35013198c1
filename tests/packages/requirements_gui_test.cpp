// Requirements export, import and batch uninstall, and the mirror switch, from
// the popup menu of the real window, with real pip against the local index.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include "core/config_file.hpp"
#include "tests/support/package_index.hpp"
#include "tests/support/program_fixture.hpp"

namespace vx::test {
namespace {

class RequirementsGui : public ::testing::Test {
protected:
    static void SetUpTestSuite() { index_ = new PackageIndex(); }
    static void TearDownTestSuite() {
        delete index_;
        index_ = nullptr;
    }

    std::unique_ptr<ProgramFixture> start_program(const std::string& extra_config = "") {
        auto program = std::make_unique<ProgramFixture>(
            ProgramOptions{.config = "[com]\n" + extra_config, .pip = index_->pip_settings()});
        EXPECT_EQ(program->start(), core::StartupOutcome::ready);
        EXPECT_TRUE(program->wait_until_unlocked());
        return program;
    }

    static void choose(ProgramFixture& program, const char* entry) {
        for (QAction* action : program.window().popup_menu()->actions()) {
            if (action->text() == QString::fromUtf8(entry)) {
                ASSERT_TRUE(action->isEnabled()) << entry;
                action->trigger();
                return;
            }
        }
        FAIL() << "no menu entry " << entry;
    }

    static bool wait_for_reload(ProgramFixture& program) {
        return wait_until([&] {
            return program.status(0) == " 重新 加载 [已安装] 包 完成 OK ..." && program.unlocked();
        });
    }

    static PackageIndex* index_;
};

PackageIndex* RequirementsGui::index_ = nullptr;

TEST_F(RequirementsGui, export_then_import_into_another_environment_gives_the_same_freeze) {
    TempDir files("vx-req");
    // A folder name that would run commands if it ever reached the shell unquoted.
    const auto folder = files.path() / "a b $(touch canary) `touch canary`; ' \" 包";
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "requirements.txt").string();

    std::string exported_freeze;
    {
        auto program = start_program();
        ASSERT_TRUE(program->py()->pip({"install", "vxapp"}).ok());
        exported_freeze = program->py()->pip_freeze();
        program->prompter().file_answers.push_back(path);
        choose(*program, "导 出");
        ASSERT_EQ(program->prompter().file_dialogs.size(), 1u);
        const auto& dialog = program->prompter().file_dialogs[0];
        EXPECT_EQ(dialog.kind, core::FileDialogSettings::Kind::save);
        EXPECT_EQ(dialog.title, "导出 requirements");
        EXPECT_EQ(dialog.initial_name, "requirements.txt");
        EXPECT_EQ(dialog.initial_folder, program->run_dir_str());
        EXPECT_EQ(program->status(0), " [Pip] 导出 requirements 完成 OK ...");
        EXPECT_EQ(read_file(path), exported_freeze);
        EXPECT_NE(exported_freeze.find("vxdemo==2.0"), std::string::npos);
    }
    auto program = start_program();
    program->prompter().file_answers.push_back(path);
    choose(*program, "导 入");
    ASSERT_TRUE(wait_for_reload(*program));
    EXPECT_EQ(program->prompter().file_dialogs[0].title, "导入 requirements");
    EXPECT_EQ(program->prompter().file_dialogs[0].kind, core::FileDialogSettings::Kind::open);
    EXPECT_EQ(program->py()->pip_freeze(), exported_freeze);
    const auto names = program->listed_names();
    EXPECT_NE(std::find(names.begin(), names.end(), "vxapp"), names.end());
    EXPECT_TRUE(program->prompter().failures.empty());
    EXPECT_FALSE(std::filesystem::exists(folder / "canary"));
    EXPECT_FALSE(std::filesystem::exists(program->py()->bin_dir() + "canary"));
}

TEST_F(RequirementsGui, batch_uninstall_removes_exactly_the_listed_packages) {
    auto program = start_program();
    ASSERT_TRUE(program->py()->pip({"install", "vxapp", "Vx_Mixed.Name"}).ok());
    const auto list = program->run_dir().path() / "remove.txt";
    write_file(list, "vxapp\nVx_Mixed.Name\n");
    program->prompter().file_answers.push_back(list.string());
    choose(*program, "批量卸载");
    ASSERT_TRUE(wait_for_reload(*program));
    EXPECT_EQ(program->prompter().file_dialogs[0].title, "选择 requirements 批量卸载.");
    EXPECT_FALSE(program->py()->installed_version("vxapp"));
    EXPECT_FALSE(program->py()->installed_version("vx-mixed-name"));
    EXPECT_EQ(program->py()->installed_version("vxdemo"), "2.0");
}

TEST_F(RequirementsGui, cancelling_a_dialog_changes_nothing) {
    auto program = start_program();
    const std::string status = program->status(0);
    for (const char* entry : {"导 入", "导 出", "批量卸载"}) {
        choose(*program, entry);
        EXPECT_EQ(program->status(0), status) << entry;
        EXPECT_TRUE(program->unlocked()) << entry;
    }
    EXPECT_EQ(program->prompter().file_dialogs.size(), 3u);
}

TEST_F(RequirementsGui, a_failed_export_keeps_the_existing_file) {
    auto program = start_program();
    const auto path = program->run_dir().path() / "requirements.txt";
    write_file(path, "keep==1.0\n");
    // pip cannot run any more: its package is gone from the environment.
    std::filesystem::rename(program->py()->site_packages() / "pip",
                            program->py()->site_packages() / "pip.gone");
    program->prompter().file_answers.push_back(path.string());
    choose(*program, "导 出");
    EXPECT_EQ(program->status(0), " [失败] [Pip] 导出 requirements 失败 ...");
    ASSERT_EQ(program->prompter().failures.size(), 1u);
    EXPECT_NE(program->prompter().failures[0].second.find("No module named pip"),
              std::string::npos);
    EXPECT_EQ(read_file(path), "keep==1.0\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(program->run_dir().path()), {}),
              3);  // Config.ini, Py, requirements.txt: no temporary file left
}

TEST_F(RequirementsGui, a_failed_import_is_reported) {
    auto program = start_program();
    const auto list = program->run_dir().path() / "broken.txt";
    write_file(list, "vxbroken\n");
    program->prompter().file_answers.push_back(list.string());
    choose(*program, "导 入");
    ASSERT_TRUE(wait_for_reload(*program));
    ASSERT_EQ(program->prompter().failures.size(), 1u);
    EXPECT_NE(program->prompter().failures[0].second.find("vxmissing"), std::string::npos);
}

TEST_F(RequirementsGui, choosing_a_mirror_configures_pip_and_never_doubles_the_mark) {
    const std::string address = index_->simple_url();
    auto program = start_program("n4=清华源\ny4=" + address + "\n");
    for (int round = 0; round < 2; ++round) {
        choose(*program, "清华源");
        core::ConfigFile config(program->config_path().string());
        EXPECT_EQ(config.read_config_value("n0"), "[当前]清华源");
        EXPECT_EQ(config.read_config_value("y0"), address);
        EXPECT_EQ(program->status(2), "pip [当前]清华源");
        const auto configured = program->py()->pip({"config", "get", "global.index-url"});
        EXPECT_EQ(configured.output, address + "\n");
    }
    EXPECT_TRUE(program->prompter().failures.empty());
}

TEST_F(RequirementsGui, a_mirror_address_that_is_no_url_is_refused) {
    auto program = start_program("n5=阿里源\ny5=x; touch canary\nn0=[当前]豆瓣源\n");
    const std::string config_before = read_file(program->config_path());
    choose(*program, "阿里源");
    ASSERT_EQ(program->prompter().informations.size(), 1u);
    EXPECT_TRUE(program->prompter().informations[0].starts_with("Pip 源地址无效"));
    EXPECT_EQ(read_file(program->config_path()), config_before);
    EXPECT_EQ(program->status(2), "pip [当前]豆瓣源");
    EXPECT_FALSE(std::filesystem::exists(program->py()->bin_dir() + "canary"));
}

}  // namespace
}  // namespace vx::test
