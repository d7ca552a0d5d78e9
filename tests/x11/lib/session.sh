# session.sh - shared by the tests that run a program under Xvfb: a scratch
# folder cleaned up at exit, a display of the test's own, failure reports,
# and waits on conditions (a window appears, the program is idle, it ends).
# Sourced. The test sets $program_pid once its program runs (and $wm_pid if
# it starts a window manager); the session sets $work, $xvfb_pid and DISPLAY.

# skip_without <tool...>: a test that cannot run here passes with SKIP.
skip_without() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIP: $tool is not installed"
            exit 0
        fi
    done
}

# begin_session <name>: the scratch folder /tmp/<name>.XXXXXX and the clean-up
# of everything the test started.
begin_session() {
    work="$(mktemp -d "/tmp/$1.XXXXXX")"
    program_log="$work/program.log"
    xvfb_pid=""
    wm_pid=""
    program_pid=""
    trap end_session EXIT
}

end_session() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}

# fail <message>: what the screen and the program show, then FAIL.
fail() {
    echo "FAIL: $*"
    if [ -n "${DISPLAY:-}" ] && command -v import >/dev/null 2>&1 &&
        import -window root "$work/failure.png" 2>/dev/null; then
        cp "$work/failure.png" "/tmp/$(basename "$0" .sh)_failure.png" &&
            echo "screen at the failure: /tmp/$(basename "$0" .sh)_failure.png"
    fi
    if [ -n "${DISPLAY:-}" ]; then
        echo "visible windows:"
        for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
            echo "  $w '$(xdotool getwindowname "$w" 2>/dev/null)'"
        done
    fi
    if [ -n "$program_pid" ] && ! program_alive; then
        wait "$program_pid"
        echo "the program is no longer running (status $?)"
        program_pid=""
    fi
    local log="${program_log:-$work/program.log}"
    [ -f "$log" ] && { echo "program output:"; cat "$log"; }
    exit 1
}

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
            unset WAYLAND_DISPLAY
            return 0
        fi
        kill "$xvfb_pid" 2>/dev/null
        xvfb_pid=""
    done
    cat "$work/xvfb.log"
    echo "FAIL: Xvfb did not start"
    exit 1
}

