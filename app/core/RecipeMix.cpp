// SPDX-License-Identifier: BSD-3-Clause
// The mixing method: two end solutions of the same chelators, one without the series metal (A) and one
// with the first chelator fully loaded by it (B, metal total = first chelator total), both made from the
// stocks; every wanted free level is then a mix of the two. A mix holds the two ends' totals in
// proportion, pH buffer and all; its salt too, so its ionic strength follows from its own solve and is
// found as every strength without a top-up is, by solving again until the two agree. The fraction of B
// is searched until the mix's solved free level is the wanted one; the base (or acid) that keeps the
// mix at the pH is pipetted into it beside the ends.

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/RecipeMaker.h"
#include "engine/FloatGuard.h"
#include "engine/Format.h"

namespace dedodiz::recipe {

namespace {

double LogRatio(double free, double wanted) {
    return free > 0 ? std::log(free / wanted) : -std::numeric_limits<double>::infinity();
}

std::string VolumeText(double litres) {
    return FigureText(litres * 1e3, 3) + " mL";
}

// The fraction of B where g (increasing, g(1) = gTop) is 0: near the last one where one was found
// (the part of the ends in the mix changed by a few parts in 10^4 at most since), else over [0, 1].
template <typename G>
double FractionOfB(const G& g, double last, double gTop, double tolerance) {
    double lo = 0, flo = -std::numeric_limits<double>::infinity(), hi = 1, fhi = gTop;
    if (last >= 0) {
        const double near = 1e-3 * last;
        const double l = std::max(0.0, last - near), h = std::min(1.0, last + near);
        const double gl = g(l), gh = g(h);
        if (gl <= 0 && gh >= 0) {
            lo = l;
            flo = gl;
            hi = h;
            fhi = gh;
        }
    }
    return FindRoot(g, lo, flo, hi, fhi, tolerance, 1e-14);
}

}  // namespace

Settled Maker::LoadedEnd(std::optional<Additions> fixed) {
    const int x = seriesSlot_;
    const double load = base_.ChelTotal[1];
    TSolution loaded = base_;
    loaded.MetalTotal[x] = load;
    const auto solveLoaded = [&](double I) {
        if (type_ == CalculationType::Free) return SolveAt(loaded, CalculationType::Free, I);
        // Type Total gives the other metals free: the free level of this one that makes its total the load.
        TSolution trial = loaded;
        const auto solve = [&](double logFree) {
            trial.MetalFree[x] = std::exp(logFree);
            return SolveAt(trial, CalculationType::Total, I);
        };
        const auto f = [&](double logFree) { return LogRatio(solve(logFree).metalTotal[x], load); };
        const double hi = std::log(load);  // the free level never exceeds the total
        const double lo = hi - 46;         // 1e-20 of it: bound almost wholly
        return solve(FindRoot(f, lo, f(lo), hi, f(hi), Tolerance(), 1e-13));
    };
    return Settle(solveLoaded, fixed, "the loaded end solution");
}

RecipeSolution Maker::MixLevel(std::size_t k, const Settled& a, const Settled& b, double mixVolume) {
    const int x = seriesSlot_;
    const double wanted = request_.seriesFree[k];
    const double top = b.point.metalFree[x];
    if (wanted > top * (1 + Tolerance()))
        throw CannotMake{Label(k) + " is more than mixing gives:\rthe loaded end solution has " +
                         ScientificText(top, 2) + " M free " + base_.MetalName[x].str()};
    // The ends are mixed in the part scale of the mix; the rest is the base (or acid) that brings the
    // mix to the pH: the metal of B binds the free chelator of A and frees protons that the ends' own
    // base does not meet. That part is found with the fraction, until the two agree.
    double scale = 1;
    const auto mixAt = [&](double f) {
        share_ = scale;  // the ends' part in the counts of the pH buffer and the contamination
        TSolution mix = base_;
        for (int i = 1; i <= kSlots; ++i)
            mix.ChelTotal[i] = scale * ((1 - f) * a.point.chelTotal[i] + f * b.point.chelTotal[i]);
        for (int j = 1; j <= kSlots; ++j)
            mix.MetalTotal[j] = scale * ((1 - f) * a.point.metalTotal[j] + f * b.point.metalTotal[j]);
        const Additions mixed{scale * ((1 - f) * a.salt + f * b.salt),
                              scale * ((1 - f) * a.osmolyte + f * b.osmolyte)};
        return Settle([&](double I) { return SolveAt(mix, CalculationType::Free, I); }, mixed, Label(k));
    };
    const auto g = [&](double f) { return LogRatio(mixAt(f).point.metalFree[x], wanted); };
    const double baseStock = request_.base ? request_.base->value : 1.0;
    const double acidStock = request_.acid ? request_.acid->value : 1.0;
    double fraction = 0, extra = 0;
    Settled mixed;
    for (int pass = 0; pass < 40; ++pass) {
        fraction = FractionOfB(g, pass > 0 ? fraction : -1, LogRatio(top, wanted), Tolerance());
        mixed = mixAt(fraction);
        extra = mixed.count.base - scale * ((1 - fraction) * a.count.base + fraction * b.count.base);
        const double next = 1 - std::abs(extra) / (extra >= 0 ? baseStock : acidStock);
        if (!(next > 0.5))
            throw CannotMake{
                "The " + (extra >= 0 ? baseForm_.text : acidForm_.text) + " that keeps " + Label(k) +
                " at the pH would take half its volume or more:\ra more concentrated stock is needed"};
        const bool agreed = std::abs(next - scale) <= 1e-14;
        scale = next;
        if (agreed) break;
    }
    RecipeSolution row = Row(mixed, wanted);
    row.fraction = fraction;
    row.loadedVolume = fraction * scale * mixVolume * 1e6;
    row.unloadedVolume = (1 - fraction) * scale * mixVolume * 1e6;
    row.mixBase = extra;
    share_ = 1;  // (a mix that cannot be made ends the recipe: no other tube is counted after it)
    return row;
}

void Maker::Mix(Recipe& recipe) {
    const int x = seriesSlot_;
    const std::string metal = base_.MetalName[x].str();

    TSolution without = base_;
    without.MetalFree[x] = 0;
    without.MetalTotal[x] = 0;
    const Settled a = Settle([&](double I) { return SolveMade(without, I, std::nullopt); }, std::nullopt,
                             "the end solution without " + metal);
    const Settled b = LoadedEnd(std::nullopt);
    recipe.ends = {Row(a, 0), Row(b, 0)};

    const std::vector<double>& levels = request_.seriesFree;
    recipe.mixVolume = request_.mixVolume.value_or(request_.volume / static_cast<double>(levels.size()));
    double usedA = 0, usedB = 0;  // [L]
    for (std::size_t k = 0; k < levels.size(); ++k) {
        if (request_.stop && request_.stop()) throw CannotMake{};  // stopped by the user
        const RecipeSolution row = MixLevel(k, a, b, recipe.mixVolume);
        usedA += (1 - row.fraction) * recipe.mixVolume;
        usedB += row.fraction * recipe.mixVolume;
        recipe.solutions.push_back(row);
    }
    const double made = request_.volume * (1 + 1e-12);
    if (usedA > made || usedB > made)
        throw CannotMake{
            "The mixes of " + VolumeText(recipe.mixVolume) + " need " +
            VolumeText(usedA > made ? usedA : usedB) + " of the " +
            (usedA > made ? "end solution without " + metal : std::string("loaded end solution")) +
            ",\rmore than the " + VolumeText(request_.volume) + " made of it"};
}

}  // namespace dedodiz::recipe
