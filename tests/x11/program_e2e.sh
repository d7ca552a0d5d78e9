#!/usr/bin/env bash
# The real program under Xvfb, driven as a user would with xdotool: the
# console "Sinora" appears, the sinogram is chosen in the open dialog, the
# graphics window "Images" appears, typed text shows in the console, a right
# click opens the pop-up menu whose Save TextBuffer command writes the
# console text, and Esc ends the program with status 0.
#
#   bash program_e2e.sh <sinora binary> <source dir> [build dir]
# SINORA_E2E_SCREENSHOT=<png>: a screenshot of the screen after the windowed
# slice is shown; SINORA_E2E_REPLAY=<seconds>: watch the replay first.
set -uo pipefail

program="$(readlink -f "$1")"
source_dir="$(readlink -f "$2")"

for tool in Xvfb xdotool import convert; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed"
        exit 0
    fi
done
if [ ! -f "$source_dir/data/phantom.sino" ]; then
    echo "SKIP: no sample sinogram in $source_dir/data"
    exit 0
fi

work="$(mktemp -d /tmp/sinora_e2e.XXXXXX)"
xvfb_pid=""
program_pid=""
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    if [ -n "${DISPLAY:-}" ]; then
        import -window root "$work/failure.png" 2>/dev/null && cp "$work/failure.png" /tmp/sinora_e2e_failure.png &&
            echo "screen at the failure: /tmp/sinora_e2e_failure.png"
        echo "visible windows:"
        for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
            echo "  $w '$(xdotool getwindowname "$w" 2>/dev/null)'"
        done
    fi
    if [ -n "$program_pid" ] && ! kill -0 "$program_pid" 2>/dev/null; then
        wait "$program_pid"
        echo "the program is no longer running (status $?)"
        program_pid=""
    fi
    [ -f "$work/program.log" ] && { echo "program output:"; cat "$work/program.log"; }
    exit 1
}

# ---- a display of our own ---------------------------------------------------------
source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"
start_own_display

# ---- helpers ---------------------------------------------------------------------
# The program's visible windows (dialogs and menus included).
visible_windows() { xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | sort; }
# A visible window that was not in the list $1 (a file of window ids).
new_window() { visible_windows | comm -13 "$1" - | head -1; }
has_new_window() { [ -n "$(new_window "$1")" ]; }
program_alive() { kill -0 "$program_pid" 2>/dev/null; }
# Non-white pixels of window $1.
ink() {
    import -window "$1" "$work/shot.png" 2>/dev/null &&
        convert "$work/shot.png" -negate -threshold 8% -format '%[fx:round(mean*w*h)]' info:
}
# Types text into the focused window, then waits for the console to show it.
type_text() { xdotool type --delay 60 "$1"; sleep 0.3; }
key() { xdotool key --delay 80 "$@"; sleep 0.3; }
# Raises window $1 and gives it the keyboard (there is no window manager).
focus() {
    xdotool windowraise "$1" 2>/dev/null
    xdotool windowfocus "$1" 2>/dev/null
    sleep 0.3
}
# Answers the open or save dialog that is (about to be) open with a path.
answer_dialog() {
    local before="$1" path="$2" dialog
    wait_for 10 has_new_window "$before" || fail "no file dialog appeared"
    dialog="$(new_window "$before")"
    sleep 0.5
    focus "$dialog"
    key ctrl+a
    type_text "$path"
    visible_windows >"$work/before_return"
    key Return
}
# Enter an answer into the console.
answer() {
    focus "$console"
    [ -n "$1" ] && type_text "$1"
    key Return
}

# ---- the program, started in a copy of the sample data ---------------------------
mkdir -p "$work/data"
cp -r "$source_dir/data/." "$work/data/"
cd "$work/data" || fail "no work folder"
QT_QPA_PLATFORM=xcb "$program" >"$work/program.log" 2>&1 &
program_pid=$!

wait_for 15 has_window_named Sinora || fail "the console window 'Sinora' did not appear"
console="$(window_named Sinora)"
echo "console window: $console"
has_window_named Images && fail "the graphics window is visible before the first sinogram"

