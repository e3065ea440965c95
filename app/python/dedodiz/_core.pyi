# SPDX-License-Identifier: BSD-3-Clause
"""The compiled core of dedodiz: its classes, and the functions that the package's own (dedodiz.solve, ...)
call. Concentrations in mol/L, temperatures in C, ionic strength in N (equivalents per litre), constants
as log10 values.
"""

import builtins
import os
from typing import Any, Literal, Mapping, Sequence, Union

import numpy as np
import numpy.typing as npt

__version__: str

_CalculationType = Literal["total", "free", "chelator"]
_Number = Union[float, int]
_ArrayLike = npt.ArrayLike
_FloatArray = npt.NDArray[np.float64]
_BoolArray = npt.NDArray[np.bool_]
_Pair = tuple[str, str]
"""A (chelator, metal) pair of names."""

class FloatingPointError(builtins.FloatingPointError):
    """A floating-point fault stopped the calculation; the text is the program's "ERROR" message."""

class StoppedError(ValueError):
    """The calculation's own checks stopped it (constants missing, total metal below free metal)."""

class CannotBeMadeError(ValueError):
    """The recipe cannot be made as asked; the text says why."""

class FileFormatError(ValueError):
    """A file was read but refused (not a constants file name, a broken table)."""

class Table:
    """A constants table: twelve chelators and nine metals at 20 C and 0.1 N."""

    @staticmethod
    def load(path: Union[str, os.PathLike[str]]) -> Table:
        """Reads a constants file (.TCM or .CCM); FileNotFoundError or ValueError on failure."""
    @staticmethod
    def standard() -> Table:
        """The bundled table (standard.TCM)."""
    @property
    def path(self) -> str: ...
    @property
    def chelators(self) -> list[str]: ...
    @property
    def metals(self) -> list[str]: ...
    @property
    def listing(self) -> str:
        """The constants listing, as dedodiz32-cli list prints it."""
    def to_dict(self) -> dict: ...

class BufferTable:
    """A pH buffer file (.bcm)."""

    @staticmethod
    def load(path: Union[str, os.PathLike[str]]) -> BufferTable: ...
    @staticmethod
    def standard() -> BufferTable:
        """The bundled file (buffers.bcm) of twelve laboratory buffers."""
    @property
    def path(self) -> str: ...
    @property
    def buffers(self) -> list[str]: ...

class Result:
    """The outcome of solve(): every number of the report."""

    @property
    def type(self) -> _CalculationType: ...
    @property
    def temp(self) -> float:
        """Temperature [C]."""
    @property
    def ph(self) -> float: ...
    @property
    def ionic(self) -> float:
        """Ionic strength [N] as given."""
    @property
    def converged(self) -> bool:
        """The numbers hold: the iteration's answer checked, or the refinement reached its tolerance."""
    @property
    def refined(self) -> bool:
        """The refinement solved it again (always for precision="exact")."""
    @property
    def residual(self) -> float | None:
        """Largest relative mass-balance residual of the refined answer; None when not refined."""
    @property
    def hydrogen(self) -> float:
        """Hydrogen-ion concentration [mol/L]."""
    @property
    def ionic_strength(self) -> float:
        """Ionic strength [M] of the chelator and metal species (CM-I)."""
    @property
    def ionic_equivalents(self) -> float:
        """Ionic equivalents [N] of the chelator and metal species (CM-E)."""
    @property
    def free(self) -> dict[str, float]:
        """Free concentration [mol/L] of every chelator and metal, by name."""
    @property
    def total(self) -> dict[str, float]:
        """Total concentration [mol/L] of every chelator and metal, by name."""
    @property
    def ml(self) -> dict[_Pair, float]:
        """Complex ML [mol/L] of every (chelator, metal) pair."""
    @property
    def mhl(self) -> dict[_Pair, float]:
        """Protonated complex MHL [mol/L] of every (chelator, metal) pair."""
    @property
    def log_k_h(self) -> dict[str, tuple[float | None, float | None, float | None, float | None]]:
        """Corrected protonation constants log10 H1..H4 of every chelator."""
    @property
    def log_kc_ml(self) -> dict[_Pair, float | None]:
        """log10 conditional constant of ML."""
    @property
    def log_kc_mhl(self) -> dict[_Pair, float | None]:
        """log10 conditional constant of MHL."""
    @property
    def kd(self) -> dict[_Pair, float | None]:
        """Apparent dissociation constant Kd [mol/L]."""
    @property
    def range(self) -> dict[_Pair, str | None]:
        """"GOOD", "< RANGE", "<<RANGE", "> RANGE" or ">>RANGE"."""
    @property
    def warnings(self) -> list[tuple[str, str]]:
        """The messages the run showed, as (caption, text)."""
    @property
    def report(self) -> str:
        """The text report, exactly as dedodiz32-cli run prints it."""
    def to_dict(self) -> dict:
        """The JSON document of dedodiz32-cli run --format json."""
    def to_dataframe(self) -> Any:
        """One row per species, value_M [mol/L] (pandas.DataFrame)."""

