#!/usr/bin/env bash
# Configures and builds the project into build/ (or $BUILD_DIR), with any extra CMake options given.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
launcher=()
if command -v ccache >/dev/null 2>&1; then
  # Worktrees of the same repository share one cache.
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$top")}
  # Debug information names the build folder; without this every checkout would miss the cache.
  export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$top" -B "$build" -G Ninja "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" -j2
