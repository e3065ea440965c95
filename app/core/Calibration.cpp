// SPDX-License-Identifier: BSD-3-Clause
#include "core/Calibration.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>
#include <set>

#include "core/CalibrationFit.h"
#include "engine/Corrections.h"
#include "engine/FloatGuard.h"
#include "engine/Format.h"

namespace dedodiz {

using calibration::FitResult;
using calibration::Model;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// A reading that falls by more than this while the metal rises is no noise: 2 mV is five times the
// scatter of a good electrode; 10 % of a free level measured otherwise.
constexpr double kFallMillivolts = 2.0;
constexpr double kFallFraction = 0.10;

// ---- What the rows can give ----

int DistinctLevels(const std::vector<TitrationRow>& rows, bool standards) {
    std::set<std::pair<double, double>> levels;
    for (const TitrationRow& r : rows)
        if (r.Standard() == standards) levels.insert({r.metalTotal, r.chelatorTotal});
    return static_cast<int>(levels.size());
}

// The first reading that falls while the metal total rises at the same chelator total; empty if none.
std::string FallingReading(const Titration& t) {
    std::map<double, std::vector<const TitrationRow*>> byChelator;
    for (const TitrationRow& r : t.rows) byChelator[r.chelatorTotal].push_back(&r);
    const bool mV = t.reading == TitrationReading::Millivolts;
    for (auto& [chelator, rows] : byChelator) {
        std::stable_sort(rows.begin(), rows.end(), [](const TitrationRow* a, const TitrationRow* b) {
            return a->metalTotal < b->metalTotal;
        });
        for (std::size_t k = 0; k + 1 < rows.size(); ++k) {
            for (std::size_t m = k + 1; m < rows.size(); ++m) {
                const TitrationRow& lo = *rows[k];
                const TitrationRow& hi = *rows[m];
                if (!(hi.metalTotal > lo.metalTotal)) continue;
                const bool falls = mV ? hi.reading < lo.reading - kFallMillivolts
                                      : hi.reading < lo.reading * (1 - kFallFraction);
                if (!falls) continue;
                const auto text = [&](const TitrationRow& r) {
                    return mV ? FixedText(r.reading, 1) + " mV" : FormatSciTrimmed(r.reading) + " M";
                };
                return "line " + std::to_string(hi.line) + " reads " + text(hi) + ", below line " +
                       std::to_string(lo.line) + "'s " + text(lo) +
                       ", though it holds more metal with the same chelator: readings must rise with the "
                       "metal. Check the electrode (drift, a bubble) and the solutions, and measure these "
                       "rows again";
            }
        }
    }
    return {};
}

// Whether every buffer point holds as much metal as chelator or more. For a strong chelator its free
// metal is then the metal beyond the chelator: such points give the purity but hardly the Kd, and a fit
// of them alone wanders off without a minimum.
bool AllAboveTheChelator(const Titration& t) {
    // std::all_of: the web build's library has no ranges algorithms.
    return std::all_of(t.rows.begin(), t.rows.end(),
                       [](const TitrationRow& r) { return r.Standard() || r.metalTotal >= r.chelatorTotal; });
}

// Why the rows cannot give the numbers, or empty.
std::string BadData(const Titration& t) {
    const bool mV = t.reading == TitrationReading::Millivolts;
    const int parameters = mV ? 6 : 3;
    const int n = static_cast<int>(t.rows.size());
    const int standards = DistinctLevels(t.rows, true);
    const int buffered = DistinctLevels(t.rows, false);
    if (n <= parameters)
        return std::to_string(n) + " rows for " + std::to_string(parameters) +
               (mV ? " parameters (the electrode's slope, intercept and detection term, the purity, the "
                     "contamination and the Kd)"
                   : " parameters (the purity, the contamination and the Kd)") +
               ": too few rows; measure at least " + std::to_string(parameters + 1) +
               ", better 15 to 20: standards and buffer points across the range";
    if (mV && standards == 0)
        return "no standards: the rows without chelator (chelator_total_M 0) calibrate the electrode; "
               "measure at least two levels of the metal alone, a decade apart (for example 10 uM, 100 uM "
               "and 1 mM)";
    if (mV && standards < 2)
        return "the standards are all at one level: the electrode's slope needs at least two, a decade "
               "apart; measure more standards (for example 10 uM, 100 uM and 1 mM of the metal alone)";
    if (buffered < 3)
        return std::string(buffered == 0 ? "no rows with chelator" : "all rows with chelator at ") +
               (buffered == 0 ? "" : std::to_string(buffered) + (buffered == 1 ? " level" : " levels")) +
               ": the purity, the contamination and the Kd need at least three; measure more buffer "
               "points, metal totals from 10 % to 95 % of the chelator total";
    return FallingReading(t);
}

// ---- Where the fit starts ----

// The straight line y = a + b x through the points by least squares; false with fewer than two
// distinct x.
bool Line(const std::vector<std::pair<double, double>>& xy, double& a, double& b) {
    const double n = static_cast<double>(xy.size());
    double sx = 0, sy = 0;
    for (const auto& [x, y] : xy) {
        sx += x;
        sy += y;
    }
    const double mx = sx / n, my = sy / n;
    double sxx = 0, sxy = 0;
    for (const auto& [x, y] : xy) {
        sxx += (x - mx) * (x - mx);
        sxy += (x - mx) * (y - my);
    }
    if (xy.size() < 2 || !(sxx > 0)) return false;
    b = sxy / sxx;
    a = my - b * mx;
    return true;
}

// The free level of every row as a lab reads it: the reading itself, or the electrode's straight line
// through the standards (E = a + b log10 total) turned round. False when the standards give no line.
bool LinearFree(const Titration& t, std::vector<double>& free) {
    free.clear();
    if (t.reading == TitrationReading::FreeLevel) {
        for (const TitrationRow& r : t.rows) free.push_back(r.reading);
        return true;
    }
    std::vector<std::pair<double, double>> xy;
    for (const TitrationRow& r : t.rows)
        if (r.Standard()) xy.emplace_back(std::log10(r.metalTotal), r.reading);
    double a = 0, b = 0;
    if (!Line(xy, a, b) || !(b > 0)) return false;
    for (const TitrationRow& r : t.rows) free.push_back(std::pow(10.0, (r.reading - a) / b));
    return true;
}

// The Scatchard estimate: for every row with chelator, B = bound per nominal chelator (total metal
// less free, over the chelator total) and B/F; then B/F = (purity - B) / Kd is a falling line whose
// slope is -1/Kd and whose B-intercept is the purity.
void Scatchard(const Titration& t, Calibration& fit) {
    std::vector<double> free;
    if (!LinearFree(t, free)) return;
    std::vector<std::pair<double, double>> xy;
    for (std::size_t k = 0; k < t.rows.size(); ++k) {
        const TitrationRow& r = t.rows[k];
        if (r.Standard() || !(free[k] > 0)) continue;
        const double bound = (r.metalTotal - free[k]) / r.chelatorTotal;
        xy.emplace_back(bound, bound / free[k]);
    }
    double a = 0, b = 0;
    if (!Line(xy, a, b) || !(b < 0) || !(a > 0)) return;
    fit.scatchard = true;
    fit.scatchardKd = -1 / b;
    fit.scatchardPurity = -a / b;
}

Eigen::VectorXd Start(const Model& model, const Titration& t, const Calibration& fit) {
    Eigen::VectorXd theta(model.Parameters());
    const int c = model.Chem();
    if (model.Electrode()) {
        std::vector<std::pair<double, double>> xy;
        for (const TitrationRow& r : t.rows)
            if (r.Standard()) xy.emplace_back(std::log10(r.metalTotal), r.reading);
        double a = 0, b = 0;
        Line(xy, a, b);
        theta[calibration::kSlope] = b;
        theta[calibration::kE0] = a;
        theta[calibration::kDetection] = 0;
    }
    const bool linearSensible = fit.scatchard && fit.scatchardPurity > 0.2 && fit.scatchardPurity < 2 &&
                                fit.scatchardKd > model.TableKd() * 1e-3 &&
                                fit.scatchardKd < model.TableKd() * 1e3;
    theta[c + calibration::kPurity] = linearSensible ? fit.scatchardPurity : 1.0;
    theta[c + calibration::kContamination] = 0;
    theta[c + calibration::kLogKd] = std::log10(linearSensible ? fit.scatchardKd : model.TableKd());
    return theta;
}

// ---- Intervals ----

// A deviate of the standard normal distribution from a counter-based generator (splitmix64 and
// Box-Muller): the same seed gives the same numbers on every platform.
std::uint64_t Mix(std::uint64_t z) {
    z += 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27U)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31U);
}
double Gaussian(std::uint64_t seed, std::uint64_t draw, std::uint64_t row) {
    const std::uint64_t key = Mix(Mix(seed) ^ (draw << 24U) ^ row);
    constexpr double kUnit = 1.0 / 9007199254740992.0;  // 2^-53
    const double u1 = (static_cast<double>(Mix(key) >> 11U) + 0.5) * kUnit;
    const double u2 = static_cast<double>(Mix(key ^ 0xD1B54A32D192ED03ULL) >> 11U) * kUnit;
    return std::sqrt(-2 * std::log(u1)) * std::cos(2 * std::numbers::pi * u2);
}