class Solutions:
    """The outcome of solve_many(): arrays of the common shape."""

    @property
    def type(self) -> _CalculationType: ...
    @property
    def shape(self) -> tuple[int, ...]: ...
    @property
    def ph(self) -> _FloatArray: ...
    @property
    def temp(self) -> _FloatArray: ...
    @property
    def ionic(self) -> _FloatArray: ...
    @property
    def free(self) -> dict[str, _FloatArray]: ...
    @property
    def total(self) -> dict[str, _FloatArray]: ...
    @property
    def ml(self) -> dict[_Pair, _FloatArray]: ...
    @property
    def mhl(self) -> dict[_Pair, _FloatArray]: ...
    @property
    def kd(self) -> dict[_Pair, _FloatArray]: ...
    @property
    def converged(self) -> _BoolArray: ...
    @property
    def refined(self) -> _BoolArray:
        """The refinement solved the solution again."""
    @property
    def residual(self) -> _FloatArray:
        """Relative mass-balance residual of every refined solution; NaN where not refined."""
    @property
    def warnings(self) -> npt.NDArray[np.uint8]:
        """The run's warnings as bits: 1 raise ionic strength, 2 buffering out of range, 4 not converged, 8 pH."""
    @property
    def ok(self) -> _BoolArray: ...
    @property
    def ionic_strength(self) -> _FloatArray: ...
    @property
    def ionic_equivalents(self) -> _FloatArray: ...
    def to_dict(self) -> dict[str, np.ndarray]:
        """The arrays under the CSV export's column names, for pandas.DataFrame."""
    def to_dataframe(self) -> Any:
        """Long format: one row per solution and species (pandas.DataFrame)."""
    def to_xarray(self) -> Any:
        """An xarray.Dataset over the common shape."""

class Sweep:
    """The outcome of sweep()."""

    @property
    def type(self) -> _CalculationType: ...
    @property
    def three_d(self) -> bool: ...
    @property
    def x(self) -> _FloatArray: ...
    @property
    def z(self) -> _FloatArray | None: ...
    @property
    def x_key(self) -> str: ...
    @property
    def z_key(self) -> str | None: ...
    @property
    def series(self) -> dict[str, _FloatArray]:
        """41 values in 2D, 11 x 11 in 3D (indexed [x, z]) [mol/L]."""
    @property
    def converged(self) -> _BoolArray: ...
    @property
    def refined(self) -> bool: ...
    @property
    def residual(self) -> float | None:
        """The largest residual of the refined points that converged; None when not refined."""
    @property
    def validity_limit(self) -> float: ...
    @property
    def warnings(self) -> list[tuple[str, str]]: ...
    @property
    def report(self) -> str:
        """The sweep table, as dedodiz32-cli sweep prints it."""
    def to_dict(self) -> dict: ...
    def to_dataframe(self) -> Any: ...
    def to_xarray(self) -> Any: ...

class EvaluationRow:
    @property
    def metal(self) -> str: ...
    @property
    def chelator(self) -> str: ...
    @property
    def kd(self) -> float:
        """[mol/L]"""
    @property
    def low(self) -> float:
        """Kd/sqrt(10) [mol/L]"""
    @property
    def high(self) -> float:
        """Kd*sqrt(10) [mol/L]"""
    @property
    def comment(self) -> str: ...

class Evaluation:
    @property
    def temp(self) -> float: ...
    @property
    def ph(self) -> float: ...
    @property
    def ionic(self) -> float: ...
    @property
    def hydrogen(self) -> float: ...
    @property
    def rows(self) -> list[EvaluationRow]: ...
    @property
    def kd(self) -> dict[_Pair, float]: ...
    @property
    def report(self) -> str: ...
    def to_dict(self) -> dict: ...
    def to_dataframe(self) -> Any: ...

class BufferRange:
    @property
    def buffer(self) -> str: ...
    @property
    def slot(self) -> int: ...
    @property
    def step(self) -> int: ...
    @property
    def pka(self) -> float: ...
    @property
    def low(self) -> float: ...
    @property
    def high(self) -> float: ...
    @property
    def anionic(self) -> bool: ...
    @property
    def comment(self) -> str: ...

