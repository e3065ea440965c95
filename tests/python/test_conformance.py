# SPDX-License-Identifier: BSD-3-Clause
"""Every conformance case (tests/conformance/cases) played on the Python module: the status (by the
exception's type), the refusal, the messages, the numbers and the report lines must be the ones the
case expects, as for the library and the command-line tool."""

import math
import os
import pathlib
import re

import pytest

import dedodiz

ROOT = pathlib.Path(__file__).resolve().parents[2]
CASES = sorted((ROOT / "tests" / "conformance" / "cases").glob("*.case"))


def read_case(path):
    case = {"name": path.stem, "inputs": [], "messages": [], "values": [], "lines": [], "not_in": {}}
    for line in path.read_text().splitlines():
        if not line or line.startswith("#"):
            continue
        key, value = line.split(": ", 1)
        if key in ("command", "status", "refusal"):
            case[key] = value
        elif key == "message":
            case["messages"].append(value)
        elif key == "value":
            name, number, tolerance = value.split()
            case["values"].append((name, float(number), float(tolerance)))
        elif key == "line":
            number, _, text = value.partition(" ")
            case["lines"].append((int(number), text))
        elif key == "not-in":
            face, why = value.split(": ", 1)
            case["not_in"][face] = why
        else:
            case["inputs"].append((key, value))
    return case


UNITS = {"M": 1.0, "mM": 1e-3, "uM": 1e-6, "nM": 1e-9, "L": 1.0, "mL": 1e-3, "uL": 1e-6, "N": 1.0}


def amount(text):
    """A number with its unit as a person types it ("10mL", "100mM") in the unit's base (M, L, N)."""
    number, unit = re.fullmatch(r"\s*([-+0-9.eE]+)\s*([a-zA-Z]*)\s*", text).groups()
    return float(number) * UNITS.get(unit, 1.0)


def fraction(text):
    return float(text[:-1]) / 100 if text.endswith("%") else float(text)


def one(case, key, default=None):
    return next((v for k, v in case["inputs"] if k == key), default)


def every(case, key):
    return [v for k, v in case["inputs"] if k == key]


def named(texts):
    """NAME=VALUE texts as a dict; a name given twice in the same spelling cannot be a dict's key."""
    pairs = [text.partition("=") for text in texts]
    names = [name for name, _, _ in pairs]
    assert len(set(names)) == len(names), "a dict holds a name once: the case needs not-in: python"
    return {name: value for name, _, value in pairs}


def solution(case):
    kind = one(case, "type", "free")
    args = {"type": kind, "chelators": {}, "metals": {}}
    for key in ("ph", "temp", "ionic"):
        if one(case, key) is not None:
            args[key] = float(one(case, key))
    for name, total in named(every(case, "chelator")).items():
        args["chelators"][name] = float(total) if total else None
    for name, value in named(every(case, "metal")).items():
        if kind == "chelator":
            total, free = value.split(":")
            args["metals"][name] = (float(total), float(free))
        else:
            args["metals"][name] = float(value)
    if one(case, "precision"):
        args["precision"] = one(case, "precision")
    table = dedodiz.Table.load(one(case, "constants")) if one(case, "constants") else None
    return table, args


def axis(text):
    variable, low, high = text.split(":")
    return (variable, float(low), float(high))


def recipe_args(case):
    args = {"volume": amount(one(case, "volume", "0")),
            "stocks": {n: amount(v) for n, v in named(every(case, "stock")).items()}}
    if every(case, "purity"):
        args["purity"] = {n: fraction(v) for n, v in named(every(case, "purity")).items()}
    if one(case, "series"):
        metal, _, levels = one(case, "series").partition("=")
        if levels.startswith("pX:"):
            args["series"] = (metal, [float(v) for v in levels[3:].split(",")])
            args["series_px"] = True
        else:
            args["series"] = (metal, [amount(v) for v in levels.split(",")])
    if one(case, "ionic-target"):
        args["ionic_target"] = amount(one(case, "ionic-target"))
    if one(case, "mix"):
        args["mixing"] = True
    return args


