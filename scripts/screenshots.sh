#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Starts the desktop program on a virtual X display, under a window manager (openbox), with a bundled
# work file, whose report the program writes to the output window at start-up, and saves pictures of the
# main window, the output window and the live calculator (with the work file's solution) in
# docs/screenshots/; then starts it once more under a dark desktop palette (qt6ct's "darker" colour
# scheme) and saves the pH buffer window as it looks there, and the live calculator there in the build
# folder, for the eye. Needs xvfb, openbox, imagemagick, x11-utils, xdotool and qt6ct (installed here
# from Debian when missing); the warnings that the run shows are answered with OK as a user would.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build}
program="$build/app/gui/dedodiz32"
work=${1:-examples/ca-egta-free.STG}
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
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
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
window_id() { xwininfo -root -tree | awk -v t="$1" '!found && index($0, "\"" t) { print $1; found = 1 }'; }
wait_for() {
    for _ in $(seq 100); do
        id=$(window_id "$1")
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "no window \"$1\" appeared" >&2
    return 1
}

# Starts the program on the work file and answers the warnings of its start-up run, which come before
# the main window, each with its OK button.
start_program() {
    QT_QPA_PLATFORM=xcb "$program" "$work" &
    program_pid=$!
    for _ in $(seq 100); do
        [ -n "$(window_id "DEDODIZ32 v")" ] && break
        for caption in WARNING INFORMATION DIFFICULTY "RAISE IONIC STRENGTH" ERROR; do
            box=$(window_id "$caption")
            [ -n "$box" ] && xdotool windowfocus --sync "$box" key Return 2>/dev/null || true
        done
        sleep 0.1
    done
}
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
live=$(open_live "$main")
sleep 1
import -window "$live" "$build/live-calculator-dark.png"
stop_program
rm -rf "$theme"
echo "Saved $out/main-window.png, $out/output-window.png, $out/live-calculator.png and $out/buffer-window-dark.png"
echo "(and $build/live-calculator-dark.png)"
