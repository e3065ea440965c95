#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# The Debian packages as an archive and a lab's administrator would take them:
#  1. built from the committed tree (a clean copy) with dpkg-buildpackage, source package included, with
#     Debian's hardening flags; built again in another folder, and the two sets must be identical;
#  2. lintian: no error and no warning; no installed file holds a path of the build;
#  3. the command-line tool installed alone, whose dependencies bring neither Qt nor Python, and run by
#     an unprivileged user from a temporary folder;
#  4. everything installed over a single package of release 2.50 (the upgrade an older build gets), then
#     the tool, the Python module, the desktop program (offscreen) and the library's example, built
#     against the installed package, run by that user;
#  5. purged, and nothing may be left.
# The tests ran before (scripts/test.sh), so the packages are built with nocheck. Runs as root or through
# sudo and installs what it needs with apt-get. KEEP=1 keeps the work folder.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
apt_get() { DEBIAN_FRONTEND=noninteractive DEBCONF_NOWARNINGS=yes $sudo apt-get -y -qq -o Dpkg::Use-Pty=0 "$@"; }
start=$SECONDS
phase() { echo "== $1 ($((SECONDS - start)) s)"; }

phase "tools and build dependencies"
packages=(git ccache lintian desktop-file-utils appstream shared-mime-info libglib2.0-bin man-db binutils)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || ! dpkg-checkbuilddeps debian/control >/dev/null 2>&1; then
    $sudo apt-get update -qq
    [ ${#missing[@]} -eq 0 ] || apt_get install --no-install-recommends "${missing[@]}" >/dev/null
    apt_get build-dep --no-install-recommends ./ >/dev/null
fi

work=$(mktemp -d /tmp/dedodiz32-packages.XXXXXX)
user=dedodiz-check
made_user=0
packages_installed() { dpkg-query -W -f='${Package} ${Status}\n' 'dedodiz32*' 'python3-dedodiz' 'libdedodiz-dev' \
                           2>/dev/null | awk '$NF != "not-installed" {print $1}'; }
cleanup() {
    local ours
    ours=$(packages_installed || true)
    [ -z "$ours" ] || apt_get purge $ours >/dev/null 2>&1 || true
    [ "$made_user" = 0 ] || $sudo userdel -r "$user" >/dev/null 2>&1 || true
    [ "${KEEP:-0}" = 1 ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT

# build FOLDER [dpkg-buildpackage options]: the committed tree in FOLDER/dedodiz32, built there.
build() {
    local folder=$1
    shift
    mkdir -p "$folder/dedodiz32"
    git archive --format=tar HEAD | tar -x -C "$folder/dedodiz32"
    (cd "$folder/dedodiz32" && dpkg-buildpackage -us -uc "$@") >"$folder/build.log" 2>&1 ||
        { tail -50 "$folder/build.log" >&2; echo "dpkg-buildpackage failed in $folder" >&2; exit 1; }
}
# Both builds share a compiler cache: the second one then costs little more than its links. The cache
# keys on the sources relative to the build folder, so the two folders may differ.
export DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)"
export PATH="/usr/lib/ccache:$PATH" CCACHE_DIR="$work/ccache" CCACHE_BASEDIR="$work" CCACHE_NOHASHDIR=true

phase "source and binary packages"
build "$work/first"
phase "the same packages from another folder"
build "$work/second/elsewhere" -b
version=$(dpkg-parsechangelog -l debian/changelog -S Version)
debs=("$work/first/"*_"$version"_*.deb)
echo "${#debs[@]} packages of $version: $(cd "$work/first" && ls ./*.deb | sed 's|^\./||' | tr '\n' ' ')"
phase "reproducible: both builds give the same packages"
for deb in "${debs[@]}"; do
    other="$work/second/elsewhere/$(basename "$deb")"
    cmp -s "$deb" "$other" && continue
    echo "$(basename "$deb") differs between the two builds" >&2
    if command -v diffoscope >/dev/null; then diffoscope "$deb" "$other" | head -80 >&2 || true; fi
    exit 1
done

phase "lintian"
lintian --fail-on error,warning --display-info "$work/first/"*.changes

phase "no path of the build in any installed file"
for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$work/tree"; done
for path in "$work/first/dedodiz32" "$work/second/elsewhere/dedodiz32" "$source_dir"; do
    if grep -r -l -a -F "$path" "$work/tree"; then echo "a path of the build in the files above: $path" >&2; exit 1; fi
done
# Nor a path of another prefix in the programs and libraries (the documents speak of /usr/local).
if grep -r -l -a -F /usr/local "$work/tree/usr/bin" "$work/tree/usr/lib"; then
    echo "/usr/local in the files above" >&2
    exit 1
fi
deb_of() { echo "$work/first/$1_${version}_$2.deb"; }
arch=$(dpkg --print-architecture)
cli=$(deb_of dedodiz32-cli "$arch") data=$(deb_of dedodiz32-data all)
desktop=$(deb_of dedodiz32 "$arch") python=$(deb_of python3-dedodiz "$arch") dev=$(deb_of libdedodiz-dev "$arch")

if ! id "$user" >/dev/null 2>&1; then
    $sudo useradd --create-home --shell /bin/sh "$user"
    made_user=1
fi
# as_user COMMANDS: run by the unprivileged user in a new temporary folder of theirs, with a clean
# environment.
as_user() {
    $sudo runuser -u "$user" -- env -i HOME="$(getent passwd "$user" | cut -d: -f6)" PATH=/usr/bin:/bin \
        LANG=C.UTF-8 sh -c 'cd "$(mktemp -d)" && '"$1"
}
# contains TEXT PATTERN: the text holds the fixed string (no pipes, which pipefail would trip over).
contains() { grep -q -F -e "$2" <<<"$1" || { echo "expected \"$2\" in: $1" >&2; return 1; }; }
example=/usr/share/dedodiz32/examples/ca-egta-free.STG

phase "the command-line tool alone"
apt_get install "$cli" "$data" >/dev/null
[ "$(packages_installed | tr '\n' ' ')" = "dedodiz32-cli dedodiz32-data " ]
closure=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks --no-replaces \
              --no-enhances dedodiz32-cli | grep -v '^ ' | sort -u)
if grep -E '^(python3|libqt6|libpython3)' <<<"$closure"; then
    echo "dedodiz32-cli needs the packages above" >&2
    exit 1
fi
contains "$(as_user "dedodiz32-cli run $example 2>/dev/null")" "Free        1.55E-07M"
contains "$(as_user "dedodiz32-cli run --ph 7.2 --chelator EGTA=2e-3 --metal Ca2=1e-3 2>/dev/null")" " Chelator   EGTA"
contains "$(dedodiz32-cli --version)" "dedodiz32-cli $version"
contains "$(dedodiz32-cli --version)" "BSD-3-Clause"
contains "$(man -P cat dedodiz32-cli 2>/dev/null)" "/usr/share/doc/dedodiz32-cli/"
[ -f /usr/share/doc/dedodiz32-cli/export-formats.md ]
contains "$(dedodiz32-cli run --help)" "/usr/share/doc/dedodiz32-cli/export-formats.md"
apt_get purge dedodiz32-cli dedodiz32-data >/dev/null

phase "an upgrade over the single package of 2.50"
# The packages of 2.50 were one, dedodiz32, holding what is now in four: made here from this build's
# files with that version.
old="$work/old"
mkdir -p "$old/DEBIAN"
for deb in "$desktop" "$cli" "$data" "$python"; do dpkg-deb -x "$deb" "$old"; done
old_depends=$(dpkg-deb -f "$desktop" Depends | sed -E 's/dedodiz32-data \([^)]*\), //')
cat >"$old/DEBIAN/control" <<EOF
Package: dedodiz32
Version: 2.50
Architecture: $arch
Maintainer: $(dpkg-deb -f "$desktop" Maintainer)
Depends: $old_depends, python3-numpy
Description: calculator for metal buffers (as release 2.50 packaged it)
 Everything in one package, as release 2.50 was.
EOF
dpkg-deb --root-owner-group -b "$old" "$work/dedodiz32_2.50_$arch.deb" >/dev/null
apt_get install "$work/dedodiz32_2.50_$arch.deb" >/dev/null
apt_get install "$desktop" "$cli" "$data" "$python" "$dev" >/dev/null
for p in dedodiz32 dedodiz32-cli dedodiz32-data python3-dedodiz libdedodiz-dev; do
    [ "$(dpkg-query -W -f='${Version}' "$p")" = "$version" ] || { echo "$p is not at $version" >&2; exit 1; }
done
[ "$(dpkg -S /usr/bin/dedodiz32-cli)" = "dedodiz32-cli: /usr/bin/dedodiz32-cli" ]

phase "installed programs, run by an unprivileged user"
contains "$(as_user "dedodiz32-cli run $example 2>/dev/null")" "Free        1.55E-07M"
# The graph through the desktop package's image canvas.
contains "$(as_user "dedodiz32-cli sweep $example --x ph:6:8 --bmp graph.bmp >/dev/null && head -c 2 graph.bmp")" "BM"
contains "$(as_user "/usr/bin/python3 -c 'import dedodiz
print(dedodiz.__version__)
print(dedodiz.solve(chelators={\"EGTA\": 2e-3}, metals={\"Ca2\": 1e-3, \"Mg2\": 1e-3}, ph=7.2).report)'")" \
    "Free        1.55E-07M"
contains "$(as_user "/usr/bin/python3 -c 'import dedodiz; print(dedodiz.__version__)'")" "$version"
# A program of the user's own on the library: the example of libdedodiz-dev, built against /usr.
contains "$(as_user "cp -r /usr/share/doc/libdedodiz-dev/examples/library . && cmake -S library -B build >/dev/null &&
                     cmake --build build >/dev/null && build/free-calcium")" "free Ca2 1.5508e-07 M"
# The desktop program on the example, offscreen: it loads the file and runs it, and must still be up.
as_user "QT_QPA_PLATFORM=offscreen timeout 5 dedodiz32 $example 2>/dev/null; [ \$? = 124 ]" ||
    { echo "dedodiz32 $example ended before 5 s" >&2; exit 1; }
contains "$(QT_QPA_PLATFORM=offscreen dedodiz32 --version)" "dedodiz32 $version"
contains "$(man -P cat dedodiz32 2>/dev/null)" "BSD-3-Clause"
desktop-file-validate /usr/share/applications/dedodiz32.desktop
appstreamcli validate --no-net /usr/share/metainfo/org.dedodiz32.Dedodiz32.metainfo.xml >/dev/null
for ext in stg tcm ccm bcm; do grep -q "^50:application/x-dedodiz32-[a-z-]*:\*\.$ext$" /usr/share/mime/globs2; done
contains "$(gio mime application/x-dedodiz32-work)" "Default application for “application/x-dedodiz32-work”: dedodiz32.desktop"
# The program ignores constants text files and buffer files given to it: no file manager offers it for them.
for type in constants buffers; do
    if gio mime "application/x-dedodiz32-$type" | grep -q dedodiz32.desktop; then
        echo "dedodiz32.desktop is offered for application/x-dedodiz32-$type" >&2
        exit 1
    fi
done

phase "purge: nothing is left"
listed="$work/files"
for deb in "${debs[@]}"; do dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\./|/|' -e '/\/$/d'; done >"$listed"
apt_get purge dedodiz32 dedodiz32-cli dedodiz32-data python3-dedodiz libdedodiz-dev >/dev/null
[ -z "$(packages_installed)" ]
left=$(while read -r file; do [ ! -e "$file" ] && [ ! -L "$file" ] || echo "$file"; done <"$listed")
for folder in /usr/share/dedodiz32 /usr/lib/*/dedodiz32 /usr/include/dedodiz /usr/lib/*/cmake/dedodiz \
              /usr/share/doc/dedodiz32* /usr/share/doc/python3-dedodiz /usr/share/doc/libdedodiz-dev; do
    [ ! -e "$folder" ] || left+=$'\n'"$folder"
done
if grep -l dedodiz32 /usr/share/mime/globs2 /usr/share/applications/mimeinfo.cache 2>/dev/null; then
    left+=$'\n'"the file types in the MIME database or the desktop's cache"
fi
[ -z "$left" ] || { echo "left after the purge:$left" >&2; exit 1; }
phase "package check passed"
