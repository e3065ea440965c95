#!/usr/bin/python3
"""What a notebook user waits for: solve_many() of 100,000 solutions, and one solve() call against the same
calculation in C++ (dedodiz_calculator_bench), whose difference is the module's own overhead.

    cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DDEDODIZ_BENCH=ON -DDEDODIZ_PYTHON=ON \\
          -DDEDODIZ_TESTS=OFF -DDEDODIZ_QT=OFF
    cmake --build build-bench -j2
    PYTHONPATH=build-bench/app/python /usr/bin/python3 bench/python_bench.py \\
        --reference build-bench/bench/dedodiz_calculator_bench

Each figure is the best of several repetitions, as the machine is shared.
"""

import argparse
import json
import subprocess
import time

import numpy as np

import dedodiz

README = dict(chelators={"EGTA": 2e-3}, metals={"Ca2": 1e-3, "Mg2": 1e-3}, ph=7.2, temp=20, ionic=0.1, type="free")


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


def reference_microseconds(program):
    out = subprocess.run([program, "--benchmark_filter=BM_CalculatorSolveReadme", "--benchmark_format=json",
                          "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true"],
                         check=True, capture_output=True, text=True).stdout
    for run in json.loads(out)["benchmarks"]:
        if run.get("aggregate_name") == "median":
            return run["real_time"] if run["time_unit"] == "us" else run["real_time"] / 1000
    raise RuntimeError("no median in the benchmark's output")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--reference", help="dedodiz_calculator_bench of a build with -DDEDODIZ_BENCH=ON")
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


if __name__ == "__main__":
    main()
