#pragma once
// Reading pip's package report ("python -m pip list") into the lines and list
// items of the installed-package list. Pure logic: no widgets, no processes.
//
// The reduction follows the list's historic rule exactly: count the hyphens of
// the raw report (d), drop the column-title line and the dashed rule, then
// collapse pairs of spaces in floor(d / 2) passes. The passes are computed in
// one sweep over the text, with the same result as running them one by one.
//
// A line break is LF with or without a CR before it; the reduced text keeps
// LF alone.
#include <string>
#include <string_view>
#include <vector>

#include "core/main_view.hpp"

namespace vx::packages {

// One entry of the package list: column 0 and the hidden column 1.
using PackageItem = core::PackageItem;

// What a load of the package list produces besides the reduced report.
struct PackageReport {
    std::vector<std::string> installed_lines;  // one per line of the reduced report
    std::vector<PackageItem> items;            // one per line, same order
};

// Reduces last_output in place (title lines gone, runs of spaces collapsed,
// line breaks as LF) and returns the new installed_lines with their items.
// Any text is accepted; an empty one gives no lines.
PackageReport fill_package_list(std::string& last_output);

// Splits one report line at single spaces: field 1 is the name, field 2 the
// version, later fields are ignored. A missing field is the empty text, so a
// single word gives an empty version and an empty line an empty item.
PackageItem package_item_from_line(std::string_view line);

// Number of spaces left of a run of run_length spaces after the given number
// of passes that each replace every pair of spaces by one (left to right).
std::size_t collapsed_run_length(std::size_t run_length, std::size_t passes);

}  // namespace vx::packages
