// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A long computation of the windows (a bootstrap, the uncertainty's samples) runs in the window's own
// thread; its stop check shows a progress dialog once it has taken a moment, keeps the windows painted,
// and answers true once the user pressed Stop (or Esc). The dialog is application-modal, so nothing else
// can be started or changed meanwhile.

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <functional>

class QWidget;

namespace dedodiz {

class StopProgress {
  public:
    // total: how often the computation asks (the bootstrap's draws); the bar moves by one each time. 0: not
    // known beforehand (the samples of the uncertainty are asked for by blocks, on several threads): a
    // busy bar.
    StopProgress(QWidget* owner, const QString& label, int total);
    ~StopProgress();
    StopProgress(const StopProgress&) = delete;
    StopProgress& operator=(const StopProgress&) = delete;
    StopProgress(StopProgress&&) = delete;
    StopProgress& operator=(StopProgress&&) = delete;

    // The check to put into the request's stop.
    std::function<bool()> Check();
    [[nodiscard]] bool Stopped() const { return stopped_; }

  private:
    bool Ask();

    QPointer<QProgressDialog> dialog_;
    QElapsedTimer sinceEvents_;
    int asked_ = 0;
    int total_;
    bool stopped_ = false;
};

}  // namespace dedodiz
