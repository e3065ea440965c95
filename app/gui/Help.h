// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// The help of the program: one HTML page per help topic ("topic-N.html"), shown in a help window.
// Every window and menu item carries a topic number for context help on F1.

#include <QStringList>
#include <QWidget>

#include "engine/Sinks.h"

class QTextBrowser;

namespace dedodiz {

class THelp : public QWidget {
    Q_OBJECT

  public:
    explicit THelp(MessageSink& messages, QWidget* parent = nullptr);

    // Shows the page of topic and brings the window to the front; false when the page is not found.
    bool ShowTopic(int topic);

    // ShowTopic, telling the user "DEDODIZ32.HLP not found" (caption "ERROR") when it fails, unless
    // quiet.
    void ShowHelp(int topic, bool quiet = false);

    // The folders searched for the pages, in order: next to the program, the installed share folder
    // beside it, the folder the program was installed to, and the source tree it was built from.
    static QStringList DefaultSearchPath();
    void SetSearchPath(const QStringList& folders) { searchPath_ = folders; }
    QString FindTopic(int topic) const;

    QTextBrowser* HelpText;

  private:
    MessageSink& messages_;
    QStringList searchPath_;
};

// The topic that F1 opens over a window, a control or a menu item.
void SetHelpContext(QObject* target, int topic);
int HelpContext(const QObject* target);

// Opens help on F1: the topic of the highlighted menu item, or else of the focused control or the
// nearest window around it that has one. Installed once on the application.
class ContextHelp : public QObject {
    Q_OBJECT

  public:
    ContextHelp(THelp& help, QObject* parent = nullptr) : QObject(parent), help_(help) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    THelp& help_;
};

}  // namespace dedodiz
