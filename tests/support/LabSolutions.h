// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Random laboratory solutions of the bundled table, for the tests and benchmarks of the precision: EGTA
// 0.5-10 mM, ATP 0-5 mM, Ca 0.01-5 mM, Mg 0-5 mM, pH 6.5-7.8, 18-37 C, 0.05-0.25 N, type Free. The same
// seed gives the same solutions on every machine (the standard engine and a uniform draw of its own).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

#include "core/Session.h"

namespace dedodiz::test {

class LabSolutions {
  public:
    explicit LabSolutions(std::uint64_t seed) : engine_(seed) {}

    SolutionInput Next() {
        SolutionInput e;
        e.type = CalculationType::Free;
        e.chelators = {{"EGTA", Draw(0.5e-3, 10e-3)}, {"ATP", Draw(0, 5e-3)}};
        e.metals = {{"Ca2", Draw(0.01e-3, 5e-3), 0.0}, {"Mg2", Draw(0, 5e-3), 0.0}};
        e.pH = Draw(6.5, 7.8);
        e.temperature = Draw(18, 37);
        e.ionic = Draw(0.05, 0.25);
        return e;
    }

  private:
    // A uniform draw from the engine's 64 bits, the same on every standard library.
    double Draw(double low, double high) {
        const double unit = static_cast<double>(engine_() >> 11) * 0x1.0p-53;
        return low + (high - low) * unit;
    }
    std::mt19937_64 engine_;
};

// The largest relative difference of the four concentration arrays of two solved solutions.
inline double Difference(const TSolution& a, const TSolution& b) {
    const auto relative = [](double x, double y) {
        const double scale = std::max(std::abs(x), std::abs(y));
        return scale > 0 ? std::abs(x - y) / scale : 0.0;
    };
    double worst = 0;
    for (int k = 1; k <= kSlots; ++k)
        worst =
            std::max({worst, relative(a.ChelTotal[k], b.ChelTotal[k]), relative(a.ChelFree[k], b.ChelFree[k]),
                      relative(a.MetalTotal[k], b.MetalTotal[k]), relative(a.MetalFree[k], b.MetalFree[k])});
    return worst;
}

}  // namespace dedodiz::test
