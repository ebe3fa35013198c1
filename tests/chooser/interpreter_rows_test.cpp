#include "chooser/interpreter_rows.hpp"

#include <gtest/gtest.h>

namespace vx::chooser {
namespace {

using Rows = std::vector<std::string>;

constexpr std::string_view run_dir = "/opt/verdanex";
const std::string own_row = "/opt/verdanex/Py/bin/python";

TEST(InterpreterRows, lists_own_interpreter_then_search_lines) {
    struct Row {
        const char* name;
        std::string output;
        Rows rows;
    };
    const Row rows[] = {
        {"nothing found", "", {own_row}},
        {"left-out line takes no number",
         "/usr/local/bin/python3\n/mnt/c/Users/u/AppData/Local/Microsoft/WindowsApps/python\n"
         "/usr/bin/python3\n",
         {own_row, "/usr/local/bin/python3", "/usr/bin/python3"}},
        {"trailing blank lines make no rows",
         "/usr/bin/python3\n\n\r\n\n",
         {own_row, "/usr/bin/python3"}},
        {"crlf output", "/a/python\r\n/b/python3\r\n", {own_row, "/a/python", "/b/python3"}},
        {"no final break", "/a/python", {own_row, "/a/python"}},
        {"empty line between breaks is an empty row",
         "/a/python\n\n/b/python\n",
         {own_row, "/a/python", "", "/b/python"}},
        {"windowsapps match is case-sensitive",
         "/x/windowsapps/python\n",
         {own_row, "/x/windowsapps/python"}},
        {"a failure message is listed like a path",
         "which: no python in (/usr/bin)\n",
         {own_row, "which: no python in (/usr/bin)"}},
        {"only breaks", "\n\r\n", {own_row}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(interpreter_rows(run_dir, row.output), row.rows) << row.name;
    }
}

TEST(InterpreterRows, last_of_three_paths_maps_to_r3_when_one_is_left_out) {
    const Rows rows = interpreter_rows(
        run_dir, "/usr/bin/python3\n/c/Users/u/WindowsApps/python3\n/opt/py/bin/python\n");
    ASSERT_EQ(rows.size(), 3u);
    const std::size_t last = rows.size() - 1;
    EXPECT_EQ(directory_of_row(rows[last]), "/opt/py/bin/");
    EXPECT_EQ(key_for_row(last), "r3");
    EXPECT_EQ(sel_for_row(last), "3");
    EXPECT_EQ(directory_of_row(rows[0]), "/opt/verdanex/Py/bin/");
    EXPECT_EQ(key_for_row(0), "r1");
    EXPECT_EQ(sel_for_row(0), "1");
}

TEST(DirectoryOfRow, removes_a_trailing_interpreter_name_once) {
    struct Row {
        const char* name;
        std::string text, directory;
    };
    const Row rows[] = {
        {"python3", "/usr/bin/python3", "/usr/bin/"},
        {"python", "/opt/py/bin/python", "/opt/py/bin/"},
        {"capital P is not the name", "/opt/py/bin/Python", "/opt/py/bin/Python"},
        {"versioned name is stored whole", "/usr/bin/python3.11", "/usr/bin/python3.11"},
        {"folder called python keeps its name", "/home/u/python/python3", "/home/u/python/"},
        {"empty row", "", ""},
        {"bare name", "python", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(directory_of_row(row.text), row.directory) << row.name;
    }
}

TEST(RowKeys, count_from_one) {
    EXPECT_EQ(key_for_row(9), "r10");
    EXPECT_EQ(sel_for_row(9), "10");
}

}  // namespace
}  // namespace vx::chooser
