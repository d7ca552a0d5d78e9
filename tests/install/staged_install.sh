#!/usr/bin/env bash
# The install tree: `cmake --install` into a staging folder gives exactly the
# expected files (every manual page in doc/man belongs to an installed
# program, and every installed program has one; the lessons' pages refer
# only to installed pictures and pages), the desktop entry is valid,
# the manual pages render, the installed program answers --version and
# --help without a display, refuses other arguments, ends with one line and
# status 1 when no display is reachable, and started as the desktop entry
# starts it in a Wayland session, runs on XWayland in the work folder with
# the samples.
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
    echo share/icons/hicolor/scalable/apps/sinora.svg
    echo share/doc/sinora/README.md
    echo share/doc/sinora/README-data.md
    echo share/doc/sinora/LICENSE
    for sample in "$source_dir"/data/*; do
        [ "${sample##*/}" = README.md ] || echo "share/sinora/data/${sample##*/}"
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
desktop-file-validate "$stage/share/applications/sinora.desktop" || fail "the desktop entry is not valid"
[ "$(sed -n 's/^Icon=//p' "$stage/share/applications/sinora.desktop")" = sinora ] || fail "the desktop entry's icon is not 'sinora'"
grep -q '<svg' "$stage/share/icons/hicolor/scalable/apps/sinora.svg" || fail "the icon is not an SVG picture"
for page in "$stage"/share/man/man1/*.1.gz; do
    MANWIDTH=80 man -l "$page" >"$work/page.txt" 2>"$work/page.err" || fail "man -l ${page##*/} failed"
    [ -s "$work/page.err" ] && { cat "$work/page.err"; fail "man -l ${page##*/} warned"; }
    grep -q '^NAME' "$work/page.txt" && grep -q '^SYNOPSIS' "$work/page.txt" || fail "${page##*/} lacks NAME or SYNOPSIS"
done
echo "desktop entry valid, $(ls "$stage"/share/man/man1 | wc -l) manual pages render"

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
for arguments in "--bogus" "--help --version" "phantom.sino"; do
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
echo "PASS"
