# start.sh - shared by the install tests: starting an installed Sinora the
# way its desktop entry does, and checking that it came up in the work
# folder with the sample data. Sourced after tests/x11/lib/session.sh, once
# begin_session ran; sets $program_pid.

stop_program() {
    if [ -n "${program_pid:-}" ]; then
        kill "$program_pid" 2>/dev/null
        wait "$program_pid" 2>/dev/null
        program_pid=""
    fi
}

# start_from_desktop_entry <desktop file> <home>: runs the entry's Exec line
# as a desktop would, from the root folder, with <home> as HOME.
start_from_desktop_entry() {
    local entry="$1" home="$2" exec_line
    exec_line="$(sed -n 's/^Exec=//p' "$entry")"
    [ -n "$exec_line" ] || fail "$entry has no Exec line"
    case "$exec_line" in *%*) fail "the Exec line '$exec_line' takes field codes: Sinora takes no files" ;; esac
    # shellcheck disable=SC2086  # the Exec line is a word list
    (cd / && HOME="$home" exec $exec_line) >"$program_log" 2>&1 &
    program_pid=$!
}

# check_work_folder_start <home> <installed data folder>: the program started
# by start_from_desktop_entry shows its console and its first open dialog,
# runs in <home>/Sinora holding copies of every sample, and the dialog shows
# that folder: the bare name phantom.sino typed into it loads the sample,
# which brings up the graphics window. Stops the program.
check_work_folder_start() {
    local home="$1" data="$2" folder="$1/Sinora" sample
    wait_for 20 has_window_named Sinora || fail "the console window 'Sinora' did not appear"
    console="$(window_named Sinora)"
    [ "$(readlink "/proc/$program_pid/cwd")" = "$folder" ] ||
        fail "the program runs in '$(readlink "/proc/$program_pid/cwd")', not in the work folder $folder"
    for sample in "$data"/*; do
        [ -f "$folder/${sample##*/}" ] || fail "the work folder lacks the sample ${sample##*/}"
    done
    xprop -id "$console" WM_CLASS | grep -q '"sinora"' ||
        fail "the console's WM_CLASS does not match the desktop entry's StartupWMClass: $(xprop -id "$console" WM_CLASS)"
    echo "$console" >"$work/before_open"
    answer_dialog "$work/before_open" phantom.sino
    wait_for 20 has_window_named Images ||
        fail "phantom.sino typed into the first open dialog did not load: the dialog is not in $folder"
    stop_program
}
