// A package lookup against an index that fails or answers with hostile data:
// the lookup always ends, the window ends unlocked with the panel shown, no
// process is left behind and Config.ini stays as it was.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>

#include "core/config_file.hpp"
#include "tests/faults/fault_checks.hpp"
#include "tests/support/package_index.hpp"
#include "tests/support/program_fixture.hpp"

namespace vx::test {
namespace {

// A loopback port that nothing listens on: bound, then closed again.
int closed_port() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

class LookupFaultsGui : public ::testing::Test {
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
        program_ = std::make_unique<ProgramFixture>(
            ProgramOptions{.config = "[com]\nn0=[当前]豆瓣源\ninfo_host=" + index_->host() + "\n",
                           .pip = index_->pip_settings()});
        ASSERT_EQ(program_->start(), core::StartupOutcome::ready);
        ASSERT_TRUE(program_->wait_until_unlocked());
        canary_ = program_->run_dir().path() / "canary";
    }
    void TearDown() override { index_->set_faults({}); }

    ProgramFixture& program() { return *program_; }

    // Searches name and waits for the panel; the lookup's own limits (15 s per
    // phase) end every fault well within the wait.
    void search(const std::string& name) {
        program().find<QLineEdit>("n")->setText(QString::fromStdString(name));
        program().find<QPushButton>("ss")->click();
        ASSERT_TRUE(wait_until(
            [&] {
                return program().status(0) == " 获取 " + name + " 信息 完成 OK ..." &&
                       program().unlocked();
            },
            std::chrono::seconds(120)))
            << name << ": " << program().status(0);
    }

    // What every row must leave: an unlocked window showing the panel for the
    // name, no failure box, no child, the same Config.ini, no canary.
    void expect_clean_end(const std::string& row, const std::string& name,
                          const std::string& config_before, const ChildWatch& watch) {
        EXPECT_TRUE(program().unlocked()) << row;
        EXPECT_TRUE(program().visible("mn")) << row;
        EXPECT_EQ(program().text_of("mn"), name) << row;
        EXPECT_TRUE(program().prompter().failures.empty()) << row;
        EXPECT_TRUE(watch.wait_until_clean()) << row << "\n" << watch.describe();
        EXPECT_EQ(read_file(program().config_path()), config_before) << row;
        EXPECT_FALSE(std::filesystem::exists(canary_)) << row;
    }

    void expect_failed_request(const std::string& row) {
        EXPECT_EQ(program().text_of("var"), "") << row;
        EXPECT_FALSE(program().enabled("安装")) << row;
        EXPECT_TRUE(program().text_of("minfo").starts_with("最新版本: \n更新时间: ")) << row;
    }

    static PackageIndex* index_;
    std::unique_ptr<ProgramFixture> program_;
    std::filesystem::path canary_;
};

PackageIndex* LookupFaultsGui::index_ = nullptr;

TEST_F(LookupFaultsGui, a_failing_index_ends_the_lookup_with_an_empty_panel) {
    struct Row {
        const char* name;
        std::function<void()> arrange;
        bool reaches_index = true;
    };
    const core::ConfigFile config(program().config_path().string());
    const std::string index_host = index_->host();
    const std::vector<Row> rows = {
        {"refuses connections",
         [&] {
             config.write_config_value("info_host", "127.0.0.1:" + std::to_string(closed_port()));
         },
         false},
        {"accepts and never answers", [] { index_->set_faults({.hang = true}); }},
        {"sends 200 MB, over the body cap", [] { index_->set_faults({.huge_bytes = 200 << 20}); }},
        {"closes without an answer", [] { index_->set_faults({.drop = true}); }},
        {"answers 500", [] { index_->set_faults({.fail_status = 500}); }},
    };
    for (const Row& row : rows) {
        config.write_config_value("info_host", index_host);
        row.arrange();
        const std::string config_before = read_file(program().config_path());
        const ChildWatch watch;
        const std::size_t requests_before = index_->requests().size();
        search("vxdemo");
        EXPECT_EQ(index_->requests().size(), requests_before + (row.reaches_index ? 1 : 0))
            << row.name;
        expect_failed_request(row.name);
        expect_clean_end(row.name, "vxdemo", config_before, watch);
        index_->set_faults({});
    }
    // The index is fine again: the same window looks the package up as usual.
    config.write_config_value("info_host", index_host);
    search("vxdemo");
    EXPECT_EQ(program().text_of("var"), "2.0");
}

TEST_F(LookupFaultsGui, hostile_replies_are_read_as_data_or_not_at_all) {
    using namespace std::string_literals;
    const std::string canary = canary_.string();
    struct Row {
        const char* name;
        std::string package;
        std::string body;
        double trickle_seconds;
        std::string version;  // what the panel shows afterwards
        std::string in_info;  // a piece the information text holds
    };
    const std::vector<Row> rows = {
        {"answers byte by byte", "vxslow",
         R"({"info": {"version": "1.5", "summary": "slow"}, "urls": []})", 0.02, "1.5",
         "摘要: slow"},
        {"invalid UTF-8", "vxutf",
         "{\"info\": {\"version\": \"3.0\", \"summary\": \"bad \xff\xfe\xc3 bytes\"}}", 0, "3.0",
         "bad \xef\xbf\xbd"},
        {"NUL bytes in a string", "vxnul",
         "{\"info\": {\"version\": \"5.0\", \"summary\": \"a\0b\"}}"s, 0, "", ""},
        {"JSON nested 100,000 deep", "vxdeep",
         std::string(100'000, '[') + std::string(100'000, ']'), 0, "", ""},
        {"objects nested 100,000 deep", "vxdeepobj",
         [] {
             std::string body = "{\"info\": {\"version\": \"6.0\"}, \"x\": ";
             for (int i = 0; i < 100'000; ++i)
                 body += "{\"a\": ";
             body += "1";
             body += std::string(100'000, '}');
             return body + "}";
         }(),
         0, "", ""},
        {"script: endless loop", "vxloop", "1); while(1){}//", 0, "", ""},
        {"script: would make a canary", "vxcanary",
         "(function(){ var p = require('child_process'); p.execSync('touch " + canary +
             "'); })(); ({\"info\": {\"version\": \"7.0\"}})",
         0, "", ""},
        {"shell words", "vxshell", "$(touch " + canary + ") `touch " + canary + "`", 0, "", ""},
    };
    for (const Row& row : rows) {
        index_->set_json_reply_bytes(row.package, row.body);
        index_->set_faults({.trickle_seconds = row.trickle_seconds});
        const std::string config_before = read_file(program().config_path());
        const ChildWatch watch;
        search(row.package);
        EXPECT_EQ(program().text_of("var"), row.version) << row.name;
        if (row.version.empty()) {
            expect_failed_request(row.name);
        } else {
            EXPECT_TRUE(program().enabled("安装")) << row.name;
            EXPECT_NE(program().text_of("minfo").find(row.in_info), std::string::npos)
                << row.name << "\n"
                << program().text_of("minfo");
        }
        expect_clean_end(row.name, row.package, config_before, watch);
    }
}

}  // namespace
}  // namespace vx::test
