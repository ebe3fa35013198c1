#include "packages/package_filter.hpp"

#include <gtest/gtest.h>

#include <ostream>

namespace vx::packages {

void PrintTo(const PackageItem& item, std::ostream* out) {
    *out << "{\"" << item.name << "\", \"" << item.version << "\"}";
}

namespace {

using Items = std::vector<PackageItem>;

const std::vector<std::string> installed_lines = {"numpy 1.21.0", "pandas 1.3.0", "numba 0.53.1",
                                                  "vx-tiny 0.1.0 /src/vx-tiny"};

TEST(FilterPackageList, shows_names_beginning_with_the_filter_in_list_order) {
    const Items numpy_numba = {{"numpy", "1.21.0"}, {"numba", "0.53.1"}};
    struct Row {
        const char* name;
        std::string filter;
        Items shown;
    };
    const std::vector<Row> rows = {
        {"prefix as typed", "nu", numpy_numba},
        {"capital first letter", "Nu", numpy_numba},
        {"capital second letter", "nU", numpy_numba},
        {"match inside the name only", "py", {}},
        {"longer than every name", "numpy-and-more", {}},
        {"whole name", "NUMPY", {{"numpy", "1.21.0"}}},
        {"version text is not searched", "1.21", {}},
        {"hyphen in the filter", "vx-", {{"vx-tiny", "0.1.0"}}},
        {"leading space is kept, not trimmed", " nu", {}},
        {"trailing space goes past the name", "numpy ", {}},
        {"empty shows everything",
         "",
         {{"numpy", "1.21.0"}, {"pandas", "1.3.0"}, {"numba", "0.53.1"}, {"vx-tiny", "0.1.0"}}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(filter_package_list(installed_lines, row.filter), row.shown) << row.name;
    }
}

TEST(FilterPackageList, empty_filter_keeps_lines_without_a_version) {
    const std::vector<std::string> lines = {"lonely", "", "a 1"};
    EXPECT_EQ(filter_package_list(lines, ""), (Items{{"lonely", ""}, {"", ""}, {"a", "1"}}));
    EXPECT_EQ(filter_package_list(lines, "lo"), (Items{{"lonely", ""}}));
    EXPECT_EQ(filter_package_list({}, "a"), Items{});
}

TEST(ShouldResetList, only_when_both_boxes_are_empty) {
    EXPECT_TRUE(should_reset_list("", ""));
    EXPECT_FALSE(should_reset_list("numpy", ""));
    EXPECT_FALSE(should_reset_list("", "nu"));
    EXPECT_FALSE(should_reset_list(" ", ""));
}

}  // namespace
}  // namespace vx::packages
