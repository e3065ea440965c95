// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Calibration from a titration: the chelator's real purity, the metal that water and salts bring (the
// contamination) and the apparent dissociation constant of the pair at the lab's own pH, temperature and
// ionic strength, fitted at once to every row of the titration.
//
// The model of a row: the chelator total is purity x the nominal total, the metal total is the nominal
// total + the contamination, and the free metal is what the program's own equilibrium gives for them
// (the correction of the stored constants to the conditions, then the solver, refined to machine
// precision) with the pair's ML and MHL constants shifted by one common log10 amount, which scales the
// apparent Kd by exactly that amount. An electrode reads E = E0 + S log10(free + D): its slope S, its
// intercept E0 and its detection term D (the free level at which it stops following) are fitted with
// the rest. A titration of free levels measured otherwise (an indicator) fits no electrode; its rows are
// compared in log10.
//
// The fit is Levenberg-Marquardt (Marquardt's scaling by the diagonal of the normal matrix) on all rows;
// the 95 % intervals come from the covariance at the optimum, s^2 (J^T J)^-1 with s^2 = SSR / (n - p),
// scaled by Student's t of n - p degrees of freedom. The Kd is fitted as its log10, so its interval is
// asymmetric; a parametric bootstrap (new readings drawn around the fitted curve with the fit's own
// scatter, refitted) checks every interval where asked for. Beside it, the classic linear estimate
// (Scatchard: bound/free against bound, per nominal chelator) from the same rows.
//
// Bad data is refused with what to measure more: too few rows, no standards, standards or buffer points
// at one level only, readings that fall where they must rise, a fit that does not converge, an interval
// that is unbounded. No number is given without its interval.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Titration.h"
#include "engine/Sinks.h"
#include "engine/State.h"

namespace dedodiz {

// What to calibrate, and how.
struct CalibrationRequest {
    Titration titration;
    std::string chelator;                        // as the constants table names it: "EGTA"
    std::string metal;                           // "Ca2"
    double temperature = kReferenceTemperature;  // [C]
    double pH = 7.0;
    double ionic = kReferenceIonic;  // [N]
    int bootstrap = 0;               // parametric bootstrap draws; 0: none
    std::uint64_t seed = 1;          // of the bootstrap's deviates: the same seed, the same numbers
    std::function<bool()> stop;      // asked between draws; true ends the bootstrap without a result
};

inline constexpr int kMaxBootstrapDraws = 100000;

// A fitted value with its 95 % interval; bootLow and bootHigh are the bootstrap's (2.5 and 97.5
// percentiles), NaN without a bootstrap.
struct Estimate {
    double value = 0;
    double low = 0;
    double high = 0;
    double sd = 0;  // standard error from the covariance; of log10 Kd for the Kd
    double bootLow = 0;
    double bootHigh = 0;
};

// One row as fitted.
struct CalibrationPoint {
    int line = 0;              // in the file
    double metalTotal = 0;     // [mol/L] nominal
    double chelatorTotal = 0;  // [mol/L] nominal
    double reading = 0;        // [mV] or [mol/L]
    double model = 0;          // the fitted reading, same unit
    double free = 0;           // [mol/L] the fitted free metal
    double residual = 0;       // reading - model [mV], or (reading / model - 1) x 100 [%]
    bool standard = false;
};

// How a calibration ended.
enum class CalibrationEnd : std::uint8_t {
    Fitted,        // every number holds, with its interval
    BadData,       // the rows cannot give the numbers: problem says which and what to measure
    NotConverged,  // the fit did not converge
    Unbounded,     // an interval is unbounded: problem says which and what to measure
    Stopped,       // the request's stop ended the bootstrap
    Fault,         // a floating-point fault
};

struct Calibration {
    CalibrationEnd end = CalibrationEnd::BadData;
    std::string problem;  // unless Fitted: one sentence, what is wrong and what to measure more
    [[nodiscard]] bool ok() const { return end == CalibrationEnd::Fitted; }

    TitrationReading reading = TitrationReading::Millivolts;
    std::string chelator, metal;
    int chelatorNumber = 0;  // in the constants table, 1..12
    int metalNumber = 0;     // 1..9
    double temperature = 0, pH = 0, ionic = 0;

    Estimate purity;         // fraction of the weighed chelator that is chelator
    Estimate contamination;  // [mol/L] of the metal in every row beyond what was added
    Estimate kd;             // [mol/L] apparent Kd at the conditions
    Estimate slope;          // [mV/decade] electrode only
    Estimate e0;             // [mV]
    Estimate detection;      // [mol/L]
    bool scatchard = false;  // the linear estimate exists (a falling line through at least two points)
    double scatchardPurity = 0;
    double scatchardKd = 0;  // [mol/L]
    double tableKd = 0;      // [mol/L] the loaded table's apparent Kd at the conditions
    double logKShift = 0;    // log10(tableKd / kd): what the fit adds to the pair's log K
    double rms = 0;          // [mV], or [%] for free levels
    int parameters = 0;
    int iterations = 0;
    int bootstrapDraws = 0;                // draws asked for
    int bootstrapFailed = 0;               // draws whose fit did not converge (left out)
    std::vector<CalibrationPoint> points;  // in the order of the file
    ShownMessages messages;
};

// The fit for the solution of base, which holds the chelator in slot 1 and the metal in slot 1 at the
// request's conditions (the Session sets it up from the table and checks the names and conditions).
// Computes under its own fault guard; problems go to messages with caption "ERROR".
Calibration Calibrate(const TSolution& base, const CalibrationRequest& request, MessageSink& messages);

// The constants table with the pair's ML and MHL log K (those that exist) moved so that a run at the
// calibration's conditions gives its Kd: each constant is corrected to the conditions, shifted, and
// corrected back to 20 C and 0.1 N with the same correction. The comment of the pair says so.
ConstantsTable CalibratedTable(const ConstantsTable& table, const Calibration& fit);

// The text block of the output window, every line at most 80 characters.
std::vector<std::string> CalibrationReport(const Calibration& fit);

// Student's t for a two-sided 95 % interval with dof degrees of freedom (dof >= 1).
double StudentT95(int dof);

}  // namespace dedodiz
