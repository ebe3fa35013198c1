// A Config.ini that is read-only, a folder, huge, or holds bytes that are no
// text, and a disk that is full: the program starts (or shows its error)
// without crashing, never corrupts or replaces the file, and what it writes
// reads back.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "core/config_file.hpp"
#include "tests/faults/fault_checks.hpp"
#include "tests/support/program_fixture.hpp"

namespace vx::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const std::string mirror_address = "https://127.0.0.1:9/simple/";

void choose(ProgramFixture& program, const char* entry) {
    for (QAction* action : program.window().popup_menu()->actions()) {
        if (action->text() == QString::fromUtf8(entry)) {
            action->trigger();
            return;
        }
    }
    FAIL() << "no menu entry " << entry;
}

// The lines of a text without those of the program's own keys, which it may
// write: the rest must stay exactly as it was.
std::vector<std::string> lines_but_own_keys(const std::string& text) {
    std::vector<std::string> kept;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(begin, end - begin);
        begin = end + 1;
        bool own = false;
        for (const char* key : {"r1=", "sel=", "n0=", "y0="}) {
            own = own || line.starts_with(key);
        }
        if (!own)
            kept.push_back(line);
    }
    return kept;
}

std::string ten_thousand_keys() {
    std::string text = "[com]\nn5=阿里源\ny5=" + mirror_address + "\n";
    for (int i = 0; i < 10'000; ++i) {
        text += "key" + std::to_string(i) + "=value " + std::to_string(i) + "\n";
    }
    return text + "[other]\nkey=1\n";
}

struct StartedProgram {
    std::unique_ptr<ProgramFixture> program;
    core::StartupOutcome outcome;
};

StartedProgram start_with(const std::function<void(const fs::path&)>& arrange) {
    StartedProgram started;
    started.program = std::make_unique<ProgramFixture>();
    arrange(started.program->config_path());
    started.outcome = started.program->start();
    return started;
}

TEST(ConfigFaultsGui, a_writable_config_ini_with_odd_content_keeps_every_other_byte) {
    struct Row {
        const char* name;
        std::string content;
    };
    const Row rows[] = {
        {"10,000 keys", ten_thousand_keys()},
        {"invalid UTF-8",
         "[com]\nn0=\xff\xfe[当前]\xc3\ny0=https://x.example/\xff/\nbad\x80key=\xc0\xaf\n"
         "n5=阿里源\ny5=" +
             mirror_address + "\n"},
        {"a NUL byte",
         "[com]\nn0=a\0b\nnul\0key=v\0\0\nn5=阿里源\ny5="s + mirror_address + "\n[x\0y]\nk=1\n"s},
        {"CR LF lines and no last line break",
         "[com]\r\nn5=阿里源\r\ny5=" + mirror_address + "\r\nlast=1"},
    };
    for (const Row& row : rows) {
        auto [program, outcome] =
            start_with([&](const fs::path& path) { write_file(path, row.content); });
        ASSERT_EQ(outcome, core::StartupOutcome::ready) << row.name;
        ASSERT_TRUE(program->wait_until_unlocked()) << row.name;
        const core::ConfigFile config(program->config_path().string());
        EXPECT_EQ(config.read_config_value("r1"), program->run_dir_str() + "/Py/bin/") << row.name;
        EXPECT_EQ(config.read_config_value("sel"), "1") << row.name;

        choose(*program, "阿里源");
        EXPECT_EQ(config.read_config_value("n0"), "[当前]阿里源") << row.name;
        EXPECT_EQ(config.read_config_value("y0"), mirror_address) << row.name;
        EXPECT_EQ(program->status(2), "pip [当前]阿里源") << row.name;
        const std::string after = read_file(program->config_path());
        // Line breaks aside (a key appended after "last=1" brings one).
        auto strip_cr = [](std::string text) {
            std::erase(text, '\r');
            return text;
        };
        EXPECT_EQ(lines_but_own_keys(strip_cr(after)), lines_but_own_keys(strip_cr(row.content)))
            << row.name;
        EXPECT_TRUE(program->prompter().failures.empty()) << row.name;
    }
}

