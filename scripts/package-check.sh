#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Builds the Debian package from the build folder (with the desktop program), checks the desktop entry,
# the AppStream metainfo and the MIME types with their validators, installs the package with apt as a
# user would, runs the installed programs from a folder outside the source tree, and removes the package
# again, also when a check fails. Runs as root or through sudo; installs the checking tools it lacks.
set -euo pipefail
cd "$(dirname "$0")/.."

# Until the command-line tool looks its data files up (as given, beside the work file, in the installed
# data folder), the installed example cannot find the table it names from another folder, and `run`
# needs --constants. Set this to 1 once it does.
lookup_wired=1

build=${BUILD_DIR:-build}
source_dir=$(pwd)
build_dir=$(cd "$build" && pwd)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

packages=(dpkg-dev appstream desktop-file-utils shared-mime-info libglib2.0-bin man-db binutils)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

echo "== desktop entry, metainfo, MIME types"
desktop-file-validate app/gui/dedodiz32.desktop
appstreamcli validate --no-net "$build/packaging/org.dedodiz32.Dedodiz32.metainfo.xml"
share=$(mktemp -d)
mkdir -p "$share/mime/packages"
cp packaging/dedodiz32-mime.xml "$share/mime/packages/"
# Silent for a valid file (the folder is on the search path, so not even a note).
faults=$(XDG_DATA_DIRS=$share update-mime-database "$share/mime" 2>&1)
[ -z "$faults" ] || { echo "$faults" >&2; exit 1; }
for ext in stg tcm ccm bcm; do grep -q "^50:application/x-dedodiz32-[a-z-]*:\*\.$ext$" "$share/mime/globs2"; done
rm -rf "$share"

echo "== package"
rm -f "$build"/dedodiz32_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build_dir"/dedodiz32_*.deb)
echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"

work=$(mktemp -d)
cleanup() {
    DEBIAN_FRONTEND=noninteractive $sudo apt-get purge -y -qq dedodiz32 >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$deb" >/dev/null

echo "== installed programs"
cd "$work"
# contains TEXT PATTERN: the text holds the fixed string (no pipes, which pipefail would trip over).
contains() { grep -q -F -e "$2" <<<"$1" || { echo "expected \"$2\" in: $1" >&2; return 1; }; }
for program in /usr/bin/dedodiz32 /usr/bin/dedodiz32-cli /usr/lib/dedodiz32/libdedodiz_qtcanvas.so; do
    paths=$(readelf -d "$program" | grep -E "R(UN)?PATH" || true)
    case "$paths" in
        *"$build_dir"* | *"$source_dir"*) echo "$program has a run path into the build: $paths" >&2; exit 1 ;;
    esac
done
[ "$(dedodiz32-cli --version)" = "dedodiz32-cli 2.50" ]
[ "$(QT_QPA_PLATFORM=offscreen dedodiz32 --version)" = "dedodiz32 2.50" ]
contains "$(man -P cat dedodiz32 2>/dev/null)" "dedodiz32 - "
contains "$(man -P cat dedodiz32-cli 2>/dev/null)" "dedodiz32-cli - "
example=/usr/share/dedodiz32/examples/ca-egta-free.STG
contains "$(gio info -a standard::content-type "$example")" "application/x-dedodiz32-work"
contains "$(gio mime application/x-dedodiz32-work)" "Default application for “application/x-dedodiz32-work”: dedodiz32.desktop"
contains "$(dedodiz32-cli run --constants /usr/share/dedodiz32/data/standard.TCM --ph 7.2 \
    --chelator EGTA=2e-3 --metal Ca2=1e-3 2>/dev/null)" " Chelator   EGTA"
# The graph through the image canvas in the private library folder; the table where the example
# names it, relative to the current folder.
mkdir data
cp /usr/share/dedodiz32/data/standard.TCM data/
dedodiz32-cli sweep "$example" --x ph:6:8 --bmp graph.bmp >/dev/null 2>&1
[ "$(head -c 2 graph.bmp)" = "BM" ]
rm -r data graph.bmp
if [ "$lookup_wired" = 1 ]; then
    contains "$(dedodiz32-cli run "$example" 2>/dev/null)" " Chelator   EGTA"
    contains "$(dedodiz32-cli run --ph 7.2 --chelator EGTA=2e-3 --metal Ca2=1e-3 2>/dev/null)" " Chelator   EGTA"
else
    echo "skipped: dedodiz32-cli run $example from $work (the data-file lookup is not wired yet)"
fi
# A package built with the Python module holds it where Debian's Python finds it, with the bundled table.
case "$(dpkg-deb -c "$deb")" in
    *dist-packages/dedodiz.*)
        contains "$(/usr/bin/python3 -c 'import dedodiz
print(dedodiz.solve(chelators={"EGTA": 2e-3}, metals={"Ca2": 1e-3}, ph=7.2).report)')" " Chelator   EGTA"
        ;;
esac
echo "package check passed"
