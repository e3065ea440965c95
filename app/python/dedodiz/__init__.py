# SPDX-License-Identifier: BSD-3-Clause
"""DEDODIZ32 for Python: free metal, total metal and chelator in metal buffer solutions.

Concentrations in mol/L, temperatures in C, ionic strength in N (equivalents per litre), constants as log10
values. The constants table is bundled (Table.standard()); solve() gives one solution with every number of
the report, solve_many() many solutions as numpy arrays, sweep() the 2D and 3D sweeps, evaluate() the Kd of
every chelator, buffer_ranges() the useful range of pH buffers, recipe() what to pipette, uncertainty() how
far the results can be trusted, calibrate() the purity, contamination and Kd of a titration. Every answer is checked against its mass balances (precision="checked").

Bad input raises ValueError or TypeError naming the argument, a floating-point fault
dedodiz.FloatingPointError; a result that is not valid, or probably not, raises a RuntimeWarning. Long calls
end with KeyboardInterrupt on Ctrl-C. Every result pickles, and has to_dataframe() (pandas); the grids
(Solutions, Sweep) have to_xarray().
"""

from __future__ import annotations

import difflib
import functools
import importlib.resources
import inspect
import os
import pathlib
from typing import Callable, Literal, Mapping, ParamSpec, Sequence, TypeVar, Union

import numpy.typing as npt

from dedodiz import _core
from dedodiz._core import (
    BufferRange,
    BufferRanges,
    BufferTable,
    Calibration,
    Estimate,
    Evaluation,
    CannotBeMadeError,
    Fitted,
    EvaluationRow,
    FileFormatError,
    FloatingPointError,
    Ingredient,
    Recipe,
    RecipeSolution,
    Result,
    Solutions,
    StoppedError,
    Sweep,
    Table,
    Uncertainty,
)
from dedodiz._interop import add_conversions

__version__: str = _core.__version__
__all__ = [
    "BufferRange", "BufferRanges", "BufferTable", "Calibration", "CannotBeMadeError", "Estimate", "Evaluation", "EvaluationRow",
    "FileFormatError", "Fitted", "FloatingPointError", "StoppedError",
    "Ingredient", "Recipe", "RecipeSolution", "Result", "Solutions", "Sweep", "Table", "Uncertainty",
    "buffer_ranges", "calibrate", "data_file", "evaluate", "recipe", "solve", "solve_many", "sweep", "uncertainty",
]

# The bundled data travels inside the package (data/, examples/; links to the installed data folder in
# the Debian package); the core looks there first for the bundled table and buffer file.
_PACKAGE = importlib.resources.files(__name__)
_core._set_data_folder(str(_PACKAGE.joinpath("data")))
add_conversions()

CalculationType = Literal["total", "free", "chelator"]
Precision = Literal["checked", "described", "exact"]
Number = Union[float, int]
MetalValue = Union[Number, tuple[Number, Number]]
MetalArray = Union[npt.ArrayLike, tuple[npt.ArrayLike, npt.ArrayLike]]

# The reference conditions of the constants table: 20 C and 0.1 N.
_TEMP = 20.0
_IONIC = 0.1

_P = ParamSpec("_P")
_R = TypeVar("_R")


def data_file(name: str) -> pathlib.Path:
    """The path of a file that comes with the package: the bundled table "standard.TCM" and pH buffer file
    "buffers.bcm" (its data/ folder), or an example work file such as "ca-egta-free.STG" (its examples/)."""
    for folder in ("data", "examples"):
        path = pathlib.Path(str(_PACKAGE.joinpath(folder, name)))
        if path.is_file():
            return path
    raise FileNotFoundError(f"no bundled file {name!r} in dedodiz/data or dedodiz/examples")


def _unexpected(function: str, key: str, known: Sequence[str]) -> str:
    """The message for a keyword the function does not take, with the one meant where it can be guessed."""
    by_case = {k.lower(): k for k in known}
    close = difflib.get_close_matches(key, known, n=1, cutoff=0.6)
    meant = by_case.get(key.lower()) or (close[0] if close else None)
    hint = f"did you mean '{meant}'?" if meant else "it takes " + ", ".join(known)
    return f"{function}(): unexpected keyword '{key}'; {hint}"


