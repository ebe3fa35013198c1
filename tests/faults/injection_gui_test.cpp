// Injection canaries: every outside text that can reach a shell (the run and
// Python folder, a package name typed or clicked in the list, a version typed
// or sent by the index, a requirements path, a mirror address) holds a command
// that would create a canary file if a shell ever read it as code. The
// canary never appears, and the interpreter gets every value as one argument.
//
// The interpreter is a recording stand-in for "python": it writes its
// arguments to a log and answers "-V", "pip list" and "pip freeze".
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTest>

#include <sstream>

#include "core/config_file.hpp"
#include "core/text.hpp"
#include "packages/operation_messages.hpp"
#include "tests/faults/fault_checks.hpp"
#include "tests/support/package_index.hpp"
#include "tests/support/program_fixture.hpp"

namespace vx::test {
namespace {

namespace fs = std::filesystem;

struct Hostile {
    const char* name;
    // The value around a command: make("touch /x/canary").
    std::string (*make)(const std::string& command);
};

// Test names and failure messages show the row's name.
void PrintTo(const Hostile& hostile, std::ostream* out) {
    *out << hostile.name;
}

const Hostile hostile_values[] = {
    {"semicolon", [](const std::string& c) { return "x;" + c + ";"; }},
    {"command_substitution", [](const std::string& c) { return "x$(" + c + ")"; }},
    {"backticks", [](const std::string& c) { return "x`" + c + "`"; }},
    {"pipe", [](const std::string& c) { return "x|" + c; }},
    {"ampersand", [](const std::string& c) { return "x&" + c + "&"; }},
    {"single_quote", [](const std::string& c) { return "x';" + c + ";'"; }},
    {"double_quote", [](const std::string& c) { return "x\";" + c + ";\""; }},
    {"newline", [](const std::string& c) { return "x\n" + c + "\n"; }},
    {"redirect", [](const std::string& c) { return "x >" + c.substr(c.find('/')); }},
};

// Answers like python and its pip and logs every call's arguments as a JSON
// list, one call a line.
std::string recording_interpreter() {
    return "#!" + PythonEnv::base_interpreter() + R"( -B
import json, os, sys
here = os.path.dirname(os.path.abspath(__file__))
args = sys.argv[1:]
with open(os.path.join(here, "calls.log"), "a", encoding="utf-8") as log:
    log.write(json.dumps(args) + "\n")
if args == ["-V"]:
    print("Python 3.11.2")
elif args[:3] == ["-m", "pip", "list"]:
    print("Package    Version\n---------- -------")
    with open(os.path.join(here, "packages.txt"), encoding="utf-8") as listed:
        sys.stdout.write(listed.read())
elif args[:3] == ["-m", "pip", "freeze"]:
    print("vxfake==1.0")
)";
}

// The arguments as the stand-in logs them.
std::string logged(const std::vector<std::string>& args) {
    std::string line = "[";
    for (std::size_t i = 0; i < args.size(); ++i) {
        line += (i ? ", " : "") + json_quote(args[i]);
    }
    return line + "]";
}

// Blanks and line breaks end a name in pip's report; these do not.
std::string as_one_word(std::string text) {
    std::string word;
    for (char c : text) {
        word += c == ' ' ? std::string("${IFS}") : c == '\n' ? std::string(";") : std::string(1, c);
    }
    return word;
}

class InjectionGui : public ::testing::TestWithParam<Hostile> {
protected:
    static void SetUpTestSuite() {
        adopt_orphans();
        index_ = new PackageIndex();
    }
    static void TearDownTestSuite() {
        delete index_;
        index_ = nullptr;
    }

    // A Py that passes the start-up and environment checks, with the
    // recording stand-in as its interpreter.
    static fs::path make_recording_py(const fs::path& run_dir, const std::string& listed) {
        const fs::path py = run_dir / "Py";
        write_file(py / "bin" / "python", recording_interpreter());
        fs::permissions(py / "bin" / "python", fs::perms::owner_all);
        write_file(py / "pyvenv.cfg", "");
        write_file(py / "bin" / "pip", "");
        write_file(py / "lib" / "python3.11" / "site-packages" / "pip" / "__init__.py", "");
        write_file(py / "bin" / "packages.txt", "pip 23.0.1\n" + listed + " 1.0\n");
        return py / "bin";
    }

