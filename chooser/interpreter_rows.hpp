#pragma once
// Rows of the interpreter chooser and the Config.ini keys they map to. Pure
// logic: the window runs the search, shows these rows and writes the keys.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vx::chooser {

// Finds every interpreter on the search path; run without a working directory.
inline constexpr std::string_view interpreter_search_command = "which -a python python3";

// The list rows: row 0 is always run_dir + "/Py/bin/python", then one row per
// line of search_output, in order. Line breaks at the end of the output are
// dropped first (LF with or without a CR before it); an empty line between two
// breaks is an empty row; a line containing "WindowsApps" is left out and takes
// no row number.
std::vector<std::string> interpreter_rows(std::string_view run_dir, std::string_view search_output);

// The directory stored for a chosen row: its text without a trailing
// "python3" or "python" (case-sensitive), so "/usr/bin/python3" gives
// "/usr/bin/". A row ending in neither is stored whole.
std::string directory_of_row(std::string_view row_text);

// The Config.ini key of row index (0-based): "r1" for row 0, "r3" for row 2.
std::string key_for_row(std::size_t index);

// The value of `sel` for row index (0-based): "1" for row 0.
std::string sel_for_row(std::size_t index);

}  // namespace vx::chooser
