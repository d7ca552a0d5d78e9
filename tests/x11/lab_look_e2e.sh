#!/usr/bin/env bash
# The Look view of Sinora Lab under Xvfb, driven as a user would: the
# teaching head opened in it, the angle moved to 90 with the keyboard, a
# circle dragged on the slice with the mouse; the circle's mean and SD in
# the status line equal `sinora-lab measure`'s on the command line's DICOM
# slice of the same reconstruction (to its rounding to whole HU).
#
#   bash lab_look_e2e.sh <sinora binary> <source dir> <build dir>
# SINORA_LAB_LOOK_SCREENSHOT=<png>: a picture of the Look view with the
# circle drawn (the README's doc/lab-look-screenshot.png);
# SINORA_LAB_COMPARE_SCREENSHOT=<png>: the Compare view.
set -uo pipefail

source_dir="$(readlink -f "$2")"

source "$(dirname "${BASH_SOURCE[0]}")/lib/session.sh"
begin_lab_window_session sinora_lab_look "$3"
cp "$source_dir/data/phantom.sino" "$work/head.sino"
cd "$work" || fail "no work folder"

start_lab_window head --look "$work/head.sino"
reconstructed() { grep -q '^status: Reconstructed head.sino' "$program_log"; }
wait_for 60 reconstructed || fail "the Look view did not reconstruct the sinogram"
# The whole screen: room for every panel and its figures.
xdotool windowsize "$window" 1920 1080
wait_idle
focus "$window"

# Alt+A: the angle slider; Home, then 90 steps of one degree.
key alt+a Home
xdotool key --repeat 90 --delay 5 Right
wait_idle
grep -q . "$program_log"

# The slice's place on the screen from the probe: two points, the pixels
# under them.
read -r wx wy ww wh < <(xdotool getwindowgeometry --shell "$window" | awk -F= '/^(X|Y|WIDTH|HEIGHT)=/{printf "%s ", $2}')
probe() {  # probe <screen x> <screen y>: "column row" under it
    : >"$work/mark"
    xdotool mousemove "$1" "$2"
    wait_idle
    xdotool mousemove "$(($1 + 1))" "$2"
    wait_idle
    xdotool mousemove "$1" "$2"
    wait_idle
    grep '^status: x ' "$program_log" | tail -1 | sed -E 's/^status: x ([0-9]+), y ([0-9]+):.*/\1 \2/'
}
sx1=$((wx + ww * 86 / 100)); sy1=$((wy + wh * 46 / 100))
sx2=$((sx1 + 30)); sy2=$((sy1 + 30))
read -r c1 r1 < <(probe "$sx1" "$sy1")
read -r c2 r2 < <(probe "$sx2" "$sy2")
[ -n "${c1:-}" ] && [ -n "${c2:-}" ] && [ "$c2" != "$c1" ] && [ "$r2" != "$r1" ] ||
    fail "the probe did not report the slice's pixels under the mouse ($c1,$r1 / $c2,$r2)"
# Screen position of a pixel, from the two probed points.
screen_x() { echo $((sx1 + ($1 - c1) * (sx2 - sx1) / (c2 - c1))); }
screen_y() { echo $((sy1 + ($1 - r1) * (sy2 - sy1) / (r2 - r1))); }

# A circle in the brain, right of the ventricles: dragged from its centre
# outwards.
xdotool mousemove "$(screen_x 186)" "$(screen_y 128)" mousedown 1
xdotool mousemove "$(screen_x 190)" "$(screen_y 128)"
xdotool mousemove "$(screen_x 194)" "$(screen_y 128)" mouseup 1
wait_idle
line="$(grep '^status: Circle at' "$program_log" | tail -1)"
[ -n "$line" ] || fail "no circle's numbers in the status line"
echo "$line"
read -r col row radius mean sd pixels < <(echo "$line" |
    sed -E 's/.*x ([0-9.]+), y ([0-9.]+), radius ([0-9.]+): mean (-?[0-9.]+) HU, SD ([0-9.]+) HU, ([0-9]+) pixels.*/\1 \2 \3 \4 \5 \6/')
[ -n "${pixels:-}" ] || fail "the circle's numbers are not in HU: $line"

if [ -n "${SINORA_LAB_LOOK_SCREENSHOT:-}" ]; then
    import -window "$window" "$SINORA_LAB_LOOK_SCREENSHOT" || fail "no screenshot"
    echo "screenshot: $SINORA_LAB_LOOK_SCREENSHOT"
fi

# The same on the command line: the Filter panel's design (Ram-Lak, scale
# 100), the slice as DICOM, the circle measured.
"$lab_program" filter ramlak -o "$work/ramlak.txt" >/dev/null || fail "sinora-lab filter failed"
"$lab_program" reconstruct "$work/head.sino" --filter "$work/ramlak.txt" -o "$work/slice.dcm" >/dev/null ||
    fail "sinora-lab reconstruct failed"
measured="$("$lab_program" measure "$work/slice.dcm" --roi-pixels "$row,$col,$radius")" || fail "sinora-lab measure failed"
echo "$measured"
read -r cmean csd cpixels < <(echo "$measured" | sed -nE 's/.*mean (-?[0-9.e+-]+), SD ([0-9.e+-]+), ([0-9]+) pixels.*/\1 \2 \3/p')
[ "$cpixels" = "$pixels" ] || fail "the window's circle holds $pixels pixels, measure's $cpixels"
awk -v a="$mean" -v b="$cmean" -v s="$sd" -v t="$csd" 'BEGIN { d = a - b; e = s - t; exit !(d < 0.5 && d > -0.5 && e < 0.5 && e > -0.5) }' ||
    fail "the window says mean $mean, SD $sd HU; measure says $cmean, $csd"

# Compare: the slice, the truth and SART side by side, each with its
# figures in the status line as it joins.
added() { grep -q "^status: Added $1" "$program_log"; }
focus "$window"
key ctrl+3 alt+s
wait_for 20 added Ram-Lak || fail "the slice did not join the comparison"
visible_windows >"$work/before_truth"
key alt+t
answer_dialog "$work/before_truth" "$source_dir/data/phantom.png"
wait_for 20 added Truth || fail "the truth did not join the comparison"
focus "$window"
key alt+r
wait_for 120 added SART || fail "SART did not finish and join the comparison"
grep '^status: Added' "$program_log"
grep -q '^status: Added SART, 10 iterations: correlation with the truth 0\.9' "$program_log" ||
    fail "SART's slice does not correlate with the truth"
if [ -n "${SINORA_LAB_COMPARE_SCREENSHOT:-}" ]; then
    import -window "$window" "$SINORA_LAB_COMPARE_SCREENSHOT" || fail "no screenshot"
    echo "screenshot: $SINORA_LAB_COMPARE_SCREENSHOT"
fi

focus "$window"
xdotool key ctrl+q
end_with_status_0 20
echo "PASS"