# wait_for <seconds> <command...>: retries the command until it succeeds,
# for about that many seconds.
wait_for() {
    local end=$((SECONDS + $1 + 1))
    shift
    while [ "$SECONDS" -lt "$end" ]; do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# The program's visible window captioned exactly $1.
window_named() { xdotool search --all --onlyvisible --pid "$program_pid" --name "^$1\$" | head -1; }
has_window_named() { [ -n "$(window_named "$1")" ]; }

# Sinora Lab's window tests: the two lab programs from build dir $2, a work
# folder named after $1 on a display of its own, and a home of its own (no
# remembered layout, a fresh ~/Sinora).
begin_lab_window_session() {
    window_program="$(readlink -f "$2/lab/sinora-lab-window")"
    lab_program="$(readlink -f "$2/lab/sinora-lab")"
    skip_without Xvfb xdotool import
    [ -x "$window_program" ] && [ -x "$lab_program" ] || { echo "FAIL: build sinora-lab-window and sinora-lab first"; exit 1; }
    begin_session "$1"
    start_own_display
    export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
    mkdir -p "$HOME"
}

# start_lab_window <title> [argument...]: the lab window started with the
# arguments (its --timings lines in $program_log); sets $program_pid and
# $window once a window whose title begins with <title> shows.
start_lab_window() {
    local title="$1"
    shift
    QT_QPA_PLATFORM=xcb "$window_program" --timings "$@" >"$program_log" 2>&1 &
    program_pid=$!
    lab_main_window() { xdotool search --all --onlyvisible --pid "$program_pid" --name "^$title" | head -1; }
    has_lab_main_window() { [ -n "$(lab_main_window)" ]; }
    wait_for 20 has_lab_main_window || fail "no window titled after '$title'"
    window="$(lab_main_window)"
}

# start_program_on_sample_data <program> <source dir> [argument...]: the
# program on the X display, started in a copy of the sample data with the
# arguments; sets $program_pid and $console once the console window "Sinora"
# shows.
start_program_on_sample_data() {
    mkdir -p "$work/data"
    cp -r "$2/data/." "$work/data/"
    cd "$work/data" || fail "no work folder"
    QT_QPA_PLATFORM=xcb "$1" "${@:3}" >"$program_log" 2>&1 &
    program_pid=$!
    wait_for 15 has_window_named Sinora || fail "the console window 'Sinora' did not appear"
    console="$(window_named Sinora)"
}

program_alive() { kill -0 "$program_pid" 2>/dev/null; }
program_ended() { ! program_alive; }

# The processor time the program has used, in clock ticks (user + system,
# fields 14 and 15 of /proc/PID/stat; the name in field 2 holds no blank).
program_cpu_ticks() { awk '{print $14 + $15}' "/proc/$program_pid/stat" 2>/dev/null; }

# True when the program used at most one tick in the last 0.4 s: it waits
# for input (a prompt, a dialog) instead of computing or drawing.
program_idle() {
    local before after
    before="$(program_cpu_ticks)" || return 1
    sleep 0.4
    after="$(program_cpu_ticks)" || return 1
    [ -n "$before" ] && [ -n "$after" ] && [ $((after - before)) -le 1 ]
}

# wait_idle [seconds]: until the program waits for input (FAIL after the
# limit, 60 s by default).
wait_idle() { wait_for "${1:-60}" program_idle || fail "the program did not come to rest"; }

# end_with_status_0 <seconds>: the program ends within the limit with status 0.
end_with_status_0() {
    wait_for "$1" program_ended || fail "the program did not end"
    wait "$program_pid"
    local status=$?
    program_pid=""
    [ "$status" -eq 0 ] || fail "the program ended with status $status"
}

# ---- driving the program's windows as a user would ---------------------------
# The program's visible windows (dialogs and menus included), one id a line.
visible_windows() { xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | sort; }
# A visible window that was not in the list $1 (a file of window ids).
new_window() { visible_windows | comm -13 "$1" - | head -1; }
has_new_window() { [ -n "$(new_window "$1")" ]; }
windows_as_in() { [ "$(visible_windows)" = "$(cat "$1")" ]; }
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# focus <window>: raises the window and gives it the keyboard, asking again
# until the display says it has it (a request made while the program maps or
# unmaps a window can be lost), then waits until the program is at rest.
focus() {
    local attempt
    for attempt in 1 2 3 4 5; do
        xdotool windowraise "$1" windowfocus "$1" 2>/dev/null
        if wait_for 2 focused "$1"; then
            wait_idle
            return 0
        fi
    done
    fail "window $1 did not take the keyboard"
}

# Types text or keys, then waits until the program has taken them.
type_text() { xdotool type --delay 60 "$1"; wait_idle; }
key() { xdotool key --delay 80 "$@"; wait_idle; }

# answer_dialog <windows before> <path>: types the path into the file dialog
# that opened after the list of windows in file $1 was taken, and Return.
# Leaves the windows seen before the Return in $work/before_return.
answer_dialog() {
    local dialog
    wait_for 20 has_new_window "$1" || fail "no file dialog appeared"
    dialog="$(new_window "$1")"
    focus "$dialog"
    key ctrl+a
    type_text "$2"
    visible_windows >"$work/before_return"
    key Return
}

# return_in_dialog <windows before>: Return alone in the file dialog that
# opened after the list of windows in file $1 was taken: it takes the name
# the dialog shows.
return_in_dialog() {
    wait_for 20 has_new_window "$1" || fail "no file dialog appeared"
    focus "$(new_window "$1")"
    key Return
}

# menu_command <n>: right-clicks the console $console and chooses the n-th
# command of its pop-up menu with the arrow keys, as a user would. Leaves the
# windows seen before the menu in $work/before_menu, and those seen with the
# menu open (what the command opens is new to them) in $work/before_command.
menu_command() {
    local downs=()
    for _ in $(seq "$1"); do downs+=(Down); done
    visible_windows >"$work/before_menu"
    focus "$console"
    xdotool mousemove --window "$console" 40 200 click 3
    wait_for 5 has_new_window "$work/before_menu" || fail "the right click opened no menu"
    visible_windows >"$work/before_command"
    key "${downs[@]}" Return
}

# enter_enter_save <n> <caption>: menu command n (6: Save TextBuffer File,
# 7: Save Graphic File), Return in its save dialog as it opens, and Return
# in the window that follows, which must be captioned <caption> (the notice
# of the save, or the "OverWrite?" question); then only the windows of
# before the menu are left.
enter_enter_save() {
    local dialog box
    menu_command "$1"
    wait_for 20 has_new_window "$work/before_command" || fail "menu command $1 opened no save dialog"
    dialog="$(new_window "$work/before_command")"
    focus "$dialog"
    visible_windows >"$work/before_return"
    key Return
    wait_for 10 has_new_window "$work/before_return" || fail "Return in the save dialog brought no window"
    box="$(new_window "$work/before_return")"
    [ "$(xdotool getwindowname "$box")" = "$2" ] ||
        fail "Return in the save dialog brought '$(xdotool getwindowname "$box")', not '$2'"
    focus "$box"
    key Return
    wait_for 10 windows_as_in "$work/before_menu" || fail "the save of menu command $1 left a window open"
}

# answer <text> [ticks]: types an answer into the console window $console and
# Enter; returns once the program has worked on it (at least <ticks> clock
# ticks of processor time, for a step known to compute that long, so that a
# pause before the work starts is not taken for its end) and waits again (a
# prompt, a dialog, or the end of a computation).
answer() {
    local start end
    focus "$console"
    [ -n "$1" ] && type_text "$1"
    start="$(program_cpu_ticks)"
    xdotool key Return
    end=$((SECONDS + 30))
    while [ $(($(program_cpu_ticks) - start)) -lt "${2:-0}" ] && [ "$SECONDS" -lt "$end" ]; do sleep 0.05; done
    wait_idle 120
}

# load_sample_sinogram: chooses phantom.sino of the sample data in the open
# dialog the program shows first, and waits for the graphics window.
load_sample_sinogram() {
    echo "$console" >"$work/before_open"
    answer_dialog "$work/before_open" phantom.sino
    wait_for 30 has_window_named Images || fail "the graphics window 'Images' did not appear after the sinogram"
    wait_idle
}

# choose_filter <filter file>: at the method prompt, filtered back projection
# with the filter file chosen in the dialog; returns when the filter's
# confirmation question waits.
choose_filter() {
    answer 2
    visible_windows >"$work/before_filter"
    answer ""                                  # "Load Real space Filter": Enter
    answer_dialog "$work/before_filter" "$1"
    wait_idle
}

# reconstruct <replay answer>: the filter confirmed, the pause after the grid,
# and <replay answer> to "Disp FBP Process?" ("" replays, "n" does not);
# returns when the HU window's first question waits.
reconstruct() {
    answer "" 5                                # filter OK: the reconstruction runs
    answer ""                                  # the pause after the grid: the sum
    if [ -z "$1" ]; then
        answer "" 5                            # the replay of the accumulation
    else
        answer "$1"
    fi
}

# filtered_run <filter file> <replay answer>: from the method prompt to the
# HU window's first question.
filtered_run() {
    choose_filter "$1"
    reconstruct "$2"
}

# ---- saving from the console's pop-up menu -----------------------------------------
no_notice() { ! has_window_named "Kelvane Message"; }

# save_from_menu <n> <path>: menu command n (6: Save TextBuffer File, 7:
# Save Graphic File), the path (a new file) typed into its save dialog, and
# the notice that follows closed, asking again while it stays open.
save_from_menu() {
    local attempt notice
    menu_command "$1"
    answer_dialog "$work/before_command" "$2"
    wait_for 10 has_window_named "Kelvane Message" || fail "no notice after saving $2"
    notice="$(window_named "Kelvane Message")"
    for attempt in 1 2 3 4 5; do
        focus "$notice"
        key Return
        wait_for 3 no_notice && return 0
    done
    fail "the notice after saving $2 did not close"
}
save_canvas() { save_from_menu 7 "$1"; }
save_text() { save_from_menu 6 "$1"; }
