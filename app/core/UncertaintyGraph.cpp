// SPDX-License-Identifier: BSD-3-Clause
#include "core/UncertaintyGraph.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/Format.h"

namespace dedodiz {

namespace {

constexpr Rgb kBarColor{120, 120, 120};
constexpr Rgb kValueColor{200, 0, 0};
constexpr Rgb kMedianColor{0, 140, 0};
constexpr Rgb kRangeColor{0, 0, 200};
constexpr int kTextHeight = 14;
constexpr int kLegendTop = kGraphHeight - kTextHeight - 2;

struct Box {
    int left, top, width, height;
};

// x of value on the axis of the histogram; NaN or out of range gives -1.
int XOf(const Histogram& h, const Box& plot, double value) {
    if (!(value >= h.low && value <= h.high)) return -1;
    if (h.high == h.low) return plot.left + plot.width / 2;
    return plot.left + static_cast<int>(std::lround((value - h.low) / (h.high - h.low) * (plot.width - 1)));
}

void Mark(Canvas& canvas, const Histogram& h, const Box& plot, double value, Rgb color) {
    const int x = XOf(h, plot, value);
    if (x < 0) return;
    canvas.SetPenColor(color);
    canvas.Line(x, plot.top, x, plot.top + plot.height);
}

void DrawPanel(Canvas& canvas, const UncertaintyResult& r, const Box& box) {
    const Histogram h = CountHistogram(r.samples);
    const int counted = static_cast<int>(
        std::count_if(r.samples.begin(), r.samples.end(), [](double v) { return !std::isnan(v); }));
    canvas.TextOut(box.left + 4, box.top,
                   r.name + " " + r.kind + " [M], " + std::to_string(counted) + " samples");
    const Box plot{box.left + 8, box.top + kTextHeight + 4, box.width - 16,
                   box.height - 2 * kTextHeight - 10};
    const int base = plot.top + plot.height;
    canvas.SetPenColor(kBlack);
    canvas.Line(plot.left, base, plot.left + plot.width - 1, base);
    const int most = h.counts.empty() ? 0 : *std::max_element(h.counts.begin(), h.counts.end());
    if (most == 0) {
        canvas.TextOut(plot.left + 4, plot.top + plot.height / 2, "no sample converged");
        return;
    }
    canvas.SetPenColor(kBarColor);
    const int bins = static_cast<int>(h.counts.size());
    for (int b = 0; b < bins; ++b) {
        const int x0 = plot.left + b * plot.width / bins;
        const int x1 = plot.left + (b + 1) * plot.width / bins - 2;
        const int top =
            base - static_cast<int>(std::lround(static_cast<double>(h.counts[b]) / most * (plot.height - 2)));
        if (h.counts[b] == 0) continue;
        for (int x = x0; x <= x1; ++x) canvas.Line(x, top, x, base - 1);
    }
    Mark(canvas, h, plot, r.q025, kRangeColor);
    Mark(canvas, h, plot, r.q975, kRangeColor);
    Mark(canvas, h, plot, r.median, kMedianColor);
    Mark(canvas, h, plot, r.value, kValueColor);
    const std::string high = FormatSciTrimmed(h.high);
    canvas.TextOut(plot.left, base + 3, FormatSciTrimmed(h.low));
    canvas.TextOut(plot.left + plot.width - 7 * static_cast<int>(high.size()), base + 3, high);
}

}  // namespace

Histogram CountHistogram(const std::vector<double>& values) {
    Histogram h;
    h.counts.assign(kHistogramBins, 0);
    bool any = false;
    for (const double v : values) {
        if (std::isnan(v)) continue;
        h.low = any ? std::min(h.low, v) : v;
        h.high = any ? std::max(h.high, v) : v;
        any = true;
    }
    for (const double v : values) {
        if (std::isnan(v)) continue;
        int bin = kHistogramBins / 2;
        if (h.high > h.low)
            bin = std::min(kHistogramBins - 1,
                           static_cast<int>((v - h.low) / (h.high - h.low) * kHistogramBins));
        ++h.counts[static_cast<std::size_t>(bin)];
    }
    return h;
}

void DrawUncertaintyHistograms(const UncertaintyOutcome& outcome, Canvas& canvas) {
    canvas.Clear();
    const int n = std::min(static_cast<int>(outcome.results.size()), 6);
    const int columns = n <= 1 ? 1 : 2;
    const int rows = std::max(1, (n + columns - 1) / columns);
    const int width = kGraphWidth / columns;
    const int height = kLegendTop / rows;
    for (int k = 0; k < n; ++k)
        DrawPanel(canvas, outcome.results[static_cast<std::size_t>(k)],
                  {(k % columns) * width, (k / columns) * height, width, height});
    if (n == 0) canvas.TextOut(8, 8, "No result to show");
    canvas.TextOut(4, kLegendTop,
                   "red: single-point value   green: median   blue: 95 % range (2.5 % .. 97.5 %)");
}

}  // namespace dedodiz
