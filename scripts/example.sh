#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Sets everything up, builds, and runs the calculator's main job on the bundled example data: free
# calcium and magnesium in 2 mM EGTA with 1 mM Ca and 1 mM Mg at pH 7.2 (examples/ca-egta-free.STG).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh >/dev/null
"${BUILD_DIR:-build}"/app/cli/dedodiz32-cli run examples/ca-egta-free.STG