double Percentile(std::vector<double> v, double q) {
    if (v.empty()) return kNaN;
    std::sort(v.begin(), v.end());
    const double at = q * static_cast<double>(v.size() - 1);
    const auto lo = static_cast<std::size_t>(std::floor(at));
    const std::size_t hi = std::min(lo + 1, v.size() - 1);
    return v[lo] + (v[hi] - v[lo]) * (at - static_cast<double>(lo));
}

Estimate Linear(double value, double sd, double t) {
    return {value, value - t * sd, value + t * sd, sd, kNaN, kNaN};
}

// The estimates of theta with the covariance cov; the Kd from its log10.
void SetEstimates(const Model& model, const Eigen::VectorXd& theta, const Eigen::MatrixXd& cov, double t,
                  Calibration& fit) {
    const auto sd = [&](int q) { return std::sqrt(std::max(cov(q, q), 0.0)); };
    const int c = model.Chem();
    if (model.Electrode()) {
        fit.slope = Linear(theta[calibration::kSlope], sd(calibration::kSlope), t);
        fit.e0 = Linear(theta[calibration::kE0], sd(calibration::kE0), t);
        fit.detection = Linear(theta[calibration::kDetection], sd(calibration::kDetection), t);
    }
    fit.purity = Linear(theta[c + calibration::kPurity], sd(c + calibration::kPurity), t);
    fit.contamination =
        Linear(theta[c + calibration::kContamination], sd(c + calibration::kContamination), t);
    const double logKd = theta[c + calibration::kLogKd];
    const double s = sd(c + calibration::kLogKd);
    fit.kd = {
        std::pow(10.0, logKd), std::pow(10.0, logKd - t * s), std::pow(10.0, logKd + t * s), s, kNaN, kNaN};
}

