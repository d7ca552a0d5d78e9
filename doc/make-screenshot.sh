#!/usr/bin/env bash
# Makes doc/screenshot.png from a real run under Xvfb with a window manager:
# the phantom reconstructed with the Shepp-Logan filter, the slice under the
# window centre 50, width 80, and the console moved beside "Images".
#
#   bash doc/make-screenshot.sh [sinora binary]   (default: build/sinora)
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
program="$(readlink -f "${1:-$root/build/sinora}")"
for tool in Xvfb openbox xdotool import convert; do
    command -v "$tool" >/dev/null 2>&1 || { echo "needs $tool (bash scripts/setup)"; exit 1; }
done

source "$root/tests/x11/lib/session.sh"
begin_session sinora_shot
start_own_display
openbox >"$work/openbox.log" 2>&1 &
wm_pid=$!
# The program places its windows itself once the window manager runs.
wait_for 10 xprop -root _NET_SUPPORTING_WM_CHECK

# The program in a copy of the data, so that the console shows a short path.
start_program_on_sample_data "$program" "$root"
load_sample_sinogram
filtered_run shepp_logan.txt n
answer 50                          # HU Center
answer 80                          # HU Width

# The console beside the graphics window, as the README advises.
xdotool windowmove --sync "$console" 1318 20
wait_idle
import -window root "$work/screen.png" || fail "no screenshot"
convert "$work/screen.png" -crop 1585x860+95+0 +repage -resize 70% -colors 128 "PNG8:$root/doc/screenshot.png"
echo "wrote $root/doc/screenshot.png ($(stat -c %s "$root/doc/screenshot.png") bytes)"
