// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The inside of MakeRecipe, shared by its two sources (RecipeCalc.cpp: checks, solves, the ionic strength,
// the pipetting; RecipeMix.cpp: the mixing method). Not for front ends.

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "core/RecipeCalc.h"
#include "core/RecipeForms.h"
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
    OneBased<FixedArray<double, 0, 4>, 6> fraction;  // of each chelator's free part as L, HL, ... H4L
    OneBased<OneBased<double, 6>, 6> ml, mhl;        // [chelator][metal] complexes [mol/L]
    double hydrogen = 0;                             // [mol/L] H+
    double charge = 0;                               // [N] CM-E
    double ionicM = 0;                               // [M] CM-I
    bool converged = true;
};

// Every species of a tube counted (RecipeIons.cpp).
struct Count {
    std::vector<RecipeIon> ions;
    double base = 0;           // [mol/L] the proton balance asks for; below 0: acid
    double equivalents = 0;    // [N] 1/2 sum c |z|
    double strength = 0;       // [M] 1/2 sum c z^2
    double osmolarity = 0;     // [Osm/L]
    double chargeBalance = 0;  // [M] sum c z
};

// What a tube holds beside its solution: fixed for a mix, found for a solution made from the stocks.
struct Additions {
    double salt = 0;      // [mol/L] of the top-up salt
    double osmolyte = 0;  // [mol/L]
};

// A solution solved at the ionic strength it has.
struct Settled {
    Point point;
    Count count;          // with the salt and the osmolyte
    double ionic = 0;     // [N] the tube's ionic equivalents, the strength of the last solve
    double salt = 0;      // [mol/L] of the top-up salt
    double osmolyte = 0;  // [mol/L]
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
    void CheckAdditions();  // the reagents, the osmolyte and the contamination
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

    // The forms of the stocks, the reagents and the contamination, from the request (Check).
    void ResolveForms();
    void ResolveReagents();

    // Every species of the tube of solution p, solved at I [N], with salt [mol/L] of the top-up salt
    // and osmolyte [mol/L]; the base from the proton balance (RecipeIons.cpp).
    [[nodiscard]] Count CountIons(const Point& p, double I, const Additions& added) const;
    // Its parts: the chelators' forms and complexes, and the pH buffer's forms; each adds the protons
    // its stock brought to brought and those its forms hold to held [mol/L].
    void CountChelators(const Point& p, std::vector<RecipeIon>& ions, double& brought, double& held) const;
    void CountBuffer(const Point& p, double I, std::vector<RecipeIon>& ions, double& brought,
                     double& held) const;

    // Solves by solve(I) at the strength the tube has: with the top-up salt (fixed not given) at the
    // target, the salt then making up the rest, and the osmolyte making up the osmolarity; otherwise
    // (salt and osmolyte fixed) again and again at the strength the last count gave until they agree.
    // label names the solution in a message.
    template <typename Solve>
    Settled Settle(Solve solve, std::optional<Additions> fixed, const std::string& label);

    // The recipe's row for a settled solution.
    [[nodiscard]] RecipeSolution Row(const Settled& s, double wanted) const;

    // One solution per wanted level (or the one solution), each made directly from the stocks.
    void Direct(Recipe& recipe);

    // The ingredients: every chelator and metal that rows need or that has a stock, the buffer, the salt.
    void AddIngredients(Recipe& recipe, const std::vector<RecipeSolution>& rows) const;

    // The concentration of an ingredient that its stock brings into a solution [mol/L].
    [[nodiscard]] double Pipetted(const RecipeIngredient& in, const RecipeSolution& row) const;

    // The ingredients, then the volumes of every solution made from the stocks (the ends when mixing).
    void Pipette(Recipe& recipe);

    // The mixing method: the two end solutions and every mix (RecipeMix.cpp).
    void Mix(Recipe& recipe);
    // The end solution loaded with as much of the series metal as of the first chelator.
    Settled LoadedEnd(std::optional<Additions> fixed);
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
    bool strengthTarget_ = false;  // target_ is 1/2 sum c z^2 [M], not the equivalents [N]
    double target_ = 0;            // [N], or [M]
    double osmTarget_ = 0;         // [Osm/L]; 0: no osmolyte
    OneBased<AddedForm, 6> chelForm_, metalForm_;
    AddedForm bufferForm_, baseForm_, acidForm_;
    SaltIons salt_;
    std::string osmolyte_;
    OneBased<double, 6> contamination_;  // [mol/L]
    double lastIonic_ = 0;               // [N] where the last settled solve ended, the start of the next
    double share_ = 1;  // the part of the tube its solutions make up: below 1 in a mix given base for its pH
    Calculation scratch_;  // every solve's working copy and results
};

template <typename Solve>
Settled Maker::Settle(Solve solve, std::optional<Additions> fixed, const std::string& label) {
    constexpr int kMaxPasses = 100;
    const bool toTarget = topup_ && !fixed;
    Settled s;
    double I = toTarget && !strengthTarget_ ? target_ : lastIonic_;
    Additions added = fixed.value_or(Additions{});
    for (s.passes = 1; s.passes <= kMaxPasses; ++s.passes) {
        s.point = solve(I);
        // A 1:1 salt at c adds c to both ionic figures and 2c to the osmolarity.
        const Count without = CountIons(s.point, I, {});
        if (toTarget) {
            const double has = strengthTarget_ ? without.strength : without.equivalents;
            added.salt = target_ - has;
            if (added.salt < -1e-12 * target_) {
                throw CannotMake{"The ionic strength target " + FixedText(target_, 4) +
                                 (strengthTarget_ ? " M" : " N") + " is already exceeded:\r" + label +
                                 " brings " + FixedText(has, 4) + (strengthTarget_ ? " M" : " N") +
                                 " without the top-up salt"};
            }
            added.salt = std::max(added.salt, 0.0);
        }
        s.ionic = without.equivalents + added.salt;
        if (!(s.ionic > 0))
            throw CannotMake{"Nothing in " + label + " carries a charge: its ionic strength is 0"};
        if (osmTarget_ > 0 && !fixed) {
            const double has = without.osmolarity + 2 * added.salt;
            added.osmolyte = osmTarget_ - has;
            if (added.osmolyte < -1e-12 * osmTarget_)
                throw CannotMake{"The osmolarity target " + FixedText(osmTarget_ * 1e3, 1) +
                                 " mOsm/L is already exceeded:\r" + label + " brings " +
                                 FixedText(has * 1e3, 1) + " mOsm/L without the " + osmolyte_};
            added.osmolyte = std::max(added.osmolyte, 0.0);
        }
        const bool agreed = std::abs(s.ionic - I) <= Tolerance() * s.ionic;
        if (agreed) break;
        I = s.ionic;
    }
    if (s.passes > kMaxPasses) {
        s.passes = kMaxPasses;
        s.settled = false;
    }
    s.salt = added.salt;
    s.osmolyte = added.osmolyte;
    s.count = CountIons(s.point, I, added);
    lastIonic_ = s.ionic;
    return s;
}

}  // namespace dedodiz::recipe
