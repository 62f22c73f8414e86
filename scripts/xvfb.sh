# Sourced by the scripts: start_xvfb starts a virtual X server on a free display, exports DISPLAY and
# stops the server when the script exits.
start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -noreset -nolisten tcp >/tmp/zem-xvfb-$n.log 2>&1 &
    ZEM_XVFB_PID=$!
    for _ in $(seq 1 100); do
      [ -e "/tmp/.X11-unix/X${n}" ] && break
      sleep 0.05
    done
    export DISPLAY=":$n"
    trap 'kill "$ZEM_XVFB_PID" 2>/dev/null || true' EXIT
    return 0
  done
  echo "No free display for Xvfb" >&2
  return 1
}
