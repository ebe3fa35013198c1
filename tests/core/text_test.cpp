#include "core/text.hpp"

#include <gtest/gtest.h>

namespace vx::text {
namespace {

using Pieces = std::vector<std::string>;

TEST(CountOccurrences, follows_the_non_overlapping_rule) {
    struct Row {
        const char* name;
        std::string text, part;
        std::size_t expected;
    };
    const Row rows[] = {
        {"three hyphens two adjacent", "a--b-c", "-", 3},
        {"no overlap", "aaaa", "aa", 2},
        {"odd run", "aaa", "aa", 1},
        {"empty text", "", "-", 0},
        {"empty part", "abc", "", 0},
        {"case matters", "Not Found", "not found", 0},
        {"multi-byte text", "包-包-", "包", 2},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(count_occurrences(row.text, row.part), row.expected) << row.name;
    }
    EXPECT_EQ(count_occurrences("Not Found", "not found", /*case_sensitive=*/false), 1u);
}

TEST(TrimAffix, cuts_the_end_first_then_the_start) {
    std::string text = "\r\n\r\nx\r\n";
    EXPECT_EQ(trim_affix(text, crlf), "x");
    EXPECT_EQ(text, "x");
    std::string untouched = "a\r\nb";
    EXPECT_EQ(trim_affix(untouched, crlf), "a\r\nb");
    std::string only_breaks = "\r\n\r\n";
    EXPECT_EQ(trim_affix(only_breaks, crlf), "");
}

TEST(Split, keeps_inner_empty_pieces_and_drops_the_last_empty_one) {
    EXPECT_EQ(split("", ","), Pieces{});
    EXPECT_EQ(split("a,,b", ","), (Pieces{"a", "", "b"}));
    EXPECT_EQ(split("a,b,", ","), (Pieces{"a", "b"}));
    EXPECT_EQ(split(",a", ","), (Pieces{"", "a"}));
    EXPECT_EQ(split("a\r\n\r\nb", "\r\n"), (Pieces{"a", "", "b"}));
}

TEST(SplitLines, treats_lf_and_crlf_alike) {
    EXPECT_EQ(split_lines("a\nb\r\nc"), (Pieces{"a", "b", "c"}));
    EXPECT_EQ(split_lines("a\n\nb\n"), (Pieces{"a", "", "b"}));
    EXPECT_EQ(split_lines(""), Pieces{});
}

TEST(Trim, removes_ascii_and_full_width_spaces_only) {
    EXPECT_EQ(trim("  a b  "), "a b");
    EXPECT_EQ(trim("\xE3\x80\x80 x\xE3\x80\x80"), "x");
    EXPECT_EQ(trim("\ta\t"), "\ta\t");
    EXPECT_EQ(trim("   "), "");
}

TEST(CaseFolding, touches_ascii_letters_only) {
    EXPECT_EQ(to_lower_ascii("NumPy-包Ä"), "numpy-包Ä");
    EXPECT_EQ(to_upper_ascii("numpy"), "NUMPY");
    EXPECT_TRUE(equals_ignoring_case("Set-Cookie", "set-cookie"));
    EXPECT_TRUE(starts_with_ignoring_case("NumPy", "nu"));
    EXPECT_EQ(find_ignoring_case("x-Accept: 1", "accept:"), 2u);
    EXPECT_EQ(remove_all_ignoring_case("Cookie: a=1; cookie:b", "cookie:"), " a=1; b");
}

TEST(ReplaceAll, is_one_left_to_right_pass) {
    EXPECT_EQ(replace_all("a     b", "  ", " "), "a   b");
    EXPECT_EQ(replace_all("TxT", "T", " "), " x ");
}

TEST(Utf8ToText, keeps_valid_text_and_replaces_invalid_bytes) {
    EXPECT_EQ(utf8_to_text("要求（Python）"), "要求（Python）");
    EXPECT_EQ(utf8_to_text("a\xFF"
                           "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(utf8_to_text("\xE4\xB8"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(utf8_to_text("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_TRUE(is_valid_utf8("ok 包"));
    EXPECT_FALSE(is_valid_utf8("\xC0\xAF"));
}

TEST(QuoteForSh, makes_one_inert_word) {
    EXPECT_EQ(quote_for_sh("a b"), "'a b'");
    EXPECT_EQ(quote_for_sh("it's"), "'it'\\''s'");
    EXPECT_EQ(quote_for_sh(""), "''");
}

}  // namespace
}  // namespace vx::text
