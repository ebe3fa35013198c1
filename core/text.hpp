#pragma once
// Text helpers shared by every module. Texts are UTF-8 byte strings; positions
// are byte positions. A search or split never matches inside a multi-byte
// character because UTF-8 lead and continuation bytes never look like ASCII.
// Case folding touches the ASCII letters only.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vx::text {

inline constexpr std::string_view crlf = "\r\n";

// Number of non-overlapping occurrences of part in text; 0 when either is empty.
std::size_t count_occurrences(std::string_view text, std::string_view part,
                              bool case_sensitive = true);

// Cuts affix off the end of text as long as it ends with it, then off the start
// as long as it starts with it. Stores the result in text and returns it.
// An empty affix leaves the text as it is.
std::string trim_affix(std::string& text, std::string_view affix);

// Cuts suffix off the end of text as long as text ends with it.
std::string trim_suffix(std::string_view text, std::string_view suffix);

// Pieces between the occurrences of separator: an empty piece between two
// adjacent separators is kept, an empty last piece is not, an empty text gives
// no pieces at all.
std::vector<std::string> split(std::string_view text, std::string_view separator);

// Output lines of a program: LF with or without a CR before it ends a line.
// Same piece rules as split().
std::vector<std::string> split_lines(std::string_view text);

// Removes ASCII spaces and full-width spaces (U+3000) from both ends.
std::string trim(std::string_view text);

std::string to_lower_ascii(std::string_view text);
std::string to_upper_ascii(std::string_view text);
bool equals_ignoring_case(std::string_view a, std::string_view b);
bool starts_with_ignoring_case(std::string_view text, std::string_view prefix);

// Position of the first occurrence of part at or after from, ASCII letters
// compared without case; npos when absent.
std::size_t find_ignoring_case(std::string_view text, std::string_view part, std::size_t from = 0);

// One left-to-right pass of non-overlapping replacements.
std::string replace_all(std::string_view text, std::string_view from, std::string_view to);
std::string remove_all(std::string_view text, std::string_view part);
std::string remove_all_ignoring_case(std::string_view text, std::string_view part);

// Valid UTF-8 stays as it is; every invalid sequence becomes U+FFFD.
std::string utf8_to_text(std::string_view bytes);
bool is_valid_utf8(std::string_view bytes);

// The text as one word for /bin/sh: wrapped in single quotes, each ' written
// as '\''. Nothing inside is interpreted by the shell.
std::string quote_for_sh(std::string_view text);

}  // namespace vx::text
