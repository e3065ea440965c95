// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The model of a titration and its least-squares fit (core/Calibration.h describes both). Shared by the
// calibration's sources only.

#include <Eigen/Dense>

#include <vector>

#include "core/Titration.h"
#include "engine/State.h"

namespace dedodiz::calibration {

// The parameters in the order of the vector: the electrode's three (with an electrode) first.
enum Parameter : int { kSlope = 0, kE0 = 1, kDetection = 2 };
// The chemistry's three, after the electrode's (or from 0 without one).
enum ChemistryParameter : int { kPurity = 0, kContamination = 1, kLogKd = 2 };

class Model {
  public:
    // base: the chelator in slot 1 and the metal in slot 1, at the conditions.
    Model(const TSolution& base, const Titration& titration);

    [[nodiscard]] bool Electrode() const { return electrode_; }
    [[nodiscard]] int Parameters() const { return electrode_ ? 6 : 3; }
    [[nodiscard]] int Rows() const { return static_cast<int>(rows_.size()); }
    // Where the chemistry's parameters begin in the vector.
    [[nodiscard]] int Chem() const { return electrode_ ? 3 : 0; }
    [[nodiscard]] double TableKd() const { return tableKd_; }
    // What the fit compares: the readings in mV, or log10 of the free levels.
    [[nodiscard]] const Eigen::VectorXd& Observed() const { return observed_; }

    // The free level of row k at the parameters; false when the parameters make no solution (a total
    // below 0, a solve that faults or does not converge).
    bool Free(int k, const Eigen::VectorXd& theta, double& free, Eigen::Vector3d* dFree) const;
    // The model's value of every row (mV, or log10 free) and, when jacobian is given, its derivatives.
    bool Predict(const Eigen::VectorXd& theta, Eigen::VectorXd& model, Eigen::MatrixXd* jacobian) const;

  private:
    std::vector<TitrationRow> rows_;
    bool electrode_ = true;
    Calculation template_;  // the working copy with the constants corrected to the conditions
    double logKML_ = 0;     // the pair's corrected log K (0: the constant is absent)
    double logKMHL_ = 0;
    double tableKd_ = 0;  // [mol/L]
    Eigen::VectorXd observed_;
};

struct FitResult {
    Eigen::VectorXd theta;
    Eigen::VectorXd model;
    Eigen::MatrixXd jacobian;
    double ssr = 0;
    int iterations = 0;
    bool converged = false;
};

// Levenberg-Marquardt from start on the observed values y.
FitResult Fit(const Model& model, const Eigen::VectorXd& y, const Eigen::VectorXd& start);

}  // namespace dedodiz::calibration