TEST(ConfigFaultsGui, a_config_ini_that_cannot_be_written_is_never_touched) {
    struct Row {
        const char* name;
        std::function<void(const fs::path&)> arrange;
    };
    const std::string shipped = "[com]\nn5=阿里源\ny5=" + mirror_address + "\nn0=[当前]豆瓣源\n";
    const Row rows[] = {
        {"read-only",
         [&](const fs::path& path) {
             write_file(path, shipped);
             fs::permissions(
                 path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
         }},
        {"a folder",
         [&](const fs::path& path) {
             fs::remove(path);
             fs::create_directory(path);
             write_file(path / "inside", shipped);
         }},
    };
    for (const Row& row : rows) {
        auto [program, outcome] = start_with(row.arrange);
        const fs::path path = program->config_path();
        struct stat before {};
        ASSERT_EQ(stat(path.c_str(), &before), 0);
        ASSERT_EQ(outcome, core::StartupOutcome::ready) << row.name;
        ASSERT_TRUE(wait_until([&] { return program->unlocked() || program->visible("err"); }))
            << row.name;
        ASSERT_TRUE(program->unlocked()) << row.name << ": " << program->text_of("err");
        EXPECT_FALSE(program->listed_names().empty()) << row.name;

        choose(*program, "阿里源");
        struct stat after {};
        ASSERT_EQ(stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << row.name;
        EXPECT_EQ(after.st_mode, before.st_mode) << row.name;
        if (fs::is_directory(path)) {
            EXPECT_EQ(read_file(path / "inside"), shipped) << row.name;
            EXPECT_EQ(std::distance(fs::directory_iterator(path), {}), 1) << row.name;
        } else {
            EXPECT_EQ(read_file(path), shipped) << row.name;
        }
        // Nothing was left beside it either.
        for (const auto& entry : fs::directory_iterator(program->run_dir().path())) {
            EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos)
                << row.name << ": " << entry.path();
        }
    }
}

// A tmpfs over a folder for one test; needs root.
class SmallFileSystem {
public:
    explicit SmallFileSystem(fs::path folder) : folder_(std::move(folder)) {
        mounted_ = mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallFileSystem() {
        if (mounted_)
            umount2(folder_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

    // Writes a filler file until the file system refuses more.
    void fill() const {
        std::ofstream out(folder_ / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (out.write(block.data(), static_cast<std::streamsize>(block.size())) && out.flush()) {
        }
    }

private:
    fs::path folder_;
    bool mounted_ = false;
};

TEST(ConfigFaultsGui, a_full_disk_keeps_config_ini_and_an_existing_requirements_file) {
    ProgramFixture program({.with_py = false});
    PythonEnv py;
    // One package in the environment, so that the export has lines to write.
    write_file(py.site_packages() / "vxfill-1.0.dist-info" / "METADATA",
               "Metadata-Version: 2.1\nName: vxfill\nVersion: 1.0\n");
    ASSERT_NE(py.pip_freeze().find("vxfill==1.0"), std::string::npos);
    // The run folder becomes a small file system of its own; Py lives elsewhere.
    SmallFileSystem disk(program.run_dir().path());
    if (!disk.mounted()) {
        GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    const fs::path run = program.run_dir().path();
    fs::create_directory_symlink(py.root(), run / "Py");
    write_file(program.config_path(), "[com]\nn5=阿里源\ny5=" + mirror_address + "\n");
    const fs::path requirements = run / "requirements.txt";
    write_file(requirements, "keep==1.0\n");
    ASSERT_EQ(program.start(), core::StartupOutcome::ready);
    ASSERT_TRUE(program.wait_until_unlocked());

    const std::string config_before = read_file(program.config_path());
    disk.fill();
    const ChildWatch watch;

    choose(program, "阿里源");
    EXPECT_EQ(read_file(program.config_path()), config_before);

    for (const fs::path& target : {requirements, run / "new.txt"}) {
        program.prompter().file_answers.push_back(target.string());
        choose(program, "导 出");
        EXPECT_EQ(program.status(0), " [失败] [Pip] 导出 requirements 失败 ...") << target;
        EXPECT_TRUE(program.unlocked()) << target;
    }
    EXPECT_EQ(program.prompter().failures.size(), 2u);
    EXPECT_EQ(read_file(requirements), "keep==1.0\n");
    EXPECT_FALSE(fs::exists(run / "new.txt"));
    std::vector<std::string> entries;
    for (const auto& entry : fs::directory_iterator(run)) {
        entries.push_back(entry.path().filename().string());
    }
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries,
              (std::vector<std::string>{"Config.ini", "Py", "filler", "requirements.txt"}));
    EXPECT_TRUE(watch.wait_until_clean()) << watch.describe();
    program.stop();
}

}  // namespace
}  // namespace vx::test
