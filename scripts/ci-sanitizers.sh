#!/usr/bin/env bash
# CI stage: the whole project and its tests built with AddressSanitizer,
# LeakSanitizer and UndefinedBehaviorSanitizer in a second build folder, and
# every test run there. Any sanitizer report fails the stage, also one from a
# helper process that a test starts and does not watch: AddressSanitizer and
# LeakSanitizer reports go to files, which are counted at the end, and the
# whole test log is searched for UndefinedBehaviorSanitizer reports (with
# GCC they always go to standard error).
#   BUILD_DIR             the normal build folder; this one is "$BUILD_DIR-asan"
#   SANITIZER_BUILD_DIR   overrides the folder
# Extra arguments go to ctest (for example -R to run some tests only).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${SANITIZER_BUILD_DIR:-${BUILD_DIR:-$root/build}-asan}
# Absolute: the tests run in folders of their own and report into this one.
mkdir -p "$build_dir"
build_dir=$(cd "$build_dir" && pwd)
reports=$build_dir/sanitizer-reports
start=$(date +%s)

cmake -S "$root" -B "$build_dir" -G Ninja -DVX_SANITIZE=ON -DVX_WARNINGS_AS_ERRORS=ON \
    -DVX_BUILD_BENCHMARKS=OFF -DVX_BUILD_TESTS=ON >/dev/null
cmake --build "$build_dir" -j "$(nproc)"

rm -rf "$reports"
mkdir -p "$reports"
# A report stops the process with a failing status; leaks are checked at every
# exit. Python and the other tools the tests run ignore these variables.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:log_path=$reports/asan"
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1:log_path=$reports/ubsan"
export LSAN_OPTIONS="suppressions=$root/scripts/sanitizers/lsan.supp:print_suppressions=0"

cd "$build_dir"
status=0
ctest --output-on-failure -j "$(nproc)" "$@" || status=$?

shopt -s nullglob
found=("$reports"/*)
if grep -E -n -m 20 -B 2 -A 20 ': runtime error: |ERROR: (Address|Leak|UndefinedBehavior)Sanitizer' \
    Testing/Temporary/LastTest.log >"$reports/in-test-output.txt"; then
    found+=("$reports/in-test-output.txt")
else
    rm -f "$reports/in-test-output.txt"
fi
if ((${#found[@]})); then
    echo "== sanitizer reports: ${#found[@]}"
    for report in "${found[@]}"; do
        echo "-- $report"
        head -n 60 "$report"
    done
    status=1
fi
echo "== sanitizer stage: $(($(date +%s) - start)) s"
exit "$status"
