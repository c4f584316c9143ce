#!/usr/bin/env bash
# Builds the project and runs every test headless with CTest, twice: a plain build in build/
# (or $BUILD_DIR), then an AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
# (or $ASAN_BUILD_DIR) with leak detection on. Every process the tests start there (the test
# programs, korvane-print, korvane-mfp-sim) is sanitized and inherits the options; any report
# from any of them fails the run, also one from a child whose exit status a test expected to be
# non-zero. KORVANE_SKIP_SANITIZERS=1 runs the plain half only (for a quick local check).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
asan_build=${ASAN_BUILD_DIR:-$top/build-asan}
export QT_QPA_PLATFORM=offscreen

# Times one step, says how long it took (so CI logs show where the minutes go) and returns the
# step's own status: a caller that goes on after a failure ("|| status=$?") runs this function
# where errexit does not apply, and must still see the failure.
timed() {
  local label=$1 start=$SECONDS step_status=0
  shift
  "$@" || step_status=$?
  echo "run-tests: $label took $((SECONDS - start)) s"
  return "$step_status"
}

timed "house style" "$top/scripts/check-format.sh"
timed "plain build" env BUILD_DIR="$build" "$top/scripts/build.sh" -DKORVANE_BUILD_BENCH=ON
timed "plain tests" ctest --test-dir "$build" --output-on-failure -j2

if [ "${KORVANE_SKIP_SANITIZERS:-0}" = 1 ]; then
  echo "run-tests: sanitizer build skipped (KORVANE_SKIP_SANITIZERS=1)"
  exit 0
fi

timed "sanitizer build" env BUILD_DIR="$asan_build" "$top/scripts/build.sh" -DKORVANE_SANITIZE=ON

# Reports go to files, one per process, so that a finding in a child process cannot hide behind
# an exit status its test expected; the run fails when any file appears.
logs="$asan_build/sanitizer-logs"
rm -rf "$logs"
mkdir -p "$logs"
# intercept_tls_get_addr=0: in a fresh Debian 12 root the leak checker of korvane-print read a
# stale entry of glibc's table of dynamic thread-local blocks at the process's exit, crashed
# ("Tracer caught signal 11") and ended the process with status 1 ("LeakSanitizer has encountered
# a fatal error"). Without the interception those blocks are scanned as the heap blocks they are,
# reached from the table itself.
export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:intercept_tls_get_addr=0:log_path=$logs/asan:log_exe_name=1"
export LSAN_OPTIONS="suppressions=$top/tests/sanitizer/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$logs/ubsan:log_exe_name=1"

status=0
timed "sanitizer tests" ctest --test-dir "$asan_build" --output-on-failure -j2 || status=$?

# A log holds a finding when it holds a report (a list of used suppressions is none), or when
# the leak checker could not look (its "fatal error": then nobody knows whether there was a leak).
findings=$(grep -l -E "ERROR: |runtime error:|SUMMARY: |has encountered a fatal error" "$logs"/* 2>/dev/null || true)
if [ -n "$findings" ]; then
  echo "run-tests: sanitizer findings:" >&2
  for f in $findings; do
    echo "===== $(basename "$f")" >&2
    cat "$f" >&2
  done
  status=1
fi
if [ "$status" -ne 0 ]; then
  echo "run-tests: the sanitizer run failed" >&2
  exit "$status"
fi
echo "run-tests: sanitizer run clean"
