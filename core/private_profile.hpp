#pragma once
// The Windows private-profile format ("[section]" lines, then key=value lines)
// as Config.ini and pip.conf use it, over texts, so that the file layer stays
// thin and the rules can be tested and fuzzed directly.
//
// Rules: section and key names compare ignoring ASCII case; the first matching
// key wins; names and values are trimmed of blanks; a value wrapped in one pair
// of matching quotes comes back without them; a missing key reads as empty.
#include <optional>
#include <string>
#include <string_view>

namespace vx::core {

// Longest value a read returns (the classic 10240-byte buffer less its terminator).
inline constexpr std::size_t max_profile_value = 10239;

std::string profile_lookup(std::string_view content, std::string_view section,
                           std::string_view key);

// The content with key set to value: replaced in place when the key exists,
// else appended at the end of its section, the section appended at the end of
// the content when missing. Every other line stays as it was. nullopt when the
// key or value cannot be stored (empty key, a line break, "=" or "]" where it
// would change the file's structure).
std::optional<std::string> profile_update(std::string_view content, std::string_view section,
                                          std::string_view key, std::string_view value);

// The same over a file: a missing or unreadable file reads as empty; a write
// creates the file, replaces it atomically and fails without touching it when
// it cannot be written.
std::string read_profile_string(const std::string& path, std::string_view section,
                                std::string_view key);
bool write_profile_string(const std::string& path, std::string_view section, std::string_view key,
                          std::string_view value);

}  // namespace vx::core
