#pragma once
// Checks for every outside value that reaches a pip command line or a lookup
// address, and the pip command lines themselves. Pure logic.
//
// A command line goes to "/bin/sh -c". Package names and versions are checked
// and refused before any command is built; each outside value is then passed
// as one single-quoted sh word, so nothing in it is interpreted by the shell
// (a file name holding ", $, ` or ; is just a name). Every command line starts
// with "python -m pip", which the runner points at the working directory's
// interpreter.
#include <optional>
#include <string>
#include <string_view>

namespace vx::packages {

// A package name as the index and pip accept it: ASCII letters, digits, ".",
// "_" and "-", starting and ending with a letter or digit. Case does not
// matter, so a name is valid exactly when its ASCII lower-cased form is; a
// non-ASCII letter is refused whatever its case (it is never folded).
bool is_valid_package_name(std::string_view name);

// A version text for a "==" pin: non-empty, only ASCII letters, digits and
// ". + ! * _ -".
bool is_valid_version_text(std::string_view version);

// An index address for pip: "http://" or "https://" (scheme in any case), a
// non-empty host (optionally with user info and a numeric port), then any
// path. Refused: whitespace of any kind, control characters, the quotes
// ' " `, the backslash, and bytes that are not UTF-8.
bool is_http_url(std::string_view address);

// The text as one path segment of a URL: every byte other than ASCII letters,
// digits and "- . _ ~" written as %XX (upper-case hex).
std::string percent_encode_path_segment(std::string_view name);

// "python -m pip install 'NAME==VERSION'", with "--upgrade " after "install "
// when upgrade is set. Nothing when the name or version is not valid.
std::optional<std::string> install_command(std::string_view name, std::string_view version,
                                           bool upgrade);

// "python -m pip uninstall 'NAME' -y". Nothing when the name is not valid.
std::optional<std::string> uninstall_command(std::string_view name);

// "python -m pip freeze > 'TEMP_PATH'". The caller writes to a temporary
// file beside the chosen one and renames it over the chosen file only when
// pip succeeded, so a failed export never destroys an existing file.
// Nothing for an empty path or one holding a NUL byte (as for the two below).
std::optional<std::string> freeze_command(std::string_view temp_path);

// "python -m pip install -r 'PATH'".
std::optional<std::string> import_command(std::string_view path);

// "python -m pip uninstall -r 'PATH' -y".
std::optional<std::string> batch_uninstall_command(std::string_view path);

// "python -m pip config set global.index-url 'URL'". Nothing when the
// address fails is_http_url.
std::optional<std::string> set_index_url_command(std::string_view url);

}  // namespace vx::packages
