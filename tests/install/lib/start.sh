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

# start_from_desktop_entry <desktop file> <home> [file]: runs the entry's
# Exec line as a desktop would, from the root folder, with <home> as HOME:
# its %f is the file, or nothing without one.
start_from_desktop_entry() {
    local entry="$1" home="$2" file="${3:-}" exec_line word command=()
    exec_line="$(sed -n 's/^Exec=//p' "$entry")"
    [ -n "$exec_line" ] || fail "$entry has no Exec line"
    case "$exec_line" in *%[!f]*) fail "the Exec line '$exec_line' takes a field code other than %f" ;; esac
    set -f
    for word in $exec_line; do
        if [ "$word" != %f ]; then
            command+=("$word")
        elif [ -n "$file" ]; then
            command+=("$file")
        fi
    done
    set +f
    (cd / && HOME="$home" exec "${command[@]}") >"$program_log" 2>&1 &
    program_pid=$!
}

# check_work_folder_start <home> <installed data folder> [named]: the program
# started by start_from_desktop_entry shows its console and its first open
# dialog, runs in <home>/Sinora holding copies of every sample, and the
# dialog shows that folder: the bare name phantom.sino typed into it loads
# the sample, which brings up the graphics window. Started on a file named
# on its command line (yes for [named]), the dialog shows that file instead,
# and Return alone loads it. Stops the program.
check_work_folder_start() {
    local home="$1" data="$2" named="${3:-}" folder="$1/Sinora" sample
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
    if [ -n "$named" ]; then
        return_in_dialog "$work/before_open"
        wait_for 20 has_window_named Images ||
            fail "Return in the first open dialog did not load the file named on the command line"
    else
        answer_dialog "$work/before_open" phantom.sino
        wait_for 20 has_window_named Images ||
            fail "phantom.sino typed into the first open dialog did not load: the dialog is not in $folder"
    fi
    stop_program
}
