# SPDX-License-Identifier: BSD-3-Clause
"""to_dataframe() (pandas) on every result and to_xarray() on the grids (Solutions, Sweep): tables in long
format, one row per solution and species, each column's unit in its name. pandas and xarray are optional:
a call without them raises ImportError naming the Debian package."""

from __future__ import annotations

import importlib
from typing import Any

import numpy as np

from dedodiz import _core


def _pandas() -> Any:
    try:
        return importlib.import_module("pandas")
    except ImportError as error:
        raise ImportError("to_dataframe() needs pandas (Debian: python3-pandas)") from error


def _xarray() -> Any:
    try:
        return importlib.import_module("xarray")
    except ImportError as error:
        raise ImportError("to_xarray() needs xarray (Debian: python3-xarray)") from error


def _species(free: dict, total: dict, ml: dict, mhl: dict, kd: dict) -> list[tuple[str, str, Any]]:
    """(species, form, values [mol/L]) of every chelator and metal (free, total) and every pair (ML, MHL, Kd)."""
    rows = []
    for name in free:
        rows += [(name, "free", free[name]), (name, "total", total[name])]
    for pair in ml:
        name = f"{pair[0]}-{pair[1]}"
        rows += [(name, "ML", ml[pair]), (name, "MHL", mhl[pair]), (name, "Kd", kd[pair])]
    return rows


def _solutions_frame(r: _core.Solutions) -> Any:
    pd = _pandas()
    count = int(np.prod(r.shape, dtype=np.int64))
    per_solution = {
        "solution": np.arange(count),
        "pH": r.ph.ravel(), "temperature_C": r.temp.ravel(), "ionic_strength_N": r.ionic.ravel(),
        "ok": r.ok.ravel(), "converged": r.converged.ravel(), "refined": r.refined.ravel(),
        "residual": r.residual.ravel(), "warnings": r.warnings.ravel(),
    }
    rows = _species(r.free, r.total, r.ml, r.mhl, r.kd)
    frame = {key: np.tile(values, len(rows)) for key, values in per_solution.items()}
    frame["species"] = np.repeat([name for name, _, _ in rows], count)
    frame["form"] = np.repeat([form for _, form, _ in rows], count)
    frame["value_M"] = np.concatenate([np.asarray(values, dtype=float).ravel() for _, _, values in rows])
    return pd.DataFrame(frame).sort_values(["solution"], kind="stable", ignore_index=True)


def _solutions_xarray(r: _core.Solutions) -> Any:
    xr = _xarray()
    dims = tuple(f"axis{k}" for k in range(len(r.shape)))
    columns = r.to_dict()
    conditions = {"pH": r.ph, "temperature_C": r.temp, "ionic_strength_N": r.ionic}
    return xr.Dataset({key: (dims, np.asarray(values)) for key, values in columns.items() if key not in conditions},
                      coords={key: (dims, values) for key, values in conditions.items()})


def _result_frame(r: _core.Result) -> Any:
    pd = _pandas()
    rows = _species(r.free, r.total, r.ml, r.mhl, {k: np.nan if v is None else v for k, v in r.kd.items()})
    return pd.DataFrame({
        "species": [name for name, _, _ in rows], "form": [form for _, form, _ in rows],
        "value_M": [value for _, _, value in rows],
        "pH": r.ph, "temperature_C": r.temp, "ionic_strength_N": r.ionic, "converged": r.converged,
        "refined": r.refined, "residual": np.nan if r.residual is None else r.residual,
    })


def _sweep_axes(r: _core.Sweep) -> tuple[list[str], list[np.ndarray]]:
    if r.three_d:
        return [r.x_key, str(r.z_key)], [r.x, np.asarray(r.z)]
    return [r.x_key], [r.x]


def _sweep_frame(r: _core.Sweep) -> Any:
    pd = _pandas()
    names, axes = _sweep_axes(r)
    grids = np.meshgrid(*axes, indexing="ij")
    frames = []
    for species, values in r.series.items():
        frame: dict[str, Any] = {name: grid.ravel() for name, grid in zip(names, grids)}
        frame.update(species=species, form=r.type if r.type != "chelator" else "total",
                     value_M=values.ravel(), converged=r.converged.ravel())
        frames.append(pd.DataFrame(frame))
    return pd.concat(frames, ignore_index=True)


