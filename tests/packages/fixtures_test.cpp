// The pip fixtures themselves, with real pip against the local index: later
// tests of package operations rely on exactly what is proven here.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "tests/support/package_index.hpp"
#include "tests/support/python_env.hpp"

namespace vx::test {
namespace {

struct Reply {
    long status = 0;
    std::string body;
};

size_t append_body(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

Reply fetch(const std::string& url, const std::filesystem::path& ca_file) {
    Reply reply;
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_CAINFO, ca_file.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, append_body);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
    if (curl_easy_perform(curl) == CURLE_OK) {
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
    }
    curl_easy_cleanup(curl);
    return reply;
}

QJsonObject fetch_record(const PackageIndex& index, const std::string& name) {
    const Reply reply = fetch(index.json_url(name), index.ca_cert_path());
    EXPECT_EQ(reply.status, 200) << name;
    return QJsonDocument::fromJson(QByteArray::fromStdString(reply.body)).object();
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// One index for the whole program: starting it costs a CA and a server.
class IndexFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        if (!index_) {
            index_ = std::make_unique<PackageIndex>();
        }
    }

    static std::unique_ptr<PackageIndex> index_;
};

std::unique_ptr<PackageIndex> IndexFixture::index_;

// A fresh venv per test, with pip steered to the index.
class PipFixtures : public IndexFixture {
protected:
    IsolatedPipEnvironment pip_env_{index_->pip_settings()};
    PythonEnv venv_;
};

using JsonFixture = IndexFixture;

TEST_F(PipFixtures, install_then_upgrade_changes_the_installed_version) {
    const CommandResult first = venv_.pip({"install", "vxdemo==1.0"});
    ASSERT_TRUE(first.ok()) << first.output;
    EXPECT_EQ(venv_.installed_version("vxdemo"), "1.0");

    const CommandResult upgrade = venv_.pip({"install", "--upgrade", "vxdemo"});
    ASSERT_TRUE(upgrade.ok()) << upgrade.output;
    EXPECT_EQ(venv_.installed_version("vxdemo"), "2.0");
    EXPECT_TRUE(contains(venv_.pip_freeze(), "vxdemo==2.0\n")) << venv_.pip_freeze();
}

TEST_F(PipFixtures, install_of_vxapp_pulls_in_vxdemo) {
    const CommandResult result = venv_.pip({"install", "vxapp"});
    ASSERT_TRUE(result.ok()) << result.output;
    EXPECT_EQ(venv_.installed_version("vxapp"), "1.0");
    EXPECT_EQ(venv_.installed_version("vxdemo"), "2.0");
    EXPECT_FALSE(venv_.installed_version("vxextra"));
}

TEST_F(PipFixtures, install_with_a_missing_requirement_fails) {
    const CommandResult result = venv_.pip({"install", "vxbroken"});
    EXPECT_NE(result.status, 0) << result.output;
    EXPECT_TRUE(contains(result.output, "vxmissing")) << result.output;
    EXPECT_FALSE(venv_.installed_version("vxbroken"));
}

TEST_F(PipFixtures, install_by_any_spelling_finds_the_normalised_project) {
    const CommandResult result = venv_.pip({"install", "vx_mixed.name"});
    ASSERT_TRUE(result.ok()) << result.output;
    const auto names = venv_.pip_list_names();
    EXPECT_NE(std::find(names.begin(), names.end(), "Vx_Mixed.Name"), names.end());
}

TEST_F(PipFixtures, copied_venv_works_at_the_given_place) {
    TempDir run_dir("vx-run");
    const PythonEnv placed(run_dir / "Py");
    EXPECT_EQ(placed.bin_dir(), run_dir.str() + "/Py/bin/");
    // The copy's own scripts, not only "python -m pip", must run from the copy.
    const CommandResult pip = run_command({placed.bin_dir() + "pip", "--version"});
    ASSERT_TRUE(pip.ok()) << pip.output;
    EXPECT_TRUE(contains(pip.output, run_dir.str() + "/Py/lib/")) << pip.output;
    EXPECT_TRUE(std::filesystem::exists(placed.site_packages() / "pip" / "__init__.py"));
}

TEST_F(PipFixtures, isolated_environment_steers_pip_and_restores_on_exit) {
    {
        IsolatedPipEnvironment inner(index_->pip_settings(/*version_check=*/true));
        EXPECT_EQ(std::string(std::getenv("HOME")), inner.home().string());
        EXPECT_EQ(std::string(std::getenv("PIP_DISABLE_PIP_VERSION_CHECK")), "0");
        const CommandResult config = venv_.pip({"config", "list"});
        EXPECT_TRUE(contains(config.output, index_->simple_url())) << config.output;
    }
    EXPECT_EQ(std::string(std::getenv("HOME")), pip_env_.home().string());
    EXPECT_EQ(std::string(std::getenv("PIP_DISABLE_PIP_VERSION_CHECK")), "1");
}

TEST_F(JsonFixture, record_carries_the_pypi_fields) {
    const QJsonObject record = fetch_record(*index_, "vxdemo");
    const QJsonObject info = record["info"].toObject();
    EXPECT_EQ(info["name"].toString(), "vxdemo");
    EXPECT_EQ(info["version"].toString(), "2.0");
    EXPECT_EQ(info["author"].toString(), "Vx Demo Team");
    EXPECT_EQ(info["author_email"].toString(), "demo@vx.example");
    EXPECT_EQ(info["home_page"].toString(), "https://vx.example/vxdemo");
    EXPECT_EQ(info["summary"].toString(), "Demo package of the Verdanex tests");
    EXPECT_EQ(info["license"].toString(), "MIT");
    EXPECT_EQ(info["requires_python"].toString(), ">=3.7");
    EXPECT_TRUE(info["requires_dist"].isNull());
    EXPECT_TRUE(record["releases"].toObject().contains("1.0"));
    EXPECT_TRUE(record["releases"].toObject().contains("2.0"));
    const QJsonObject first_url = record["urls"].toArray().at(0).toObject();
    EXPECT_EQ(first_url["filename"].toString(), "vxdemo-2.0-py3-none-any.whl");
    EXPECT_EQ(first_url["upload_time"].toString(), "2024-01-02T03:04:05");
    EXPECT_EQ(first_url["digests"].toObject()["sha256"].toString().size(), 64);

    const auto served = index_->requests();
    EXPECT_NE(std::find(served.begin(), served.end(), "GET /pypi/web/pypi/vxdemo/json"),
              served.end());
}

TEST_F(JsonFixture, records_of_the_special_packages) {
    struct Row {
        const char* label;
        const char* lookup_name;
        const char* field;
        const char* expected;  // compact JSON of the info field
    };
    const Row rows[] = {
        {"two_requirements", "vxapp", "requires_dist",
         R"(["vxdemo>=1.0","vxextra>=1.0; extra == \"full\""])"},
        {"null_licence", "vx_mixed.name", "license", "null"},
        {"name_as_published", "vx_mixed.name", "name", R"("Vx_Mixed.Name")"},
        {"utf8_summary", "vx_mixed.name", "summary", "\"混合 name — ünïcode summary\""},
    };
    for (const Row& row : rows) {
        const QJsonObject info = fetch_record(*index_, row.lookup_name)["info"].toObject();
        QJsonArray wrapped{info[row.field]};
        const QByteArray compact = QJsonDocument(wrapped).toJson(QJsonDocument::Compact);
        EXPECT_EQ(compact.mid(1, compact.size() - 2).toStdString(), row.expected) << row.label;
    }
}

