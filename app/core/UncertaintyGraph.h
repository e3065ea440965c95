// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The histograms of an uncertainty computation on the graph's canvas: one panel per result, the
// samples that converged counted in equal bins between the lowest and the highest, with the
// single-point value, the median and the 95 % range marked.

#include <vector>

#include "core/Canvas.h"
#include "core/Uncertainty.h"

namespace dedodiz {

inline constexpr int kHistogramBins = 30;

// The counts of values in kHistogramBins equal bins from low to high (the highest value in the last
// bin); NaN values are not counted. When all values are equal, every value is in the middle bin.
struct Histogram {
    double low = 0;
    double high = 0;
    std::vector<int> counts;
};
Histogram CountHistogram(const std::vector<double>& values);

// A new picture with the panels of every result (at most six), and a line that explains the marks.
void DrawUncertaintyHistograms(const UncertaintyOutcome& outcome, Canvas& canvas);

}  // namespace dedodiz
