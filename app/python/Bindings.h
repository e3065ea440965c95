// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The parts of the module, each adding its classes and functions to it.

#include <pybind11/pybind11.h>

namespace dedodiz::python {

void BindTables(pybind11::module_& m);  // Table, BufferTable
void BindSolve(pybind11::module_& m);   // solve, Result
void BindSolveMany(pybind11::module_& m);
void BindSweep(pybind11::module_& m);
void BindTools(pybind11::module_& m);        // evaluate, buffer_ranges
void BindRecipe(pybind11::module_& m);       // recipe, Recipe
void BindUncertainty(pybind11::module_& m);  // uncertainty, Uncertainty
void BindCalibration(pybind11::module_& m);  // calibrate, Calibration, Fitted

}  // namespace dedodiz::python
