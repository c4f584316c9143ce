#!/usr/bin/env bash
# Configures and builds the project into build/ (or $BUILD_DIR), with any extra CMake options given.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
cmake -S "$top" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" -j2
