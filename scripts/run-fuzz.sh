#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ (or $FUZZ_BUILD_DIR) under ASan and
# UBSan, and runs each for a bounded time: scripts/run-fuzz.sh [SECONDS] [TARGET...].
# SECONDS defaults to 30 per target; without TARGETs every target runs. Each target starts
# from its seeds in fuzz/corpus/<target>/ and from what earlier runs found (kept in the build
# folder, never in the repository). A crash or a broken check stops that target, leaves the
# input in build-fuzz/fuzz/artifacts/<target>/ and makes the script fail. docs/fuzzing.md says
# how to run longer and how to turn a finding into a test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$top/build-fuzz}
seconds=${1:-30}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_codecs fuzz_text_bytes fuzz_settings_reader fuzz_folder_reply fuzz_preferences fuzz_filter_options)
fi

launcher=()
if command -v ccache >/dev/null 2>&1; then
  # Shared with other checkouts as in scripts/build.sh.
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$top")}
  export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
start=$SECONDS
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja "${launcher[@]}" \
  -DKORVANE_BUILD_FUZZ=ON -DKORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target korvane_fuzzers
echo "run-fuzz: build took $((SECONDS - start)) s"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$top/tests/sanitizer/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

failed=()
for target in "${targets[@]}"; do
  seeds="$top/fuzz/corpus/$target"
  work="$build/fuzz/corpus/$target"
  artifacts="$build/fuzz/artifacts/$target"
  mkdir -p "$work" "$artifacts"
  echo "run-fuzz: $target for $seconds s"
  # The settings reader's panel keeps its widgets' state from one input to the next, so nearly
  # every input looks like a leak to libFuzzer's check after each input, and each check scans
  # the whole heap (20 to 30 ms with the toolkit loaded); libFuzzer gives that check up by
  # itself after 1,000 of them. Its leaks are found when the run ends (LeakSanitizer at exit).
  per_input_leaks=1
  [ "$target" = fuzz_settings_reader ] && per_input_leaks=0
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=3072 \
      -detect_leaks="$per_input_leaks" \
      -print_final_stats=1 -artifact_prefix="$artifacts/" "$work" "$seeds" \
      >"$build/fuzz/$target.log" 2>&1; then
    failed+=("$target")
    tail -n 60 "$build/fuzz/$target.log" >&2
  fi
  grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb|^#[0-9]+.*DONE" "$build/fuzz/$target.log" || true
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "run-fuzz: findings in ${failed[*]}; inputs in $build/fuzz/artifacts/" >&2
  exit 1
fi
echo "run-fuzz: ${#targets[@]} targets ran $seconds s each without a finding"
