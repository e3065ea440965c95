# SPDX-License-Identifier: BSD-3-Clause
"""The Python module against the command-line tool of the same build, and the examples of docs/python.md."""

import copy
import inspect
import json
import os
import re
import shlex
import subprocess
import sys

import numpy as np
import pytest

import dedodiz

SOURCE = os.environ["DEDODIZ_SOURCE_DIR"]
CLI = os.environ["DEDODIZ_CLI"]

# The README's example, examples/ca-egta-free.STG.
README = dict(chelators={"EGTA": 2e-3}, metals={"Ca2": 1e-3, "Mg2": 1e-3}, ph=7.2, temp=20, ionic=0.1, type="free")


@pytest.fixture(autouse=True)
def in_source_tree(monkeypatch):
    # The work files name their table as data/standard.TCM, which the reports repeat.
    monkeypatch.chdir(SOURCE)


@pytest.fixture
def table():
    return dedodiz.Table.load("data/standard.TCM")


def cli(*args):
    return subprocess.run([CLI, *args], capture_output=True, text=True, check=True).stdout


def constants_run(*args):
    return ["run", "--constants", "data/standard.TCM", *args]


# Each solution for the module, and the same solution for the command-line tool.
RUNS = [
    ("work file", README, ["run", "examples/ca-egta-free.STG"]),
    ("type total",
     dict(chelators={"BAPTA": 10e-3}, metals={"Ca2": 100e-9}, ph=7.2, temp=37, ionic=0.15, type="total"),
     constants_run("--type", "total", "--ph", "7.2", "--temp", "37", "--ionic", "0.15",
                   "--chelator", "BAPTA=10e-3", "--metal", "Ca2=100e-9")),
    ("type chelator",
     dict(chelators=["EGTA"], metals={"Ca2": (1e-3, 100e-9)}, ph=7.2, type="chelator"),
     constants_run("--type", "chelator", "--ph", "7.2", "--chelator", "EGTA", "--metal", "Ca2=1e-3:100e-9")),
    # The iteration gives up here; the refinement does not.
    ("refined",
     dict(chelators={"EGTA": 2e-3}, metals={"Ca2": 1e-3, "Mg2": 1e-3}, ph=8.0, temp=10, refine=True),
     constants_run("--ph", "8.0", "--temp", "10", "--chelator", "EGTA=2e-3", "--metal", "Ca2=1e-3", "--metal",
                   "Mg2=1e-3", "--refine")),
]


@pytest.mark.parametrize("solution,command", [run[1:] for run in RUNS], ids=[run[0] for run in RUNS])
def test_solve_gives_the_numbers_and_report_of_the_cli(table, solution, command):
    r = dedodiz.solve(table, **solution)
    document = json.loads(cli(*command, "--format", "json"))
    assert r.to_dict() == document
    assert r.report == cli(*command)
    # The attributes hold the document's numbers themselves, not roundings of them.
    for entry in document["chelators"] + document["metals"]:
        assert (r.free[entry["name"]], r.total[entry["name"]]) == (entry["free_M"], entry["total_M"])
    for pair in document["pairs"]:
        key = (pair["chelator"], pair["metal"])
        assert (r.kd[key], r.ml[key], r.mhl[key], r.range[key]) == (
            pair["Kd_M"], pair["ML_M"], pair["MHL_M"], pair["range"])
    assert r.converged == document["converged"]
    assert (r.refined, r.residual) == (document.get("refined", False), document.get("residual"))
    assert [{"caption": c, "text": t} for c, t in r.warnings] == document["warnings"]