class BufferRanges:
    @property
    def temp(self) -> float: ...
    @property
    def ph(self) -> float: ...
    @property
    def ionic(self) -> float: ...
    @property
    def rows(self) -> list[BufferRange]: ...
    @property
    def report(self) -> str: ...
    def to_dict(self) -> dict: ...
    def to_dataframe(self) -> Any: ...

class Ingredient:
    """One stock that is pipetted."""

    @property
    def name(self) -> str: ...
    @property
    def kind(self) -> Literal["chelator", "metal", "pH_buffer", "topup_salt", "base", "acid", "osmolyte"]: ...
    @property
    def form(self) -> str | None:
        """How it is added: "free acid", "K2H2EGTA", "CaCl2"; None for the top-up, the reagents, the osmolyte."""
    @property
    def stock(self) -> float:
        """The stock's concentration [mol/L] as labelled."""
    @property
    def purity(self) -> float:
        """The real stock is stock x purity."""

class RecipeSolution:
    """One solution of a recipe (or an end solution of the mixing method)."""

    @property
    def label(self) -> str:
        """"1", "2", ...; "A" and "B" for the end solutions."""
    @property
    def wanted(self) -> float | None:
        """The wanted free level [mol/L] of the series."""
    @property
    def px(self) -> float | None: ...
    @property
    def fraction(self) -> float | None:
        """Mixing: the fraction of the loaded end solution B in the mix."""
    @property
    def total(self) -> dict[str, float]:
        """Total [mol/L] of every chelator and metal, the pH buffer and the top-up salt."""
    @property
    def free(self) -> dict[str, float]:
        """Free metal [mol/L] of the solution as made."""
    @property
    def volumes(self) -> dict[str, float]:
        """Volume [uL] of every stock and of "water"; for a mix {"A": ..., "B": ..., "water": 0}."""
    @property
    def ionic_strength(self) -> float:
        """[N]: the ionic equivalents 1/2 sum c |z| of every ion, to which the constants are corrected."""
    @property
    def true_ionic_strength(self) -> float:
        """[M]: 1/2 sum c z^2 of every ion."""
    @property
    def osmolarity(self) -> float:
        """[mOsm/L], ideal: every dissolved species."""
    @property
    def base(self) -> float:
        """[mol/L] of the base that sets the pH; below 0: of the acid."""
    @property
    def species(self) -> list[dict]:
        """Every species counted: {"name": "H2EGTA2-", "charge": -2, "conc_M": ...}."""
    @property
    def ionic_passes(self) -> int: ...
    @property
    def converged(self) -> bool: ...

class Recipe:
    """The outcome of recipe(): what to pipette into every tube."""

    @property
    def type(self) -> _CalculationType: ...
    @property
    def method(self) -> Literal["direct", "mixing"]: ...
    @property
    def volume(self) -> float:
        """[L] of each solution."""
    @property
    def ionic_target(self) -> float | None:
        """[N] reached by the top-up salt."""
    @property
    def mix_volume(self) -> float | None:
        """[L] of each mix."""
    @property
    def refined(self) -> bool: ...
    @property
    def ingredients(self) -> list[Ingredient]: ...
    @property
    def solutions(self) -> list[RecipeSolution]: ...
    @property
    def ends(self) -> list[RecipeSolution]:
        """Mixing: the end solutions A and B."""
    @property
    def warnings(self) -> list[tuple[str, str]]: ...
    @property
    def report(self) -> str:
        """The report, as dedodiz32-cli recipe prints it."""
    @property
    def pipetting(self) -> str:
        """The pipetting table, tab-separated, for a spreadsheet."""
    def to_dict(self) -> dict:
        """The JSON document of dedodiz32-cli recipe --format json."""
    def to_dataframe(self) -> Any: ...

class Estimate:
    """One result's single-point value and the spread of its samples [mol/L]."""

    @property
    def key(self) -> str:
        """As the exports name it: "free_Ca2_M", "total_EGTA_M"."""
    @property
    def name(self) -> str: ...
    @property
    def kind(self) -> Literal["free", "total"]: ...
    @property
    def value(self) -> float: ...
    @property
    def median(self) -> float: ...
    @property
    def q025(self) -> float: ...
    @property
    def q975(self) -> float: ...

