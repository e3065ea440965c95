#!/usr/bin/env bash
# Sets everything up, builds with warnings as errors and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
CMAKE_ARGS="-DDEDODIZ_WERROR=ON -DDEDODIZ_PYTHON=ON ${CMAKE_ARGS:-}" ./scripts/setup.sh
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure -j "$(nproc)"
