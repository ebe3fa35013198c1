#include "core/private_profile.hpp"
#include "core/config_file.hpp"
#include "core/text.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/temp_dir.hpp"

namespace vx::core {
namespace {

TEST(ProfileLookup, follows_the_private_profile_rules) {
    struct Row {
        const char* name;
        std::string content, section, key, expected;
    };
    const Row rows[] = {
        {"plain", "[com]\nsel=2\n", "com", "sel", "2"},
        {"section and key ignore case", "[COM]\nSeL=2\n", "com", "sel", "2"},
        {"first key wins", "[com]\nsel=1\nsel=2\n", "com", "sel", "1"},
        {"value trimmed", "[com]\n  sel  =  3  \n", "com", "sel", "3"},
        {"double quotes removed", "[com]\nr2=\"/opt/py/bin/\"\n", "com", "r2", "/opt/py/bin/"},
        {"single quotes removed", "[com]\nr2='/a b/'\n", "com", "r2", "/a b/"},
        {"unmatched quotes kept", "[com]\nr2=\"/a'\n", "com", "r2", "\"/a'"},
        {"other section ignored", "[x]\nsel=9\n[com]\nsel=1\n", "com", "sel", "1"},
        {"missing key", "[com]\nsel=1\n", "com", "n0", ""},
        {"missing section", "[other]\nsel=1\n", "com", "sel", ""},
        {"crlf lines", "[com]\r\nn1=PyPI源\r\n", "com", "n1", "PyPI源"},
        {"comment is no key", "[com]\n;sel=4\nsel=5\n", "com", "sel", "5"},
        {"value with equals", "[com]\ny1=https://x/?a=b\n", "com", "y1", "https://x/?a=b"},
        {"empty content", "", "com", "sel", ""},
        {"names asked with blanks", "[com]\nsel=2\n", " com\t", " sel ", "2"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(profile_lookup(row.content, row.section, row.key), row.expected) << row.name;
    }
}

TEST(ProfileLookup, cuts_long_values_at_a_character_boundary) {
    const std::string value(max_profile_value - 1, 'a');
    const std::string read = profile_lookup("[com]\nk=" + value + "包\n", "com", "k");
    EXPECT_EQ(read, value);  // the three-byte character would not fit whole
}

TEST(ProfileUpdate, keeps_every_other_line) {
    struct Row {
        const char* name;
        std::string content, key, value, expected;
    };
    const Row rows[] = {
        {"replace in place", "; mirrors\n[com]\nn1=a\nsel=1\ny1=b\n", "sel", "3",
         "; mirrors\n[com]\nn1=a\nsel=3\ny1=b\n"},
        {"key case kept", "[com]\nSel=1\n", "sel", "2", "[com]\nSel=2\n"},
        {"append at end of section", "[com]\nn1=a\n\n[x]\nk=v\n", "sel", "1",
         "[com]\nn1=a\nsel=1\n\n[x]\nk=v\n"},
        {"create section", "[x]\nk=v\n", "sel", "1", "[x]\nk=v\n[com]\nsel=1\n"},
        {"create section without final break", "[x]\nk=v", "sel", "1", "[x]\nk=v\n[com]\nsel=1\n"},
        {"empty file", "", "r1", "/a/Py/bin/", "[com]\nr1=/a/Py/bin/\n"},
        {"crlf file stays crlf", "[com]\r\nn1=a\r\n", "sel", "1", "[com]\r\nn1=a\r\nsel=1\r\n"},
        {"section without final break", "[com]\nn1=a", "sel", "1", "[com]\nn1=a\nsel=1\n"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(profile_update(row.content, "com", row.key, row.value), row.expected) << row.name;
    }
}

TEST(ProfileUpdate, refuses_what_would_change_the_structure) {
    EXPECT_FALSE(profile_update("", "com", "", "v"));
    EXPECT_FALSE(profile_update("", "com", "a=b", "v"));
    EXPECT_FALSE(profile_update("", "com", "k", "line\n[evil]"));
    EXPECT_FALSE(profile_update("", "com", "k", "cr\rx"));
    EXPECT_FALSE(profile_update("", "a]b", "k", "v"));  // the header would name section "a"
}

TEST(ProfileUpdate, a_repeated_write_reads_back_and_changes_nothing) {
    struct Row {
        const char* name;
        std::string content, section, key, value;
    };
    const Row rows[] = {
        {"section named with spaces", "[com]\nsel=1\n", " com ", "sel", "2"},
        {"new section named with a tab", "[com]\nn1=a@com", "sel@`\t", "\020a", ""},
        {"key with blanks", "[com]\nsel=1\n", "com", "\tsel ", "3"},
    };
    for (const auto& row : rows) {
        const auto written = profile_update(row.content, row.section, row.key, row.value);
        ASSERT_TRUE(written) << row.name;
        EXPECT_EQ(profile_lookup(*written, row.section, row.key), row.value) << row.name;
        EXPECT_EQ(profile_update(*written, row.section, row.key, row.value), written) << row.name;
    }
}

TEST(ProfileUpdate, written_values_read_back) {
    std::string content;
    for (const std::string value : {"1", "  spaced  ", "[当前]清华源", "", "a=b;c"}) {
        content = *profile_update(content, "com", "key", value);
        EXPECT_EQ(profile_lookup(content, "com", "key"), text::trim(value)) << value;
    }
}

class ConfigFileTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = (dir / "Config.ini").string();
    ConfigFile config{path};
};

TEST_F(ConfigFileTest, missing_file_reads_empty_and_write_creates_it) {
    EXPECT_EQ(config.read_config_value("sel"), "");
    ASSERT_TRUE(config.write_config_value("sel", "1"));
    EXPECT_EQ(test::read_file(path), "[com]\nsel=1\n");
}

TEST_F(ConfigFileTest, read_only_file_is_left_untouched) {
    test::write_file(path, "[com]\nsel=2\n");
    chmod(path.c_str(), 0444);
    EXPECT_FALSE(config.write_config_value("sel", "3"));
    EXPECT_EQ(test::read_file(path), "[com]\nsel=2\n");
}

TEST_F(ConfigFileTest, a_folder_in_its_place_is_never_replaced) {
    std::filesystem::create_directory(path);
    EXPECT_EQ(config.read_config_value("sel"), "");
    EXPECT_FALSE(config.write_config_value("sel", "3"));
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST_F(ConfigFileTest, write_keeps_permissions_and_leaves_no_temporary_file) {
    test::write_file(path, "[com]\nsel=2\n");
    chmod(path.c_str(), 0640);
    ASSERT_TRUE(config.write_config_value("n0", "[当前]豆瓣源"));
    struct stat info {};
    stat(path.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    EXPECT_EQ(config.read_config_value("n0"), "[当前]豆瓣源");
}

}  // namespace
}  // namespace vx::core
