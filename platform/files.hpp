#pragma once
// File operations with the guarantees the program needs: a write replaces the
// file whole or not at all.
#include <optional>
#include <string>
#include <string_view>

namespace vx::platform {

// The whole file, or nullopt when it cannot be read (missing, a folder, no access).
std::optional<std::string> read_whole_file(const std::string& path);

// Writes bytes to a temporary file beside path, flushes it to disk and renames
// it over path. An existing file keeps its permissions; a read-only file, a
// folder or an unwritable parent make the write fail and leave path untouched.
bool write_file_atomically(const std::string& path, std::string_view bytes);

bool path_exists(const std::string& path);
bool is_directory(const std::string& path);
bool is_executable_file(const std::string& path);

// True when some entry of folder matches the glob pattern (e.g. "python3.*").
bool any_entry_matches(const std::string& folder, const std::string& pattern);

// Creates the folder and its parents; an existing folder is no error.
bool make_directories(const std::string& path);

// Creates an empty file with a unique name in the folder of path (path +
// ".tmp-XXXXXX") and returns its name; nullopt when the folder is not writable.
std::optional<std::string> make_temp_file_beside(const std::string& path);

// Renames from over to, keeping the permissions of an existing to; false when
// to is read-only, a folder, or the rename fails.
bool replace_file(const std::string& from, const std::string& to);

bool remove_file(const std::string& path);

}  // namespace vx::platform
