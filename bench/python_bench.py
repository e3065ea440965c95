#!/usr/bin/python3
# SPDX-License-Identifier: BSD-3-Clause
"""What a notebook user waits for: solve_many() of 100,000 solutions, and one solve() call against the same
calculation in C++ (dedodiz_calculator_bench), whose difference is the module's own overhead; and one
uncertainty() call of 10,000 samples of a 6 x 6 solution against the same computation in C++
(BM_UncertaintyBundled6x6 of dedodiz_uncertainty_bench).

    cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DDEDODIZ_BENCH=ON -DDEDODIZ_PYTHON=ON \\
          -DDEDODIZ_TESTS=OFF -DDEDODIZ_QT=OFF
    cmake --build build-bench -j2
    PYTHONPATH=build-bench/app/python /usr/bin/python3 bench/python_bench.py \\
        --reference build-bench/bench/dedodiz_calculator_bench \\
        --uncertainty-reference build-bench/bench/dedodiz_uncertainty_bench

Each figure is the best of several repetitions, as the machine is shared.
"""

import argparse
import json
import subprocess
import time

import numpy as np

import dedodiz

README = dict(chelators={"EGTA": 2e-3}, metals={"Ca2": 1e-3, "Mg2": 1e-3}, ph=7.2, temp=20, ionic=0.1, type="free")


# The 6 x 6 solution of BM_UncertaintyBundled6x6: every pair has its constant in the bundled table.
SIX_BY_SIX = dict(chelators={"EGTA": 2e-3, "DTPA": 1e-3, "EDTA": 5e-4, "HEDTA": 2e-4, "NTA": 1e-3, "CDTA": 1e-4},
                  metals={"Ca2": 1.5e-3, "Mg2": 1e-3, "Sr2": 1e-4, "Ba2": 5e-5, "Mn2": 1e-5, "Zn2": 2e-5},
                  ph=7.2, temp=20, ionic=0.15, type="free")


def best(function, repetitions):
    times = []
    for _ in range(repetitions):
        start = time.perf_counter()
        function()
        times.append(time.perf_counter() - start)
    return min(times)


def solve_many_seconds(table, count, repetitions):
    """100,000 solutions of the README's composition over pH 6..8, type free; and the chelator question over
    free Ca 10 nM..10 uM, the slowest type."""
    ph = np.linspace(6.0, 8.0, count)
    free = best(lambda: dedodiz.solve_many(table, **{**README, "ph": ph}), repetitions)
    wanted = np.geomspace(1e-8, 1e-5, count)
    chelator = best(lambda: dedodiz.solve_many(table, chelators=["EGTA"], metals={"Ca2": (1e-3, wanted)}, ph=7.2,
                                               type="chelator"), repetitions)
    return free, chelator


def solve_microseconds(table, calls, repetitions):
    def run():
        for _ in range(calls):
            dedodiz.solve(table, **README)
    return best(run, repetitions) / calls * 1e6


def uncertainty_milliseconds(table, threads, repetitions):
    purity = {name: (0.98, 0.01) for name in SIX_BY_SIX["chelators"]}
    return best(lambda: dedodiz.uncertainty(table, **SIX_BY_SIX, purity=purity, samples=10_000, threads=threads),
                repetitions) * 1e3


def reference_medians(program, pattern, unit):
    """{benchmark name: median real time in unit ("us" or "ms")} of the benchmarks matching pattern."""
    out = subprocess.run([program, f"--benchmark_filter={pattern}", "--benchmark_format=json",
                          "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true"],
                         check=True, capture_output=True, text=True).stdout
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    medians = {run["run_name"]: run["real_time"] * scale[run["time_unit"]] / scale[unit]
               for run in json.loads(out)["benchmarks"] if run.get("aggregate_name") == "median"}
    if not medians:
        raise RuntimeError("no median in the benchmark's output")
    return medians


def reference_microseconds(program):
    return next(iter(reference_medians(program, "BM_SessionSolveReadme/1$", "us").values()))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--reference", help="dedodiz_calculator_bench of a build with -DDEDODIZ_BENCH=ON")
    parser.add_argument("--uncertainty-reference", help="dedodiz_uncertainty_bench of the same build")
    parser.add_argument("--count", type=int, default=100_000, help="solutions of solve_many (100,000)")
    parser.add_argument("--repetitions", type=int, default=5)
    args = parser.parse_args()

    table = dedodiz.Table.standard()
    free, chelator = solve_many_seconds(table, args.count, args.repetitions)
    print(f"solve_many, {args.count} solutions, type free:     {free:.3f} s ({free / args.count * 1e6:.2f} us each)")
    print(f"solve_many, {args.count} solutions, type chelator: {chelator:.3f} s "
          f"({chelator / args.count * 1e6:.2f} us each)")
    one = solve_microseconds(table, 20_000, args.repetitions)
    print(f"solve, one call from Python:                 {one:.2f} us")
    if args.reference:
        reference = reference_microseconds(args.reference)
        print(f"the same calculation in C++ (Solve):         {reference:.2f} us")
        print(f"overhead of the module:                      {one - reference:.2f} us")
    medians = (reference_medians(args.uncertainty_reference, "BM_UncertaintyBundled6x6", "ms")
               if args.uncertainty_reference else {})
    for threads in (1, 2):
        ms = uncertainty_milliseconds(table, threads, args.repetitions)
        line = f"uncertainty, 10,000 samples of 6 x 6, {threads} thread{'s' if threads > 1 else ' '}: {ms:7.1f} ms"
        reference = medians.get(f"BM_UncertaintyBundled6x6/{threads}/real_time")
        print(line + (f" (C++: {reference:.1f} ms)" if reference is not None else ""))


if __name__ == "__main__":
    main()
