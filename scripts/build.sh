#!/usr/bin/env bash
# Configures and builds everything (program, tools, tests, benchmarks) into build/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ZEM_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
