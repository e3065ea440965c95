// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The results of the live calculator: the conditions and ionic sums, the free and total of every metal
// and chelator, and per pair the complexes, the Kd and where the free metal lies against its buffering
// range. Results that no longer belong to the form stay visible, greyed, under the reason.

#include <QWidget>

#include "core/Session.h"
#include "engine/Run.h"
#include "engine/State.h"
#include "gui/LiveForm.h"

class QLabel;
class QTableWidget;

namespace dedodiz {

class LiveResults : public QWidget {
    Q_OBJECT

  public:
    explicit LiveResults(QWidget* parent = nullptr);

    // Shows the numbers of a calculation that has just run (its working copy and results).
    void Show(const Calculation& calc, const Outcome& outcome);
    // Greys the results shown and tells why they are not those of the form; an empty reason shows them
    // as current again.
    void SetStale(const QString& reason);
    [[nodiscard]] bool Stale() const { return stale_; }

    // The note of the results (convergence, faults) or of the pairs (buffering range); nullptr for
    // the places of the form.
    [[nodiscard]] QLabel* Note(LivePlace place) const;

    QLabel* Summary;
    QLabel* StaleReason;
    QTableWidget* Metals;
    QTableWidget* Chelators;
    QTableWidget* Pairs;

  private:
    void ShowMetals(const TSolution& w, CalculationType type);
    void ShowChelators(const TSolution& w, CalculationType type);
    void ShowPairs(const TSolution& w, const SolverResults& r);

    QLabel* resultsNote_;
    QLabel* pairsNote_;
    bool stale_ = true;
};

// The text a table cell shows for a concentration: three digits in the unit that fits.
QString ConcCell(double value);

}  // namespace dedodiz
