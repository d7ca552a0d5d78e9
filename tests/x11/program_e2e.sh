#!/usr/bin/env bash
# The real program under Xvfb, driven as a user would with xdotool: started
# as `sinora phantom.sino`, the console "Sinora" appears and Return alone in
# the first open dialog loads that sinogram; the graphics window "Images"
# appears, typed text shows in the console, and Return twice on either save
# of the pop-up menu, after either open dialog, saves under a new name or
# declines to overwrite, never touching a file that was opened; the Save
# TextBuffer command writes the console text to a typed path, and Esc ends
# the program with status 0.
#
#   bash program_e2e.sh <sinora binary> <source dir> [build dir]
# SINORA_E2E_SCREENSHOT=<png>: a screenshot of the screen after the windowed
# slice is shown; SINORA_E2E_REPLAY=<seconds>: watch the replay first.
set -uo pipefail

program="$(readlink -f "$1")"
source_dir="$(readlink -f "$2")"

source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"
skip_without Xvfb xdotool import convert
if [ ! -f "$source_dir/data/phantom.sino" ]; then
    echo "SKIP: no sample sinogram in $source_dir/data"
    exit 0
fi

# ---- a display of our own ---------------------------------------------------------
begin_session sinora_e2e
start_own_display

# ---- helpers ---------------------------------------------------------------------
# Non-white pixels of window $1.
ink() {
    import -window "$1" "$work/shot.png" 2>/dev/null &&
        convert "$work/shot.png" -negate -threshold 8% -format '%[fx:round(mean*w*h)]' info:
}
# More than $2 non-white pixels in window $1.
ink_above() {
    local now
    now="$(ink "$1")"
    [ -n "$now" ] && [ "$now" -gt "$2" ]
}

# opened_files_unchanged: the files chosen in the open dialogs are as the
# samples were, and the saves of the first round as they were saved.
opened_files_unchanged() {
    local file
    for file in phantom.sino ramlak.txt; do
        cmp -s "$source_dir/data/$file" "$work/data/$file" || fail "$file, opened in a dialog, was changed"
    done
    [ ! -f "$work/first_saves.md5" ] || md5sum --quiet -c "$work/first_saves.md5" ||
        fail "a file saved before was replaced"
}

# ---- the program, started in a copy of the sample data with a file to open -------
start_program_on_sample_data "$program" "$source_dir" phantom.sino
echo "console window: $console"
has_window_named Images && fail "the graphics window is visible before the first sinogram"

# The first open dialog shows the file named on the command line: Return
# alone loads it. Only the console was there before the dialog (which may
# be open already).
echo "$console" >"$work/before_open"
return_in_dialog "$work/before_open"
wait_for 20 has_window_named Images || fail "the graphics window 'Images' did not appear after the sinogram"
graphics="$(window_named Images)"
echo "graphics window: $graphics"
# Its client area is the whole canvas (Xvfb runs without a window manager,
# so the window has no frame).
canvas_size() { xdotool getwindowgeometry "$graphics" | grep -q "Geometry: 1200x800"; }
wait_for 5 canvas_size ||
    fail "the graphics window is not 1200 x 800: $(xdotool getwindowgeometry "$graphics")"

# Typed text shows in the console: the method prompt waits now.
focus "$console"
before="$(ink "$console")"
[ -n "$before" ] || fail "no picture of the console"
xdotool type --delay 60 "WWWWWWWWWWWW"
wait_for 10 ink_above "$console" $((before + 100)) ||
    fail "the typed text did not show in the console (ink before typing $before, now $(ink "$console"))"
echo "console ink before typing: $before, after: $(ink "$console")"
for _ in $(seq 12); do xdotool key BackSpace; done
wait_idle

# Return twice on both saves after the first open dialog: new files named
# after the sinogram, each followed by its notice.
enter_enter_save 6 "Kelvane Message"
enter_enter_save 7 "Kelvane Message"
[ -s "$work/data/phantom.txt" ] && [ "$(stat -c %s "$work/data/phantom.bmp")" = 2880054 ] ||
    fail "Return twice did not save phantom.txt and phantom.bmp: $(ls "$work/data")"
md5sum "$work/data/phantom.txt" "$work/data/phantom.bmp" >"$work/first_saves.md5"
opened_files_unchanged

# Filtered back projection with the sample filter; the typed answers are
# echoed into the TextBuffer.
choose_filter "$work/data/ramlak.txt"

# Return twice on both saves after the second open dialog: each proposes the
# file it saved last, and Return in the overwrite question declines.
enter_enter_save 6 "OverWrite?"
enter_enter_save 7 "OverWrite?"
opened_files_unchanged
echo "Return twice on both saves after both open dialogs: new files, then nothing replaced"

if [ -n "${SINORA_E2E_REPLAY:-}" ]; then
    reconstruct ""                         # replay the accumulation
    sleep "$SINORA_E2E_REPLAY"             # as long as the caller wants to watch
else
    reconstruct n                          # no replay
fi
answer "${SINORA_E2E_HU_CENTER:-128}"        # HU Center
answer "${SINORA_E2E_HU_WIDTH:-256}"      # HU Width

if [ -n "${SINORA_E2E_SCREENSHOT:-}" ]; then
    import -window root "$SINORA_E2E_SCREENSHOT" && echo "screenshot: $SINORA_E2E_SCREENSHOT"
    # The console overlaps the graphics window: a second one with it on top.
    raised="${SINORA_E2E_SCREENSHOT%.png}_images.png"
    xdotool windowraise "$graphics"
    wait_idle
    import -window root "$raised" && echo "screenshot: $raised"
fi

# The pop-up menu's sixth command saves the TextBuffer to a typed path.
menu_command 6
answer_dialog "$work/before_command" "$work/console.txt"
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
xdotool key Escape
end_with_status_0 10
echo "PASS"
