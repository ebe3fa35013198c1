#pragma once
// The name filter of the package list: which entries to show for the text
// typed into the filter box. Pure logic over installed_lines; the widget
// handlers only clear the list and append what these functions return.
#include <string>
#include <string_view>
#include <vector>

#include "packages/package_report.hpp"

namespace vx::packages {

// The items to show for filter_text, taken exactly as typed (not trimmed).
// Empty: every line's item, in order. Otherwise the items whose package name
// begins with filter_text, ASCII letters compared without case, in order.
std::vector<PackageItem> filter_package_list(const std::vector<std::string>& installed_lines,
                                             std::string_view filter_text);

// Whether entering the filter box rebuilds the full list: only when both the
// lookup box and the filter box are empty.
bool should_reset_list(std::string_view search_text, std::string_view filter_text);

}  // namespace vx::packages
