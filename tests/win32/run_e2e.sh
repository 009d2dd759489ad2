#!/usr/bin/env bash
# The Windows program end to end: tarnwick.exe under Wine on a virtual X display, driven by
# tarnwick-e2e.exe, with the simulated unit and modem (tarnwick-devsim) on a pseudo-terminal
# that the Wine prefix knows as COM5.
#
#   run_e2e.sh --exe-dir DIR --controller EXE --devsim PROGRAM --shim-source FILE --work DIR
#              --artifacts DIR
# DIR holds tarnwick.exe and tarnwick-cli.exe as the zip carries them; EXE is tarnwick-e2e.exe.
#
# Five starts of the program: the first with a healthy device and no _data.ini (every command,
# three saves of _data.ini, then a screenshot, the profile commands, then E&xit), among files
# of the user's named like _data.ini.backup and a temporary file that a crashed save left; the
# second with a silent device, which must find the _data.ini the first one wrote; the third on
# a port without modem lines, as plain Wine gives; the fourth against an awkward device; the
# fifth against a port another program holds and a device that vanishes and comes back; the
# sixth for Tools > Modem Status... against a modem changed while it runs. Then starts with
# options it refuses, --list-ports, Tools > Ports and tarnwick-cli.exe, given Cyrillic arguments and paths and run on
# a console of its own; last, a start at 150 % in a prefix of its own. Wine's output is only
# ever redirected to files: its background processes would hold a pipe open until the
# wineserver exits.
set -euo pipefail

while [ $# -gt 0 ]; do
  case "$1" in
    --exe-dir) exe_dir=$2 ;;
    --controller) controller_exe=$2 ;;
    --devsim) devsim=$2 ;;
    --shim-source) shim_source=$2 ;;
    --work) work=$2 ;;
    --artifacts) artifacts=$2 ;;
    *) echo "run_e2e.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift 2
done
mkdir -p "$work"
exe_dir=$(cd "$exe_dir" && pwd)
work=$(cd "$work" && pwd)
for exe in tarnwick.exe tarnwick-cli.exe; do
  [ -f "$exe_dir/$exe" ] || { echo "run_e2e.sh: $exe_dir/$exe is missing" >&2; exit 2; }
done
[ -f "${controller_exe:-}" ] || { echo "run_e2e.sh: the controller ${controller_exe:-} is missing" >&2; exit 2; }
controller_exe=$(cd "$(dirname "$controller_exe")" && pwd)/$(basename "$controller_exe")

export WINEPREFIX="$work/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
logs="$work/logs"
run_dir="$work/run"
rm -rf "$logs" "$run_dir"
mkdir -p "$logs" "$run_dir" "$artifacts"

