#!/usr/bin/env bash
# Installs what is missing, builds, and opens the host on the demo books.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Sanitizers off even in a build/ that an older test command configured with them.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALINE_SANITIZE=OFF
cmake --build build
exec build/bin/tessaline-host --init-demo "$@"
