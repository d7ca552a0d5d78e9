#!/usr/bin/env bash
# Smoke test of the platform layer on a real X server (Xvfb, no window
# manager): a window created through the layer appears with its caption, a
# key typed with xdotool reaches its window procedure as WM_CHAR, and Esc
# ends the program through WM_KEYDOWN, DestroyWindow and WM_QUIT.
#
#   bash platform_smoke.sh <sinora binary> <source dir> <build dir>
# (the first two are unused; the test program is tests/platform_smoke_app)
set -uo pipefail

build_dir="$(readlink -f "${3:-.}")"
app="$build_dir/tests/platform_smoke_app"

source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"
skip_without Xvfb
for tool in xdotool xwininfo; do
    command -v "$tool" >/dev/null 2>&1 || { echo "FAIL: $tool is missing (see scripts/setup)"; exit 1; }
done
[ -x "$app" ] || { echo "FAIL: $app was not built"; exit 1; }

begin_session sinora_smoke
start_own_display
unset QT_QPA_PLATFORM

"$app" >"$program_log" 2>&1 &
program_pid=$!

wait_for 15 has_window_named 'Sinora Smoke' || fail "the window did not appear"
wid="$(window_named 'Sinora Smoke')"
xwininfo -id "$wid" | grep -q '"Sinora Smoke"' || fail "xwininfo does not show the caption"
xwininfo -id "$wid" | grep -q 'IsViewable' || fail "the window is not viewable"

xdotool windowfocus --sync "$wid" || fail "could not focus the window"
xdotool type --delay 50 'k' || fail "xdotool type failed"
xdotool key Return
wait_for 10 grep -qx 'CHAR 107' "$program_log" || fail "the typed k did not arrive as WM_CHAR 107"
wait_for 10 grep -qx 'CHAR 13' "$program_log" || fail "Return did not arrive as WM_CHAR 13"

xdotool key Escape
wait_for 10 grep -qx 'QUIT 0' "$program_log" || fail "Esc did not end the program"
end_with_status_0 10
echo "PASS: window, caption, WM_CHAR and Esc under Xvfb"