# The first open dialog: choose the sample sinogram by name.
# Only the console was there before the dialog (which may be open already).
echo "$console" >"$work/before_open"
answer_dialog "$work/before_open" phantom.sino
wait_for 20 has_window_named Images || fail "the graphics window 'Images' did not appear after the sinogram"
graphics="$(window_named Images)"
echo "graphics window: $graphics"
# Its client area is the whole canvas (Xvfb runs without a window manager,
# so the window has no frame).
sleep 0.5
xdotool getwindowgeometry "$graphics" | grep -q "Geometry: 1200x800" ||
    fail "the graphics window is not 1200 x 800: $(xdotool getwindowgeometry "$graphics")"

# Typed text shows in the console: the method prompt waits now.
focus "$console"
sleep 1
before="$(ink "$console")"
type_text "WWWWWWWWWWWW"
sleep 0.7
after="$(ink "$console")"
echo "console ink before typing: $before, after: $after"
[ -n "$before" ] && [ -n "$after" ] && [ "$after" -gt $((before + 100)) ] ||
    fail "the typed text did not show in the console"
for _ in $(seq 12); do xdotool key BackSpace; done
sleep 0.7

# Filtered back projection with the sample filter; the typed answers are
# echoed into the TextBuffer.
answer 2
visible_windows >"$work/before_filter"
answer ""                                  # "Load Real space Filter": Enter
answer_dialog "$work/before_filter" "$work/data/ramlak.txt"
sleep 1.5
answer ""                                  # filter OK; the reconstruction runs
sleep "${SINORA_E2E_COMPUTE_SECONDS:-4}"
answer ""                                  # "Disp Filtered Pth * Filter" pause
sleep 1
if [ -n "${SINORA_E2E_REPLAY:-}" ]; then
    answer ""                              # replay the accumulation
    sleep "$SINORA_E2E_REPLAY"
else
    answer n                               # no replay
fi
sleep 0.5
answer "${SINORA_E2E_HU_CENTER:-128}"        # HU Center
answer "${SINORA_E2E_HU_WIDTH:-256}"      # HU Width
sleep 1.5

if [ -n "${SINORA_E2E_SCREENSHOT:-}" ]; then
    import -window root "$SINORA_E2E_SCREENSHOT" && echo "screenshot: $SINORA_E2E_SCREENSHOT"
    # The console overlaps the graphics window: a second one with it on top.
    raised="${SINORA_E2E_SCREENSHOT%.png}_images.png"
    xdotool windowraise "$graphics"
    sleep 0.7
    import -window root "$raised" && echo "screenshot: $raised"
fi

# A right click opens the pop-up menu; its sixth command saves the TextBuffer.
visible_windows >"$work/before_menu"
focus "$console"
xdotool mousemove --window "$console" 40 200 click 3
wait_for 5 has_new_window "$work/before_menu" || fail "the right click opened no menu"
echo "menu window: $(new_window "$work/before_menu")"
visible_windows >"$work/before_save"
key Down Down Down Down Down Down Return
answer_dialog "$work/before_save" "$work/console.txt"
cp "$work/before_return" "$work/before_notice"
wait_for 10 test -f "$work/console.txt" || fail "Save TextBuffer wrote no file"
wait_for 10 has_new_window "$work/before_notice" || fail "no notice after the save"
focus "$(new_window "$work/before_notice")"
key Return                                 # the "Saved TextBuffer" notice
grep -q "Sinora" "$work/console.txt" || fail "the saved TextBuffer lacks the title"
grep -q "1: Simple BackProjection" "$work/console.txt" || fail "the saved TextBuffer lacks the method prompt"
grep -Eq "^ 2\s*$" <(tr -d '\r' <"$work/console.txt") || fail "the saved TextBuffer lacks the typed answer 2"
grep -q "HU Width  = ${SINORA_E2E_HU_WIDTH:-256}" "$work/console.txt" || fail "the saved TextBuffer lacks the typed width"
[ "$(tail -c 2 "$work/console.txt" | od -An -c | tr -d ' ')" = '\r\n' ] || fail "the TextBuffer file does not end with CR LF"

# Esc in the console ends the program with status 0.
focus "$console"
key Escape
wait_for 10 bash -c "! kill -0 $program_pid" || fail "Esc did not end the program"
wait "$program_pid"
status=$?
program_pid=""
[ "$status" -eq 0 ] || fail "the program ended with status $status"
echo "PASS"
