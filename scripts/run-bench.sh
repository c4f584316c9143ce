#!/usr/bin/env bash
# Builds the benchmarks (an optimised build in build/, or $BUILD_DIR) and runs them: our
# figures, the references measured in the same run, their ratios with the targets, and the
# batch host's peak memory against a bare Qt program that constructs QPrintDialog, and the cost of
# sealing and opening a job's secrets against its budget of 1 ms; then, as root, the prompt's: a
# job's way to the agent's tab against a bare window, and the idle agent.
# Extra arguments go to Google Benchmark (for example --benchmark_filter=Fetch).
# Exit status 1 when a ratio misses its target. Not part of CI: the figures need a quiet machine.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
BUILD_DIR="$build" "$top/scripts/build.sh" -DKORVANE_BUILD_BENCH=ON
export QT_QPA_PLATFORM=offscreen
echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(nproc) cores; load: $(cut -d' ' -f1-3 /proc/loadavg)"
status=0
"$build/bin/korvane-bench" "$@" || status=$?
# The prompt's costs need a cupsd of their own, which needs root.
if [ "$(id -u)" -eq 0 ]; then
  "$build/bin/korvane-prompt-bench" "$@" || status=$?
else
  echo "run-bench: the prompt's benchmarks need root (a cupsd of their own); skipped" >&2
fi
exit "$status"
