#pragma once
// Where things are on this system: the program's own folder and the per-user
// folders that pip and the single-instance lock use.
#include <string>

namespace vx::platform {

// The folder of the running executable, without a trailing "/".
std::string executable_dir();

// $HOME, or the password database's home when HOME is unset.
std::string home_dir();

// $XDG_CONFIG_HOME, or $HOME/.config when it is unset or empty.
std::string user_config_dir();

// $XDG_RUNTIME_DIR when it is a usable folder, else $TMPDIR or /tmp.
std::string runtime_dir();

}  // namespace vx::platform
