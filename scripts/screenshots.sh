#!/usr/bin/env bash
# Retakes the screenshots in docs/ from the real windows (offscreen).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"
cmake --build "$BUILD_DIR" --target vx_screenshots
QT_QPA_PLATFORM=offscreen "$BUILD_DIR/tools/vx_screenshots" "$root/docs"
