// SPDX-License-Identifier: BSD-3-Clause
#include "core/Graph.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "core/Sweep.h"
#include "engine/Format.h"

namespace dedodiz {

namespace {

constexpr int kBase2D = 320;     // y of 0 % in a 2D graph and on the front row of a 3D graph
constexpr int kFullScale = 200;  // pixels from 0 % to 100 %
constexpr int kStep2D = 7;       // x pixels per 2D point
constexpr int kStepX3D = 17;     // x pixels per X step of a 3D graph
constexpr int kStepZ3D = 10;     // x and y pixels per Z step of a 3D graph
constexpr int kLeft = 15;        // x of the first point
constexpr double kLowest = -32768;
constexpr double kHighest = 32767;

bool TotalType(const SweepState& s) {
    return SweepCalcType(s) == CalculationType::Total;
}
bool FreeType(const SweepState& s) {
    return SweepCalcType(s) == CalculationType::Free;
}
bool ChelatorType(const SweepState& s) {
    return SweepCalcType(s) == CalculationType::Chelator;
}

void Text(Canvas& canvas, int x, int y, std::string_view text) {
    if (!text.empty()) canvas.TextOut(x, y, text);
}

// "0" when the axis starts at exactly 0, its scientific text otherwise.
std::string AxisStartText(double start) {
    return start == 0 ? std::string("0") : FormatSci(start);
}

std::string AxisName2D(const SweepState& s, PointTarget code) {
    switch (code) {
        case PointTarget::Temperature:
            return "Temperature";
        case PointTarget::PH:
            return "    pH     ";
        case PointTarget::Ionic:
            return "Ionic conc.";
        default:
            break;
    }
    const int slot = MetalSlotOfVariable(code);
    if (slot == 0) return {};
    return std::string(IsTotalMetalTarget(code) ? "Total " : "Free ") + std::string(SweepMetalName(s, slot));
}

std::string AxisName3D(const SweepState& s, PointTarget code) {
    switch (code) {
        case PointTarget::Temperature:
            return "Temp.";
        case PointTarget::PH:
            return " pH  ";
        case PointTarget::Ionic:
            return "[Ion]";
        default:
            break;
    }
    const int slot = MetalSlotOfVariable(code);
    if (slot == 0) return {};
    return std::string(IsTotalMetalTarget(code) ? "T" : "F") + std::string(SweepMetalName(s, slot));
}

void DrawFrame2D(const SweepState& s, Canvas& canvas) {
    canvas.Line(15, 120, 15, 324);
    canvas.Line(295, 120, 295, 324);
    canvas.Line(15, 320, 295, 320);
    canvas.Line(15, 120, 295, 120);
    for (int k = 1; k <= 11; ++k) {
        canvas.SetPixel(14, 100 + 20 * k, kBlack);
        canvas.SetPixel(296, 100 + 20 * k, kBlack);
    }
    for (int k = 1; k <= 11; ++k) {
        const int x = 28 * k - 13;
        canvas.SetPixel(x, 322, kBlack);
        canvas.SetPixel(x, 324, kBlack);
        canvas.SetPixel(x, 122, kBlack);
        canvas.SetPixel(x, 124, kBlack);
    }
    Text(canvas, 3, 328, FormatSci(s.XStart));
    Text(canvas, 250, 328, FormatSci(s.XStart + (kSweepPoints2D - 1) * s.XStep));
    Text(canvas, 108, 348, AxisName2D(s, s.XVariable));
}

void DrawFrame3D(const SweepState& s, Canvas& canvas) {
    canvas.Line(15, 120, 15, 324);
    for (int k = 1; k <= 11; ++k) {
        canvas.SetPixel(14, 100 + 20 * k, kBlack);
        canvas.SetPixel(286, 20 * k, kBlack);
        canvas.SetPixel(114, 20 * k, kBlack);
    }
    canvas.Line(115, 20, 115, 220);
    canvas.Line(285, 20, 285, 220);
    canvas.Line(115, 20, 285, 20);
    canvas.Line(115, 220, 285, 220);
    canvas.Line(15, 320, 185, 320);
    for (int k = 1; k <= 6; ++k) {
        const int x = 34 * k - 19;
        const int u = 34 * k + 81;
        canvas.SetPixel(x, 322, kBlack);
        canvas.SetPixel(x, 320, kBlack);
        canvas.SetPixel(u, 18, kBlack);
        canvas.SetPixel(u, 16, kBlack);
        canvas.SetPixel(u, 218, kBlack);
        canvas.SetPixel(u, 216, kBlack);
    }
    canvas.Line(15, 120, 115, 20);
    canvas.Line(15, 320, 115, 220);
    canvas.Line(185, 320, 285, 220);

    Text(canvas, 3, 328, AxisStartText(s.XStart));
    Text(canvas, 140, 328, FormatSci(s.XStart + (kSweepPoints3D - 1) * s.XStep));
    Text(canvas, 90, 348, AxisName3D(s, s.XVariable));
    Text(canvas, 204, 314, AxisStartText(s.ZStart));
    Text(canvas, 290, 220, FormatSci(s.ZStart + (kSweepPoints3D - 1) * s.ZStep));
    Text(canvas, 264, 280, AxisName3D(s, s.ZVariable));

    for (int k = 1; k <= 6; ++k) {
        const int t = 20 * k;
        canvas.SetPixel(166 + t, 340 - t, kBlack);
        canvas.SetPixel(167 + t, 340 - t, kBlack);
        canvas.SetPixel(t - 7, 140 - t, kBlack);
        canvas.SetPixel(t - 8, 140 - t, kBlack);
        canvas.SetPixel(t - 7, 340 - t, kBlack);
        canvas.SetPixel(t - 8, 340 - t, kBlack);
    }
}

bool Swept(const SweepState& s, PointTarget code) {
    return s.XVariable == code || (Is3DSweep(s) && s.ZVariable == code);
}

std::string ConditionsText(const SweepState& s) {
    const std::string T = Swept(s, PointTarget::Temperature) ? " VAR" : FormatFixed(s.StartTemperature, 5, 1);
    const std::string P = Swept(s, PointTarget::PH) ? " VAR" : FormatFixed(s.StartPH, 6, 2);
    const std::string I = Swept(s, PointTarget::Ionic) ? " VAR" : FormatFixed(s.StartIonic, 6, 3);
    return "STARTING AT: " + T + " C" + "  pH" + P + "  " + I + "N";
}

bool SweptMetalSlot(const SweepState& s, int k) {
    return MetalSlotOfVariable(s.XVariable) == k || (Is3DSweep(s) && MetalSlotOfVariable(s.ZVariable) == k);
}

void DrawLegendRow(const SweepState& s, Canvas& canvas, const SeriesMaxima& maxima, int k) {
    const int y1 = 20 * k + 50;
    const int y2 = 20 * k + 190;
    Text(canvas, 360, y1, SweepChelatorName(s, k));
    if (ChelatorType(s)) {
        if (maxima[k] > 0) Text(canvas, 420, y1, FormatSci(maxima[k]));
    } else if (s.StartChelTotal[k] != 0) {
        Text(canvas, 420, y1, FormatSci(s.StartChelTotal[k]));
    }
    Text(canvas, 370, y2, SweepMetalName(s, k));

    std::string a, b;
    if (TotalType(s)) {
        if (s.StartMetalFree[k] != 0) a = FormatSci(s.StartMetalFree[k]), b = FormatSci(maxima[k]);
    } else if (FreeType(s)) {
        if (s.StartMetalTotal[k] != 0) a = FormatSci(s.StartMetalTotal[k]), b = FormatSci(maxima[k]);
    } else if (s.StartMetalTotal[k] != 0) {
        a = FormatSci(s.StartMetalTotal[k]), b = FormatSci(s.StartMetalFree[k]);
    }
    if (SweptMetalSlot(s, k)) a = " VARIABLE";
    Text(canvas, 400, y2, a);
    Text(canvas, 490, y2, b);
}

struct Point {
    int x;
    int y;
};

Point GridPoint(const SweepState& s, int series, double max, int a, int b) {
    const int base = kBase2D - kStepZ3D * b;
    return {kLeft + kStepX3D * a + kStepZ3D * b, ScaledY(base, s.Sweep3D[series][a + 1][b + 1], max)};
}

void DrawLine(Canvas& canvas, Point p, Point q) {
    canvas.Line(p.x, p.y, q.x, q.y);
}

void DrawCurve2D(const SweepState& s, Canvas& canvas, int series, double max) {
    const auto point = [&](int i) {
        return Point{kLeft + kStep2D * (i - 1), ScaledY(kBase2D, s.Sweep2D[series][i], max)};
    };
    for (int i = 1; i < kSweepPoints2D; ++i) DrawLine(canvas, point(i), point(i + 1));
    for (int i = 1; i <= kSweepPoints2D; ++i)
        if (!s.Converged2D[i]) canvas.TextOut(11 + kStep2D * (i - 1), kBase2D - 4, "*");
}

void DrawSurface3D(const SweepState& s, Canvas& canvas, int series, double max) {
    const auto at = [&](int a, int b) { return GridPoint(s, series, max, a, b); };
    constexpr int last = kSweepPoints3D - 1;
    for (int a = 0; a < last; ++a) {
        for (int b = 0; b < last; ++b) {
            DrawLine(canvas, at(a, b), at(a + 1, b));
            DrawLine(canvas, at(a, b), at(a, b + 1));
        }
    }
    for (int b = 0; b < last; ++b) DrawLine(canvas, at(last, b), at(last, b + 1));
    for (int a = 0; a < last; ++a) DrawLine(canvas, at(a, last), at(a + 1, last));
    // The mark sits at the foot of the grid point, on its base line.
    for (int a = 0; a <= last; ++a)
        for (int b = 0; b <= last; ++b)
            if (!s.Converged3D[a + 1][b + 1])
                canvas.TextOut(11 + kStepX3D * a + kStepZ3D * b, kBase2D - 4 - kStepZ3D * b, "*");
}

}  // namespace

Rgb SeriesColor(int series) {
    static constexpr Rgb colors[] = {{255, 0, 0},     {0, 255, 0}, {0, 128, 0},
                                     {128, 128, 128}, {0, 0, 255}, {128, 0, 0}};
    if (series < 1 || series > kSlots) return kBlack;
    return colors[series - 1];
}

SeriesMaxima ComputeSeriesMax(const SweepState& s) {
    SeriesMaxima maxima;
    for (int k = 1; k <= kSlots; ++k) {
        double max = 0;
        if (Is3DSweep(s)) {
            for (const auto& row : s.Sweep3D[k])
                for (const double v : row)
                    if (v > max) max = v;
        } else {
            for (const double v : s.Sweep2D[k])
                if (v > max) max = v;
        }
        maxima[k] = max;
    }
    return maxima;
}

int ScaledY(int base, double value, double max) {
    if (std::isnan(value)) return static_cast<int>(kHighest);
    // value <= max, so only a value far below zero can leave the range; test that before dividing,
    // where the quotient could overflow.
    constexpr double kFarRatio = 2 * (kHighest + 1) / kFullScale;
    const double ratio = value < 0 && -value / kFarRatio > max ? -kFarRatio : value / max;
    const double y = base - std::nearbyint(kFullScale * ratio);
    return static_cast<int>(std::clamp(y, kLowest, kHighest));
}

void DrawGraphFrame(const SweepState& s, Canvas& canvas) {
    canvas.SetPenColor(kBlack);
    if (Is3DSweep(s))
        DrawFrame3D(s, canvas);
    else
        DrawFrame2D(s, canvas);
}

void DrawGraphText(const SweepState& s, Canvas& canvas) {
    canvas.SetPenColor(kBlack);
    Text(canvas, 3, 312, "0");
    Text(canvas, 3, 120, "%");
    Text(canvas, 3, 140, "M");
    Text(canvas, 3, 160, "A");
    Text(canvas, 3, 180, "X");
    const SeriesMaxima maxima = ComputeSeriesMax(s);

    Text(canvas, 320, 30, ConditionsText(s));
    Text(canvas, 420, 50, ChelatorType(s) ? "Max [Total] M" : "[Total] M");
    Text(canvas, 400, 190, TotalType(s) ? "[Free] M" : "[Total] M");
    Text(canvas, 490, 190, TotalType(s) ? "Max [Total] M" : FreeType(s) ? "Max [Free] M" : "[Free] M");

    for (int k = 1; k <= kSlots; ++k) DrawLegendRow(s, canvas, maxima, k);
    Text(canvas, 10, 380,
         "NOT VALID below " + FormatFixed(s.PeakComplexIonic, 6, 3) + " N [ion] (DEDODIZ32 " +
             std::string(kVersion) + ")");
    Text(canvas, 10, 400, "* = convergence not reached, not valid data");
}

void DrawGraphCurves(const SweepState& s, Canvas& canvas) {
    const SeriesMaxima maxima = ComputeSeriesMax(s);
    for (int k = 1; k <= kSlots; ++k) {
        canvas.SetPenColor(SeriesColor(k));
        const double max = maxima[k];
        if (!(max > 0)) continue;
        if (ChelatorType(s))
            canvas.Line(340, 20 * k + 52, 355, 20 * k + 52);
        else
            canvas.Line(350, 20 * k + 192, 365, 20 * k + 192);
        if (Is3DSweep(s))
            DrawSurface3D(s, canvas, k, max);
        else
            DrawCurve2D(s, canvas, k, max);
    }
    canvas.SetPenColor(kBlack);
}

void DrawGraph(const SweepState& s, Canvas& canvas) {
    canvas.Clear();
    DrawGraphFrame(s, canvas);
    DrawGraphText(s, canvas);
    DrawGraphCurves(s, canvas);
}

}  // namespace dedodiz
