#!/usr/bin/env bash
# Starts the desktop program on a virtual X display with a bundled work file, whose report the program
# writes to the output window at start-up, and saves pictures of the main window and the output window
# in docs/screenshots/. Needs xvfb, imagemagick, x11-utils and xdotool (installed here from Debian when
# missing); the warnings that the run shows are answered with OK as a user would.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build}
program="$build/app/gui/dedodiz32"
work=${1:-examples/ca-egta-free.STG}
out=docs/screenshots

packages=(xvfb imagemagick x11-utils xdotool)
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
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# The window titles tell which window is which.
window_id() { xwininfo -root -tree | awk -v t="$1" 'index($0, "\"" t) { print $1; exit }'; }
wait_for() {
    for _ in $(seq 100); do
        id=$(window_id "$1")
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "no window \"$1\" appeared" >&2
    return 1
}

QT_QPA_PLATFORM=xcb "$program" "$work" &
program_pid=$!
# Warnings of the start-up run come before the main window; each is closed with its OK button.
for _ in $(seq 100); do
    [ -n "$(window_id "DEDODIZ32")" ] && break
    for caption in WARNING INFORMATION DIFFICULTY "RAISE IONIC STRENGTH" ERROR; do
        box=$(window_id "$caption")
        [ -n "$box" ] && xdotool windowfocus --sync "$box" key Return 2>/dev/null || true
    done
    sleep 0.1
done
main=$(wait_for "DEDODIZ32")
output=$(wait_for "Output")
sleep 1

mkdir -p "$out"
# The output window first, then the main window raised over it.
import -window "$output" -frame "$out/output-window.png" 2>/dev/null || import -window "$output" "$out/output-window.png"
xdotool windowunmap --sync "$output"
import -window "$main" "$out/main-window.png"
echo "Saved $out/main-window.png and $out/output-window.png"