def _front(core: Callable[..., object]) -> Callable[[Callable[_P, _R]], Callable[_P, _R]]:
    """Makes a function of the package from its signature here and the core's documentation: a keyword it
    does not take raises TypeError naming it and the one meant ("unexpected keyword 'pH'; did you mean
    'ph'?")."""
    text = (core.__doc__ or "").split("\n\n", 1)  # the core's own signature line first
    doc = text[1] if len(text) == 2 else text[0]

    def make(function: Callable[_P, _R]) -> Callable[_P, _R]:
        known = list(inspect.signature(function).parameters)

        @functools.wraps(function)
        def checked(*args: _P.args, **kwargs: _P.kwargs) -> _R:
            try:
                return function(*args, **kwargs)
            except TypeError:
                for key in kwargs:
                    if key not in known:
                        raise TypeError(_unexpected(function.__name__, key, known)) from None
                raise

        checked.__doc__ = doc
        return checked

    return make


@_front(_core.solve)
def solve(
    table: Table | None = None,
    *,
    chelators: Mapping[str, Number | None] | Sequence[str],
    metals: Mapping[str, MetalValue],
    ph: Number = 7.0,
    temp: Number = _TEMP,
    ionic: Number = _IONIC,
    type: CalculationType = "free",
    refine: bool = False,
    precision: Precision = "checked",
) -> Result:
    return _core.solve(table, chelators=chelators, metals=metals, ph=ph, temp=temp, ionic=ionic, type=type,
                       refine=refine, precision=precision)


@_front(_core.solve_many)
def solve_many(
    table: Table | None = None,
    *,
    chelators: Mapping[str, npt.ArrayLike | None] | Sequence[str],
    metals: Mapping[str, MetalArray],
    ph: npt.ArrayLike = 7.0,
    temp: npt.ArrayLike = _TEMP,
    ionic: npt.ArrayLike = _IONIC,
    type: CalculationType = "free",
    errors: Literal["raise", "nan"] = "raise",
    refine: bool = False,
    precision: Precision = "checked",
) -> Solutions:
    return _core.solve_many(table, chelators=chelators, metals=metals, ph=ph, temp=temp, ionic=ionic, type=type,
                            errors=errors, refine=refine, precision=precision)


@_front(_core.sweep)
def sweep(
    table: Table | None = None,
    *,
    chelators: Mapping[str, Number | None] | Sequence[str],
    metals: Mapping[str, MetalValue],
    ph: Number = 7.0,
    temp: Number = _TEMP,
    ionic: Number = _IONIC,
    type: CalculationType = "free",
    x: tuple[str, Number, Number],
    z: tuple[str, Number, Number] | None = None,
    refine: bool = False,
    precision: Precision = "checked",
) -> Sweep:
    return _core.sweep(table, chelators=chelators, metals=metals, ph=ph, temp=temp, ionic=ionic, type=type, x=x,
                       z=z, refine=refine, precision=precision)


@_front(_core.evaluate)
def evaluate(
    table: Table | None = None,
    *,
    metals: Sequence[str] | Mapping[str, object],
    ph: Number = 7.0,
    temp: Number = _TEMP,
    ionic: Number = _IONIC,
) -> Evaluation:
    return _core.evaluate(table, metals=metals, ph=ph, temp=temp, ionic=ionic)


@_front(_core.buffer_ranges)
def buffer_ranges(
    buffers: BufferTable | None = None,
    *,
    ph: Number = 7.0,
    temp: Number = _TEMP,
    ionic: Number = _IONIC,
) -> BufferRanges:
    return _core.buffer_ranges(buffers, ph=ph, temp=temp, ionic=ionic)


