#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Sets everything up, builds with warnings as errors and runs the whole test suite: the libraries, the
# command-line tool, the windows (offscreen), the Python module and, unless DEDODIZ_WEB=0, the web page
# in headless Chromium (scripts/web.sh builds the page first).
set -euo pipefail
cd "$(dirname "$0")/.."
web_args=""
if [ "${DEDODIZ_WEB:-1}" = 1 ]; then
    ./scripts/web.sh
    web_args="-DDEDODIZ_WEB_PAGE=$PWD/${WEB_BUILD_DIR:-build-web}/dedodiz32.html"
fi
CMAKE_ARGS="-DDEDODIZ_WERROR=ON -DDEDODIZ_PYTHON=ON $web_args ${CMAKE_ARGS:-}" ./scripts/setup.sh
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure -j "$(nproc)"