def test_solve_many_over_41_ph_values_is_the_2d_sweep(table):
    sweep = dedodiz.sweep(table, **README, x=("ph", 6, 8))
    assert sweep.to_dict() == json.loads(cli("sweep", "examples/ca-egta-free.STG", "--x", "ph:6:8", "--format", "json"))
    many = dedodiz.solve_many(table, **{**README, "ph": sweep.x})
    assert many.shape == (41,) and many.ok.all() and many.converged.all()
    for metal in ("Ca2", "Mg2"):
        np.testing.assert_array_equal(many.free[metal], sweep.series[metal])
        # Every metal is free or in one of its two complexes, within the solver's 1 % mass balance.
        np.testing.assert_allclose(many.free[metal] + many.ml["EGTA", metal] + many.mhl["EGTA", metal], 1e-3, rtol=0.01)
    one = dedodiz.solve(table, **{**README, "ph": sweep.x[17]})
    assert (many.free["Ca2"][17], many.kd["EGTA", "Ca2"][17]) == (one.free["Ca2"], one.kd["EGTA", "Ca2"])
    # Refined, every solution is solve(refine=True)'s, its mass balances met to 1e-12.
    exact = dedodiz.solve_many(table, **{**README, "ph": sweep.x}, refine=True)
    one = dedodiz.solve(table, **{**README, "ph": sweep.x[17]}, refine=True)
    assert (exact.free["Ca2"][17], exact.residual[17]) == (one.free["Ca2"], one.residual)
    assert exact.converged.all() and (exact.residual < 1e-12).all()
    # Checked (the default): refined exactly where the iteration fell short, NaN residuals elsewhere.
    assert (many.residual[many.refined] < 1e-12).all() and np.isnan(many.residual[~many.refined]).all()


def test_recipe_of_the_readme_is_the_cli_s(table):
    readme = open(os.path.join(SOURCE, "README.md"), encoding="utf-8").read()
    command, printed = re.search(r"```text\n\$ dedodiz32-cli (recipe .*?)\n(RECIPE:.*?)```", readme, re.S).groups()
    command = shlex.split(command.replace("\\\n", " "))
    # examples/pca-egta-atp-total.STG, and the options of the command.
    r = dedodiz.recipe(table, chelators={"EGTA": 7e-3, "ATP": 5e-3}, metals={"Ca2": 1e-7, "Mg2": 1e-3}, ph=7.0,
                       temp=22, ionic=0.18, type="total", volume=10e-3,
                       stocks={"EGTA": 0.1, "ATP": 0.1, "Ca2": 0.1, "Mg2": 1.0, "HEPES": 1.0}, purity={"EGTA": 0.97},
                       buffer=("HEPES", 20e-3), topup=("KCl", 3.0), series=("Ca2", np.arange(9, 4.4, -0.5)),
                       series_px=True)
    assert r.report == cli(*command) == printed
    assert r.to_dict() == json.loads(cli(*command, "--format", "json"))
    for s in r.solutions:  # every tube is filled to its volume, and holds the wanted free calcium
        assert sum(s.volumes.values()) == pytest.approx(10e3, rel=1e-12)
        assert s.free["Ca2"] == pytest.approx(s.wanted, rel=1e-6) and s.ionic_strength == pytest.approx(0.18)
    with pytest.raises(ValueError) as raised:
        dedodiz.recipe(table, chelators={"EGTA": 7e-3}, metals={"Ca2": 1e-7}, type="total", volume=10e-3,
                       stocks={"EGTA": 0.1}, topup=3.0)
    assert str(raised.value) == "CANNOT BE MADE\nNo stock is given for Ca2"
    # The new keywords reach the same rules as the command's options.
    made = dedodiz.recipe(table, chelators={"EGTA": 7e-3}, metals={"Ca2": 1e-7}, type="total", volume=10e-3,
                          stocks={"EGTA": 0.1, "Ca2": 0.1}, topup=3.0, forms={"EGTA": "K2H2EGTA"},
                          base=("NaOH", 1.0), contamination={"Ca2": 2e-6}, ionic_strength_target=0.18,
                          osmolyte=("sucrose", 1.0), osmolarity_target=0.4)
    s = made.solutions[0]
    assert s.true_ionic_strength == pytest.approx(0.18) and s.osmolarity == pytest.approx(400)
    assert sum(i["charge"] * i["conc_M"] for i in s.species) == pytest.approx(0, abs=1e-9)
    with pytest.raises(ValueError, match="form EGTA: no form K9EGTA is known"):
        dedodiz.recipe(table, chelators={"EGTA": 7e-3}, metals={"Ca2": 1e-7}, type="total", volume=10e-3,
                       stocks={"EGTA": 0.1, "Ca2": 0.1}, forms={"EGTA": "K9EGTA"})


