#!/usr/bin/env bash
# CI stage: every fuzz target for a short, fixed time on its seed corpus;
# fails on any crash, leak, hang or sanitizer report (see fuzz/run).
#   FUZZ_SECONDS   time per target (default 20)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exec "$root/fuzz/run" "${FUZZ_SECONDS:-20}"
