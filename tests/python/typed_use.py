# SPDX-License-Identifier: BSD-3-Clause
"""A user's typed script on the installed package: mypy --strict must find the package and accept this file,
and reject the mistakes marked below (warn_unused_ignores proves each one is still caught)."""

import numpy as np

import dedodiz

table: dedodiz.Table = dedodiz.Table.standard()
r: dedodiz.Result = dedodiz.solve(table, chelators={"EGTA": 2e-3}, metals={"Ca2": 1e-3}, ph=7.2)
free_ca: float = r.free["Ca2"]
kd: float | None = r.kd["EGTA", "Ca2"]
many: dedodiz.Solutions = dedodiz.solve_many(chelators={"EGTA": 2e-3}, metals={"Ca2": 1e-3},
                                             ph=np.linspace(6, 8, 5))
ok: bool = bool(many.converged.all())
s: dedodiz.Sweep = dedodiz.sweep(chelators={"EGTA": 2e-3}, metals={"Ca2": 1e-3}, x=("ph", 6, 8))
path: str = str(dedodiz.data_file("standard.TCM"))

dedodiz.solve(chelators={"EGTA": 2e-3}, metals={"Ca2": 1e-3}, pH=7.2)  # type: ignore[call-arg]
dedodiz.solve(chelators={"EGTA": 2e-3}, metals={"Ca2": 1e-3}, type="mixed")  # type: ignore[arg-type]
wrong: str = r.converged  # type: ignore[assignment]
