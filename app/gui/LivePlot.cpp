// SPDX-License-Identifier: BSD-3-Clause
#include "gui/LivePlot.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "engine/FloatGuard.h"
#include "engine/Format.h"
#include "gui/LiveNumbers.h"
#include "gui/QtText.h"

namespace dedodiz {

namespace {

// The computed quantity of slot k that the series hold, as the graph window's sweeps keep it.
double PresentValue(const TSolution& w, CalculationType type, int k) {
    switch (type) {
        case CalculationType::Total:
            return w.MetalTotal[k];
        case CalculationType::Chelator:
            return w.ChelTotal[k];
        case CalculationType::Free:
            break;
    }
    return w.MetalFree[k];
}

double AxisValue(const TSolution& sol, AxisVariable axis) {
    if (axis == AxisVariable::Temperature) return sol.Temperature;
    if (axis == AxisVariable::Ionic) return sol.IonicEquiv;
    return sol.PH;
}

// The sweep's range around x: pH by 1 either side, temperature by 10 C, the ionic strength from half
// to one and a half times its value (it must stay above 0).
TAxisRange RangeAround(AxisVariable axis, double x) {
    if (axis == AxisVariable::Temperature) return {axis, x - 10, x + 10};
    if (axis == AxisVariable::Ionic) return {axis, x / 2, x * 3 / 2};
    return {axis, x - 1, x + 1};
}

// A run away from 20 C is refused when enthalpies are missing; the curves would then mean nothing.
bool EnthalpiesMissing(const TSolution& sol, CalculationType type) {
    TSolution away = sol;
    away.Temperature = kReferenceTemperature + 1;
    MessageKeeper quiet;
    return !CheckRunInputs(away, type, quiet);
}

bool Drawable(double v) {
    return v > 0 && std::isfinite(v);
}

// The label of the decade 10^k M, by the window's one rule for concentrations: "100 mM", "1.00 µM",
// "10.0 nM", "100 pM".
QString DecadeText(int k) {
    return ToQ(ConcentrationForEye(std::pow(10.0, k)));
}

int AxisDecimals(AxisVariable axis) {
    if (axis == AxisVariable::Temperature) return 1;
    if (axis == AxisVariable::Ionic) return 3;
    return 2;
}

QString AxisTitle(AxisVariable axis) {
    if (axis == AxisVariable::Temperature) return QStringLiteral("Temperature (°C)");
    if (axis == AxisVariable::Ionic) return QStringLiteral("Ionic strength (N)");
    return QStringLiteral("pH");
}

QString ValueTitle(CalculationType type) {
    if (type == CalculationType::Total) return QStringLiteral("Total metal");
    if (type == CalculationType::Chelator) return QStringLiteral("Total chelator");
    return QStringLiteral("Free metal");
}

}  // namespace

QColor SeriesColour(int k) {
    static const QRgb kColours[] = {0xd62728, 0x2ca02c, 0x1f77b4, 0xff7f0e, 0x9467bd, 0x17becf};
    return QColor(kColours[k % 6]);
}

LivePlot::LivePlot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("LivePlot"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    ResetSweepData(sweep_);
    note_ = QStringLiteral("No results yet");
}

void LivePlot::Update(const Calculation& calc, AxisVariable axis, Precision precision) {
    const TSolution& sol = calc.Solution;
    type_ = calc.CalcType;
    axis_ = axis;
    x_ = AxisValue(sol, axis);
    for (int k = 1; k <= kSlots; ++k) {
        const auto s = static_cast<std::size_t>(k - 1);
        const std::string_view name =
            type_ == CalculationType::Chelator ? sol.ChelName[k].view() : sol.MetalName[k].view();
        series_[s] = name != kEmptyChelator && name != kEmptyMetal;
        if (names_[s] != ToQ(name)) names_[s] = ToQ(name);
        present_[s] = PresentValue(calc.WorkSolution, type_, k);
    }
    note_.clear();
    if (axis == AxisVariable::Temperature && EnthalpiesMissing(sol, type_)) {
        note_ = QStringLiteral("No curves against temperature: delta-H values are missing");
    } else {
        scratch_ = calc;
        sweep_.XAxis = RangeAround(axis, x_);
        sweep_.SweepMode = static_cast<SweepKind>(static_cast<int>(type_));
        MessageKeeper fault;
        if (!RunGuarded(fault, [&] { RunSweep(sweep_, scratch_, precision); }))
            note_ = QStringLiteral("No curves: ") + ToQ(fault.Messages().front().text);
    }
    update();
}

bool LivePlot::DecadeRange(double& low, double& high) const {
    double lo = HUGE_VAL;
    double hi = -HUGE_VAL;
    const auto take = [&](double v) {
        if (!Drawable(v)) return;
        lo = std::min(lo, std::log10(v));
        hi = std::max(hi, std::log10(v));
    };
    for (int k = 0; k < kSlots; ++k) {
        if (!series_[static_cast<std::size_t>(k)]) continue;
        take(present_[static_cast<std::size_t>(k)]);
        for (int i = 1; i <= kSweepPoints2D; ++i) take(sweep_.Sweep2D[k + 1][i]);
    }
    if (lo > hi) return false;
    // Twelve decades at most: a trace level far below the others would flatten every curve.
    // A little room above and below, so that no curve runs along the frame.
    high = std::ceil(hi + 0.1);
    low = std::max(std::floor(lo - 0.1), high - 12);
    high = std::max(high, low + 1);
    return true;
}

void LivePlot::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    p.fillRect(rect(), palette().color(group, QPalette::Base));
    p.setPen(palette().color(group, QPalette::Text));
    double low = 0;
    double high = 0;
    if (!note_.isEmpty() || !DecadeRange(low, high)) {
        const QString text = note_.isEmpty() ? QStringLiteral("Nothing to draw: no value above 0") : note_;
        p.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, text);
        return;
    }
    const QFontMetricsF fm(font());
    // Room for the widest decade label on the left, and on the right for half of the last value of
    // the axis, which stands centred under the frame's right edge.
    double left = 0;
    for (int k = static_cast<int>(low); k <= static_cast<int>(high); ++k)
        left = std::max(left, fm.horizontalAdvance(DecadeText(k)));
    left += 12;
    const double x1 = sweep_.XStart + (kSweepPoints2D - 1) * sweep_.XStep;
    const double right =
        std::max(14.0, fm.horizontalAdvance(ToQ(FixedText(x1, AxisDecimals(axis_)))) / 2 + 6);
    const double top = fm.height() * 2.6;
    const double bottom = fm.height() * 2.6;
    const QRectF area(left, top, width() - left - right, height() - top - bottom);
    if (area.width() < 20 || area.height() < 20) return;
    DrawFrame(p, area, low, high);
    DrawSeries(p, area, low, high);
    DrawLegend(p, area);
}

