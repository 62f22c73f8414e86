#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test. Tests that need a display get a
# virtual X server of their own.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ZEM_BUILD_DIR:-$root/build}"

bash "$root/scripts/install-deps.sh"
ZEM_BUILD_DIR="$build" bash "$root/scripts/build.sh"

# A private virtual display for the X11 and desktop tests.
source "$root/scripts/xvfb.sh"
start_xvfb

cd "$build"
ctest --output-on-failure --timeout 600 "$@"
