#!/usr/bin/env bash
# The demo: ZEM with a simulated handheld (zem-handheld) on a pseudo-terminal, with a settings file
# of its own (the user's is not touched), and a pad window under the capture area that shows what
# arrives. Plays demo.txt, then ends ZEM with SIGTERM and prints what happened.
# Needs DISPLAY and a build (ZEM_BUILD_DIR, default build/).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${ZEM_BUILD_DIR:-$root/build}"
here="$root/scripts/demo"

work="$(mktemp -d /tmp/zem-demo.XXXXXX)"
config="$work/config"
mkdir -p "$config/zem"

pad_pid="" handheld_pid="" zem_pid=""
cleanup() {
  exec 3>&- 2>/dev/null || true
  for pid in $handheld_pid $zem_pid $pad_pid; do
    kill "$pid" 2>/dev/null || true
  done
}
trap cleanup EXIT

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local seconds="$1"
  shift
  local tries=$((seconds * 20))
  while ((tries-- > 0)); do
    "$@" && return 0
    sleep 0.05
  done
  return 1
}

# True when process $1 shows a viewable window named "Zem".
zem_window_shown() {
  local id
  for id in $(xwininfo -root -children | awk '/"Zem"/ {print $1}'); do
    xprop -id "$id" _NET_WM_PID 2>/dev/null | grep -q "= $1\$" &&
      xwininfo -id "$id" | grep -q "IsViewable" && return 0
  done
  return 1
}

device_line() { grep -m1 '^device ' "$work/handheld.log" 2>/dev/null; }
has_device_line() { device_line >/dev/null; }

# The pad first, so that ZEM's window, mapped later, lies above it.
"$build/tools/zem-run/zem-demo-pad" >"$work/pad.log" 2>&1 &
pad_pid=$!

# The simulated handheld reads its commands from a pipe, fed once ZEM is up.
mkfifo "$work/handheld.in"
"$build/tools/zem-handheld/zem-handheld" --png "$work/zem-screen.png" \
  <"$work/handheld.in" >"$work/handheld.log" 2>"$work/handheld.err" &
handheld_pid=$!
exec 3>"$work/handheld.in"
if ! wait_for 10 has_device_line; then
  echo "The simulated handheld did not start:" >&2
  cat "$work/handheld.err" >&2
  exit 1
fi
device="$(device_line | cut -d' ' -f2)"
echo "Simulated handheld on $device"

printf '[Software.ZEM]\nCOM = 1\n\n[Software.ZEM.Ports]\nCOM1 = "%s"\n' "$device" \
  >"$config/zem/settings.toml"
# Not given the pipe's end (3), or the handheld would never see the end of its commands.
XDG_CONFIG_HOME="$config" "$build/zempc/zempc" >"$work/zempc.log" 2>&1 3>&- &
zem_pid=$!
if ! wait_for 30 zem_window_shown "$zem_pid"; then
  echo "ZEM's window did not appear:" >&2
  cat "$work/zempc.log" >&2
  exit 1
fi

echo "Playing $here/demo.txt ..."
cat "$here/demo.txt" >&3
exec 3>&-
handheld_status=0
wait "$handheld_pid" || handheld_status=$?
handheld_pid=""

kill -TERM "$zem_pid"
zem_status=0
wait "$zem_pid" || zem_status=$?
zem_pid=""
kill -TERM "$pad_pid"
wait "$pad_pid" || true
pad_pid=""

echo
echo "What the handheld received from ZEM:"
grep '^recv' "$work/handheld.log" | sed 's/^/  /' || echo "  nothing"
if grep -q 'zem-handheld:' "$work/handheld.err"; then
  echo "The handheld's errors:"
  grep 'zem-handheld:' "$work/handheld.err" | sed 's/^/  /'
fi
echo
echo "What arrived in the pad window under the capture area:"
echo "  (in the pad's own coordinates, which are the capture area's: one pixel per handheld pixel)"
sed 's/^pad: /  /' "$work/pad.log"
echo
if [ -f "$work/zem-screen.png" ]; then
  echo "The screen image the handheld received: $work/zem-screen.png"
else
  echo "No screen image was received."
fi
echo "ZEM ended with status $zem_status (SIGTERM); its demo settings: $config/zem/settings.toml"
echo "The simulated handheld ended with status $handheld_status."
[ "$zem_status" -eq 0 ] && [ "$handheld_status" -eq 0 ]
