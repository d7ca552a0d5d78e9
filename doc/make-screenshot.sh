#!/usr/bin/env bash
# Makes doc/screenshot.png from a real run under Xvfb with a window manager:
# the phantom reconstructed with the Shepp-Logan filter, the slice under the
# window centre 50, width 80, and the console moved beside "Images".
#
#   bash doc/make-screenshot.sh [sinora binary]   (default: build/sinora)
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program="$(readlink -f "${1:-$root/build/sinora}")"
for tool in Xvfb openbox xdotool import convert; do
    command -v "$tool" >/dev/null 2>&1 || { echo "needs $tool (bash scripts/setup)"; exit 1; }
done

work="$(mktemp -d /tmp/sinora_shot.XXXXXX)"
xvfb_pid=""
wm_pid=""
program_pid=""
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    cat "$work/program.log" 2>/dev/null
    exit 1
}

source "$root/tests/x11/lib/session.sh"
start_own_display
openbox >"$work/openbox.log" 2>&1 &
wm_pid=$!
sleep 1

visible_windows() { xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | sort; }
new_window() { visible_windows | comm -13 "$1" - | head -1; }
has_new_window() { [ -n "$(new_window "$1")" ]; }
focus() {
    xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus "$1" 2>/dev/null
    sleep 0.3
}
key() { xdotool key --delay 80 "$@"; sleep 0.3; }
# Chooses `path` in the file dialog that opens after the windows in file $1.
answer_dialog() {
    wait_for 10 has_new_window "$1" || fail "no file dialog appeared"
    local dialog
    dialog="$(new_window "$1")"
    sleep 0.5
    focus "$dialog"
    key ctrl+a
    xdotool type --delay 40 "$2"
    key Return
}
answer() {
    focus "$console"
    [ -n "$1" ] && xdotool type --delay 60 "$1"
    key Return
}

# A copy of the data, so that the console shows a short path.
cp -r "$root/data" "$work/data"
cd "$work/data" || exit 1
QT_QPA_PLATFORM=xcb "$program" >"$work/program.log" 2>&1 &
program_pid=$!
wait_for 15 has_window_named Sinora || fail "no console"
console="$(window_named Sinora)"
echo "$console" >"$work/before_open"
answer_dialog "$work/before_open" phantom.sino
wait_for 20 has_window_named Images || fail "no graphics window"
sleep 1
answer 2
visible_windows >"$work/before_filter"
answer ""                          # "Load Real space Filter"
answer_dialog "$work/before_filter" shepp_logan.txt
sleep 1.5
answer ""                          # filter OK: the reconstruction runs
sleep 5
answer ""                          # the pause after the grid
sleep 1
answer n                           # no replay
answer 50                          # HU Center
answer 80                          # HU Width
sleep 1.5

# The console beside the graphics window, as the README advises.
xdotool windowmove "$console" 1318 20
sleep 1
import -window root "$work/screen.png" || fail "no screenshot"
convert "$work/screen.png" -crop 1585x860+95+0 +repage -resize 70% -colors 128 "PNG8:$root/doc/screenshot.png"
echo "wrote $root/doc/screenshot.png ($(stat -c %s "$root/doc/screenshot.png") bytes)"