# The README's example with the module's keywords and the command's options; the command uses every core.
UNCERTAIN = [
    ("defaults, one thread", dict(samples=200, seed=5, threads=1), ["--samples", "200", "--seed", "5"]),
    ("purity, refined, every sample, two threads",
     dict(samples=150, seed=9, threads=2, purity={"EGTA": (0.97, 0.01)}, ph_sd=0.05, dh_rsd=0, refine=True,
          all_samples=True),
     ["--samples", "150", "--seed", "9", "--purity", "EGTA=0.97:0.01", "--ph-sd", "0.05", "--dh-rsd", "0",
      "--refine", "--all-samples"]),
]


@pytest.mark.parametrize("keywords,options", [u[1:] for u in UNCERTAIN], ids=[u[0] for u in UNCERTAIN])
def test_uncertainty_is_the_cli_s_whatever_the_threads(table, keywords, options):
    u = dedodiz.uncertainty(table, **README, **keywords)
    command = ["uncertainty", "examples/ca-egta-free.STG", *options]
    document = json.loads(cli(*command, "--format", "json"))
    assert u.to_dict() == document
    assert u.report == cli(*[o for o in command if o != "--all-samples"])
    for entry in document["results"]:
        e = u.results[entry["key"]]
        assert (e.value, e.median, e.q025, e.q975) == (entry["value"], entry["median"], entry["q025"], entry["q975"])
        assert u.contributions[entry["key"]] == [(c["input"], c["share"]) for c in document["contributions"][entry["key"]]]
        if u.all_samples is not None:
            assert u.all_samples[entry["key"]].tolist() == document["all_samples"][entry["key"]]
    assert u.failed == document["failed"] and u.samples == keywords["samples"]


def test_calibration_is_the_cli_s(table, tmp_path):
    conditions = {"ph": 7.2, "temp": 22, "ionic": 0.15}
    fit = dedodiz.calibrate("examples/ca-egta-titration.csv", table, chelator="EGTA", metal="Ca2", bootstrap=50,
                            **conditions)
    command = ["calibrate", "examples/ca-egta-titration.csv", "--chelator", "EGTA", "--metal", "Ca2", "--ph", "7.2",
               "--temp", "22", "--ionic", "0.15", "--bootstrap", "50"]
    document = json.loads(cli(*command, "--format", "json"))
    assert {**fit.to_dict(), "constants_file": ""} == {**document, "constants_file": ""}
    assert fit.report == cli(*command)
    assert (fit.kd_M.value, fit.kd_M.ci95, fit.kd_M.bootstrap_ci95) == (
        document["kd_M"]["value"], tuple(document["kd_M"]["ci95"]), tuple(document["kd_M"]["bootstrap_ci95"]))
    # calibration= takes the fit as --calibration takes its document; write_constants writes the table of
    # --write-constants, and never over the bundled one.
    saved = tmp_path / "fit.json"
    saved.write_text(json.dumps(document))
    solution = dict(chelators={"EGTA": 2e-3}, metals={"Ca2": 1e-3}, ph=7.2)
    spread = dedodiz.uncertainty(table, **solution, samples=100, calibration=fit)
    assert spread.report == cli("uncertainty", "--constants", "data/standard.TCM", "--chelator", "EGTA=2e-3",
                                "--metal", "Ca2=1e-3", "--ph", "7.2", "--samples", "100", "--calibration", str(saved))
    made = dedodiz.recipe(table, **solution, volume=10e-3, stocks={"EGTA": 0.1, "Ca2": 0.1}, calibration=fit)
    assert made.report == cli("recipe", "--constants", "data/standard.TCM", "--chelator", "EGTA=2e-3", "--metal",
                              "Ca2=1e-3", "--ph", "7.2", "--volume", "10mL", "--stock", "EGTA=100mM", "--stock",
                              "Ca2=100mM", "--calibration", str(saved))
    fit.write_constants(tmp_path / "mine.TCM")
    cli(*command[:-2], "--bootstrap", "0", "--write-constants", str(tmp_path / "cli.TCM"))
    assert (tmp_path / "mine.TCM").read_bytes() == (tmp_path / "cli.TCM").read_bytes()
    assert dedodiz.Table.load(tmp_path / "mine.TCM").listing == copy.deepcopy(fit).table.listing
    with pytest.raises(ValueError, match="comes with the program"):
        fit.write_constants(dedodiz.data_file("standard.TCM"))
    # The text itself, with a Mac spreadsheet's CR line ends, is the file's titration (not a file name).
    mac = open("examples/ca-egta-titration.csv", encoding="utf-8").read().replace("\n", "\r")
    assert dedodiz.calibrate(mac, table, chelator="EGTA", metal="Ca2", bootstrap=0, **conditions).purity.value == \
        fit.purity.value
    with pytest.raises(dedodiz.StoppedError, match="^no standards: "):
        dedodiz.calibrate("metal_total_M,chelator_total_M,mV\n" + "".join(f"{m}mM,2mM,{m}\n" for m in range(1, 9)),
                          table, chelator="EGTA", metal="Ca2")


