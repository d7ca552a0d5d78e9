#!/usr/bin/env bash
# The install tree: `cmake --install` into a staging folder gives exactly the
# expected files (every manual page in doc/man belongs to an installed
# program, and every installed program has one; the lessons' pages refer
# only to installed pictures and pages), the desktop entry is valid,
# the sinogram file type is valid and named by the desktop entry, the manual
# pages render, the installed program answers --version and --help without a
# display, refuses other arguments, ends with one line and status 1 when no
# display is reachable, started as the desktop entry starts it in a Wayland
# session, runs on XWayland in the work folder with the samples, and
# sinora-session FILE with a relative HOME, from a folder of the user's,
# takes both relative to that folder and Return alone loads FILE.
#
#   bash staged_install.sh <build dir> <source dir>
set -uo pipefail
build="$(readlink -f "$1")"
source_dir="$(readlink -f "$2")"

source "$source_dir/tests/x11/lib/session.sh"
source "$source_dir/tests/install/lib/start.sh"
begin_session sinora_install

stage="$work/stage"
cmake --install "$build" --prefix "$stage" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "cmake --install failed"; }

# ---- the file list ------------------------------------------------------------------
expected="$work/expected"
{
    echo bin/sinora
    echo bin/sinora-session
    echo share/applications/sinora.desktop
    echo share/mime/packages/sinora.xml
    echo share/icons/hicolor/scalable/apps/sinora.svg
    echo share/applications/sinora-lab.desktop
    echo share/icons/hicolor/scalable/apps/sinora-lab.svg
    echo share/doc/sinora/README.md
    echo share/doc/sinora/README-data.md
    echo share/doc/sinora/LICENSE
    for sample in "$source_dir"/data/*; do
        echo "share/sinora/data/${sample##*/}"
    done
    # The lessons as HTML pages (README.md is the index), their style sheet and pictures.
    for lesson in "$source_dir"/doc/lessons/*.md; do
        name="${lesson##*/}"
        [ "$name" = README.md ] && name=index.md
        echo "share/doc/sinora/lessons/${name%.md}.html"
    done
    echo share/doc/sinora/lessons/lessons.css
    for picture in "$source_dir"/doc/lessons/img/*; do
        echo "share/doc/sinora/lessons/img/${picture##*/}"
    done
    for page in "$source_dir"/doc/man/*.1; do
        name="${page##*/}"
        echo "share/man/man1/$name.gz"
        echo "bin/${name%.1}"
    done
} | sort -u >"$expected"
(cd "$stage" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$work/installed"
if ! diff "$expected" "$work/installed" >"$work/list.diff"; then
    cat "$work/list.diff"
    fail "the installed files differ from the expected list (< expected, > installed)"
fi
for program in "$stage"/bin/*; do
    [ -x "$program" ] || fail "${program#"$stage"/} is not executable"
    [ -f "$stage/share/man/man1/${program##*/}.1.gz" ] || fail "${program##*/} has no manual page"
done
cmp -s "$source_dir/data/phantom.sino" "$stage/share/sinora/data/phantom.sino" || fail "the installed sample sinogram differs"
echo "file list: $(wc -l <"$work/installed") files as expected"
# Every picture, style sheet and page a lesson refers to is installed beside it.
for page in "$stage"/share/doc/sinora/lessons/*.html; do
    for target in $(grep -o '\(src\|href\)="[^":#]*"' "$page" | sed 's/^[a-z]*="//; s/"$//'); do
        [ -e "${page%/*}/$target" ] || fail "lessons/${page##*/} refers to $target, which is not installed"
    done
done

# ---- desktop entry, icon, manual pages -------------------------------------------
for entry in sinora sinora-lab; do
    desktop-file-validate "$stage/share/applications/$entry.desktop" || fail "the desktop entry $entry is not valid"
    [ "$(sed -n 's/^Icon=//p' "$stage/share/applications/$entry.desktop")" = "$entry" ] || fail "the desktop entry's icon is not '$entry'"
    grep -q '<svg' "$stage/share/icons/hicolor/scalable/apps/$entry.svg" || fail "the icon $entry is not an SVG picture"
done
grep -qx 'Name=Sinora Lab' "$stage/share/applications/sinora-lab.desktop" || fail "the lab's desktop entry is not named 'Sinora Lab'"
# The file type, built into a MIME database of its own as the package's
# trigger builds the system's: the entry's type is defined, by *.sino, and
# the entry takes the file (%f).
desktop="$stage/share/applications/sinora.desktop"
grep -qx 'Exec=sinora-session %f' "$desktop" || fail "the desktop entry's Exec does not take a file: $(grep ^Exec= "$desktop")"
mime_type="$(sed -n 's/^MimeType=\([^;]*\);$/\1/p' "$desktop")"
[ -n "$mime_type" ] || fail "the desktop entry names no MimeType"
cp -r "$stage/share/mime" "$work/mime"
XDG_DATA_DIRS="$work" update-mime-database "$work/mime" >"$work/mime.log" 2>&1 && [ ! -s "$work/mime.log" ] ||
    { cat "$work/mime.log"; fail "update-mime-database did not take share/mime/packages/sinora.xml"; }
