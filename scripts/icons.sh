#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Renders the program's icon (app/gui/dedodiz32.svg) as the PNG sizes that desktops look up, into
# packaging/icons/. Run after a change to the SVG and commit the result; the build only installs them.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v rsvg-convert >/dev/null || { echo "rsvg-convert is missing (Debian package librsvg2-bin)" >&2; exit 1; }
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" app/gui/dedodiz32.svg -o "packaging/icons/dedodiz32-$size.png"
done
