// SPDX-License-Identifier: BSD-3-Clause
#include "gui/StopProgress.h"

#include <QCoreApplication>
#include <QWidget>
#include <algorithm>
#include <cfenv>

namespace dedodiz {

namespace {

constexpr int kShowAfterMs = 400;   // a computation shorter than this shows no dialog
constexpr int kEventsEveryMs = 50;  // how often the windows are painted and Stop is looked at

}  // namespace

StopProgress::StopProgress(QWidget* owner, const QString& label, int total) : total_(std::max(total, 0)) {
    dialog_ = new QProgressDialog(label, QStringLiteral("&Stop"), 0, total_, owner);
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->setMinimumDuration(kShowAfterMs);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setValue(0);
    sinceEvents_.start();
}

StopProgress::~StopProgress() {
    delete dialog_.data();
}

std::function<bool()> StopProgress::Check() {
    return [this] { return Ask(); };
}

bool StopProgress::Ask() {
    ++asked_;
    if (stopped_) return true;
    if (sinceEvents_.elapsed() < kEventsEveryMs || dialog_.isNull()) return false;
    sinceEvents_.restart();
    // The calculation's floating-point flags tell its faults: what painting the windows raises must
    // not be taken for one of them.
    std::fexcept_t flags{};
    std::fegetexceptflag(&flags, FE_ALL_EXCEPT);
    dialog_->setValue(total_ > 0 ? std::min(asked_, total_) : 0);  // shows the dialog once the time has come
    QCoreApplication::processEvents();
    std::fesetexceptflag(&flags, FE_ALL_EXCEPT);
    stopped_ = dialog_.isNull() || dialog_->wasCanceled();
    return stopped_;
}

}  // namespace dedodiz
