#!/usr/bin/env bash
# Installs what is missing (Debian packages), then configures and builds.
# Idempotent: quick when everything is already there.
#   BUILD_DIR   build folder (default: build)
#   VX_CMAKE_ARGS  extra arguments for the CMake configure step
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}

mapfile -t wanted < <(grep -v -e '^#' -e '^$' "$root/scripts/debian-packages.txt")
missing=()
for package in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

if [[ ! -f $build_dir/CMakeCache.txt ]]; then
    # shellcheck disable=SC2086
    cmake -S "$root" -B "$build_dir" -G Ninja ${VX_CMAKE_ARGS:-}
fi
cmake --build "$build_dir" -j "$(nproc)"
