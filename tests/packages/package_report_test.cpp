#include "packages/package_report.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <random>

#include "core/text.hpp"
#include "tests/packages/literal_package_report.hpp"

namespace vx::packages {

void PrintTo(const PackageItem& item, std::ostream* out) {
    *out << "{\"" << item.name << "\", \"" << item.version << "\"}";
}

namespace {

using Lines = std::vector<std::string>;
using Items = std::vector<PackageItem>;

// Outputs of "python -m pip list" captured from pip 23.0.1 in fresh venvs.
constexpr std::string_view fresh_venv_report =
    "Package    Version\n"
    "---------- -------\n"
    "pip        23.0.1\n"
    "setuptools 66.1.1\n";

constexpr std::string_view editable_install_report =
    "Package     Version Editable project location\n"
    "----------- ------- -------------------------\n"
    "pip         23.0.1\n"
    "setuptools  66.1.1\n"
    "vx-tiny-pkg 0.1.0   /tmp/vxpl/proj\n";

constexpr std::string_view hyphenated_names_report =
    "Package      Version\n"
    "------------ ------------\n"
    "pip          23.0.1\n"
    "setuptools   66.1.1\n"
    "vx-alpha-one 1.2.3\n"
    "Vx.Delta     10.0.0.post2\n"
    "vx-gamma     0.9.1rc1\n"
    "vxbeta       2.0\n";

struct ReportRow {
    const char* name;
    std::string output;
    Lines lines;
    Items items;
};

std::vector<ReportRow> report_rows() {
    return {
        {"fresh venv",
         std::string(fresh_venv_report),
         {"pip 23.0.1", "setuptools 66.1.1"},
         {{"pip", "23.0.1"}, {"setuptools", "66.1.1"}}},
        {"editable install keeps the third column in the line only",
         std::string(editable_install_report),
         {"pip 23.0.1", "setuptools 66.1.1", "vx-tiny-pkg 0.1.0 /tmp/vxpl/proj"},
         {{"pip", "23.0.1"}, {"setuptools", "66.1.1"}, {"vx-tiny-pkg", "0.1.0"}}},
        {"hyphenated names",
         std::string(hyphenated_names_report),
         {"pip 23.0.1", "setuptools 66.1.1", "vx-alpha-one 1.2.3", "Vx.Delta 10.0.0.post2",
          "vx-gamma 0.9.1rc1", "vxbeta 2.0"},
         {{"pip", "23.0.1"},
          {"setuptools", "66.1.1"},
          {"vx-alpha-one", "1.2.3"},
          {"Vx.Delta", "10.0.0.post2"},
          {"vx-gamma", "0.9.1rc1"},
          {"vxbeta", "2.0"}}},
        {"four-line report",
         "Package    Version\r\n---------- -------\r\nnumpy      1.21.0\r\npip        21.1.1\r\n",
         {"numpy 1.21.0", "pip 21.1.1"},
         {{"numpy", "1.21.0"}, {"pip", "21.1.1"}}},
        // Without hyphens nothing collapses: two spaces give an empty field.
        {"no hyphen keeps runs of spaces",
         "Package Version\n======= =======\nnumpy   1.21.0\npip 21.1.1\n",
         {"numpy   1.21.0", "pip 21.1.1"},
         {{"numpy", ""}, {"pip", "21.1.1"}}},
        {"one hyphen is no pass", "Package Version\n- =\nab  1.0\n", {"ab  1.0"}, {{"ab", ""}}},
        {"output without line break stays one line",
         "ERROR: No module named pip",
         {"ERROR: No module named pip"},
         {{"ERROR:", "No"}}},
        // The break makes it a title line.
        {"one line with a final break is dropped", "python: not found\n", {}, {}},
        {"empty output", "", {}, {}},
        // After the first drop no break is left, so the second drops nothing.
        {"titles only leave the rule",
         "Package Version\n------- -------\n",
         {"------- -------"},
         {{"-------", "-------"}}},
        // A break at the very start makes the first drop remove only blank lines.
        {"leading blank lines use up a drop",
         "\n\nPackage Version\n\n------- -------\n\n\nabc 1.0\n\n",
         {"------- -------", "", "", "abc 1.0"},
         {{"-------", "-------"}, {"", ""}, {"", ""}, {"abc", "1.0"}}},
        {"blank line between packages is an empty item",
         "Package Version\n------- -------\nabc 1.0\n\ndef 2.0\n",
         {"abc 1.0", "", "def 2.0"},
         {{"abc", "1.0"}, {"", ""}, {"def", "2.0"}}},
        {"single word gives an empty version",
         "Package Version\n------- -------\nlonely\n",
         {"lonely"},
         {{"lonely", ""}}},
        {"trailing space gives no extra field",
         "Package Version\n------- -------\nabc \n",
         {"abc "},
         {{"abc", ""}}},
        {"mixed line ends",
         "Package Version\r\n------- -------\nabc     1.0\r\ndef     2.0\n",
         {"abc 1.0", "def 2.0"},
         {{"abc", "1.0"}, {"def", "2.0"}}},
        {"a CR before a CR LF stays in the line",
         "Package Version\r\n------- -------\r\nabc 1.0\r\r\n",
         {"abc 1.0\r"},
         {{"abc", "1.0\r"}}},
        {"multi-byte text passes through",
         "包 版本\n--- ---\n包名    1.0\n",
         {"包名 1.0"},
         {{"包名", "1.0"}}},
    };
}

TEST(FillPackageList, table_of_reports_gives_lines_and_items) {
    for (const ReportRow& row : report_rows()) {
        for (bool crlf : {false, true}) {
            std::string output = crlf ? literal::to_crlf(row.output) : row.output;
            const PackageReport report = fill_package_list(output);
            EXPECT_EQ(report.installed_lines, row.lines) << row.name << (crlf ? " (CR LF)" : "");
            EXPECT_EQ(report.items, row.items) << row.name << (crlf ? " (CR LF)" : "");
        }
    }
}

TEST(FillPackageList, last_output_holds_the_reduced_report_with_lf_breaks) {
    std::string output =
        "Package    Version\r\n---------- -------\r\nnumpy      1.21.0\r\npip        21.1.1\r\n";
    fill_package_list(output);
    EXPECT_EQ(output, "numpy 1.21.0\npip 21.1.1");
}

TEST(FillPackageList, passes_are_limited_by_the_hyphen_count) {
    // 4 hyphens: 2 passes, so 8 spaces become 2 and the version field is empty.
    std::string output = "a\n-\nx--y        1\n-\n";
    const PackageReport report = fill_package_list(output);
    EXPECT_EQ(report.installed_lines, (Lines{"x--y  1", "-"}));
    EXPECT_EQ(report.items.front(), (PackageItem{"x--y", ""}));
}

TEST(CollapsedRunLength, matches_repeated_pair_replacement) {
    for (std::size_t run = 0; run <= 70; ++run) {
        std::string text = "a" + std::string(run, ' ') + "b";
        for (std::size_t passes = 0; passes <= 9; ++passes) {
            EXPECT_EQ(collapsed_run_length(run, passes), text.size() - 2)
                << run << " spaces, " << passes << " passes";
            text = vx::text::replace_all(text, "  ", " ");
        }
    }
    EXPECT_EQ(collapsed_run_length(1'000'000, std::size_t(-1)), 1u);
}

TEST(PackageItemFromLine, takes_the_first_two_space_separated_fields) {
    struct Row {
        const char* name;
        std::string line;
        PackageItem item;
    };
    const Row rows[] = {
        {"name and version", "numpy 1.21.0", {"numpy", "1.21.0"}},
        {"later fields ignored", "vx-tiny 0.1.0 /src/vx-tiny", {"vx-tiny", "0.1.0"}},
        {"single word", "numpy", {"numpy", ""}},
        {"empty line", "", {"", ""}},
        {"two spaces give an empty version", "numpy  1.0", {"numpy", ""}},
        {"leading space gives an empty name", " numpy 1.0", {"", "numpy"}},
        {"trailing space", "numpy ", {"numpy", ""}},
        {"lone space", " ", {"", ""}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(package_item_from_line(row.line), row.item) << row.name;
    }
}

// Both implementations on the same text: ours on the text as given, the
// literal one on its CR LF form.
void expect_same_as_literal(const std::string& output, const std::string& label) {
    std::string ours_text = output;
    std::string literal_text = literal::to_crlf(output);
    const PackageReport ours = fill_package_list(ours_text);
    const PackageReport expected = literal::fill_package_list(literal_text);
    ASSERT_EQ(ours.installed_lines, expected.installed_lines) << label;
    ASSERT_EQ(ours.items, expected.items) << label;
    ASSERT_EQ(ours_text, vx::text::replace_all(literal_text, "\r\n", "\n")) << label;
}

TEST(FillPackageList, equals_the_literal_rule_on_chosen_texts) {
    const std::string rows[] = {
        "",
        "-",
        "\n",
        "\r\n\r\n",
        "a\nb",
        "a\r\nb\r\nc",
        "  \n  \n  ",
        "t\n--\n" + std::string(33, ' ') + "x",
        "t\n" + std::string(200, '-') + "\nname" + std::string(100, ' ') + "1.0\n",
        "t\r\r\n-\r\r\nx  \r  y\r\n\r\n",
        "\r",
        "\n\r\n\n\rx",
    };
    for (const auto& row : rows) {
        expect_same_as_literal(row, "chosen text");
    }
    for (const ReportRow& report : report_rows()) {
        expect_same_as_literal(report.output, report.name);
    }
}

// Random texts built from the pieces a report is made of, plus stray bytes.
std::string random_text(std::mt19937& random) {
    static const std::string_view pieces[] = {
        "numpy",        "a",    "Package", "1.0", "-",  "--", "---------- -------",
        "\n",           "\r\n", "\r",      " ",   "  ", "\t", "包",
        "\xE3\x80\x80", "==",   "\xFF"};
    std::uniform_int_distribution<std::size_t> count(0, 60);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    std::uniform_int_distribution<std::size_t> spaces(3, 70);
    std::uniform_int_distribution<int> coin(0, 5);
    std::string text;
    for (std::size_t n = count(random); n > 0; --n) {
        if (coin(random) == 0) {
            text.append(spaces(random), ' ');
        } else {
            text += pieces[piece(random)];
        }
    }
    return text;
}

// A pip-like report with padded columns and random line ends.
std::string random_report(std::mt19937& random) {
    std::uniform_int_distribution<std::size_t> packages(0, 30);
    std::uniform_int_distribution<std::size_t> length(1, 25);
    std::uniform_int_distribution<int> letter(0, 12);
    std::uniform_int_distribution<int> coin(0, 1);
    std::vector<std::string> names;
    for (std::size_t n = packages(random); n > 0; --n) {
        std::string name;
        for (std::size_t i = length(random); i > 0; --i) {
            const int c = letter(random);
            name += c < 3 ? '-' : static_cast<char>('a' + c);
        }
        names.push_back(name);
    }
    std::size_t width = 7;
    for (const auto& name : names) {
        width = std::max(width, name.size());
    }
    const auto line_end = [&] { return coin(random) ? "\n" : "\r\n"; };
    std::string text = "Package" + std::string(width - 7 + 1, ' ') + "Version" + line_end();
    text += std::string(width, '-') + " " + std::string(7, '-') + line_end();
    for (const auto& name : names) {
        text += name + std::string(width - name.size() + 1, ' ') + "1.0" + line_end();
    }
    return text;
}

TEST(FillPackageList, equals_the_literal_rule_on_random_texts) {
    std::mt19937 random(20240611);
    for (int i = 0; i < 3000; ++i) {
        expect_same_as_literal(random_text(random), "random text " + std::to_string(i));
        expect_same_as_literal(random_report(random), "random report " + std::to_string(i));
    }
}

}  // namespace
}  // namespace vx::packages
