#!/usr/bin/env bash
# Sets everything up, builds, and runs the calculator's main job on the bundled example data.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh >/dev/null
"${BUILD_DIR:-build}"/tools/engine-demo
