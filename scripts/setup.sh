#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Installs what the build needs from Debian's packages (only what is missing) and configures and
# builds the project in build/. Runs as root or through sudo.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake make pkg-config libgtest-dev libbenchmark-dev qt6-base-dev libcli11-dev
          nlohmann-json3-dev libeigen3-dev fonts-liberation help2man pybind11-dev python3-dev python3-numpy python3-pytest
          python3-pip python3-venv python3-setuptools python3-wheel mypy python3-pandas python3-xarray
          jupyter-nbconvert python3-ipykernel)
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

build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j "$(nproc)"
