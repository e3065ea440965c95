// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The inside of MakeRecipe, shared by its two sources (RecipeCalc.cpp: checks, solves, the ionic strength,
// the pipetting; RecipeMix.cpp: the mixing method). Not for front ends.

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "core/RecipeCalc.h"
#include "engine/Format.h"

namespace dedodiz::recipe {

// Ends a recipe that cannot be made: "CANNOT BE MADE" and the reason is shown, or nothing more when the
// reason is empty (the message that stopped it has been shown already).
struct CannotMake {
    std::string reason;
};

// One solved solution.
struct Point {
    OneBased<double, 6> chelTotal, chelFree, metalTotal, metalFree;  // [mol/L]
    double charge = 0;                                               // [N] CM-E
    double ionicM = 0;                                               // [M] CM-I
    bool converged = true;
};

// A solution solved at the ionic strength it has.
struct Settled {
    Point point;
    double ionic = 0;   // [N] the tube's strength: CM-E + buffer + salt, the strength of the last solve
    double buffer = 0;  // [N]
    double salt = 0;    // [mol/L] of the top-up salt
    int passes = 0;
    bool settled = true;  // the solve's strength and the tube's agreed
};

// The x in [lo, hi] where the increasing function f is 0, from f(lo) <= 0 <= f(hi) (f(lo) may be
// -infinity): regula falsi with the Illinois step, halving where a value is not finite. Stops when
// |f| < tolF, when the bracket is narrower than tolX, or after maxEval values.
template <typename F>
double FindRoot(F f, double lo, double flo, double hi, double fhi, double tolF, double tolX,
                int maxEval = 200) {
    int side = 0;
    double x = hi;
    for (int k = 0; k < maxEval && hi - lo > tolX; ++k) {
        const bool interpolate = std::isfinite(flo) && std::isfinite(fhi) && fhi != flo;
        x = interpolate ? hi - fhi * (hi - lo) / (fhi - flo) : 0.5 * (lo + hi);
        if (!(x > lo && x < hi)) x = 0.5 * (lo + hi);
        const double fx = f(x);
        if (std::abs(fx) < tolF) return x;
        if (fx < 0) {
            lo = x, flo = fx;
            if (side == -1) fhi *= 0.5;
            side = -1;
        } else {
            hi = x, fhi = fx;
            if (side == 1) flo *= 0.5;
            side = 1;
        }
    }
    return std::abs(flo) < std::abs(fhi) ? lo : hi;
}

// What one recipe computation shares.
class Maker {
  public:
    Maker(const Calculation& calc, const BufferTool* buffers, const RecipeRequest& request,
          MessageSink& messages);

    // The checks of the request before anything is solved.
    void Check();
    void CheckSeries();
    void CheckBuffer();

    // The solution with the wanted level of the series metal set, as the type takes it (for type Free
    // the total is searched by SolveMade).
    [[nodiscard]] TSolution WithLevel(std::optional<double> wanted) const;

    // One solve of sol by type at the ionic strength I.
    Point SolveAt(const TSolution& sol, CalculationType type, double I);

    // The solution as made at I: by the recipe's type, with the total of the series metal searched in
    // type Free and the pipetted totals solved again in type Chelator.
    Point SolveMade(const TSolution& sol, double I, std::optional<double> wanted);

    // Type Free: the solution with the total of the series metal that gives its wanted free level.
    Point SearchTotal(const TSolution& sol, double I, double wanted);

    // The pH buffer's ionic contribution [N] at I; 0 without a buffer.
    double BufferIonic(double I);

    // Solves by solve(I) at the strength the tube has: with the top-up salt (fixedSalt not given) at the
    // target, the salt then making up the rest; otherwise (the salt fixed at *fixedSalt [mol/L]) again
    // and again at the strength the last solve gave until they agree. label names the solution in a
    // message.
    template <typename Solve>
    Settled Settle(Solve solve, std::optional<double> fixedSalt, const std::string& label);

    // The recipe's row for a settled solution.
    [[nodiscard]] RecipeSolution Row(const Settled& s, double wanted) const;

    // One solution per wanted level (or the one solution), each made directly from the stocks.
    void Direct(Recipe& recipe);

    // The ingredients: every chelator and metal that rows need or that has a stock, the buffer, the salt.
    void AddIngredients(Recipe& recipe, const std::vector<RecipeSolution>& rows) const;

    // The ingredients, then the volumes of every solution made from the stocks (the ends when mixing).
    void Pipette(Recipe& recipe);

    // The mixing method: the two end solutions and every mix (RecipeMix.cpp).
    void Mix(Recipe& recipe);
    // The end solution loaded with as much of the series metal as of the first chelator.
    Settled LoadedEnd(std::optional<double> noSalt);
    // The mix of the two ends that gives level k of the series its wanted free concentration.
    RecipeSolution MixLevel(std::size_t k, const Settled& a, const Settled& b, double mixVolume);

    // How a solution is named in a message: "the solution", "solution 3 (pCa 4.50)".
    [[nodiscard]] std::string Label(std::size_t index) const;

    // The largest relative difference at which two values found by search count as equal.
    [[nodiscard]] double Tolerance() const { return request_.precision == Precision::Exact ? 1e-11 : 1e-7; }

    const RecipeRequest& request_;
    MessageSink& messages_;
    CalculationType type_;
    TSolution base_;
    BufferTool buffers_;  // a copy: the buffer calculation writes its record
    int bufferSlot_ = 0;
    int seriesSlot_ = 0;
    bool topup_ = false;
    double target_ = 0;     // [N]
    double lastIonic_ = 0;  // [N] where the last settled solve ended, the start of the next
    Calculation scratch_;   // every solve's working copy and results
};

template <typename Solve>
Settled Maker::Settle(Solve solve, std::optional<double> fixedSalt, const std::string& label) {
    constexpr int kMaxPasses = 100;
    const bool toTarget = topup_ && !fixedSalt;
    Settled s;
    double I = toTarget ? target_ : lastIonic_;
    for (s.passes = 1; s.passes <= kMaxPasses; ++s.passes) {
        s.point = solve(I);
        s.buffer = BufferIonic(I);
        if (toTarget) {
            s.salt = target_ - s.point.charge - s.buffer;
            if (s.salt < -1e-12 * target_) {
                throw CannotMake{"The ionic strength target " + FixedText(target_, 4) +
                                 " N is already exceeded:\rthe chelators, metals and pH buffer of " + label +
                                 " bring " + FixedText(s.point.charge + s.buffer, 4) + " N"};
            }
            s.salt = std::max(s.salt, 0.0);
        } else {
            s.salt = *fixedSalt;
        }
        s.ionic = s.point.charge + s.buffer + s.salt;
        if (!(s.ionic > 0))
            throw CannotMake{"Nothing in " + label + " carries a charge: its ionic strength is 0"};
        const bool agreed = std::abs(s.ionic - I) <= Tolerance() * s.ionic;
        if (agreed) break;
        I = s.ionic;
    }
    if (s.passes > kMaxPasses) {
        s.passes = kMaxPasses;
        s.settled = false;
    }
    lastIonic_ = s.ionic;
    return s;
}

}  // namespace dedodiz::recipe
