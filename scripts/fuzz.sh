#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang in a tree of their own (build-fuzz/) and runs
# each for SECONDS seconds (default 60), starting from the seed inputs in fuzz/corpus/<target>.
# What a run finds new goes to build-fuzz/corpus/<target>; a crash, leak
# or broken property stops that target, leaves its input in build-fuzz/artifacts/ and makes the
# script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(format number date ini settings script sql)
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALINE_FUZZ=ON \
  -DTESSALINE_TESTS=OFF -DTESSALINE_BENCH=OFF -DTESSALINE_WITH_QT=OFF \
  -DTESSALINE_SKIP="utilities;component;tools;packaging" "${launcher[@]}" >/dev/null
cmake --build build-fuzz --target "${targets[@]/#/fuzz_}"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
passed=0
failed=0
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t" build-fuzz/artifacts
  echo "== fuzz_$t for ${seconds}s"
  if ! build-fuzz/bin/fuzz_"$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="build-fuzz/artifacts/$t-" "build-fuzz/corpus/$t" "fuzz/corpus/$t" \
      2>"build-fuzz/$t.log"; then
    tail -n 60 "build-fuzz/$t.log"
    status=1
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' "build-fuzz/$t.log" || true
done
echo "fuzz: $passed passed, $failed failed"
exit $status
