#!/usr/bin/env bash
# Sets everything up, builds with warnings as errors, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$root/build}
export VX_CMAKE_ARGS="-DVX_WARNINGS_AS_ERRORS=ON ${VX_CMAKE_ARGS:-}"
"$root/scripts/setup.sh"
cd "$BUILD_DIR"
ctest --output-on-failure -j "$(nproc)" "$@"
