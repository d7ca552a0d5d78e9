# session.sh - shared by the tests that run the real program under Xvfb:
# a display of the test's own and the waiting for windows. Sourced; expects
# $work (a scratch folder) and $program_pid (once the program runs), and sets
# $xvfb_pid and DISPLAY.

# Starts Xvfb on a random high display number (other tests take the low
# ones); a server that cannot take its number ends at once, and the next
# number is tried. Exits the test with FAIL when no server starts.
# -noreset keeps the server from resetting when the probe disconnects, which
# would refuse a program connecting at that moment.
start_own_display() {
    local n
    for _ in $(seq 20); do
        n=$((200 + RANDOM % 700))
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 50); do
            kill -0 "$xvfb_pid" 2>/dev/null || break
            DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1 && break
            sleep 0.1
        done
        if kill -0 "$xvfb_pid" 2>/dev/null && DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1; then
            export DISPLAY=":$n"
            return 0
        fi
        kill "$xvfb_pid" 2>/dev/null
        xvfb_pid=""
    done
    cat "$work/xvfb.log"
    echo "FAIL: Xvfb did not start"
    exit 1
}

# wait_for <seconds> <command...>: retries the command until it succeeds.
wait_for() {
    local limit=$(($1 * 10))
    shift
    for _ in $(seq "$limit"); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# The program's visible window captioned exactly $1.
window_named() { xdotool search --all --onlyvisible --pid "$program_pid" --name "^$1\$" | head -1; }
has_window_named() { [ -n "$(window_named "$1")" ]; }
