#!/usr/bin/env bash
# Sinora Lab's window under Xvfb, driven as a user would: started on a
# picture, Ctrl+S and Return alone save under the proposed name in ~/Sinora;
# Ctrl+S, a path typed into the save dialog, Return save there. Both files
# are the command line's `sinora-lab sinogram PICTURE -o` byte for byte, and
# Ctrl+Q ends the window with status 0, its layout remembered.
#
#   bash lab_window_e2e.sh <sinora binary> <source dir> <build dir>
# SINORA_LAB_SCREENSHOT=<png>: a picture of the window once the scan shows
# (the README's doc/lab-screenshot.png).
set -uo pipefail

source_dir="$(readlink -f "$2")"

source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"
begin_lab_window_session sinora_lab_window "$3"
mkdir -p "$work/pictures"
cp "$source_dir/data/phantom.png" "$work/pictures/moon.png"

cd "$work" || fail "no work folder"
start_lab_window moon "$work/pictures/moon.png"
scanned() { grep -q '^redraw: ' "$program_log"; }
wait_for 30 scanned || fail "the scan of the picture did not show"
wait_idle
if [ -n "${SINORA_LAB_SCREENSHOT:-}" ]; then
    import -window "$window" "$SINORA_LAB_SCREENSHOT" || fail "no screenshot"
    echo "screenshot: $SINORA_LAB_SCREENSHOT"
fi

# Ctrl+S and Return: the proposed name, in the work folder, with the focus
# in the file-name field.
"$lab_program" sinogram "$work/pictures/moon.png" -o "$work/command_line.sino" >/dev/null ||
    fail "sinora-lab sinogram failed"
focus "$window"
visible_windows >"$work/before_save"
key ctrl+s
wait_for 20 has_new_window "$work/before_save" || fail "no save dialog appeared"
key Return
wait_for 20 test -s "$HOME/Sinora/moon.sino" || fail "Return alone did not save ~/Sinora/moon.sino"
cmp "$HOME/Sinora/moon.sino" "$work/command_line.sino" || fail "the window's sinogram differs from the command line's"

# Ctrl+S: the whole proposed name replaced by a path.
focus "$window"
visible_windows >"$work/before_save"
key ctrl+s
answer_dialog "$work/before_save" "$work/saved.sino"
wait_for 20 test -s "$work/saved.sino" || fail "the window wrote no saved.sino"
cmp "$work/saved.sino" "$work/command_line.sino" || fail "the window's sinogram differs from the command line's"

# Ctrl+Q ends it with status 0, remembering the layout.
focus "$window"
xdotool key ctrl+q
end_with_status_0 20
[ -s "$XDG_CONFIG_HOME/Sinora/sinora-lab-window.conf" ] || fail "the window size and panel layout were not remembered"
grep '^redraw: ' "$program_log"
echo "PASS"