@_front(_core.recipe)
def recipe(
    table: Table | None = None,
    *,
    chelators: Mapping[str, Number | None] | Sequence[str],
    metals: Mapping[str, MetalValue],
    ph: Number = 7.0,
    temp: Number = _TEMP,
    ionic: Number = _IONIC,
    type: CalculationType = "free",
    volume: Number,
    stocks: Mapping[str, Number],
    purity: Mapping[str, Number] | None = None,
    buffer: tuple[str, Number] | None = None,
    buffer_form: Literal["free", "mono", "di", "tri"] = "free",
    buffers: BufferTable | None = None,
    ionic_target: Number | None = None,
    topup: tuple[str, Number] | Number | None = None,
    series: tuple[str, npt.ArrayLike] | None = None,
    series_px: bool = False,
    mixing: bool = False,
    mix_volume: Number | None = None,
    refine: bool = False,
    precision: Precision = "checked",
    forms: Mapping[str, str] | None = None,
    base: tuple[str, Number] | None = None,
    acid: tuple[str, Number] | None = None,
    contamination: Mapping[str, Number] | None = None,
    ionic_strength_target: Number | None = None,
    osmolyte: tuple[str, Number] | None = None,
    osmolarity_target: Number | None = None,
    calibration: Calibration | None = None,
) -> Recipe:
    return _core.recipe(table, chelators=chelators, metals=metals, ph=ph, temp=temp, ionic=ionic, type=type,
                        volume=volume, stocks=stocks, purity=purity, buffer=buffer, buffer_form=buffer_form,
                        buffers=buffers, ionic_target=ionic_target, topup=topup, series=series, series_px=series_px,
                        mixing=mixing, mix_volume=mix_volume, refine=refine, precision=precision, forms=forms,
                        base=base, acid=acid, contamination=contamination,
                        ionic_strength_target=ionic_strength_target, osmolyte=osmolyte,
                        osmolarity_target=osmolarity_target, calibration=calibration)


@_front(_core.uncertainty)
def uncertainty(
    table: Table | None = None,
    *,
    chelators: Mapping[str, Number | None] | Sequence[str],
    metals: Mapping[str, MetalValue],
    ph: Number = 7.0,
    temp: Number = _TEMP,
    ionic: Number = _IONIC,
    type: CalculationType = "free",
    ph_sd: Number = 0.02,
    temp_sd: Number = 0.5,
    ionic_rsd: Number = 0.05,
    logk_h_sd: Number = 0.05,
    logk_ml_sd: Number = 0.05,
    logk_mhl_sd: Number = 0.1,
    dh_rsd: Number = 0.1,
    total_rsd: Number = 0.01,
    purity: Mapping[str, Number | tuple[Number, Number]] | None = None,
    samples: int = 2000,
    seed: int = 1,
    threads: int = 0,
    refine: bool = False,
    precision: Precision = "checked",
    all_samples: bool = False,
    contamination: Mapping[str, Number | tuple[Number, Number]] | None = None,
    calibration: Calibration | None = None,
) -> Uncertainty:
    return _core.uncertainty(table, chelators=chelators, metals=metals, ph=ph, temp=temp, ionic=ionic, type=type,
                             ph_sd=ph_sd, temp_sd=temp_sd, ionic_rsd=ionic_rsd, logk_h_sd=logk_h_sd,
                             logk_ml_sd=logk_ml_sd, logk_mhl_sd=logk_mhl_sd, dh_rsd=dh_rsd, total_rsd=total_rsd,
                             purity=purity, samples=samples, seed=seed, threads=threads, refine=refine,
                             precision=precision, all_samples=all_samples, contamination=contamination,
                             calibration=calibration)


@_front(_core.calibrate)
def calibrate(
    data: str | os.PathLike[str],
    table: Table | None = None,
    *,
    chelator: str,
    metal: str,
    ph: Number = 7.0,
    temp: Number = _TEMP,
    ionic: Number = _IONIC,
    bootstrap: int = 1000,
    seed: int = 1,
) -> Calibration:
    return _core.calibrate(data, table, chelator=chelator, metal=metal, ph=ph, temp=temp, ionic=ionic,
                           bootstrap=bootstrap, seed=seed)