[ -f "$work/mime/$mime_type.xml" ] || fail "the desktop entry's type $mime_type is not defined"
grep -qx "$mime_type:\*\.sino" "$work/mime/globs" || fail "$mime_type is not given to *.sino: $(cat "$work/mime/globs")"
for page in "$stage"/share/man/man1/*.1.gz; do
    MANWIDTH=80 man -l "$page" >"$work/page.txt" 2>"$work/page.err" || fail "man -l ${page##*/} failed"
    [ -s "$work/page.err" ] && { cat "$work/page.err"; fail "man -l ${page##*/} warned"; }
    grep -q '^NAME' "$work/page.txt" && grep -q '^SYNOPSIS' "$work/page.txt" || fail "${page##*/} lacks NAME or SYNOPSIS"
done
echo "desktop entry valid, $mime_type for *.sino, $(ls "$stage"/share/man/man1 | wc -l) manual pages render"

# ---- the command line, without a display --------------------------------------------
sinora="$stage/bin/sinora"
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home")
out="$("${nodisplay[@]}" "$sinora" --version 2>"$work/err")" || fail "sinora --version ended with status $?"
[[ "$out" =~ ^sinora\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "sinora --version printed '$out'"
[ -s "$work/err" ] && fail "sinora --version wrote to standard error: $(cat "$work/err")"
"${nodisplay[@]}" "$sinora" --help >"$work/help" 2>"$work/err" || fail "sinora --help ended with status $?"
for text in "Usage: sinora" "$work/home/Sinora" "$stage/share/sinora/data" "$stage/share/doc/sinora" \
    "man sinora" "sinora-session" "XWayland"; do
    grep -qF -- "$text" "$work/help" || fail "sinora --help does not mention '$text'"
done
for page in "$source_dir"/doc/man/*.1; do
    name="${page##*/}"
    grep -qF "man ${name%.1}" "$work/help" || fail "sinora --help does not name the manual of ${name%.1}"
done
for arguments in "--bogus" "--help --version" "one.sino two.sino"; do
    # shellcheck disable=SC2086
    "${nodisplay[@]}" "$sinora" $arguments >"$work/out" 2>"$work/err"
    status=$?
    [ "$status" -eq 2 ] || fail "sinora $arguments ended with status $status, not 2"
    [ "$(wc -l <"$work/err")" -eq 1 ] && [ ! -s "$work/out" ] || fail "sinora $arguments did not print exactly one line on standard error"
done
for display in "" ":$((1000 + RANDOM % 1000))"; do
    if [ -z "$display" ]; then
        "${nodisplay[@]}" "$sinora" >"$work/out" 2>"$work/err"
    else
        "${nodisplay[@]}" DISPLAY="$display" "$sinora" >"$work/out" 2>"$work/err"
    fi
    status=$?
    [ "$status" -eq 1 ] || fail "without a reachable display (DISPLAY='$display') sinora ended with status $status, not 1"
    [ "$(wc -l <"$work/err")" -eq 1 ] && grep -q "display" "$work/err" ||
        { cat "$work/err"; fail "without a reachable display sinora did not print one line naming the display"; }
done
echo "command line: --version, --help, usage errors and no display as expected"

# ---- the lab's DICOM reader: sinora-lab itself, found beside the program ---------------
# Started through a link in another folder and from the PATH, the installed
# sinora-lab reads a DICOM slice it wrote, in a process of its own.
lab="$stage/bin/sinora-lab"
mkdir -p "$work/elsewhere"
ln -s "$lab" "$work/elsewhere/lab-link"
"${nodisplay[@]}" "$lab" phantom disc -o "$work/disc.sino" --truth "$work/disc.dcm" >"$work/out" 2>"$work/err" ||
    { cat "$work/err"; fail "the installed sinora-lab did not write a DICOM truth"; }
for start in "$work/elsewhere/lab-link" "env PATH=$stage/bin sinora-lab"; do
    # shellcheck disable=SC2086  # a command and its arguments
    "${nodisplay[@]}" $start sinogram "$work/disc.dcm" -o "$work/again.sino" >"$work/out" 2>"$work/err" ||
        { cat "$work/err"; fail "the installed sinora-lab ($start) did not read a DICOM slice"; }
    grep -q "DICOM slice" "$work/out" || { cat "$work/out"; fail "the installed sinora-lab ($start) did not say it read DICOM"; }
done
echo "sinora-lab reads DICOM slices in a process of its own, started through a link and from the PATH"

# ---- started as the desktop entry starts it, in a Wayland session with XWayland ------
# The session asks Qt for Wayland, whose plugin is not even installed here:
# the program must take the X11 display instead.
start_own_display
home="$work/home"
mkdir -p "$home"
PATH="$stage/bin:$PATH" WAYLAND_DISPLAY=wayland-0 XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=wayland \
    start_from_desktop_entry "$stage/share/applications/sinora.desktop" "$home"
check_work_folder_start "$home" "$stage/share/sinora/data"
echo "desktop start under a Wayland session: on X11, in the work folder, its open dialog loads the sample"

# ---- sinora-session FILE, with a relative HOME, in a folder of the user's ------------
# Both name places in that folder: the work folder home/Sinora gets every
# sample there, the first open dialog shows mine.sino there, and the session
# has nothing to complain about.
user_folder="$work/user folder"
mkdir -p "$user_folder"
cp "$stage/share/sinora/data/point.sino" "$user_folder/mine.sino"
(cd "$user_folder" && HOME=home exec "$stage/bin/sinora-session" mine.sino) >"$program_log" 2>&1 &
program_pid=$!
check_work_folder_start "$user_folder/home" "$stage/share/sinora/data" yes
grep "sinora-session:" "$program_log" && fail "sinora-session complained"
echo "sinora-session FILE with a relative HOME: the work folder and the file found, Return loads it"
echo "PASS"