FAULT = ("FLOATING POINT ERROR: division by zero\nCheck ionic strength (> 0), temperature, concentrations and "
         "constants\nNo result was stored")
# arguments, exception, message, whether a single solution is at fault (solve_many then names its index)
ERRORS = [
    (dict(chelators={"XYZ": 1e-3}, metals={"Ca2": 1e-3}), ValueError,
     "chelator XYZ: not in standard.TCM, which has EGTA, BAPTA, DBBAPTA, EDTA, HEDTA, NTA, CDTA, DTPA, ATP, ADP, "
     "Citrate, TPEN  +", False),
    (dict(chelators={"EGTA": 1e-3}, metals={"Ca2": 1e-3}, type="mixed"), ValueError,
     'calculation type: must be total, free or chelator, not "mixed"', False),
    (dict(chelators={"EGTA": "2 mM"}, metals={"Ca2": 1e-3}), TypeError, "chelator EGTA needs a number [mol/L], not str",
     False),
    (dict(chelators={"BAPTA": 1e-3}, metals={"Zn2": 1e-3}, temp=37), ValueError,
     "RESULTS NOT VALID, delta-H VALUES MISSING\nReset Temperature to 20 C or add values", True),
    (dict(chelators=["EGTA"], metals={"Ca2": (1e-3, 2e-3)}, type="chelator"), ValueError,
     "Total metal cannot be < free metal", True),
    (dict(chelators={"EGTA": 1e-3}, metals={"Ca2": 1e-3}, temp=25, ionic=0), dedodiz.FloatingPointError, FAULT, True),
]


@pytest.mark.parametrize("arguments,error,message,in_solution", ERRORS)
def test_bad_input_raises_with_the_programs_message(table, arguments, error, message, in_solution):
    with pytest.raises(error) as raised:
        dedodiz.solve(table, **arguments)
    assert str(raised.value) == message
    with pytest.raises(error) as raised:
        dedodiz.solve_many(table, **{**arguments, "ph": [7.0, 7.2]})
    assert str(raised.value) == (message + " [solution at index (0,)]" if in_solution else message)
    with pytest.raises(error) as raised:
        dedodiz.uncertainty(table, **arguments, samples=10)
    assert str(raised.value) == message


def test_faults_are_arithmetic_errors_and_nan_on_request(table):
    assert issubclass(dedodiz.FloatingPointError, FloatingPointError)
    assert issubclass(dedodiz.FloatingPointError, ArithmeticError)
    many = dedodiz.solve_many(table, chelators={"EGTA": 1e-3}, metals={"Ca2": 1e-3}, temp=[20, 25], ionic=[0.1, 0],
                              errors="nan")
    assert many.ok.tolist() == [True, False] and np.isnan(many.free["Ca2"][1])
    assert many.free["Ca2"][0] == dedodiz.solve(table, chelators={"EGTA": 1e-3}, metals={"Ca2": 1e-3}).free["Ca2"]
    with pytest.raises(FileNotFoundError, match="No such file or directory: missing.TCM"):
        dedodiz.Table.load("missing.TCM")