def _sweep_xarray(r: _core.Sweep) -> Any:
    xr = _xarray()
    names, axes = _sweep_axes(r)
    form = r.type if r.type != "chelator" else "total"
    data: dict[str, Any] = {f"{form}_{species}_M": (names, values) for species, values in r.series.items()}
    data["converged"] = (names, r.converged)
    return xr.Dataset(data, coords=dict(zip(names, axes)))


def _evaluation_frame(r: _core.Evaluation) -> Any:
    return _pandas().DataFrame([{"metal": e.metal, "chelator": e.chelator, "Kd_M": e.kd, "low_M": e.low,
                                 "high_M": e.high, "comment": e.comment} for e in r.rows])


def _buffer_ranges_frame(r: _core.BufferRanges) -> Any:
    return _pandas().DataFrame([{"buffer": e.buffer, "slot": e.slot, "step": e.step, "pKa": e.pka, "low_pH": e.low,
                                 "high_pH": e.high, "anionic": e.anionic, "comment": e.comment} for e in r.rows])


def _recipe_frame(r: _core.Recipe) -> Any:
    """One row per solution (the end solutions A and B too) and stock: its volume and the total it gives."""
    rows = []
    for s in [*r.ends, *r.solutions]:
        for name, volume in s.volumes.items():
            rows.append({"solution": s.label, "wanted_free_M": s.wanted, "pX": s.px, "fraction_B": s.fraction,
                         "stock": name, "volume_uL": volume, "total_M": s.total.get(name, np.nan),
                         "free_M": s.free.get(name, np.nan), "ionic_strength_N": s.ionic_strength,
                         "converged": s.converged})
    return _pandas().DataFrame(rows)


def _uncertainty_frame(r: _core.Uncertainty) -> Any:
    return _pandas().DataFrame([{"key": e.key, "name": e.name, "kind": e.kind, "value_M": e.value,
                                 "median_M": e.median, "q025_M": e.q025, "q975_M": e.q975,
                                 "largest_share_from": r.contributions[e.key][0][0] if r.contributions[e.key] else None}
                                for e in r.results.values()])


def _calibration_frame(r: _core.Calibration) -> Any:
    return _pandas().DataFrame(r.points)


def add_conversions() -> None:
    """Gives the core's result classes their to_dataframe() and, for grids, to_xarray()."""
    conversions: list[tuple[type, str, Any, str]] = [
        (_core.Result, "to_dataframe", _result_frame,
         "One row per species (chelators and metals free and total, pairs ML, MHL and Kd) in value_M [mol/L]."),
        (_core.Solutions, "to_dataframe", _solutions_frame,
         "Long format: one row per solution (its flat index, conditions and flags) and species (free and total of "
         "every chelator and metal, ML, MHL and Kd of every pair) in value_M [mol/L]."),
        (_core.Solutions, "to_xarray", _solutions_xarray,
         "An xarray.Dataset over the common shape (dimensions axis0, axis1, ...), the conditions as coordinates, "
         "every array under its column name of to_dict()."),
        (_core.Sweep, "to_dataframe", _sweep_frame,
         "Long format: one row per point and series, the axes under x_key (and z_key), value_M [mol/L]."),
        (_core.Sweep, "to_xarray", _sweep_xarray,
         "An xarray.Dataset over the axes (named by x_key and z_key), one variable per series and converged."),
        (_core.Evaluation, "to_dataframe", _evaluation_frame, "One row per metal and chelator."),
        (_core.BufferRanges, "to_dataframe", _buffer_ranges_frame, "One row per pKa of every buffer."),
        (_core.Recipe, "to_dataframe", _recipe_frame,
         "One row per solution and stock: volume_uL, and the total_M (and free_M) it makes."),
        (_core.Uncertainty, "to_dataframe", _uncertainty_frame,
         "One row per result: value, median and 95 % interval [mol/L], and the input with the largest share."),
        (_core.Calibration, "to_dataframe", _calibration_frame,
         "One row per row of the titration: its totals, reading, fitted reading, fitted free level, residual."),
    ]
    for cls, name, function, doc in conversions:
        setattr(cls, name, _method(function, f"{cls.__name__}.{name}",
                                   doc + (" Needs pandas." if name == "to_dataframe" else " Needs xarray.")))


def _method(function: Any, qualname: str, doc: str) -> Any:
    def method(self: Any) -> Any:
        return function(self)

    method.__qualname__ = qualname
    method.__name__ = qualname.rsplit(".", 1)[1]
    method.__doc__ = doc
    return method