TEST_F(JsonFixture, unknown_name_answers_exactly_404) {
    const Reply reply = fetch(index_->json_url("vxnosuchthing"), index_->ca_cert_path());
    EXPECT_EQ(reply.status, 404);
    EXPECT_EQ(reply.body, "404");
}

TEST_F(JsonFixture, overrides_replace_the_record) {
    index_->set_json_reply("vxverbatim", "not a record", 200);
    const Reply verbatim = fetch(index_->json_url("vxverbatim"), index_->ca_cert_path());
    EXPECT_EQ(verbatim.status, 200);
    EXPECT_EQ(verbatim.body, "not a record");

    index_->set_json_info("VxGhost", R"({"version": "9.9", "summary": 3})", "2020-05-06T07:08:09");
    const QJsonObject ghost = fetch_record(*index_, "vxghost");
    EXPECT_EQ(ghost["info"].toObject()["version"].toString(), "9.9");
    EXPECT_EQ(ghost["info"].toObject()["summary"].toInt(), 3);
    EXPECT_TRUE(ghost["urls"].toArray().isEmpty());
}

TEST_F(JsonFixture, faults_apply_to_every_request_until_cleared) {
    struct Row {
        const char* label;
        IndexFaults faults;
        long status;
        const char* body;
    };
    const Row rows[] = {
        {"fail_status", {0, 503, false}, 503, "error"},
        {"drop", {0, 0, true}, 0, ""},
        {"cleared", {}, 404, "404"},
    };
    for (const Row& row : rows) {
        index_->set_faults(row.faults);
        const Reply reply = fetch(index_->json_url("vxnosuchthing"), index_->ca_cert_path());
        EXPECT_EQ(reply.status, row.status) << row.label;
        EXPECT_EQ(reply.body, row.body) << row.label;
    }
    index_->set_faults({});
}

// The environment check's scenario: pip recommends upgrading itself, and the
// three core upgrades take the newer wheels from the index.
TEST(CoreUpgradeFixture, pip_list_recommends_upgrade_and_the_upgrades_install) {
    PackageIndex index;
    const std::optional<CoreUpgradeWheels> core = index.add_core_upgrade_wheels();
    if (!core) {
        GTEST_SKIP() << "no pip wheel newer than the venv's on this machine";
    }
    IsolatedPipEnvironment pip_env(index.pip_settings(/*version_check=*/true));
    PythonEnv venv;

    const CommandResult listed = venv.pip({"list"});
    EXPECT_TRUE(contains(listed.output, "upgrade pip")) << listed.output;

    ASSERT_TRUE(venv.pip({"install", "--upgrade", "pip"}).ok());
    EXPECT_EQ(venv.installed_version("pip"), core->pip_version);
    ASSERT_TRUE(venv.pip({"install", "--upgrade", "setuptools"}).ok());
    EXPECT_EQ(venv.installed_version("setuptools"), core->setuptools_version);
    ASSERT_TRUE(venv.pip({"install", "--upgrade", "wheel"}).ok());
    EXPECT_EQ(venv.installed_version("wheel"), core->wheel_version);

    const CommandResult again = venv.pip({"list"});
    EXPECT_FALSE(contains(again.output, "upgrade pip")) << again.output;
    EXPECT_TRUE(contains(again.output, "pip")) << again.output;
}

}  // namespace
}  // namespace vx::test