xvfb_pid=""
devsim_pid=""
tarnwick_pid=""
cleanup() {
  [ -n "$tarnwick_pid" ] && kill "$tarnwick_pid" 2>/dev/null || true
  [ -n "$devsim_pid" ] && kill "$devsim_pid" 2>/dev/null || true
  timeout 20 wineserver -k >/dev/null 2>&1 || true
  # Waited for: a server still going down unlinks its socket, which may by then be the next
  # server's, taken under the same display number.
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

# A Windows path for the controller: Wine shows the Linux root as drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

failed=0
# Every failure is said again at the end, since a long run's middle is what a CI log cuts.
failures="$work/failures.txt"
: >"$failures"
fail() { echo "FAIL $*"; echo "FAIL $*" >>"$failures"; failed=1; }

# The modem lines a pseudo-terminal lacks; see fake_modem_lines.c.
shim="$work/fake_modem_lines.so"
gcc -shared -fPIC -O2 -o "$shim" "$shim_source" -ldl

if [ ! -f "$WINEPREFIX/.tarnwick-ready" ]; then
  echo "creating the Wine prefix"
  timeout 180 wineboot -i >"$logs/wineboot.txt" 2>&1
  # Consolas is not on Linux; a monospace face of about its width keeps the painted labels
  # as apart as they are on Windows, so that the screenshot shows the real layout.
  timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Consolas /d 'DejaVu Sans Mono' /f \
    >"$logs/reg.txt" 2>&1
  timeout 60 wineserver -w >/dev/null 2>&1 || true
  touch "$WINEPREFIX/.tarnwick-ready"
fi
# Started on its own, so that its output (an object dump when it ends) goes nowhere instead
# of into the log of whichever program happens to start it.
timeout 30 wineserver -p >/dev/null 2>&1 || true
# Only COM5 may exist, so that opening other names fails for want of a device.
rm -f "$WINEPREFIX"/dosdevices/com*

# Room for the window at 150 % (1350 x 795).
Xvfb -displayfd 5 -screen 0 1600x1000x24 -nolisten tcp 5>"$work/display" >"$logs/xvfb.txt" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"
# Every later failure would only say that no window came: say it here when the display is dead.
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
xdotool getdisplaygeometry >/dev/null 2>&1 || { echo "Xvfb's display $DISPLAY does not answer" >&2; exit 1; }

# A COM5 mapping left in the registry by a run that was cut short would point at a terminal
# long gone. (Asked with the display set: the first program of a session brings up Wine's
# desktop, which without a display fails every window after it.)
timeout 60 wine reg delete 'HKLM\Software\Wine\Ports' /v COM5 /f >"$logs/reg-clean.txt" 2>&1 || true

start_devsim() {
  devsim_log="$logs/devsim-$1.txt"
  shift
  : >"$work/devsim.path"
  "$devsim" --verbose "$@" >"$work/devsim.path" 2>"$devsim_log" &
  devsim_pid=$!
  for _ in $(seq 100); do [ -s "$work/devsim.path" ] && break; sleep 0.05; done
  [ -s "$work/devsim.path" ] || { echo "tarnwick-devsim did not start" >&2; exit 1; }
  ln -sfn "$(head -n1 "$work/devsim.path")" "$WINEPREFIX/dosdevices/com5"
}

stop_devsim() {
  kill "$devsim_pid" 2>/dev/null || true
  wait "$devsim_pid" 2>/dev/null || true
  devsim_pid=""
}

# start_tarnwick NAME [PRELOAD [ARGUMENT...]]: PRELOAD is the shim for a port with modem lines,
# or empty; the arguments go to the program.
start_tarnwick() {
  local name=$1 preload=${2-}
  shift $(( $# < 2 ? $# : 2 ))
  (cd "$run_dir" && LD_PRELOAD="$preload" TARNWICK_LINES_LOG="$work/lines.log" \
     exec timeout 420 wine "$exe_dir/tarnwick.exe" "$@" >"$logs/tarnwick-$name.txt" 2>&1) &
  tarnwick_pid=$!
}

# CPU time used so far by the program (the process `timeout` runs), in clock ticks.
cpu_ticks() {
  local child
  child=$(cat "/proc/$tarnwick_pid/task/$tarnwick_pid/children" 2>/dev/null | awk '{print $1}')
  [ -n "$child" ] && awk '{print $14 + $15}' "/proc/$child/stat" 2>/dev/null || echo 0
}

# Waits for the program to end and checks its exit code.
expect_exit_zero() {
  local code=0
  wait "$tarnwick_pid" || code=$?
  tarnwick_pid=""
  [ "$code" -eq 0 ] || fail "tarnwick.exe ended with exit code $code ($1)"
}

controller() {
  local scenario=$1 code=0 attempt
  # The controller's first line comes before it touches anything, so a start that printed
  # nothing (Wine's console programs now and then end at once) is safe to repeat.
  for attempt in 1 2 3; do
    code=0
    timeout 400 wine "$controller_exe" "$scenario" "$(winpath "$exe_dir/tarnwick.exe")" \
      "$(winpath "$run_dir")" "$(winpath "$devsim_log")" >"$logs/$scenario.txt" 2>&1 || code=$?
    [ -s "$logs/$scenario.txt" ] && break
    echo "the controller printed nothing for $scenario (attempt $attempt, exit code $code); again"
  done
  cat "$logs/$scenario.txt"
  grep -a '^FAIL' "$logs/$scenario.txt" | sed "s/^FAIL /FAIL ($scenario) /" >>"$failures" || true
  [ "$code" -eq 0 ] || fail "controller scenario $scenario (exit code $code)"
}

echo "--- first start: healthy device, no _data.ini"
rm -f "$work/lines.log"
start_devsim first --period 37 --address 200 --phone1 89001112233 --phone2 89004445566 \
  --sms-phone 89007778899
# The user's files beside _data.ini must outlive every start and save; the crashed save's
# temporary must not outlive the start.
controller beside
trace_file="$work/trace-first.txt"
rm -f "$trace_file"
start_tarnwick first "$shim" --trace "$(winpath "$trace_file")"
controller session
timeout 30 import -window root "$artifacts/win32-window.png" >"$logs/import.txt" 2>&1 ||
  fail "no screenshot"
# Tools > Open, Save and Compare with Profile, with the port still open on the healthy device.
controller profiles
controller exit
expect_exit_zero "E&xit"

# --trace: every step of the set-up and the query is named, and the password never written.
for step in "set-up step 0 (echo off) sent" "set-up step 8 (password) sent" \
            "set-up step 11 (save connection 0) sent" "set-up: Ok!" "query step 5 (connection listing) sent" \
            "query: Ok!" 'AT^SICS=0,"passwd","***"\r\n' "unit answer: own address = 200" "port COM5 opened"; do
  grep -qF -- "$step" "$trace_file" 2>/dev/null || fail "the trace file lacks: $step"
done
grep -q tpass "$trace_file" && fail "the trace file holds the password"

# The port was opened, so the program drove DTR and RTS; both must have ended low, and DTR
# was never raised.
if [ ! -s "$work/lines.log" ]; then
  fail "the program never set the modem lines"
else
  grep -q 'dtr=1' "$work/lines.log" && fail "DTR was raised: $(tr '\n' ' ' <"$work/lines.log")"
  [ "$(tail -n1 "$work/lines.log")" = "dtr=0 rts=0" ] ||
    fail "DTR and RTS are not both low: $(tr '\n' ' ' <"$work/lines.log")"
fi
stop_devsim

# Without the shim, as on a plain Wine: every WaitCommEvent on the pseudo-terminal fails at
# once. The program must still work, and must not spin on the failing wait.
echo "--- second start: silent device, no modem lines, _data.ini from the first start"
start_devsim second --silent
start_tarnwick second ""
sleep 3
ticks_before=$(cpu_ticks)
seconds_before=$(date +%s.%N)
controller silent
ticks_after=$(cpu_ticks)
seconds_after=$(date +%s.%N)
controller close
expect_exit_zero "close box"
cpu_percent=$(awk -v t="$((ticks_after - ticks_before))" -v hz="$(getconf CLK_TCK)" \
  -v s="$seconds_before" -v e="$seconds_after" 'BEGIN { printf "%d", 100 * t / hz / (e - s) }')
echo "tarnwick.exe used ${cpu_percent}% of one core with the port open and its waits failing"
# Measured on a 2-core machine: about 7 % with the pause after an empty wait, over 40 % without
# it (Wine's own 1 ms poll inside each failing wait keeps even a spinning reader off 100 %).
[ "$cpu_percent" -lt 25 ] || fail "the reader spins on a failing WaitCommEvent (${cpu_percent}% CPU)"
stop_devsim

echo "--- third start: healthy device, no modem lines"
start_devsim third --period 37 --phone1 89001112233 --ip 10.20.30.40 --apn internet.test \
  --user tuser
start_tarnwick third ""
controller plain
controller close
expect_exit_zero "close box"
stop_devsim

# A device as awkward as a real one: the modem's echo on, XON and XOFF bytes in the unit's
# values and in filler behind every answer; then an XOFF that no XON follows while a write is
# on its way (tarnwick-devsim sends one on SIGUSR1).
echo "--- fourth start: a modem just powered up, XON/XOFF bytes, a write held by XOFF"
start_devsim fourth --period 17 --address 19 --flood 96
start_tarnwick fourth "$shim"
controller awkward
kill -USR1 "$devsim_pid"
controller held
controller close
expect_exit_zero "close box"
stop_devsim

# A port held by another program; then the adapter pulled while the port is open (the device's
# terminal closes under the program) and plugged in again: once closed and opened by hand, once
# left to the window, which opens it again by itself.
echo "--- fifth start: a port held by another program, a device that vanishes, and comes back"
start_devsim fifth --period 37
trace_file="$work/trace-fifth.txt"
rm -f "$trace_file"
start_tarnwick fifth "$shim" --trace "$(winpath "$trace_file")"
# Wine keeps one user at a time for a file but not for a device: COM6, held by the controller,
# is a file for this scenario alone.
: >"$work/held-port"
ln -sfn "$work/held-port" "$WINEPREFIX/dosdevices/com6"
controller busy
rm -f "$WINEPREFIX/dosdevices/com6"
controller open-read
stop_devsim
controller lost
start_devsim fifth-again --period 37
controller open-read
stop_devsim
controller lost-left
start_devsim fifth-back --period 38
controller back
controller close
expect_exit_zero "close box"
stop_devsim
for line in "port COM6 did not open: in use by another program" "port COM5 lost: the device has gone" \
            "port COM5 opened again: the device is back"; do
  grep -qF -- "$line" "$trace_file" 2>/dev/null || fail "the fifth start's trace lacks: $line"
done

# Tools > Modem Status... against a modem that the controller changes through the device's
# control file while the program runs: the signal, the registration, an answer's delay.
echo "--- sixth start: Modem Status against a modem that changes while it runs"
status_control="$logs/status-control.txt"
rm -f "$status_control"
start_devsim status --period 37 --sim ready --signal 15 --registration roaming --operator Tele2 --attached 1 \
  --imsi 250201234567890 --iccid 89701200000000000012 --control "$status_control"
start_tarnwick status "$shim"
controller status
controller close
expect_exit_zero "close box after Modem Status"
stop_devsim

echo "--- starts the program refuses: the usage in a box, exit code 2, no session"
# refused_start REFUSAL ARGUMENT...: REFUSAL is the line the box must begin with.
refused_start() {
  local refusal=$1 code=0
  shift
  printf '%s' "$refusal" >"$run_dir/refusal.txt"
  start_tarnwick refused "" "$@"
  controller refused
  # A program that took the line would run on: it is given a while, then stopped.
  for _ in $(seq 200); do kill -0 "$tarnwick_pid" 2>/dev/null || break; sleep 0.1; done
  kill "$tarnwick_pid" 2>/dev/null && fail "tarnwick.exe $* did not end after its refusal"
  wait "$tarnwick_pid" || code=$?
  tarnwick_pid=""
  [ "$code" -eq 2 ] || fail "tarnwick.exe $* ended with exit code $code, not 2"
}
refused_start "Unknown option 'simulate'." --simulate
refused_start "--trace needs a file name" --trace
# Through the wide command line: the Cyrillic argument is named as typed, and the trace file
# before it is never opened, since nothing starts.
refused_start "unexpected argument Порт5" --trace "$(winpath "$work/refused-trace.txt")" Порт5
[ -e "$work/refused-trace.txt" ] && fail "a refused start opened its trace file"
rm -f "$run_dir/refusal.txt"

# The ports present. A dosdevices link opens a port but is no device Windows lists; mapped
# in the registry, as Wine maps ports, COM5 is one once the wineserver starts again.
echo "--- the ports present: --list-ports and Tools > Ports"
start_devsim ports
restart_wine() { timeout 60 wineserver -k >/dev/null 2>&1 || true; timeout 60 wineserver -w >/dev/null 2>&1 || true; }
restart_wine
timeout 60 wine reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$(head -n1 "$work/devsim.path")" /f \
  >"$logs/reg-ports.txt" 2>&1 || fail "the registry does not take COM5"
restart_wine
timeout 30 wineserver -p >/dev/null 2>&1 || true
ports_out="$logs/list-ports.txt"
for attempt in 1 2 3; do
  (cd "$run_dir" && timeout 60 wine "$exe_dir/tarnwick.exe" --list-ports >"$ports_out" 2>"$logs/list-ports-errors.txt") || true
  [ -s "$ports_out" ] && break
  echo "tarnwick.exe --list-ports printed nothing (attempt $attempt); again"
done
echo "tarnwick.exe --list-ports: $(tr -d '\r' <"$ports_out" | tr '\n' ';')"
grep -q "^COM5 — " "$ports_out" || fail "--list-ports does not list COM5"
# Tools > Ports is worked with the mouse, as Wine keeps a menu inside its own process: the
# menu lists the ports in the order --list-ports printed them. Positions are those of the
# menu bar and items in this prefix's fonts.
com5_row=$(tr -d '\r' <"$ports_out" | grep -n "^COM5 — " | cut -d: -f1)
start_tarnwick ports "$shim"
controller port-name-reset
window_id=$(xdotool search --name '^Tarnwick$' | head -n1)
eval "$(xdotool getwindowgeometry --shell "$window_id")"
xdotool mousemove $((X + 131)) $((Y + 10)) click 1
sleep 0.7
xdotool mousemove $((X + 136)) $((Y + 47)) click 1
sleep 0.7
timeout 30 import -window root "$artifacts/win32-ports-menu.png" >"$logs/import-ports.txt" 2>&1 || true
# The submenu opens right of the Tools menu, which "Compare with Profile..." makes 170 wide.
xdotool mousemove $((X + 340)) $((Y + 47 + 17 * (${com5_row:-1} - 1))) click 1
controller ports
controller close
expect_exit_zero "close box"

# run_cli NAME ARGUMENT...: tarnwick-cli.exe in the run folder, stdout and stderr in
# $cli_out and $cli_err, the exit code in $cli_code; a run that printed nothing is tried again.
run_cli() {
  local name=$1 attempt
  shift
  cli_out="$logs/cli-$name.txt"
  cli_err="$logs/cli-$name-errors.txt"
  for attempt in 1 2 3; do
    cli_code=0
    (cd "$run_dir" && LD_PRELOAD="$shim" timeout 120 wine "$exe_dir/tarnwick-cli.exe" "$@" \
       >"$cli_out" 2>"$cli_err") || cli_code=$?
    { [ -s "$cli_out" ] || [ -s "$cli_err" ]; } && break
    echo "tarnwick-cli.exe $name printed nothing (attempt $attempt, exit code $cli_code); again"
  done
  echo "tarnwick-cli.exe $name: exit code $cli_code; $(tr -d '\r' <"$cli_out" | tr '\n' ';')"
  [ "$cli_code" -eq 0 ] || fail "tarnwick-cli.exe $name ended with exit code $cli_code: $(cat "$cli_err")"
}
# What the device received, as its log escapes it, its chunks joined: a byte's \xNN never splits.
device_received() { sed -n 's/^ *[0-9]* ms <- //p' "$devsim_log" | tr -d '\n'; }

# tarnwick-cli.exe, the console program: one write, verified by reading back.
run_cli write write --port COM5 --period 123 --address 045
grep -q "^period: written 123, read back 123, match" "$cli_out" || fail "tarnwick-cli.exe did not verify the period"
grep -q "^address: written 045, read back 045, match" "$cli_out" || fail "tarnwick-cli.exe did not verify the address"

# Cyrillic through Wine's command line, which a program's ANSI arguments get as question marks
# here (code page 1252): a value, and a folder with a space for the password file, the log and
# the trace. The device keeps Windows-1251.
folder="$run_dir/профили станции"
rm -rf "$folder"
mkdir -p "$folder"
printf 'станция-1\n' >"$folder/пароль станции.txt"
printf 'пароль-17\n' >"$folder/пароль.txt"
printf '# unit 17 at the bench\n[unit]\nperiod = "037"\n[modem]\nip = "10.0.0.5"\napn = "интернет"\nuser = "Пётр"\npassword-file = "пароль.txt"\n' \
  >"$folder/unit-17.toml"
printf '[unit]\nperiod = "037"\n[modem]\nip = "10.0.0.5"\napn = "internet"\nuser = "Иван"\n' >"$folder/сравнение.toml"
run_cli cyrillic-write --trace "$(winpath "$folder/трасса.txt")" write --port COM5 --ip 10.0.0.5 --apn internet \
  --user Иван --password-file "$(winpath "$folder/пароль станции.txt")" --log "$(winpath "$folder/журнал.log")"
grep -q "^user: written Иван, read back Иван, match" "$cli_out" || fail "tarnwick-cli.exe did not verify --user Иван"
received=$(device_received)
[[ "$received" == *'AT^SICS=0,"user","\xC8\xE2\xE0\xED"'* ]] || fail "the modem did not get Иван in Windows-1251"
[[ "$received" == *'AT^SICS=0,"passwd","\xF1\xF2\xE0\xED\xF6\xE8\xFF-1"'* ]] ||
  fail "the modem did not get the password of \"пароль станции.txt\""
grep -qF "set-up: Ok!" "$folder/трасса.txt" 2>/dev/null || fail "no trace in трасса.txt"

# A profile in that folder, its password file named beside it, and the log's second line.
run_cli cyrillic-apply apply "$(winpath "$folder/unit-17.toml")" --port COM5 --log "$(winpath "$folder/журнал.log")"
grep -q "^user: written Пётр, read back Пётр, match" "$cli_out" || fail "apply did not verify the profile's user"
received=$(device_received)
for bytes in 'AT^SICS=0,"apn","\xE8\xED\xF2\xE5\xF0\xED\xE5\xF2"' 'AT^SICS=0,"user","\xCF\xB8\xF2\xF0"' \
             'AT^SICS=0,"passwd","\xEF\xE0\xF0\xEE\xEB\xFC-17"'; do
  [[ "$received" == *"$bytes"* ]] || fail "the modem did not get $bytes from the profile"
done
log_lines=$(grep -c . "$folder/журнал.log" 2>/dev/null) || log_lines=0
[ "$log_lines" = 2 ] || fail "журнал.log holds $log_lines lines, not 2"
applied=$(tail -n1 "$folder/журнал.log" 2>/dev/null) || applied=""
[[ "$applied" == *"\"profileSha256\":\"$(sha256sum "$folder/unit-17.toml" | cut -d' ' -f1)\""* ]] ||
  fail "the log's SHA-256 is not the profile's: $applied"
[[ "$applied" == *'профили станции\\unit-17.toml"'* && "$applied" == *'{"name":"user","before":"Иван","after":"Пётр"'* ]] ||
  fail "the log lacks the profile's path or the user before and after: $applied"

# --save-profile into that folder, and the log as a table.
run_cli cyrillic-read read --port COM5 --save-profile "$(winpath "$folder/прочитано.toml")"
for line in 'period = "037"' 'apn = "интернет"' 'user = "Пётр"'; do
  grep -qF "$line" "$folder/прочитано.toml" 2>/dev/null || fail "прочитано.toml lacks $line"
done
run_cli cyrillic-log log "$(winpath "$folder/журнал.log")"
grep -q "apply: ok" "$cli_out" || fail "log does not show the apply"

# On a console: what the engineer sees (the controller reads the console's screen back).
controller console
stop_devsim
timeout 60 wine reg delete 'HKLM\Software\Wine\Ports' /v COM5 /f >>"$logs/reg-ports.txt" 2>&1 || true

# At 150 %, as most Windows laptops run: the display's LogPixels at 144, set in a prefix of
# its own so that every start above keeps 96 DPI.
echo "--- last start: 150 % (LogPixels 144)"
timeout 20 wineserver -k >/dev/null 2>&1 || true
export WINEPREFIX="$work/prefix-144"
if [ ! -f "$WINEPREFIX/.tarnwick-ready" ]; then
  echo "creating the 150 % Wine prefix"
  timeout 180 wineboot -i >"$logs/wineboot-144.txt" 2>&1
  timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Consolas /d 'DejaVu Sans Mono' /f \
    >"$logs/reg-144.txt" 2>&1
  timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >>"$logs/reg-144.txt" 2>&1
  timeout 60 wineserver -w >/dev/null 2>&1 || true
  touch "$WINEPREFIX/.tarnwick-ready"
fi
timeout 30 wineserver -p >/dev/null 2>&1 || true
start_tarnwick scaled ""
controller scaled
# The window alone (Xvfb has no window manager, so no title bar): its menu and client area.
window_id=$(xdotool search --name '^Tarnwick$' | head -n1)
eval "$(xdotool getwindowgeometry --shell "$window_id")"
timeout 30 import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$artifacts/win32-window-150.png" \
  >"$logs/import-150.txt" 2>&1 || fail "no screenshot at 150 %"
controller close
expect_exit_zero "close box at 150 %"

if [ "$failed" -ne 0 ]; then
  echo "--- what failed:"
  cat "$failures"
  echo "--- logs of every start (the device's included) are in $logs"
  exit 1
fi
echo "all Wine end-to-end checks passed; screenshots in $artifacts/win32-window.png and win32-window-150.png"
