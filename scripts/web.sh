#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Builds the calculator as one self-contained web page, build-web/dedodiz32.html, that opens from disk
# in any browser with no network. Installs what is missing from Debian's packages first (emscripten,
# node-acorn for its JavaScript steps, nodejs and npm, chromium and firefox-esr for the browser tests; as root or
# through sudo) and the browser tests' packages (npm ci in tests/web: puppeteer-core, axe-core).
#
#   scripts/web.sh                build the page
#   scripts/web.sh --test         also build the command-line tool (in build/) and run the browser tests
#   scripts/web.sh --bench        also measure, in headless chromium, how soon the page is ready and how
#                                 long one single-point calculation takes
#   scripts/web.sh --screenshot   also take docs/screenshots/web-page.png
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(emscripten node-acorn chromium firefox-esr cmake make nlohmann-json3-dev)
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# emscripten's optimiser runs on the machine's node, which does not look in Debian's module folder.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
web=${WEB_BUILD_DIR:-build-web}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
emcmake cmake -S app/web -B "$web" -DCMAKE_BUILD_TYPE=Release ${WEB_CMAKE_ARGS:-} "${launcher[@]}" >/dev/null
cmake --build "$web" -j "$(nproc)"
echo "The page: $web/dedodiz32.html ($(du -k "$web/dedodiz32.html" | cut -f1) kB)"

[ $# -eq 0 ] && exit 0
if [ ! -f tests/web/node_modules/.package-lock.json ] ||
   [ tests/web/package-lock.json -nt tests/web/node_modules/.package-lock.json ]; then
    (cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
fi
page=$(realpath "$web/dedodiz32.html")
for step in "$@"; do
    case "$step" in
        --test)
            CMAKE_ARGS="-DDEDODIZ_WEB_TESTS=ON -DDEDODIZ_WEB_PAGE=$page ${CMAKE_ARGS:-}" \
                ./scripts/setup.sh
            ctest --test-dir "${BUILD_DIR:-build}" -L web --output-on-failure
            ;;
        --bench) DEDODIZ_PAGE="$page" node tests/web/bench.mjs ;;
        --screenshot) DEDODIZ_PAGE="$page" node tests/web/screenshot.mjs docs/screenshots/web-page.png ;;
        *) echo "unknown step $step (--test, --bench, --screenshot)" >&2; exit 2 ;;
    esac
done
