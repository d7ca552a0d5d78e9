#!/usr/bin/env bash
# scripts/run twice in a row, as a user starts Sinora every day: each call
# says where sinora-lab is and brings up the console window in the work
# folder, which holds the samples and the data set's README.md; the second
# makes no package-manager call and reaches the window within a few seconds.
#
#   bash run_twice.sh <source dir>
set -uo pipefail
source_dir="$(readlink -f "$1")"

source "$source_dir/tests/x11/lib/session.sh"
source "$source_dir/tests/install/lib/start.sh"
begin_session sinora_run
start_own_display
home="$work/home"
mkdir -p "$home"

# run_once <log> <seconds allowed>: scripts/run until its console window is
# up in the work folder; sets $elapsed_ms to the time that took.
run_once() {
    local log="$1" limit="$2" started
    started=$(date +%s%N)
    program_log="$log"
    (cd "$home" && HOME="$home" exec bash "$source_dir/scripts/run") >"$log" 2>&1 &
    program_pid=$!
    wait_for "$limit" has_window_named Sinora || fail "scripts/run showed no console window within $limit s"
    elapsed_ms=$((($(date +%s%N) - started) / 1000000))
    [ "$(readlink "/proc/$program_pid/cwd")" = "$home/Sinora" ] || fail "scripts/run started the program outside the work folder"
    [ -f "$home/Sinora/phantom.sino" ] || fail "scripts/run left the work folder without the sample sinogram"
    cmp -s "$source_dir/data/README.md" "$home/Sinora/README.md" || fail "scripts/run left the work folder without the data set's README.md"
    lab="$(sed -n 's/^sinora-lab, .*, is //p' "$log")"
    [ -x "$lab" ] && "$lab" --help >/dev/null 2>&1 || { cat "$log"; fail "scripts/run did not say where sinora-lab is"; }
    stop_program
}

run_once "$work/first.log" 900
echo "first call: console window after $elapsed_ms ms"
run_once "$work/second.log" 60
echo "second call: console window after $elapsed_ms ms"
if grep -Eq "apt-get|scripts/setup: installing" "$work/second.log"; then
    cat "$work/second.log"
    fail "the second call of scripts/run called the package manager"
fi
# A few seconds, with room for a machine that is busy with other work.
[ "$elapsed_ms" -lt 20000 ] || fail "the second call took $elapsed_ms ms to show the window"
echo "PASS"
