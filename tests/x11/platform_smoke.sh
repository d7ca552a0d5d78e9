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

if ! command -v Xvfb >/dev/null 2>&1; then
    echo "SKIP: Xvfb is not installed"
    exit 0
fi
for tool in xdotool xwininfo; do
    command -v "$tool" >/dev/null 2>&1 || { echo "FAIL: $tool is missing (see scripts/setup)"; exit 1; }
done
[ -x "$app" ] || { echo "FAIL: $app was not built"; exit 1; }

work="$(mktemp -d /tmp/sinora_smoke.XXXXXX)"
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    echo "program output:"; cat "$work/app.out" "$work/app.err" 2>/dev/null
    exit 1
}

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
    local tries=$1
    shift
    for _ in $(seq "$tries"); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# Xvfb chooses a free display number itself and writes it once it accepts
# connections, so parallel tests never race for a number. -noreset: without
# it the server resets when its last client (the probe below) disconnects,
# and a program connecting during that reset is refused.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
wait_for 100 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
wait_for 50 xwininfo -root || fail "cannot reach Xvfb on $DISPLAY"

"$app" >"$work/app.out" 2>"$work/app.err" &
app_pid=$!

wait_for 150 xdotool search --onlyvisible --name '^Sinora Smoke$' || fail "the window did not appear"
wid="$(xdotool search --onlyvisible --name '^Sinora Smoke$' | head -n 1)"
xwininfo -id "$wid" | grep -q '"Sinora Smoke"' || fail "xwininfo does not show the caption"
xwininfo -id "$wid" | grep -q 'IsViewable' || fail "the window is not viewable"

xdotool windowfocus --sync "$wid" || fail "could not focus the window"
xdotool type --delay 50 'k' || fail "xdotool type failed"
xdotool key Return
wait_for 100 grep -qx 'CHAR 107' "$work/app.out" || fail "the typed k did not arrive as WM_CHAR 107"
wait_for 100 grep -qx 'CHAR 13' "$work/app.out" || fail "Return did not arrive as WM_CHAR 13"

xdotool key Escape
wait_for 100 grep -qx 'QUIT 0' "$work/app.out" || fail "Esc did not end the program"
wait "$app_pid"
status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "exit status $status"
echo "PASS: window, caption, WM_CHAR and Esc under Xvfb"
