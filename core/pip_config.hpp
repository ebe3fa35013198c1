#pragma once
// pip's per-user configuration file, which the program seeds once with an
// index address and never touches again.
#include <string>

namespace vx::core {

// $XDG_CONFIG_HOME/pip/pip.conf (with $HOME/.config when unset): the file pip reads.
std::string pip_config_path();

// True when the user already has a per-user pip configuration: the file above
// or pip's older $HOME/.pip/pip.conf, which a new file would silently override.
bool user_has_pip_config();

// Writes [global] index-url = index_url when the user has no per-user pip
// configuration. Returns false only when a needed write failed.
bool seed_pip_config(const std::string& index_url);

}  // namespace vx::core
