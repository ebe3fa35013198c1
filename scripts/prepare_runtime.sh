#!/usr/bin/env bash
# Places what the program needs beside its executable: a Python virtual
# environment "Py" with pip (made offline from the system's python3) and the
# shipped Config.ini. Neither is ever overwritten once it exists.
#   prepare_runtime.sh BIN_DIR CONFIG_TEMPLATE
set -euo pipefail
bin_dir=$1
config_template=$2
mkdir -p "$bin_dir"
if [[ ! -e $bin_dir/Config.ini ]]; then
    cp "$config_template" "$bin_dir/Config.ini"
fi
if [[ ! -e $bin_dir/Py ]]; then
    python=/usr/bin/python3
    [[ -x $python ]] || python=$(command -v python3)
    # venv installs pip through ensurepip from the wheels that come with the
    # interpreter (Debian: python3-venv, python3-pip-whl): no network needed.
    # A failed or interrupted run removes the half-made Py, which would
    # otherwise count as existing from then on. (It is not built under another
    # name and moved: its scripts name their interpreter by absolute path.)
    trap 'rm -rf "$bin_dir/Py"' ERR INT TERM
    "$python" -m venv "$bin_dir/Py"
    trap - ERR INT TERM
fi
