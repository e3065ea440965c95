#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Starts the desktop program on a virtual X display, under a window manager (openbox), with a bundled
# work file, whose report the program writes to the output window at start-up, and saves pictures of the
# main window, the output window and the live calculator (with the work file's solution) in
# docs/screenshots/; then, with the six chelators and six metals of examples/six-by-six.STG, the live
# calculator, the uncertainty report with its histograms, and the output window brought back from an
# icon by the next report; then the program under a dark desktop palette (qt6ct's "darker" colour scheme:
# the pH buffer window and the live calculator at 6 x 6) and at a 14 pt font with a German locale (the
# live calculator at 6 x 6). Needs xvfb, openbox, imagemagick, x11-utils, xdotool and qt6ct (installed
# here from Debian when missing); the warnings that the runs show are answered with OK as a user would.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build}
program="$build/app/gui/dedodiz32"
work=${1:-examples/ca-egta-free.STG}
six=examples/six-by-six.STG
out=docs/screenshots

packages=(xvfb openbox imagemagick x11-utils xdotool qt6ct)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
[ -x "$program" ] || cmake --build "$build" --target dedodiz32 -j2

# A display number nobody else uses.
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
program_pid=""
wm=""
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
    [ -n "$wm" ] && kill "$wm" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
# A window manager places, decorates and focuses the windows as a desktop does.
openbox >/dev/null 2>&1 &
wm=$!
sleep 1

# The window titles tell which window is which.
# awk reads the whole tree: leaving early would end xwininfo by SIGPIPE, which pipefail reports.
# A window that goes away while xwininfo walks the tree makes it fail: that is "not there yet".
window_id() {
    { xwininfo -root -tree 2>/dev/null || true; } | awk -v t="$1" '!found && index($0, "\"" t) { print $1; found = 1 }'
}
wait_for() {
    for _ in $(seq "${2:-100}"); do
        id=$(window_id "$1")
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "no window \"$1\" appeared" >&2
    return 1
}

# Starts the program on the work file and answers the warnings of its start-up run, which come before
# the main window, each with its OK button.
answer_boxes() {
    for caption in WARNING INFORMATION DIFFICULTY "RAISE IONIC STRENGTH" ERROR; do
        box=$(window_id "$caption")
        [ -n "$box" ] && xdotool windowfocus --sync "$box" key Return 2>/dev/null || true
    done
}
start_program() {
    QT_QPA_PLATFORM=xcb "$program" "${1:-$work}" &
    program_pid=$!
    for _ in $(seq 100); do
        [ -n "$(window_id "DEDODIZ32 v")" ] && break
        answer_boxes
        sleep 0.1
    done
}
# A window's picture with its frame as the window manager draws it.
shot() { import -window "$1" -frame "$2" 2>/dev/null || import -window "$1" "$2"; }
# Calculation > Live calculator (Alt+C, L) from the main window; the window's id.
open_live() {
    xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"
    xdotool key alt+c l
    wait_for "Live calculator"
}
stop_program() {
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
    program_pid=""
}

start_program
main=$(wait_for "DEDODIZ32 v")
output=$(wait_for "Output")
sleep 1

mkdir -p "$out"
# The output window first, then the main window raised over it.
import -window "$output" -frame "$out/output-window.png" 2>/dev/null || import -window "$output" "$out/output-window.png"
xdotool windowunmap --sync "$output"
import -window "$main" "$out/main-window.png"
live=$(open_live "$main")
sleep 1
import -window "$live" "$out/live-calculator.png"
stop_program

# Six chelators and six metals.
start_program "$six"
main=$(wait_for "DEDODIZ32 v")
output=$(wait_for "Output")
sleep 1
live=$(open_live "$main")
sleep 1
shot "$live" "$out/live-calculator-6x6.png"
xdotool key Escape
# Calculation > Uncertainty ... with its defaults: the report names every input by its kind and pair.
xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
xdotool key alt+c u
dialog=$(wait_for "Uncertainty")
xdotool windowfocus --sync "$dialog" key Return
histograms=$(wait_for "Uncertainty Histograms" 600)
for _ in $(seq 20); do answer_boxes; sleep 0.1; done
sleep 1
shot "$histograms" "$out/uncertainty-histograms.png"
xdotool windowminimize --sync "$histograms" 2>/dev/null || true
xdotool windowactivate --sync "$output" 2>/dev/null || true
sleep 0.5
shot "$output" "$out/uncertainty-report.png"
# The output window minimised; the next report (Calculation > 1D, Ctrl+F1) brings it back in front.
xdotool windowminimize --sync "$output"
sleep 0.5
xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus --sync "$main"
xdotool key ctrl+F1
for _ in $(seq 20); do answer_boxes; sleep 0.1; done
sleep 1
if xprop -id "$output" _NET_WM_STATE | grep -q HIDDEN; then
    echo "the output window stayed minimised after a report" >&2
    exit 1
fi
shot "$output" "$out/output-restored.png"
stop_program

# A dark desktop palette, as a desktop theme sets it through the qt6ct platform theme.
theme=$(mktemp -d)
mkdir -p "$theme/qt6ct"
# The standard font, 9 points, so that the window shows at the size it was drawn at.
printf '%s\n' '[Appearance]' 'color_scheme_path=/usr/share/qt6ct/colors/darker.conf' 'custom_palette=true' \
    'style=Fusion' '[Fonts]' 'general="DejaVu Sans,9,-1,5,400,0,0,0,0,0,0,0,0,0,0,1"' \
    'fixed="DejaVu Sans Mono,9,-1,5,400,0,0,0,0,0,0,0,0,0,0,1"' >"$theme/qt6ct/qt6ct.conf"
XDG_CONFIG_HOME=$theme QT_QPA_PLATFORMTHEME=qt6ct start_program
main=$(wait_for "DEDODIZ32 v")
output=$(wait_for "Output")
xdotool windowunmap --sync "$output"
# Calculation > Buffer (Ctrl+B) shows the buffer window with the work file's conditions.
xdotool windowfocus --sync "$main" key ctrl+b
buffer=$(wait_for "ZozaveVavo")
sleep 1
import -window "$buffer" "$out/buffer-window-dark.png"
xdotool key Escape
stop_program
XDG_CONFIG_HOME=$theme QT_QPA_PLATFORMTHEME=qt6ct start_program "$six"
main=$(wait_for "DEDODIZ32 v")
output=$(wait_for "Output")
xdotool windowunmap --sync "$output"
live=$(open_live "$main")
sleep 1
shot "$live" "$out/live-calculator-6x6-dark.png"
stop_program

# A 14 point desktop font (the standard palette) and a German locale.
printf '%s\n' '[Appearance]' 'custom_palette=false' 'style=Fusion' '[Fonts]' \
    'general="DejaVu Sans,14,-1,5,400,0,0,0,0,0,0,0,0,0,0,1"' \
    'fixed="DejaVu Sans Mono,14,-1,5,400,0,0,0,0,0,0,0,0,0,0,1"' >"$theme/qt6ct/qt6ct.conf"
LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8 XDG_CONFIG_HOME=$theme QT_QPA_PLATFORMTHEME=qt6ct start_program "$six"
main=$(wait_for "DEDODIZ32 v")
output=$(wait_for "Output")
xdotool windowunmap --sync "$output"
live=$(open_live "$main")
sleep 1
shot "$live" "$out/live-calculator-6x6-large.png"
stop_program
rm -rf "$theme"
echo "Saved in $out: main-window, output-window, live-calculator, live-calculator-6x6 (-dark, -large),"
echo "uncertainty-report, uncertainty-histograms, output-restored and buffer-window-dark (.png)"