def uncertainty_args(case):
    args = {"samples": int(one(case, "samples", "2000")), "seed": int(one(case, "seed", "1"))}
    if one(case, "ph-sd"):
        args["ph_sd"] = float(one(case, "ph-sd"))
    if every(case, "purity"):
        args["purity"] = {}
        for name, value in named(every(case, "purity")).items():
            share, sd = value.split(":")
            args["purity"][name] = (float(share), float(sd))
    return args


def play(case):
    """The case's call; what it returns (a result or a report text)."""
    command = case["command"]
    if command == "list":
        return dedodiz.Table.load(one(case, "file")).listing
    if command == "buffers":
        conditions = {k: float(one(case, k)) for k in ("ph", "temp", "ionic") if one(case, k) is not None}
        return dedodiz.buffer_ranges(dedodiz.BufferTable.load(one(case, "file")), **conditions)
    if command == "calibrate":
        conditions = {k: float(one(case, k)) for k in ("ph", "temp", "ionic") if one(case, k) is not None}
        return dedodiz.calibrate(one(case, "file"), chelator=one(case, "chelator"), metal=one(case, "metal"),
                                 bootstrap=int(one(case, "bootstrap", "1000")), **conditions)
    table, args = solution(case)
    if command == "run":
        return dedodiz.solve(table, **args)
    if command == "evaluate":
        conditions = {k: args[k] for k in ("ph", "temp", "ionic") if k in args}
        return dedodiz.evaluate(table, metals=list(args["metals"]), **conditions)
    if command == "sweep":
        z = one(case, "z")
        return dedodiz.sweep(table, x=axis(one(case, "x")), z=axis(z) if z else None, **args)
    if command == "recipe":
        return dedodiz.recipe(table, **args, **recipe_args(case))
    if command == "uncertainty":
        return dedodiz.uncertainty(table, **args, **uncertainty_args(case))
    raise AssertionError(f"no way to play {command}")


# The status each exception type stands for; the subclasses of ValueError first.
STATUSES = [(dedodiz.StoppedError, "stopped"), (dedodiz.CannotBeMadeError, "cannot be made"),
            (dedodiz.FileFormatError, "file error"), (dedodiz.FloatingPointError, "fault"),
            (OSError, "file error"), (ValueError, "refused")]


def shown(pairs):
    return [f"{caption}: {text}".replace("\n", " ") for caption, text in pairs]


def value_of(result, key):
    kind, name, _unit = key.split("_", 2)
    return (result.free if kind == "free" else result.total)[name]


@pytest.mark.parametrize("path", CASES, ids=[p.stem for p in CASES])
def test_the_module_gives_what_the_case_expects(path, monkeypatch):
    case = read_case(path)
    if "python" in case["not_in"]:
        pytest.skip(case["not_in"]["python"])
    monkeypatch.chdir(ROOT)
    try:
        result = play(case)
    except Exception as error:  # the status is the exception's type, never its text
        status = next((word for kind, word in STATUSES if isinstance(error, kind)), type(error).__name__)
        assert status == case["status"], f"{type(error).__name__}: {error}"
        if status == "refused":
            assert str(error) == case["refusal"]
        elif status in ("stopped", "cannot be made", "fault"):
            errors = [m for m in case["messages"] if m.startswith("ERROR: ")]
            assert str(error).replace("\n", " ") == errors[-1][len("ERROR: "):]
        return
    assert case["status"] == "ran"
    report = result if isinstance(result, str) else result.report
    if hasattr(result, "warnings"):
        assert shown(result.warnings) == case["messages"]
    for key, expected, tolerance in case["values"]:
        assert math.isclose(value_of(result, key), expected, rel_tol=tolerance), key
    lines = report.splitlines()
    for number, text in case["lines"]:
        assert lines[number - 1].rstrip() == text.rstrip()