class Uncertainty:
    """The outcome of uncertainty()."""

    @property
    def type(self) -> _CalculationType: ...
    @property
    def samples(self) -> int: ...
    @property
    def failed(self) -> int:
        """Samples left out (not converged or faulted)."""
    @property
    def not_converged(self) -> int: ...
    @property
    def faulted(self) -> int: ...
    @property
    def inputs(self) -> int:
        """The number of inputs varied."""
    @property
    def seed(self) -> int: ...
    @property
    def threads(self) -> int: ...
    @property
    def converged(self) -> bool:
        """The single point converged."""
    @property
    def refined(self) -> bool: ...
    @property
    def enthalpy_missing(self) -> bool: ...
    @property
    def results(self) -> dict[str, Estimate]: ...
    @property
    def contributions(self) -> dict[str, list[tuple[str, float]]]:
        """Every input varied with its share (0..1) of the spread, largest first."""
    @property
    def all_samples(self) -> dict[str, _FloatArray] | None:
        """Every sample [mol/L], NaN where left out; None unless all_samples=True."""
    @property
    def sample_converged(self) -> _BoolArray | None: ...
    @property
    def warnings(self) -> list[tuple[str, str]]: ...
    @property
    def report(self) -> str:
        """The text block, as dedodiz32-cli uncertainty prints it."""
    def to_dict(self) -> dict:
        """The JSON document of dedodiz32-cli uncertainty --format json."""
    def to_dataframe(self) -> Any: ...

class Fitted:
    """A fitted value with its 95 % interval."""

    @property
    def value(self) -> float: ...
    @property
    def ci95(self) -> tuple[float, float]:
        """(low, high) from the covariance at the optimum."""
    @property
    def bootstrap_ci95(self) -> tuple[float, float] | None:
        """The 2.5 and 97.5 percentiles of the parametric bootstrap; None without one."""

class Calibration:
    """The outcome of calibrate()."""

    @property
    def purity(self) -> Fitted: ...
    @property
    def contamination_M(self) -> Fitted: ...
    @property
    def kd_M(self) -> Fitted: ...
    @property
    def electrode(self) -> dict[str, Fitted] | None:
        """slope_mV, e0_mV, detection_M; None for a titration of free levels."""
    @property
    def scatchard(self) -> dict[str, float | None]: ...
    @property
    def table_kd_M(self) -> float: ...
    @property
    def rms(self) -> float: ...
    @property
    def points(self) -> list[dict[str, Any]]: ...
    @property
    def warnings(self) -> list[tuple[str, str]]: ...
    @property
    def report(self) -> str:
        """The text block, as dedodiz32-cli calibrate prints it."""
    def to_dict(self) -> dict:
        """The JSON document of dedodiz32-cli calibrate --format json."""
    def to_dataframe(self) -> Any: ...
    @property
    def table(self) -> Table:
        """The constants table whose log K for the pair gives the fitted Kd at the fit's conditions."""
    def __copy__(self) -> Calibration: ...
    def __deepcopy__(self, memo: dict) -> Calibration: ...
    def write_constants(self, path: str | os.PathLike[str]) -> None:
        """Writes that table to a new .TCM or .CCM file (never a bundled one, nor the one fitted against)."""

_MetalValue = Union[_Number, tuple[_Number, _Number]]
_MetalArray = Union[_ArrayLike, tuple[_ArrayLike, _ArrayLike]]
_Axis = tuple[str, _Number, _Number]

def solve(
    table: Table | None = None,
    *,
    chelators: Mapping[str, _Number | None] | Sequence[str],
    metals: Mapping[str, _MetalValue],
    ph: _Number = 7.0,
    temp: _Number = 20.0,
    ionic: _Number = 0.1,
    type: _CalculationType = "free",
    refine: bool = False,
    precision: str = "checked",
) -> Result:
    """One solution, as the single-point run solves it. Concentrations [mol/L], temp [C], ionic [N]."""

def solve_many(
    table: Table | None = None,
    *,
    chelators: Mapping[str, _ArrayLike | None] | Sequence[str],
    metals: Mapping[str, _MetalArray],
    ph: _ArrayLike = 7.0,
    temp: _ArrayLike = 20.0,
    ionic: _ArrayLike = 0.1,
    type: _CalculationType = "free",
    errors: Literal["raise", "nan"] = "raise",
    refine: bool = False,
    precision: str = "checked",
) -> Solutions:
    """Many solutions of one composition; the arguments broadcast as numpy arrays do."""

