#!/usr/bin/env bash
# A short start of the installed window on a virtual display, as a user would: open COM1
# (the simulated device the caller registered), read the own address, quit. The trace file
# says what happened on the line.
#   installed_window.sh WORK_DIR [PROGRAM]
set -euo pipefail
work=$1
program=${2:-tarnwick}
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$work/display" >"$work/xvfb.txt" 2>&1 &
xvfb_pid=$!
window_pid=""
cleanup() {
  [ -n "$window_pid" ] && kill "$window_pid" 2>/dev/null || true
  # Waited for: a server still going down unlinks its socket, which may by then be the next
  # server's, taken under the same display number.
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
(cd "$work" && QT_QPA_PLATFORM=xcb exec "$program" --trace "$work/trace.txt" >"$work/window.txt" 2>&1) &
window_pid=$!

window_id=""
for _ in $(seq 100); do
  window_id=$(xdotool search --name '^Tarnwick$' 2>/dev/null | head -n1 || true)
  [ -n "$window_id" ] && break
  sleep 0.1
done
[ -n "$window_id" ] || { echo "the window did not appear" >&2; exit 1; }
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window_id")"
# Communication > Open the Port: the menu opens under the mouse, its first item by the keys.
xdotool mousemove $((X + 40)) $((Y + 10)) click 1
sleep 0.5
xdotool key Down Return
for _ in $(seq 50); do grep -q "port COM1 opened" "$work/trace.txt" 2>/dev/null && break; sleep 0.1; done
grep -q "port COM1 opened" "$work/trace.txt" || { echo "the port did not open" >&2; cat "$work/trace.txt" >&2 || true; exit 1; }
# The own address's Read button, below the menu bar.
menu=$(( HEIGHT - 530 ))
xdotool mousemove $((X + 320)) $((Y + menu + 200)) click 1
for _ in $(seq 100); do grep -q "address read: 045" "$work/trace.txt" 2>/dev/null && break; sleep 0.1; done
grep -q "unit answer: own address = 045" "$work/trace.txt" ||
  { echo "the own address was not read" >&2; cat "$work/trace.txt" >&2; exit 1; }
kill -TERM "$window_pid"
code=0
wait "$window_pid" || code=$?
window_pid=""
[ "$code" -eq 0 ] || { echo "the window ended with exit code $code" >&2; exit 1; }
echo "the installed window opened COM1 and read the own address:"
cat "$work/trace.txt"
