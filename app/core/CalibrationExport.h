// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The calibration as data: a JSON document and a CSV table with every number at full precision (the
// layout is described in docs/export-formats.md), and the reading back of the document, so that a
// recipe or an uncertainty can take the fitted purity and contamination as their inputs.

#include <optional>
#include <string>
#include <string_view>

#include "core/Calibration.h"
#include "core/Export.h"

namespace dedodiz {

// "purity", "contamination_M", "kd_M" (each value and ci95, and bootstrap_ci95 where drawn), "electrode"
// (slope_mV, e0_mV, detection_M the same way; null for free levels), "scatchard" (purity, kd_M),
// "table_kd_M", "rms" (with "rms_unit"), "points", then the pair, the conditions and the messages.
JsonValue CalibrationJson(const Calibration& fit, std::string_view constantsFileName,
                          const ShownMessages& shown);

// One row per parameter (name, value, ci95_low, ci95_high, bootstrap_low, bootstrap_high), a blank line,
// then one row per point.
std::string CalibrationCsv(const Calibration& fit);

// What a recipe and an uncertainty take from a calibration: the chelator's purity and the metal's
// contamination, each with its standard uncertainty (the 95 % interval's half width over 1.96). A purity
// fitted above 1 lies within its interval of pure and is taken as 1; a contamination fitted below 0 is
// taken as none: a nearly pure reagent or nearly clean water must not make the next recipe refuse.
struct CalibrationUse {
    std::string chelator;
    std::string metal;
    double purity = 1;
    double puritySd = 0;
    double contamination = 0;  // [mol/L]
    double contaminationSd = 0;
};

// The use of a calibration document (as CalibrationJson writes it); nullopt with the reason in error for
// anything else.
std::optional<CalibrationUse> ReadCalibrationUse(std::string_view text, std::string& error);

// The same of a fit in memory.
CalibrationUse UseOf(const Calibration& fit);

}  // namespace dedodiz
