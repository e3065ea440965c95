// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The result graph of the last sweep, drawn on a 633 x 433 canvas: a 2D sweep as up to six curves
// over one axis, a 3D sweep as up to six wire-frame surfaces in an oblique projection. Every series
// is scaled to its own maximum: 0 lies on the base line and 100 % is 200 pixels above it.

#include "core/Canvas.h"
#include "core/Sweep.h"
#include "engine/State.h"

namespace dedodiz {

using SeriesMaxima = OneBased<double, 6>;

// Colour of series 1..6: red, lime, green, grey, blue, maroon.
Rgb SeriesColor(int series);

// The largest value of each series over the current sweep, 0 when none is positive.
SeriesMaxima ComputeSeriesMax(const SweepState& s);

// Axes, ticks and the axis texts.
void DrawGraphFrame(const SweepState& s, Canvas& canvas);

// Scale letters, conditions, legend table and the two bottom lines.
void DrawGraphText(const SweepState& s, Canvas& canvas);

// The series in their colours, with legend swatches and the marks of points that did not converge.
void DrawGraphCurves(const SweepState& s, Canvas& canvas);

// A new picture with frame, text and curves: what the 2D and 3D commands draw after the sweep.
void DrawGraph(const SweepState& s, Canvas& canvas);

// The vertical position of value on a base line: base - round(200 * value / max), halves to even.
// Positions are signed 16-bit values; a point far below its base (possible where a solve did not
// converge) is clamped to -32768..32767: its line still runs steeply out of the bitmap, and no
// position can wrap around. A value that is not a number lies at the lowest position.
int ScaledY(int base, double value, double max);

}  // namespace dedodiz
