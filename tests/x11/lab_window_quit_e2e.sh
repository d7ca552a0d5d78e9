#!/usr/bin/env bash
# Sinora Lab's window under Xvfb when what it reads does not answer: with a
# settings file that is a FIFO it shows all the same, says so and leaves the
# FIFO alone; opened on a FIFO without a writer as its picture, it refuses it
# at once, and Ctrl+Q ends the process with status 0 once the message is
# answered.
#
#   bash lab_window_quit_e2e.sh <sinora binary> <source dir> <build dir>
set -uo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"
begin_lab_window_session sinora_lab_quit "$3"
cd "$work" || fail "no work folder"

settings="$XDG_CONFIG_HOME/Sinora/sinora-lab-window.conf"
mkdir -p "${settings%/*}"
mkfifo "$settings"
start_lab_window ""
said() { grep -q "^status: $settings is not a regular file" "$program_log"; }
wait_for 10 said || fail "the window did not say why it remembers nothing"
focus "$window"
xdotool key ctrl+q
end_with_status_0 20
[ -p "$settings" ] || fail "the settings FIFO was replaced"
rm "$settings"

mkfifo "$work/no_writer.png"
start_lab_window "" "$work/no_writer.png"
refused() { grep -q "^status: .*no_writer.png.*it is a FIFO" "$program_log"; }
wait_for 10 refused || fail "the window did not refuse the FIFO"
# The message box: the window's second, once it shows.
message_box() { visible_windows | grep -vx "$window" | head -1; }
has_message_box() { [ -n "$(message_box)" ]; }
wait_for 10 has_message_box || fail "no message box said why"
focus "$(message_box)"
xdotool key Return
focus "$window"
xdotool key ctrl+q
end_with_status_0 10
echo "PASS"
