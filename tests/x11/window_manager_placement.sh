#!/usr/bin/env bash
# The real program under Xvfb with a window manager (openbox), which frames
# the windows only after they are shown: the console's frame must still
# come to rest with its top-left corner at (2, 20) and the graphics window's
# at (100, 20), their title bars below the screen's top edge, and the
# graphics window's client area must stay 1200 x 800.
#
#   bash window_manager_placement.sh <sinora binary> <source dir> [build dir]
set -uo pipefail

program="$(readlink -f "$1")"
source_dir="$(readlink -f "$2")"

source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"
skip_without Xvfb openbox xdotool xwininfo xmessage
if [ ! -f "$source_dir/data/phantom.sino" ]; then
    echo "SKIP: no sample sinogram in $source_dir/data"
    exit 0
fi

# ---- a display of our own, with a window manager ---------------------------------
begin_session sinora_wm
start_own_display

openbox >"$work/openbox.log" 2>&1 &
wm_pid=$!
# The window manager is at work once it manages a window: it then gives a
# probe window the WM_STATE property. A window mapped while it is still
# starting may be passed over, so a new probe is tried every two seconds.
managed=""
for _ in $(seq 5); do
    xmessage -name sinora_wm_probe -geometry +500+500 probe >/dev/null 2>&1 &
    probe_pid=$!
    for _ in $(seq 20); do
        for probe in $(xdotool search --classname sinora_wm_probe 2>/dev/null); do
            state="$(xprop -id "$probe" WM_STATE 2>/dev/null)"
            [[ "$state" == *"window state: Normal"* ]] && managed=1
        done
        [ -n "$managed" ] && break
        sleep 0.1
    done
    kill "$probe_pid" 2>/dev/null
    wait "$probe_pid" 2>/dev/null
    [ -n "$managed" ] && break
done
[ -n "$managed" ] || { cat "$work/openbox.log"; echo "FAIL: the window manager managed no window"; exit 1; }

# "x y width height" of the client area and "left top" of the frame: the
# client's corner less its offset inside the frame.
client_geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}
frame_corner() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {ax=$4} /Absolute upper-left Y/ {ay=$4}
        /Relative upper-left X/ {rx=$4} /Relative upper-left Y/ {ry=$4} END {print ax - rx, ay - ry}'
}
# Waits until the frame of window $1 rests at "$2" (a window manager may
# move it in steps).
frame_at() { [ "$(frame_corner "$1")" = "$2" ]; }

start_program_on_sample_data "$program" "$source_dir"
wait_for 5 frame_at "$console" "2 20" ||
    fail "the console's frame is at $(frame_corner "$console"), not at 2 20"
echo "console frame at $(frame_corner "$console"), client $(client_geometry "$console")"

# Choose the sample sinogram in the open dialog that is open now.
wait_for 10 has_window_named Open || fail "no open dialog appeared"
dialog="$(window_named Open)"
xdotool windowactivate --sync "$dialog" 2>/dev/null || xdotool windowfocus "$dialog"
wait_idle
xdotool key --delay 80 ctrl+a
xdotool type --delay 40 phantom.sino
xdotool key Return

wait_for 20 has_window_named Images || fail "the graphics window 'Images' did not appear"
graphics="$(window_named Images)"
wait_for 5 frame_at "$graphics" "100 20" ||
    fail "the graphics window's frame is at $(frame_corner "$graphics"), not at 100 20"
read -r _ _ width height <<<"$(client_geometry "$graphics")"
[ "$width $height" = "1200 800" ] || fail "the graphics window's client area is ${width}x$height, not 1200x800"
echo "graphics frame at $(frame_corner "$graphics"), client $(client_geometry "$graphics")"

# Esc in the console ends the program with status 0.
xdotool windowactivate --sync "$console" 2>/dev/null || xdotool windowfocus "$console"
wait_idle
xdotool key Escape
end_with_status_0 10
echo "PASS"