def sweep(
    table: Table | None = None,
    *,
    chelators: Mapping[str, _Number | None] | Sequence[str],
    metals: Mapping[str, _MetalValue],
    ph: _Number = 7.0,
    temp: _Number = 20.0,
    ionic: _Number = 0.1,
    type: _CalculationType = "free",
    x: _Axis,
    z: _Axis | None = None,
    refine: bool = False,
    precision: str = "checked",
) -> Sweep:
    """The 2D (41 points) or, with z, 3D (11 x 11) sweep."""

def evaluate(
    table: Table | None = None,
    *,
    metals: Sequence[str] | Mapping[str, object],
    ph: _Number = 7.0,
    temp: _Number = 20.0,
    ionic: _Number = 0.1,
) -> Evaluation:
    """Kd [mol/L] and buffering range of every chelator of the table for the metals given."""

def buffer_ranges(
    buffers: BufferTable | None = None,
    *,
    ph: _Number = 7.0,
    temp: _Number = 20.0,
    ionic: _Number = 0.1,
) -> BufferRanges:
    """The useful pH range (pKa' +- 0.5) of every buffer."""

def recipe(
    table: Table | None = None,
    *,
    chelators: Mapping[str, _Number | None] | Sequence[str],
    metals: Mapping[str, _MetalValue],
    ph: _Number = 7.0,
    temp: _Number = 20.0,
    ionic: _Number = 0.1,
    type: _CalculationType = "free",
    volume: _Number,
    stocks: Mapping[str, _Number],
    purity: Mapping[str, _Number] | None = None,
    buffer: tuple[str, _Number] | None = None,
    buffer_form: Literal["free", "mono", "di", "tri"] = "free",
    buffers: BufferTable | None = None,
    ionic_target: _Number | None = None,
    topup: tuple[str, _Number] | _Number | None = None,
    series: tuple[str, _ArrayLike] | None = None,
    series_px: bool = False,
    mixing: bool = False,
    mix_volume: _Number | None = None,
    refine: bool = False,
    precision: str = "checked",
    forms: Mapping[str, str] | None = None,
    base: tuple[str, _Number] | None = None,
    acid: tuple[str, _Number] | None = None,
    contamination: Mapping[str, _Number] | None = None,
    ionic_strength_target: _Number | None = None,
    osmolyte: tuple[str, _Number] | None = None,
    osmolarity_target: _Number | None = None,
    calibration: Calibration | None = None,
) -> Recipe:
    """What to pipette: volume [L], stocks [mol/L], purity (fractions), buffer (name, mol/L), ionic_target [N],
    topup (salt, mol/L), series (metal, levels [mol/L], or pX values with series_px). ValueError when it cannot
    be made."""

def uncertainty(
    table: Table | None = None,
    *,
    chelators: Mapping[str, _Number | None] | Sequence[str],
    metals: Mapping[str, _MetalValue],
    ph: _Number = 7.0,
    temp: _Number = 20.0,
    ionic: _Number = 0.1,
    type: _CalculationType = "free",
    ph_sd: _Number = 0.02,
    temp_sd: _Number = 0.5,
    ionic_rsd: _Number = 0.05,
    logk_h_sd: _Number = 0.05,
    logk_ml_sd: _Number = 0.05,
    logk_mhl_sd: _Number = 0.1,
    dh_rsd: _Number = 0.1,
    total_rsd: _Number = 0.01,
    purity: Mapping[str, _Number | tuple[_Number, _Number]] | None = None,
    samples: int = 2000,
    seed: int = 1,
    threads: int = 0,
    refine: bool = False,
    precision: str = "checked",
    all_samples: bool = False,
    contamination: Mapping[str, _Number | tuple[_Number, _Number]] | None = None,
    calibration: Calibration | None = None,
) -> Uncertainty:
    """Monte Carlo over the inputs' standard uncertainties (temp_sd [C], log K in log10 units, *_rsd relative;
    0 switches one off), purity {chelator: (fraction, sd)}; threads 0: all of the machine's, the same numbers
    whatever the number."""

def calibrate(
    data: str | os.PathLike[str],
    table: Table | None = None,
    *,
    chelator: str,
    metal: str,
    ph: _Number = 7.0,
    temp: _Number = 20.0,
    ionic: _Number = 0.1,
    bootstrap: int = 1000,
    seed: int = 1,
) -> Calibration:
    """Purity, contamination and apparent Kd fitted to a titration (a CSV path or its text), each with its
    95 % interval."""

def _set_data_folder(folder: Union[str, os.PathLike[str]]) -> None:
    """The package's data folder (dedodiz/data), named by the package when it is imported."""
