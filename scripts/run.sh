#!/usr/bin/env bash
# Installs what is missing, builds, and starts ZEM. Without a display that answers, a virtual one
# (Xvfb) is started. Without a device behind the port ZEM would open (the user's settings file),
# a demo runs instead: ZEM with a simulated handheld, on settings of its own.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export ZEM_BUILD_DIR="${ZEM_BUILD_DIR:-$root/build}"
build="$ZEM_BUILD_DIR"

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"

source "$root/scripts/xvfb.sh"
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  echo "No X display answers: starting a virtual one (Xvfb)."
  start_xvfb
fi

port_status=0
port="$("$build/tools/zem-run/zem-port-check")" || port_status=$?
echo "ZEM's port: $port"
if [ "$port_status" -eq 0 ]; then
  echo "Starting ZEM on display $DISPLAY."
  "$build/zempc/zempc"
else
  echo "No device for it: running the demo with a simulated handheld."
  bash "$root/scripts/demo/demo.sh"
fi
