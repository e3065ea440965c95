#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Fuzzes every reader of outside data, as CI does on every run: builds the libFuzzer targets with clang
# (AddressSanitizer and UndefinedBehaviorSanitizer), replays each target's committed corpus
# (fuzz/corpus/NAME for fuzz/fuzz_NAME.cpp), then fuzzes each for FUZZ_SECONDS (default 60), FUZZ_JOBS
# targets at a time (default 2). The inputs found go to a scratch folder, so the committed corpus stays
# as it is; an input that crashes or hangs a reader is left in BUILD/artifacts and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${FUZZ_BUILD_DIR:-build-fuzz}
export FUZZ_SECONDS=${FUZZ_SECONDS:-60}
jobs=${FUZZ_JOBS:-2}

if ! command -v clang++ >/dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: clang"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends clang >/dev/null
fi

targets=()
for corpus in fuzz/corpus/*/; do
    name=$(basename "$corpus")
    [ -f "fuzz/fuzz_$name.cpp" ] || { echo "fuzz/corpus/$name has no target fuzz/fuzz_$name.cpp" >&2; exit 1; }
    targets+=("$name")
done
for source in fuzz/fuzz_*.cpp; do
    name=$(basename "$source" .cpp)
    [ -d "fuzz/corpus/${name#fuzz_}" ] || { echo "$source has no corpus fuzz/corpus/${name#fuzz_}" >&2; exit 1; }
done

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEDODIZ_FUZZ=ON \
    -DDEDODIZ_TESTS=OFF -DDEDODIZ_QT=OFF -DDEDODIZ_PYTHON=OFF ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

export FUZZ_BUILD
FUZZ_BUILD=$(realpath "$build")
rm -rf "$FUZZ_BUILD/found" "$FUZZ_BUILD/logs"
mkdir -p "$FUZZ_BUILD/found" "$FUZZ_BUILD/logs" "$FUZZ_BUILD/artifacts"

# One target: its corpus replayed (every input run once), then fuzzing from it.
fuzz_one() {
    local name=$1 program="$FUZZ_BUILD/fuzz/fuzz_$1" log="$FUZZ_BUILD/logs/$1.log"
    mkdir -p "$FUZZ_BUILD/found/$name"
    if "$program" -runs=0 -timeout=10 -artifact_prefix="$FUZZ_BUILD/artifacts/$name-" "fuzz/corpus/$name" \
        >"$log" 2>&1 &&
        "$program" -max_total_time="$FUZZ_SECONDS" -timeout=10 -print_final_stats=1 \
            -artifact_prefix="$FUZZ_BUILD/artifacts/$name-" "$FUZZ_BUILD/found/$name" "fuzz/corpus/$name" \
            >>"$log" 2>&1; then
        echo "fuzz_$name: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs, no failure"
    else
        echo "fuzz_$name FAILED:" >&2
        tail -n 40 "$log" >&2
        return 1
    fi
}
export -f fuzz_one

printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'fuzz_one "$1"' _ {}