    static void choose(ProgramFixture& program, const char* entry) {
        for (QAction* action : program.window().popup_menu()->actions()) {
            if (action->text() == QString::fromUtf8(entry)) {
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

    static void search(ProgramFixture& program, const std::string& name) {
        program.find<QLineEdit>("n")->setText(QString::fromStdString(name));
        program.find<QPushButton>("ss")->click();
        ASSERT_TRUE(wait_until([&] { return program.visible("mn") && program.unlocked(); }));
    }

    static PackageIndex* index_;
};

PackageIndex* InjectionGui::index_ = nullptr;

TEST_P(InjectionGui, no_outside_text_is_ever_run_as_a_command) {
    const Hostile& row = GetParam();
    const ChildWatch watch;
    TempDir base("vx-inject");
    const fs::path canary = base.path() / "canary";
    const std::string value = row.make("touch " + canary.string());

    // The run folder (and with it Py, HOME, the runtime folder) under the value.
    const fs::path hostile_folder = base.path() / ("d" + value);
    fs::create_directories(hostile_folder);
    ScopedEnv tmpdir("TMPDIR", hostile_folder.string());
    const std::string mirror = "https://mirror.example/simple/" + as_one_word(value);
    ProgramFixture program(
        {.with_py = false,
         .config = "[com]\ninfo_host=" + index_->host() + "\nn5=阿里源\ny5=" + mirror + "\n",
         .pip = index_->pip_settings()});
    const std::string listed = "vxlisted" + as_one_word(value);
    const fs::path bin = make_recording_py(program.run_dir().path(), listed);
    index_->set_json_info("vxevil", "{\"version\": " + json_quote("1.0" + value) + "}");

    ASSERT_EQ(program.start(), core::StartupOutcome::ready);
    ASSERT_TRUE(program.wait_until_unlocked()) << program.text_of("err");
    const auto names = program.listed_names();
    ASSERT_NE(std::find(names.begin(), names.end(), listed), names.end());
    auto& prompter = program.prompter();

    // A typed name: no package name, so it never leaves the window.
    search(program, "vx" + value);
    EXPECT_EQ(program.text_of("minfo"), "此包不存在, 请重新输入并搜索 ...");

    // A name clicked in the list: looked up, then refused by the uninstall.
    auto* list = program.find<QTreeWidget>("列表框");
    const auto rows = list->findItems(QString::fromStdString(listed), Qt::MatchExactly, 0);
    ASSERT_EQ(rows.size(), 1);
    list->scrollToItem(rows.front());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(rows.front()).center());
    // Looked up by its lower-cased name.
    const std::string clicked = text::to_lower_ascii(listed);
    ASSERT_TRUE(wait_until([&] { return program.text_of("mn") == clicked && program.unlocked(); }))
        << program.text_of("mn");
    EXPECT_TRUE(program.enabled("卸载"));
    program.find<QPushButton>("卸载")->click();
    ASSERT_EQ(prompter.informations.size(), 1u);
    EXPECT_EQ(prompter.informations.back(), packages::invalid_name_message);

    // A version the index sends, then one typed: refused by the install.
    search(program, "vxevil");
    EXPECT_EQ(program.text_of("var"), "1.0" + value);
    program.find<QPushButton>("安装")->click();
    ASSERT_EQ(prompter.informations.size(), 2u);
    EXPECT_EQ(prompter.informations.back(), packages::invalid_version_message);
    program.find<QLineEdit>("var")->setText(QString::fromStdString("2.0" + value));
    program.find<QPushButton>("安装")->click();
    ASSERT_EQ(prompter.informations.size(), 3u);
    EXPECT_EQ(prompter.informations.back(), packages::invalid_version_message);
    EXPECT_TRUE(prompter.confirmations.empty());

    // Requirements files in a folder named with the value.
    const fs::path folder = base.path() / ("r" + value);
    fs::create_directories(folder);
    const std::string requirements = (folder / "requirements.txt").string();
    prompter.file_answers.push_back(requirements);
    choose(program, "导 出");
    EXPECT_EQ(program.status(0), " [Pip] 导出 requirements 完成 OK ...");
    EXPECT_EQ(read_file(requirements), "vxfake==1.0\n");
    prompter.file_answers.push_back(requirements);
    choose(program, "导 入");
    ASSERT_TRUE(wait_for_reload(program));
    prompter.file_answers.push_back(requirements);
    choose(program, "批量卸载");
    ASSERT_TRUE(wait_for_reload(program));

    // The mirror address: refused, or handed to pip as one argument.
    const core::ConfigFile config(program.config_path().string());
    const std::string address = config.read_config_value("y5");
    const std::string config_before = read_file(program.config_path());
    const std::size_t informed = prompter.informations.size();
    choose(program, "阿里源");
    const bool refused = prompter.informations.size() > informed;
    if (refused) {
        EXPECT_TRUE(prompter.informations.back().starts_with("Pip 源地址无效"));
        EXPECT_EQ(read_file(program.config_path()), config_before);
    } else {
        EXPECT_EQ(config.read_config_value("y0"), address);
    }

    std::vector<std::string> expected = {
        logged({"-V"}),
        logged({"-m", "pip", "list"}),
        logged({"-m", "pip", "list"}),
        logged({"-m", "pip", "freeze"}),
        logged({"-m", "pip", "install", "-r", requirements}),
        logged({"-m", "pip", "list"}),
        logged({"-m", "pip", "uninstall", "-r", requirements, "-y"}),
        logged({"-m", "pip", "list"}),
    };
    if (!refused) {
        expected.push_back(logged({"-m", "pip", "config", "set", "global.index-url", address}));
    }
    std::vector<std::string> calls;
    std::istringstream log(read_file(bin / "calls.log"));
    for (std::string line; std::getline(log, line);) {
        calls.push_back(line);
    }
    EXPECT_EQ(calls, expected);
    EXPECT_TRUE(prompter.failures.empty());
    program.stop();
    EXPECT_TRUE(watch.wait_until_clean()) << watch.describe();
    EXPECT_FALSE(fs::exists(canary));
}

INSTANTIATE_TEST_SUITE_P(Hostile, InjectionGui, ::testing::ValuesIn(hostile_values),
                         [](const ::testing::TestParamInfo<Hostile>& param) {
                             return std::string(param.param.name);
                         });

}  // namespace
}  // namespace vx::test
