#!/usr/bin/env bash
# Configures and builds the project into build/ (or $BUILD_DIR), with any extra CMake options given.
#
#   scripts/build.sh [--target NAME]... [CMAKE OPTION]...
#
# --target (repeatable) builds only those targets and what they need, in the same build folder
# and configuration as a full build, so that a build of a few programs and one of everything
# never undo each other's settings.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
targets=()
options=()
while [ $# -gt 0 ]; do
  case $1 in
    --target) targets+=(--target "${2:?--target needs a name}"); shift 2 ;;
    *) options+=("$1"); shift ;;
  esac
done
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
cmake -S "$top" -B "$build" -G Ninja "${launcher[@]}" "${options[@]}" >/dev/null
cmake --build "$build" -j2 "${targets[@]}"
