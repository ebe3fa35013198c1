#include "packages/package_names.hpp"

#include <gtest/gtest.h>

#include "core/text.hpp"

namespace vx::packages {
namespace {

using namespace std::string_literals;

// Values that must never reach a command line unchecked.
const std::string hostile[] = {
    "a;rm -rf ~", "a$(id)", "a`id`", "a\"b", "a'b", "a|b",   "a&b", "a\nb", "a b", "a\tb",
    "a\0b"s,      "a>b",    "a*b",   "-e",   "包",  "naïve", "a/b", "a\\b", "a=b", "a#b",
};

TEST(IsValidPackageName, accepts_index_names_and_refuses_the_rest) {
    struct Row {
        const char* name;
        std::string value;
        bool valid;
    };
    const Row rows[] = {
        {"lower case", "numpy", true},
        {"mixed case", "NumPy", true},
        {"one letter", "a", true},
        {"one digit", "7", true},
        {"inner punctuation", "zope.interface_x-y", true},
        {"digits inside", "py3dns", true},
        {"empty", "", false},
        {"leading hyphen", "-numpy", false},
        {"trailing hyphen", "numpy-", false},
        {"leading dot", ".numpy", false},
        {"trailing dot", "numpy.", false},
        {"leading underscore", "_numpy", false},
        {"version pin inside", "numpy==1.0", false},
        {"extras", "requests[socks]", false},
        {"kelvin sign is not folded to k",
         "\xE2\x84\xAA"
         "eras",
         false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(is_valid_package_name(row.value), row.valid) << row.name;
        EXPECT_EQ(is_valid_package_name(vx::text::to_lower_ascii(row.value)), row.valid)
            << row.name << " (lower-cased)";
    }
    for (const std::string& value : hostile) {
        EXPECT_FALSE(is_valid_package_name(value)) << value;
    }
}

TEST(IsValidVersionText, accepts_version_characters_only) {
    for (const char* value : {"1.21.0", "2.0rc1", "1!2.0", "1.0+local.7", "1.*", "0.9_1-2", "a"}) {
        EXPECT_TRUE(is_valid_version_text(value)) << value;
    }
    EXPECT_FALSE(is_valid_version_text(""));
    EXPECT_FALSE(is_valid_version_text("１.0")) << "full-width digit";
    // "*" and "-" are version characters; the rest of the hostile values are not.
    for (const std::string& value : hostile) {
        if (value != "a*b" && value != "-e") {
            EXPECT_FALSE(is_valid_version_text(value)) << value;
        }
    }
}

TEST(IsHttpUrl, accepts_http_addresses_with_a_host) {
    struct Row {
        const char* name;
        std::string value;
        bool valid;
    };
    const Row rows[] = {
        {"https with path", "https://pypi.tuna.tsinghua.edu.cn/simple", true},
        {"http with port", "http://127.0.0.1:8080/simple/", true},
        {"scheme in capitals", "HTTPS://mirrors.aliyun.com/pypi/simple/", true},
        {"host only", "https://example.org", true},
        {"user info", "https://user:pw@example.org/simple", true},
        {"ipv6 with port", "http://[::1]:3141/root/pypi/", true},
        {"query", "https://example.org/simple?x=1&y=2", true},
        {"non-ascii host", "https://例子.测试/simple", true},
        {"empty", "", false},
        {"no scheme", "pypi.org/simple", false},
        {"other scheme", "ftp://example.org/", false},
        {"file scheme", "file:///tmp/index", false},
        {"scheme only", "https://", false},
        {"empty host before path", "https:///simple", false},
        {"empty host after user info", "https://user@/simple", false},
        {"port without host", "http://:8080/", false},
        {"empty port", "http://host:/", false},
        {"letters in port", "http://host:80a/", false},
        {"unclosed ipv6", "http://[::1/", false},
        {"space", "https://example.org/a b", false},
        {"leading space", " https://example.org/", false},
        {"newline", "https://example.org/\nrm -rf ~", false},
        {"tab", "https://example.org/\t", false},
        {"carriage return", "https://example.org/\r", false},
        {"nul", "https://example.org/\0x"s, false},
        {"delete", "https://example.org/\x7F", false},
        {"single quote", "https://example.org/'$(id)'", false},
        {"double quote", "https://example.org/\"", false},
        {"backquote", "https://example.org/`id`", false},
        {"backslash", "https://example.org\\@evil/", false},
        {"c1 control", "https://example.org/\xC2\x85", false},
        {"no-break space", "https://example.org/\xC2\xA0x", false},
        {"full-width space", "https://example.org/\xE3\x80\x80", false},
        {"invalid utf-8", "https://example.org/\xFF", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(is_http_url(row.value), row.valid) << row.name;
    }
}

TEST(PercentEncodePathSegment, keeps_unreserved_bytes_only) {
    EXPECT_EQ(percent_encode_path_segment("numpy"), "numpy");
    EXPECT_EQ(percent_encode_path_segment("zope.interface_x-y~"), "zope.interface_x-y~");
    EXPECT_EQ(percent_encode_path_segment("a/b?c#d e%"), "a%2Fb%3Fc%23d%20e%25");
    EXPECT_EQ(percent_encode_path_segment("../x"), "..%2Fx");
    EXPECT_EQ(percent_encode_path_segment("包"), "%E5%8C%85");
    EXPECT_EQ(percent_encode_path_segment(""), "");
}

TEST(PipCommands, quote_every_outside_value_as_one_sh_word) {
    struct Row {
        const char* name;
        std::optional<std::string> command;
        std::optional<std::string> expected;
    };
    const Row rows[] = {
        {"install", install_command("numpy", "1.21.0", false),
         "python -m pip install 'numpy==1.21.0'"},
        {"upgrade", install_command("NumPy", "1.*", true),
         "python -m pip install --upgrade 'NumPy==1.*'"},
        {"uninstall", uninstall_command("vx-tiny"), "python -m pip uninstall 'vx-tiny' -y"},
        {"freeze to a temporary file", freeze_command("/home/u/requirements.txt.vx-tmp"),
         "python -m pip freeze > '/home/u/requirements.txt.vx-tmp'"},
        {"import", import_command("/home/u/my reqs.txt"),
         "python -m pip install -r '/home/u/my reqs.txt'"},
        {"batch uninstall", batch_uninstall_command("/home/u/r.txt"),
         "python -m pip uninstall -r '/home/u/r.txt' -y"},
        {"path with shell characters", import_command("/tmp/a\";$(id)`x`'b.txt"),
         "python -m pip install -r '/tmp/a\";$(id)`x`'\\''b.txt'"},
        {"mirror", set_index_url_command("https://pypi.tuna.tsinghua.edu.cn/simple"),
         "python -m pip config set global.index-url 'https://pypi.tuna.tsinghua.edu.cn/simple'"},
        {"mirror with query", set_index_url_command("https://h/s?a=1&b=$x"),
         "python -m pip config set global.index-url 'https://h/s?a=1&b=$x'"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.command, row.expected) << row.name;
    }
}

TEST(PipCommands, refuse_invalid_values_before_building_a_line) {
    // Inside a quoted address only these can do harm or mislead pip.
    const std::string url_hostile[] = {"a;rm -rf ~", "a`id`", "a\"b",  "a'b", "a\nb",
                                       "a b",        "a\tb",  "a\0b"s, "a\\b"};
    for (const std::string& value : hostile) {
        EXPECT_EQ(install_command(value, "1.0", false), std::nullopt) << value;
        EXPECT_EQ(uninstall_command(value), std::nullopt) << value;
        if (!is_valid_version_text(value)) {
            EXPECT_EQ(install_command("numpy", value, true), std::nullopt) << value;
        }
    }
    for (const std::string& value : url_hostile) {
        EXPECT_EQ(set_index_url_command("https://h/" + value), std::nullopt) << value;
    }
    EXPECT_EQ(install_command("numpy", "", false), std::nullopt) << "empty version";
    EXPECT_EQ(install_command("", "1.0", false), std::nullopt) << "empty name";
    EXPECT_EQ(set_index_url_command("ftp://h/"), std::nullopt);
    for (const std::string& path : {""s, "/tmp/a\0b"s}) {
        EXPECT_EQ(freeze_command(path), std::nullopt);
        EXPECT_EQ(import_command(path), std::nullopt);
        EXPECT_EQ(batch_uninstall_command(path), std::nullopt);
    }
}

}  // namespace
}  // namespace vx::packages