void LivePlot::DrawFrame(QPainter& p, const QRectF& area, double low, double high) const {
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    const QColor text = palette().color(group, QPalette::Text);
    QColor grid = text;
    grid.setAlpha(50);
    const QFontMetricsF fm(font());
    const int decades = static_cast<int>(high - low);
    const int every = std::max(1, static_cast<int>(std::ceil(decades * fm.height() * 1.5 / area.height())));
    for (int k = static_cast<int>(low); k <= static_cast<int>(high); ++k) {
        const double y = area.bottom() - (k - low) / (high - low) * area.height();
        p.setPen(grid);
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        if ((k - static_cast<int>(low)) % every != 0) continue;
        p.setPen(text);
        const QRectF label(0, y - fm.height() / 2, area.left() - 6, fm.height());
        p.drawText(label, Qt::AlignRight | Qt::AlignVCenter, DecadeText(k));
    }
    const double x0 = sweep_.XStart;
    const double x1 = sweep_.XStart + (kSweepPoints2D - 1) * sweep_.XStep;
    for (int i = 0; i <= 4; ++i) {
        const double v = x0 + (x1 - x0) * i / 4;
        const double x = area.left() + area.width() * i / 4;
        p.setPen(grid);
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        p.setPen(text);
        const QString value = ToQ(FixedText(v, AxisDecimals(axis_)));
        const double w = fm.horizontalAdvance(value) + 8;
        p.drawText(QRectF(x - w / 2, area.bottom() + 2, w, fm.height()), Qt::AlignHCenter | Qt::AlignTop,
                   value);
    }
    p.setPen(text);
    p.drawRect(area);
    p.drawText(QRectF(area.left(), area.bottom() + fm.height() + 2, area.width(), fm.height()),
               Qt::AlignHCenter | Qt::AlignTop, AxisTitle(axis_));
    p.drawText(QPointF(4, fm.ascent() + 2), ValueTitle(type_) + QStringLiteral(" (log scale)"));
}

