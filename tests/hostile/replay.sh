#!/usr/bin/env bash
# Replays the hostile printer's cases and the damaged files against the batch host and prints,
# for each case, the host's exit status, wall time and peak memory. Builds what it needs first.
# The plain build's suite runs the same cases (scripts/run-tests.sh); this shows their table.
# Usage: tests/hostile/replay.sh   (BUILD_DIR chooses the build folder, default build/)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$top/build}
cmake --build "$build" -j2 --target test_hostile korvane-print korvane-mfp-sim KorvaneJobControl >/dev/null
QT_QPA_PLATFORM=offscreen exec "$build/tests/test_hostile" --gtest_filter='HostileReplay.*' "$@"