// Why an interval is unbounded, or empty.
std::string Unbounded(const Calibration& fit, const std::vector<TitrationRow>& rows) {
    double lowestStandard = std::numeric_limits<double>::infinity();
    double highestTotal = 0;
    for (const TitrationRow& r : rows) {
        if (r.Standard()) lowestStandard = std::min(lowestStandard, r.metalTotal);
        highestTotal = std::max(highestTotal, r.metalTotal);
    }
    const auto finite = [](const Estimate& e) { return std::isfinite(e.low) && std::isfinite(e.high); };
    if (!finite(fit.kd) || fit.kd.high / fit.kd.low > 100)
        return "the Kd is not bounded by these rows (its 95 % interval spans more than a factor of 100): "
               "measure more buffer points whose free metal lies between Kd/10 and 10 Kd";
    if (!finite(fit.purity) || fit.purity.low <= 0 || fit.purity.high - fit.purity.low > 1)
        return "the purity is not bounded by these rows (its 95 % interval is wider than 1): measure more "
               "buffer points with metal totals close to the chelator total (50 % to 95 % of it)";
    if (!finite(fit.contamination) || fit.contamination.high - fit.contamination.low > highestTotal)
        return "the contamination is not bounded by these rows: measure standards and buffer points at low "
               "metal levels (a few uM), where it matters";
    if (fit.slope.sd > 0 && (!finite(fit.slope) || fit.slope.low <= 0))
        return "the electrode's slope is not bounded by these rows: measure standards over at least two "
               "decades of the metal";
    if (!finite(fit.e0) || !finite(fit.detection))
        return "the electrode's detection term is not bounded by these rows: measure standards at low "
               "metal levels (a few uM)";
    (void)lowestStandard;
    return {};
}