void LivePlot::DrawSeries(QPainter& p, const QRectF& area, double low, double high) const {
    const double x0 = sweep_.XStart;
    const double span = (kSweepPoints2D - 1) * sweep_.XStep;
    const auto X = [&](double v) { return area.left() + (span != 0 ? (v - x0) / span : 0.5) * area.width(); };
    const auto Y = [&](double v) {
        return area.bottom() - (std::log10(v) - low) / (high - low) * area.height();
    };
    const QColor text = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text);
    p.save();
    p.setClipRect(area);
    for (int k = 0; k < kSlots; ++k) {
        if (!series_[static_cast<std::size_t>(k)]) continue;
        QColor colour = SeriesColour(k);
        if (!isEnabled()) colour.setAlpha(90);
        p.setPen(QPen(colour, 2));
        p.setBrush(Qt::NoBrush);
        QPointF previous;
        bool joined = false;
        for (int i = 1; i <= kSweepPoints2D; ++i) {
            const double v = sweep_.Sweep2D[k + 1][i];
            if (!Drawable(v)) {
                joined = false;
                continue;
            }
            const QPointF point(X(x0 + (i - 1) * sweep_.XStep), Y(v));
            if (joined) p.drawLine(previous, point);
            // A point the solver did not converge at is ringed.
            if (!sweep_.Converged2D[i]) p.drawEllipse(point, 3.5, 3.5);
            previous = point;
            joined = true;
        }
    }
    // The present point: a dashed line through it and a dot on every curve.
    p.setPen(QPen(text, 1, Qt::DashLine));
    p.drawLine(QPointF(X(x_), area.top()), QPointF(X(x_), area.bottom()));
    for (int k = 0; k < kSlots; ++k) {
        const auto s = static_cast<std::size_t>(k);
        if (!series_[s] || !Drawable(present_[s])) continue;
        p.setPen(QPen(text, 1));
        p.setBrush(SeriesColour(k));
        p.drawEllipse(QPointF(X(x_), Y(present_[s])), 4.5, 4.5);
    }
    p.restore();
}

void LivePlot::DrawLegend(QPainter& p, const QRectF& area) const {
    const QFontMetricsF fm(font());
    double x = area.left();
    const double y = fm.height() * 1.3 + 2;
    for (int k = 0; k < kSlots; ++k) {
        const auto s = static_cast<std::size_t>(k);
        if (!series_[s]) continue;
        QColor colour = SeriesColour(k);
        if (!isEnabled()) colour.setAlpha(90);
        p.setPen(QPen(colour, 3));
        p.drawLine(QPointF(x, y + fm.height() / 2), QPointF(x + 14, y + fm.height() / 2));
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
        p.drawText(QPointF(x + 18, y + fm.ascent()), names_[s]);
        x += 18 + fm.horizontalAdvance(names_[s]) + 12;
    }
}

}  // namespace dedodiz
