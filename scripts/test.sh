#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and runs
# every test (GUI tests headless). The sanitized build has a tree of its own, build-test/, so that
# the run command's build/ never picks up its settings.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# A compiler cache, where the machine has one, makes a rebuild of unchanged sources cheap.
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESSALINE_SANITIZE=ON "${launcher[@]}"
cmake --build build-test
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-test --output-on-failure -j2