void FillPoints(const Model& model, const Titration& t, const Eigen::VectorXd& theta,
                const Eigen::VectorXd& predicted, Calibration& fit) {
    const bool mV = model.Electrode();
    double sum = 0;
    for (int k = 0; k < model.Rows(); ++k) {
        const TitrationRow& r = t.rows[static_cast<std::size_t>(k)];
        CalibrationPoint p;
        p.line = r.line;
        p.metalTotal = r.metalTotal;
        p.chelatorTotal = r.chelatorTotal;
        p.reading = r.reading;
        p.standard = r.Standard();
        model.Free(k, theta, p.free, nullptr);
        p.model = mV ? predicted[k] : std::pow(10.0, predicted[k]);
        p.residual = mV ? r.reading - p.model : (r.reading / p.model - 1) * 100;
        sum += p.residual * p.residual;
        fit.points.push_back(p);
    }
    fit.rms = std::sqrt(sum / model.Rows());
}

void Bootstrap(const Model& model, const FitResult& best, double s, const CalibrationRequest& request,
               Calibration& fit) {
    const Eigen::Index p = best.theta.size();
    std::vector<std::vector<double>> draws(static_cast<std::size_t>(p));
    for (int d = 0; d < request.bootstrap; ++d) {
        if (request.stop && request.stop()) {
            fit.end = CalibrationEnd::Stopped;
            fit.problem = "interrupted";
            return;
        }
        Eigen::VectorXd y = best.model;
        for (Eigen::Index k = 0; k < y.size(); ++k)
            y[k] += s * Gaussian(request.seed, static_cast<std::uint64_t>(d), static_cast<std::uint64_t>(k));
        const FitResult r = calibration::Fit(model, y, best.theta);
        if (!r.converged) {
            ++fit.bootstrapFailed;
            continue;
        }
        for (Eigen::Index q = 0; q < p; ++q) draws[static_cast<std::size_t>(q)].push_back(r.theta[q]);
    }
    const auto set = [&](Estimate& e, int q, bool log) {
        const std::vector<double>& v = draws[static_cast<std::size_t>(q)];
        e.bootLow = Percentile(v, 0.025);
        e.bootHigh = Percentile(v, 0.975);
        if (log) {
            e.bootLow = std::pow(10.0, e.bootLow);
            e.bootHigh = std::pow(10.0, e.bootHigh);
        }
    };
    const int c = model.Chem();
    if (model.Electrode()) {
        set(fit.slope, calibration::kSlope, false);
        set(fit.e0, calibration::kE0, false);
        set(fit.detection, calibration::kDetection, false);
    }
    set(fit.purity, c + calibration::kPurity, false);
    set(fit.contamination, c + calibration::kContamination, false);
    set(fit.kd, c + calibration::kLogKd, true);
}

void Fail(Calibration& fit, CalibrationEnd end, std::string problem, MessageSink& messages) {
    fit.end = end;
    fit.problem = std::move(problem);
    messages.Message(fit.problem, "ERROR");
}

