// SPDX-License-Identifier: BSD-3-Clause
#include "gui/Help.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "files/DataPaths.h"

namespace dedodiz {

namespace {
const char* const kHelpContextProperty = "HelpContext";
}

THelp::THelp(MessageSink& messages, QWidget* parent)
    : QWidget(parent, Qt::Window), messages_(messages), searchPath_(DefaultSearchPath()) {
    setObjectName(QStringLiteral("Help"));
    setWindowTitle(QStringLiteral("DEDODIZ32 Help"));
    HelpText = new QTextBrowser(this);
    HelpText->setObjectName(QStringLiteral("HelpText"));
    HelpText->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(HelpText);
    resize(640, 560);
}

QStringList THelp::DefaultSearchPath() {
    const QString exeDir = QCoreApplication::applicationDirPath();
    QStringList folders{exeDir + QStringLiteral("/help"),
                        exeDir + QStringLiteral("/../share/dedodiz32/help")};
#ifdef DEDODIZ_HELP_INSTALL_DIR
    folders << QStringLiteral(DEDODIZ_HELP_INSTALL_DIR);
#endif
    // A program run from its build folder also finds the pages of its source tree.
    const std::filesystem::path source = SourceTreeOfProgram();
    if (!source.empty()) folders << QString::fromStdString((source / "app/gui/help").string());
    return folders;
}

QString THelp::FindTopic(int topic) const {
    const QString page = QStringLiteral("topic-%1.html").arg(topic);
    for (const QString& folder : searchPath_) {
        const QFileInfo info(QDir(folder), page);
        if (info.isFile() && info.isReadable()) return info.absoluteFilePath();
    }
    return {};
}

bool THelp::ShowTopic(int topic) {
    const QString path = FindTopic(topic);
    if (path.isEmpty()) return false;
    HelpText->setSearchPaths({QFileInfo(path).absolutePath()});
    HelpText->setSource(QUrl::fromLocalFile(path));
    // Over a modal dialog a plain window would take no input, so the help is then modal itself, on top
    // of the dialog, until the user closes it.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != this) {
        const Qt::WindowModality wanted = modal != nullptr ? Qt::ApplicationModal : Qt::NonModal;
        if (windowModality() != wanted) {
            hide();
            setWindowModality(wanted);
        }
    }
    show();
    raise();
    activateWindow();
    return true;
}

void THelp::ShowHelp(int topic, bool quiet) {
    if (!ShowTopic(topic) && !quiet) messages_.Message("DEDODIZ32.HLP not found", "ERROR");
}

void SetHelpContext(QObject* target, int topic) {
    target->setProperty(kHelpContextProperty, topic);
}

int HelpContext(const QObject* target) {
    const QVariant topic = target->property(kHelpContextProperty);
    return topic.isValid() ? topic.toInt() : 0;
}

bool ContextHelp::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1 ||
        static_cast<QKeyEvent*>(event)->modifiers() != Qt::NoModifier) {
        return QObject::eventFilter(watched, event);
    }
    int topic = 0;
    if (auto* menu = qobject_cast<QMenu*>(watched)) {
        if (QAction* item = menu->activeAction()) topic = HelpContext(item);
        if (topic == 0) topic = HelpContext(menu);
    }
    if (topic == 0) {
        for (auto* w = qobject_cast<QWidget*>(watched); w != nullptr && topic == 0; w = w->parentWidget())
            topic = HelpContext(w);
    }
    if (topic == 0) return QObject::eventFilter(watched, event);
    help_.ShowHelp(topic);
    return true;
}

}  // namespace dedodiz
