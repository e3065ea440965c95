// SPDX-License-Identifier: BSD-3-Clause
// Files dropped on the main window: each kind loads as its own command loads it.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "gui/Bufcalc.h"
#include "gui/Foutput.h"
#include "gui/QtText.h"
#include "gui/Tulvmain.h"

namespace dedodiz {

namespace {

enum class DroppedKind { None, Constants, Work, Buffers };

DroppedKind KindOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("tcm") || suffix == QLatin1String("ccm")) return DroppedKind::Constants;
    if (suffix == QLatin1String("stg")) return DroppedKind::Work;
    if (suffix == QLatin1String("bcm")) return DroppedKind::Buffers;
    return DroppedKind::None;
}

// The one local file of a drag, when it is of a kind the window loads; empty otherwise (a drag of
// several files would load one and drop the others unseen).
QString DroppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
    const QUrl& url = data->urls().front();
    if (!url.isLocalFile()) return {};
    const QString path = url.toLocalFile();
    return KindOf(path) != DroppedKind::None ? path : QString();
}

}  // namespace

bool TTULV::OpenDroppedFile(const QString& path) {
    const std::string file = ToStd(path);
    switch (KindOf(path)) {
        case DroppedKind::Constants:
            if (const auto name = StorableName(file)) LoadConstants(*name, TitleFile(*name));
            return true;
        case DroppedKind::Work:
            if (LoadWorkFrom(file)) Output->RunSinglePointHere(s_, messages_);
            return true;
        case DroppedKind::Buffers:
            Bufcalc->ShowWithSolutionValues();
            Bufcalc->LoadBufferFrom(file);
            return true;
        case DroppedKind::None:
            break;
    }
    return false;
}

void TTULV::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TTULV::dropEvent(QDropEvent* event) {
    const QString path = DroppedFile(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    OpenDroppedFile(path);
}

}  // namespace dedodiz