void FitAll(const TSolution& base, const CalibrationRequest& request, Calibration& fit,
            MessageSink& messages) {
    const Titration& t = request.titration;
    if (const std::string bad = BadData(t); !bad.empty())
        return Fail(fit, CalibrationEnd::BadData, bad, messages);
    const Model model(base, t);
    fit.tableKd = model.TableKd();
    fit.parameters = model.Parameters();
    Scatchard(t, fit);
    const FitResult best = calibration::Fit(model, model.Observed(), Start(model, t, fit));
    fit.iterations = best.iterations;
    if (!best.converged && AllAboveTheChelator(t))
        return Fail(fit, CalibrationEnd::NotConverged,
                    "the fit did not converge: every buffer point holds as much metal as chelator or more, "
                    "so its free metal lies far above the Kd and cannot give it; measure buffer points with "
                    "metal totals from 10 % to 95 % of the chelator total",
                    messages);
    if (!best.converged)
        return Fail(
            fit, CalibrationEnd::NotConverged,
            "the fit did not converge: the readings do not follow the model of this chelator and metal "
            "at these conditions. Check the conditions, the units and the standards, and measure more "
            "buffer points across the range",
            messages);
    const int dof = model.Rows() - model.Parameters();
    const Eigen::MatrixXd normal = best.jacobian.transpose() * best.jacobian;
    // Scaled to unit columns, the normal matrix says plainly whether the rows determine every parameter.
    const Eigen::VectorXd scale = normal.diagonal().cwiseSqrt().cwiseMax(1e-300);
    const Eigen::MatrixXd scaled =
        scale.cwiseInverse().asDiagonal() * normal * scale.cwiseInverse().asDiagonal();
    const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eigen(scaled);
    if (!(eigen.eigenvalues().minCoeff() > 1e-12 * eigen.eigenvalues().maxCoeff()))
        return Fail(
            fit, CalibrationEnd::Unbounded,
            "these rows cannot tell the parameters apart (the purity, the contamination, the Kd and the "
            "electrode's terms trade off against each other): measure standards over two decades and "
            "buffer points from 10 % to 95 % of the chelator total",
            messages);
    const double s2 = best.ssr / dof;
    const Eigen::MatrixXd cov =
        s2 * scale.cwiseInverse().asDiagonal() * scaled.inverse() * scale.cwiseInverse().asDiagonal();
    SetEstimates(model, best.theta, cov, StudentT95(dof), fit);
    fit.logKShift = std::log10(fit.tableKd / fit.kd.value);
    FillPoints(model, t, best.theta, best.model, fit);
    if (const std::string why = Unbounded(fit, t.rows); !why.empty())
        return Fail(fit, CalibrationEnd::Unbounded, why, messages);
    fit.bootstrapDraws = request.bootstrap;
    if (request.bootstrap > 0) {
        Bootstrap(model, best, std::sqrt(s2), request, fit);
        if (fit.end == CalibrationEnd::Stopped) return;
        if (fit.bootstrapFailed * 10 > request.bootstrap)
            return Fail(
                fit, CalibrationEnd::Unbounded,
                std::to_string(fit.bootstrapFailed) + " of " + std::to_string(request.bootstrap) +
                    " bootstrap fits did not converge: the intervals are not to be trusted; measure more "
                    "buffer points across the range",
                messages);
    }
    fit.end = CalibrationEnd::Fitted;
}

}  // namespace

double StudentT95(int dof) {
    static constexpr std::array<double, 30> kTable{12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306,
                                                   2.262,  2.228, 2.201, 2.179, 2.160, 2.145, 2.131, 2.120,
                                                   2.110,  2.101, 2.093, 2.086, 2.080, 2.074, 2.069, 2.064,
                                                   2.060,  2.056, 2.052, 2.048, 2.045, 2.042};
    if (dof < 1) return kNaN;
    if (dof <= 30) return kTable[static_cast<std::size_t>(dof - 1)];
    // The Cornish-Fisher expansion about the normal quantile (Abramowitz and Stegun 26.7.5).
    const double z = 1.959963984540054, v = dof;
    const double z3 = z * z * z, z5 = z3 * z * z, z7 = z5 * z * z;
    return z + (z3 + z) / (4 * v) + (5 * z5 + 16 * z3 + 3 * z) / (96 * v * v) +
           (3 * z7 + 19 * z5 + 17 * z3 - 15 * z) / (384 * v * v * v);
}

Calibration Calibrate(const TSolution& base, const CalibrationRequest& request, MessageSink& messages) {
    Calibration fit;
    fit.reading = request.titration.reading;
    fit.chelator = request.chelator;
    fit.metal = request.metal;
    fit.temperature = request.temperature;
    fit.pH = request.pH;
    fit.ionic = request.ionic;
    if (!RunGuarded(messages, [&] { FitAll(base, request, fit, messages); })) {
        fit.end = CalibrationEnd::Fault;
        fit.problem = "a floating-point fault stopped the fit";
    }
    if (!fit.ok()) fit.points.clear();
    return fit;
}

}  // namespace dedodiz
