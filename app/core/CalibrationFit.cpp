// SPDX-License-Identifier: BSD-3-Clause
#include "core/CalibrationFit.h"

#include <cmath>
#include <numbers>

#include "engine/Corrections.h"
#include "engine/FloatGuard.h"
#include "engine/Point.h"

namespace dedodiz::calibration {

namespace {

constexpr double kLn10 = std::numbers::ln10;
constexpr int kMaxIterations = 300;

// The pair's calculation with its constants corrected to the conditions of base.
Calculation Prepared(const TSolution& base) {
    Calculation c;
    c.CalcType = CalculationType::Free;
    c.Solution = base;
    PrepareWork(base, c.WorkSolution);
    return c;
}

}  // namespace

Model::Model(const TSolution& base, const Titration& titration)
    : rows_(titration.rows),
      electrode_(titration.reading == TitrationReading::Millivolts),
      template_(Prepared(base)),
      logKML_(template_.WorkSolution.LogKM[1][1][1]),
      logKMHL_(template_.WorkSolution.LogKM[1][1][2]) {
    // The table's apparent Kd at the conditions: the solver's, which depends on the constants and the pH
    // alone; any totals do.
    Calculation probe = template_;
    probe.WorkSolution.ChelTotal[1] = 1e-3;
    probe.WorkSolution.MetalTotal[1] = 5e-4;
    SolvePoint(probe, Precision::Exact);
    tableKd_ = probe.Results.KdCombined[1][1];
    observed_.resize(static_cast<Eigen::Index>(rows_.size()));
    for (std::size_t k = 0; k < rows_.size(); ++k)
        observed_[static_cast<Eigen::Index>(k)] =
            electrode_ ? rows_[k].reading : std::log10(rows_[k].reading);
}

bool Model::Free(int k, const Eigen::VectorXd& theta, double& free, Eigen::Vector3d* dFree) const {
    const TitrationRow& row = rows_[static_cast<std::size_t>(k)];
    const int c = Chem();
    const double purity = theta[c + kPurity];
    const double metal = row.metalTotal + theta[c + kContamination];
    const double logKd = theta[c + kLogKd];
    if (!(purity > 0) || !(metal > 0) || !std::isfinite(logKd) || std::fabs(logKd) > 30) return false;
    if (row.Standard()) {
        free = metal;
        if (dFree != nullptr) *dFree = {0, 1, 0};
        return true;
    }
    // The program's own equilibrium with the pair's constants moved by the shift that makes its apparent
    // Kd 10^logKd: both the ML and the MHL term of the conditional constant scale by it.
    const double shift = std::log10(tableKd_) - logKd;
    Calculation calc = template_;
    TSolution& w = calc.WorkSolution;
    w.ChelTotal[1] = purity * row.chelatorTotal;
    w.MetalTotal[1] = metal;
    if (logKML_ != 0) w.LogKM[1][1][1] = logKML_ + shift;
    if (logKMHL_ != 0) w.LogKM[1][1][2] = logKMHL_ + shift;
    bool solved = false;
    {
        const FaultScope scope;
        const PointOutcome point = SolvePoint(calc, Precision::Exact);
        solved = point.converged && !scope.Faulted() && std::isfinite(w.MetalFree[1]) && w.MetalFree[1] > 0;
        ClearFaults();
    }
    if (!solved) return false;
    free = w.MetalFree[1];
    if (dFree != nullptr) {
        // The derivatives of the one-pair mass balance f + L f / (f + K) = M at the solution (implicit
        // differentiation): L = purity x chelator total, M = metal total, K = the apparent Kd.
        const double kd = std::pow(10.0, logKd);
        const double ligand = purity * row.chelatorTotal;
        const double fk = free + kd;
        const double dg = 1 + ligand * kd / (fk * fk);
        *dFree = {-(row.chelatorTotal * free / fk) / dg, 1 / dg, ligand * free * kd * kLn10 / (fk * fk) / dg};
    }
    return true;
}

bool Model::Predict(const Eigen::VectorXd& theta, Eigen::VectorXd& model, Eigen::MatrixXd* jacobian) const {
    const Eigen::Index n = Rows();
    model.resize(n);
    if (jacobian != nullptr) jacobian->setZero(n, Parameters());
    const int c = Chem();
    for (Eigen::Index k = 0; k < n; ++k) {
        double free = 0;
        Eigen::Vector3d dFree;
        if (!Free(static_cast<int>(k), theta, free, jacobian != nullptr ? &dFree : nullptr)) return false;
        // d reading / d free: of the electrode, or of log10.
        double dReading = 0;
        if (electrode_) {
            const double level = free + theta[kDetection];
            if (!(level > 0)) return false;
            model[k] = theta[kE0] + theta[kSlope] * std::log10(level);
            dReading = theta[kSlope] / (level * kLn10);
            if (jacobian != nullptr) {
                (*jacobian)(k, kSlope) = std::log10(level);
                (*jacobian)(k, kE0) = 1;
                (*jacobian)(k, kDetection) = dReading;
            }
        } else {
            model[k] = std::log10(free);
            dReading = 1 / (free * kLn10);
        }
        if (jacobian != nullptr)
            for (int q = 0; q < 3; ++q) (*jacobian)(k, c + q) = dReading * dFree[q];
    }
    return model.allFinite();
}

FitResult Fit(const Model& model, const Eigen::VectorXd& y, const Eigen::VectorXd& start) {
    FitResult r;
    r.theta = start;
    if (!model.Predict(r.theta, r.model, &r.jacobian)) return r;
    r.ssr = (y - r.model).squaredNorm();
    double lambda = 1e-3;
    const Eigen::Index p = r.theta.size();
    for (r.iterations = 1; r.iterations <= kMaxIterations; ++r.iterations) {
        // Marquardt's scaling: the columns to unit length, so the damping treats a slope in mV and a
        // contamination in mol/L alike.
        Eigen::VectorXd scale = r.jacobian.colwise().norm().transpose();
        for (Eigen::Index q = 0; q < p; ++q)
            if (!(scale[q] > 0)) scale[q] = 1;
        const Eigen::MatrixXd js = r.jacobian * scale.cwiseInverse().asDiagonal();
        const Eigen::MatrixXd normal = js.transpose() * js;
        const Eigen::VectorXd gradient = js.transpose() * (y - r.model);
        if (gradient.cwiseAbs().maxCoeff() <= 1e-15 * std::sqrt(std::max(r.ssr, 1e-300))) {
            r.converged = true;
            return r;
        }
        bool accepted = false;
        while (!accepted && lambda < 1e16) {
            const Eigen::MatrixXd damped =
                normal + lambda * Eigen::MatrixXd(normal.diagonal().cwiseMax(1e-12).asDiagonal());
            const Eigen::VectorXd step = damped.ldlt().solve(gradient).cwiseQuotient(scale);
            const Eigen::VectorXd trial = r.theta + step;
            Eigen::VectorXd trialModel;
            Eigen::MatrixXd trialJacobian;
            if (step.allFinite() && model.Predict(trial, trialModel, &trialJacobian)) {
                const double ssr = (y - trialModel).squaredNorm();
                if (ssr <= r.ssr) {
                    const double gain = r.ssr - ssr;
                    const double small =
                        (step.cwiseQuotient(trial.cwiseAbs().cwiseMax(1e-300))).cwiseAbs().maxCoeff();
                    r.theta = trial;
                    r.model = trialModel;
                    r.jacobian = trialJacobian;
                    r.ssr = ssr;
                    lambda = std::max(lambda / 5, 1e-12);
                    accepted = true;
                    if (gain <= 1e-14 * ssr || ssr <= 1e-26 * static_cast<double>(y.size()) ||
                        small < 1e-13) {
                        r.converged = true;
                        return r;
                    }
                    continue;
                }
            }
            lambda *= 4;
        }
        if (!accepted) {
            // No step lowers the sum any more: the optimum, when the gradient there is negligible.
            // The columns are of unit length, so the gradient is the cosine between each and the residuals.
            r.converged = gradient.norm() <= 1e-4 * std::sqrt(r.ssr) * std::sqrt(static_cast<double>(p)) ||
                          r.ssr <= 1e-26 * static_cast<double>(y.size());
            return r;
        }
    }
    return r;
}

}  // namespace dedodiz::calibration