@pytest.mark.parametrize("plot", [True, False], ids=["with matplotlib", "without matplotlib"])
def test_the_examples_of_the_python_page_run(plot, tmp_path, monkeypatch, capsys):
    if plot:
        pytest.importorskip("matplotlib")
    else:
        monkeypatch.setitem(sys.modules, "matplotlib", None)  # import matplotlib.pyplot raises ImportError
    page = open(os.path.join(SOURCE, "docs", "python.md"), encoding="utf-8").read()
    monkeypatch.chdir(tmp_path)
    namespace = {}
    for block in re.findall(r"```python\n(.*?)```", page, re.S):
        exec(compile(block, "docs/python.md", "exec"), namespace)
    printed = capsys.readouterr().out.splitlines()
    for example in re.findall(r"It prints `(.*?)` and\s+`(.*?)`", page, re.S):
        for line in example:
            assert line in printed
    # Free calcium falls as the pH rises, with either chelator.
    for free in namespace["free_ca"].values():
        assert (np.diff(free) < 0).all()
    assert (tmp_path / "free-ca-vs-ph.png").exists() == plot


def test_the_installed_package_is_whole():
    # Against the wheel (installed.sh) the package is the installed one, with its metadata, stub and data.
    folder = os.path.dirname(dedodiz.__file__)
    if os.environ.get("DEDODIZ_INSTALLED"):
        import importlib.metadata
        assert "site-packages" in folder and importlib.metadata.version("dedodiz") == dedodiz.__version__
    for name in ("py.typed", "_core.pyi"):
        assert os.path.isfile(os.path.join(folder, name))
    assert dedodiz.data_file("standard.TCM").read_bytes() == open(os.path.join(SOURCE, "data", "standard.TCM"), "rb").read()
    assert dedodiz.Table.standard().chelators[0] == "EGTA"
    assert list(inspect.signature(dedodiz.solve_many).parameters)[:4] == ["table", "chelators", "metals", "ph"]


# arguments of solve_many, exception, message: each names the argument, and in an array the element.
BAD = [
    (dict(pH=8), TypeError, "solve_many(): unexpected keyword 'pH'; did you mean 'ph'?"),
    (dict(ph=None), TypeError, "ph needs a number, not NoneType"),
    (dict(ph=[7.0, None]), TypeError, "ph needs numbers, not NoneType at index (1,)"),
    (dict(temp=[20, np.inf]), ValueError, "temperature: not a finite number (inf) [solution at index (1,)]"),
    (dict(ph=np.ma.masked_array([7.0, 7.2], mask=[0, 1])), TypeError,
     "ph: a masked array is not taken, as its mask would be lost; fill or drop the masked values first "
     "(numpy.ma.filled, .compressed())"),
    (dict(ph=np.array([7 + 1j])), TypeError, "ph needs real numbers, not complex ones"),
    (dict(ph=np.ones(3), temp=np.ones(4)), ValueError,
     "ph of shape (3,) and temp of shape (4,) do not broadcast together (numpy's rules: each dimension equal, or 1)"),
]


@pytest.mark.parametrize("arguments,error,message", BAD)
def test_bad_input_names_the_argument(arguments, error, message):
    with pytest.raises(error) as raised:
        dedodiz.solve_many(**{**README, **arguments})
    assert str(raised.value) == message
    with pytest.raises(TypeError, match=r"^solve\(\): unexpected keyword 'Metals'; did you mean 'metals'\?$"):
        dedodiz.solve(chelators={"EGTA": 1e-3}, Metals={"Ca2": 1e-3})


def test_doubtful_results_warn_and_tpen_is_found():
    with pytest.warns(RuntimeWarning, match=r"^1 of 2 solutions have a pH outside 4 \.\. 10") as warned:
        many = dedodiz.solve_many(**{**README, "ph": [7.2, 11.0]})
    assert len(warned) == 1 and many.warnings.tolist() == [2, 2 + 8]  # Mg2 is buffered by no chelator in both
    with pytest.warns(RuntimeWarning, match="pH out of range"):
        dedodiz.solve(**{**README, "ph": 11.0})
    assert "TPEN  +" in dedodiz.solve(chelators={"tpen": 1e-3}, metals={"Zn2": 1e-4}).free


