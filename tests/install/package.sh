#!/usr/bin/env bash
# The Debian package: built by scripts/package with the runtime dependencies
# dpkg-shlibdeps finds plus those loaded without linking, holding the same
# files as the install tree; installed with apt-get, which brings the MIME
# and desktop databases up to date (a .sino file opens in Sinora), started as
# its desktop entry starts it (into a work folder where the user has already
# edited a sample, which must stay as it is), and removed without leaving a
# file or a database entry.
# Installs and removes the package: root only, and only where no sinora
# package is installed already.
#
#   bash package.sh <source dir>
set -uo pipefail
source_dir="$(readlink -f "$1")"

if [ "$(id -u)" != 0 ]; then
    echo "SKIP: installing the package needs root"
    exit 0
fi
if dpkg-query -W -f='${Status}' sinora 2>/dev/null | grep -q "ok installed"; then
    echo "SKIP: a sinora package is installed on this machine already"
    exit 0
fi

source "$source_dir/tests/x11/lib/session.sh"
source "$source_dir/tests/install/lib/start.sh"
begin_session sinora_package
installed=""
trap '[ -n "$installed" ] && apt-get remove -y -q sinora >/dev/null 2>&1; end_session' EXIT

# ---- building it ------------------------------------------------------------------------
bash "$source_dir/scripts/package" >"$work/package.log" 2>&1 || { cat "$work/package.log"; fail "scripts/package failed"; }
deb="$(tail -1 "$work/package.log")"
[ -f "$deb" ] || { cat "$work/package.log"; fail "scripts/package named no package file"; }
depends="$(dpkg-deb -f "$deb" Depends)"
for dependency in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins \
    qt6-image-formats-plugins fonts-ipafont-gothic fonts-ipafont-mincho; do
    sed 's/, /\n/g' <<<"$depends" | cut -d' ' -f1 | grep -qxF "$dependency" ||
        fail "the package does not depend on $dependency: $depends"
done
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
echo "depends: $depends"

# The same files as `cmake --install` puts under the prefix.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $NF }' | sed 's|^\./usr/||' | sort >"$work/packaged"
cmake --install "$source_dir/build-run" --prefix "$work/stage" >/dev/null || fail "cmake --install failed"
(cd "$work/stage" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$work/staged"
diff "$work/staged" "$work/packaged" || fail "the package's files differ from the install tree (< install, > package)"

# ---- installing, starting, removing -------------------------------------------------------
DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get install $deb failed"; }
installed=1
dpkg -L sinora | sort >"$work/owned"
[ "$(command -v sinora)" = /usr/bin/sinora ] || fail "sinora is not /usr/bin/sinora after the install"
sinora --help | grep -qF /usr/share/doc/sinora || fail "the installed sinora --help does not name /usr/share/doc/sinora"
# sinora_file_type_known: the system's MIME database defines the sinogram
# type and its desktop database names Sinora for it.
sinora_file_type_known() {
    [ -f /usr/share/mime/application/x-sinora-sinogram.xml ] &&
        grep -q '^application/x-sinora-sinogram=.*sinora\.desktop' /usr/share/applications/mimeinfo.cache
}
sinora_file_type_known || fail "after the install the MIME and desktop databases do not know .sino files for Sinora"

# A work folder of the user's: an edited filter and a picture of their own.
home="$work/home"
mkdir -p "$home/Sinora"
echo "my own filter" >"$home/Sinora/ramlak.txt"
echo "my picture" >"$home/Sinora/slice.bmp"
echo "my notes" >"$home/Sinora/README.md"
start_own_display
start_from_desktop_entry /usr/share/applications/sinora.desktop "$home"
check_work_folder_start "$home" /usr/share/sinora/data
[ "$(cat "$home/Sinora/ramlak.txt")" = "my own filter" ] || fail "the start replaced the user's ramlak.txt"
[ "$(cat "$home/Sinora/slice.bmp")" = "my picture" ] || fail "the start changed the user's file"
[ "$(cat "$home/Sinora/README.md")" = "my notes" ] || fail "the start replaced the user's README.md"
cmp -s /usr/share/sinora/data/shepp_logan.txt "$home/Sinora/shepp_logan.txt" || fail "the missing sample was not copied"
echo "installed: started from its desktop entry in the work folder; the user's files kept"

DEBIAN_FRONTEND=noninteractive apt-get remove -y -q sinora >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get remove sinora failed"; }
installed=""
dpkg-query -W -f='${Status}' sinora 2>/dev/null | grep -q "installed" && fail "sinora is still installed: $(dpkg-query -W -f='${Status}' sinora)"
left=""
while read -r path; do
    [ -e "$path" ] && [ ! -d "$path" ] && left="$left $path"
done <"$work/owned"
for folder in /usr/share/sinora /usr/share/doc/sinora; do
    [ -e "$folder" ] && left="$left $folder"
done
[ -z "$left" ] || fail "left after the removal:$left"
sinora_file_type_known && fail "after the removal the MIME or desktop database still knows .sino files for Sinora"
[ -f "$home/Sinora/slice.bmp" ] || fail "the removal touched the user's work folder"
echo "removed: nothing left"
echo "PASS"
