// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The small plot of the live calculator: what the calculation type computes (the free metal for type
// Free, the total metal for type Total, the chelator for type Chelator) against pH, temperature or
// ionic strength around the present point, on a logarithmic scale, the present point marked. The
// curves are a 2D sweep of 41 points of the same solution, solved as the graph window's sweeps are,
// into storage of the plot's own: nothing is allocated for a redraw.

#include <QWidget>
#include <array>

#include "core/Sweep.h"
#include "engine/Run.h"

class QPainter;

namespace dedodiz {

class LivePlot : public QWidget {
    Q_OBJECT

  public:
    explicit LivePlot(QWidget* parent = nullptr);

    // Sweeps axis around the present point of calc (which has just run) and redraws: pH by 1 either
    // side, temperature by 10 C, ionic strength from half to one and a half times its value.
    void Update(const Calculation& calc, AxisVariable axis, Precision precision);
    // Why nothing is drawn (empty when curves are drawn).
    [[nodiscard]] const QString& Note() const { return note_; }
    // The last sweep: its series hold what the type computes at each of its 41 points.
    [[nodiscard]] const SweepState& Sweep() const { return sweep_; }
    [[nodiscard]] double PresentX() const { return x_; }

    [[nodiscard]] QSize sizeHint() const override { return {360, 280}; }
    [[nodiscard]] QSize minimumSizeHint() const override { return {240, 180}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // The range of the values drawn, in decades: false when no series has a value above 0.
    bool DecadeRange(double& low, double& high) const;
    void DrawFrame(QPainter& p, const QRectF& area, double low, double high) const;
    void DrawSeries(QPainter& p, const QRectF& area, double low, double high) const;
    void DrawLegend(QPainter& p, const QRectF& area) const;

    SweepState sweep_;
    Calculation scratch_;              // the sweep's own copy of the calculation
    std::array<bool, 6> series_{};     // which series are drawn (the slots that hold an entry)
    std::array<double, 6> present_{};  // their values at the present point
    std::array<QString, 6> names_;
    CalculationType type_ = CalculationType::Free;
    AxisVariable axis_ = AxisVariable::PH;
    double x_ = 0;
    QString note_;
};

// The colour of series k (0..5), readable on a light and on a dark background.
QColor SeriesColour(int k);

}  // namespace dedodiz
