#!/usr/bin/env bash
# Configures and builds the project into build/ (or $BUILD_DIR), with any extra CMake options given.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
launcher=()
if command -v ccache >/dev/null 2>&1; then
  # Checkouts side by side share one cache: paths below the parent folder are hashed relative
  # to the build folder, and the build folder's own path (which debug information names) is
  # left out. Only the few test files that compile in their checkout's absolute paths
  # (fixtures' source and build folders) miss in a second checkout.
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$top")}
  export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$top" -B "$build" -G Ninja "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" -j2