def test_every_result_pickles_and_converts(table):
    import pickle
    results = [
        dedodiz.solve(table, **README), dedodiz.solve_many(table, **{**README, "ph": np.linspace(6, 8, 6).reshape(2, 3)}),
        dedodiz.sweep(table, **README, x=("ph", 6, 8), z=("temp", 10, 30)), dedodiz.evaluate(table, metals=["Ca2"]),
        dedodiz.buffer_ranges(), dedodiz.uncertainty(table, **README, samples=50, all_samples=True),
        dedodiz.recipe(table, chelators={"EGTA": 7e-3}, metals={"Ca2": 1e-7}, type="total", volume=10e-3,
                       stocks={"EGTA": 0.1, "Ca2": 0.1}, series=("Ca2", [1e-7, 1e-6]), mixing=True),
        dedodiz.calibrate(dedodiz.data_file("ca-egta-titration.csv"), table, chelator="EGTA", metal="Ca2", ph=7.2,
                          temp=22, ionic=0.15, bootstrap=20),
    ]
    for r in [table, dedodiz.BufferTable.standard(), *results]:
        for copied in (pickle.loads(pickle.dumps(r)), copy.deepcopy(r)):
            assert type(copied) is type(r) and repr(copied) == repr(r)
            if hasattr(r, "report"):
                assert copied.report == r.report and copied.to_dict() == r.to_dict()
    assert pickle.loads(pickle.dumps(table)).listing == table.listing
    pytest.importorskip("pandas")
    for r in results:
        assert len(r.to_dataframe()) > 0
    one, many, sweep = results[:3]
    frame = many.to_dataframe()
    # Long format: one row per solution and species; every calcium is free or bound, within the mass balance.
    assert len(frame) == 6 * (3 * 2 + 2 * 3)  # EGTA, Ca2, Mg2 free and total; two pairs ML, MHL, Kd
    ca = frame[frame.species.isin(["Ca2", "EGTA-Ca2"])].pivot_table(index="solution", columns="form", values="value_M")
    np.testing.assert_allclose(ca["free"] + ca["ML"] + ca["MHL"], ca["total"], rtol=1e-4)
    row = one.to_dataframe().set_index(["species", "form"]).value_M
    assert row["Ca2", "free"] == one.free["Ca2"] and row["EGTA-Ca2", "Kd"] == one.kd["EGTA", "Ca2"]
    pytest.importorskip("xarray")
    assert many.to_xarray()["free_Ca2_M"].shape == (2, 3)
    assert sweep.to_xarray()["free_Ca2_M"].dims == ("pH", "temperature_C")


# A long call in a child process, and the call that ends it: Ctrl-C must end it with KeyboardInterrupt
# within seconds of the signal, not when the work is done (a minute or more). The bound leaves room for
# a loaded machine: the child still has to unwind and free its arrays.
LONG = [
    "dedodiz.solve_many(chelators={'EGTA': 2e-3}, metals={'Ca2': 1e-3}, ph=np.linspace(6, 8, 2 * 10**7), precision='exact')",
    "dedodiz.uncertainty(chelators={'EGTA': 2e-3}, metals={'Ca2': 1e-3}, samples=1000000, threads=2, precision='exact')",
]


@pytest.mark.parametrize("call", LONG, ids=["solve_many", "uncertainty"])
def test_ctrl_c_interrupts_a_long_call(call):
    import signal
    import time
    child = subprocess.Popen(
        [sys.executable, "-c", f"import sys, numpy as np, dedodiz\nprint('go', flush=True)\n{call}\nprint('finished')"],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    assert child.stdout.readline() == "go\n"
    time.sleep(1.0)  # well into the call
    child.send_signal(signal.SIGINT)
    sent = time.monotonic()
    out, err = child.communicate(timeout=60)
    assert time.monotonic() - sent < 10
    assert "KeyboardInterrupt" in err and "finished" not in out and child.returncode != 0
