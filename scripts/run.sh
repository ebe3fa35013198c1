#!/usr/bin/env bash
# Sets everything up, builds, and starts Verdanex on its default Python
# environment (build/bin/Py, made on first build).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} && -z ${QT_QPA_PLATFORM:-} ]]; then
    cat >&2 <<MSG
Verdanex is a desktop program and this session has no display (DISPLAY is not set).
Run it under a virtual display instead:
    xvfb-run -a -s "-screen 0 1024x768x24" $build_dir/bin/verdanex
or from a desktop session: $build_dir/bin/verdanex
MSG
    exit 1
fi
exec "$build_dir/bin/verdanex" "$@"
