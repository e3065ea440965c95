#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Style and static checks: every C++ source formatted as .clang-format says, and clang-tidy with the
# project's .clang-tidy on the layers below the windows, any warning failing the run. Needs a configured
# build folder (for compile_commands.json); BUILD_DIR names it (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}

for p in clang-format clang-tidy; do
    if ! command -v "$p" >/dev/null; then
        sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends clang-format clang-tidy >/dev/null
        break
    fi
done

mapfile -t sources < <(git ls-files '*.h' '*.cpp')
clang-format --dry-run --Werror "${sources[@]}"
echo "clang-format: ${#sources[@]} files formatted"

mapfile -t layers < <(git ls-files 'engine/*.cpp' 'files/*.cpp' 'buffers/*.cpp' 'app/core/*.cpp' 'app/cli/*.cpp')
run-clang-tidy -p "$build" -j "$(nproc)" -quiet -extra-arg=-Wno-unknown-warning-option \
    "${layers[@]}" >"$build/clang-tidy.log" 2>&1 || true
if grep -q 'warning:\|error:' "$build/clang-tidy.log"; then
    grep 'warning:\|error:' "$build/clang-tidy.log"
    echo "clang-tidy found problems (see above)" >&2
    exit 1
fi
echo "clang-tidy: ${#layers[@]} files clean"
