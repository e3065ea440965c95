// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Drives the modal dialogs of a command as a user would: every time a modal window comes up, the next
// step of the script gets it and answers it (types into fields, clicks buttons). Message boxes are
// recorded. A dialog that no step is left for is closed and reported as a failure, so that a test
// never hangs.

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace dedodiz::test {

struct ShownMessage {
    std::string caption;
    std::string text;
};

class ModalScript {
  public:
    using Step = std::function<void(QWidget*)>;

    ModalScript() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        timer_.start();
    }
    ~ModalScript() {
        timer_.stop();
        EXPECT_EQ(next_, steps_.size()) << "dialogs that never came up: " << steps_.size() - next_;
    }

    // A step for a dialog of type T.
    template <typename T>
    ModalScript& On(std::function<void(T&)> answer) {
        steps_.push_back([answer](QWidget* w) {
            T* dialog = qobject_cast<T*>(w);
            if (dialog == nullptr) {
                ADD_FAILURE() << "expected a " << T::staticMetaObject.className() << ", got "
                              << w->metaObject()->className() << " \"" << w->windowTitle().toStdString()
                              << "\"";
                Dismiss(w);
                return;
            }
            answer(*dialog);
        });
        return *this;
    }

    // A message box, recorded and closed with OK.
    ModalScript& Message() {
        return On<QMessageBox>([this](QMessageBox& box) {
            messages.push_back({box.windowTitle().toStdString(), box.text().toStdString()});
            box.button(QMessageBox::Ok)->click();
        });
    }

    // A file dialog answered with a file name, or cancelled with an empty one.
    ModalScript& File(const QString& name) {
        return On<QFileDialog>([name](QFileDialog& dialog) {
            if (name.isEmpty()) {
                dialog.reject();
                return;
            }
            // Typed into the name field: a name handed to selectFile() does not reach that field
            // while it has the focus.
            if (auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                field->setText(name);
            } else {
                dialog.selectFile(name);
            }
            static_cast<QDialog&>(dialog).accept();  // the file dialog's own accept, public through QDialog
        });
    }

    std::vector<ShownMessage> messages;

  private:
    static void Dismiss(QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            box->done(QMessageBox::Ok);
        } else if (auto* dialog = qobject_cast<QDialog*>(w)) {
            dialog->done(QDialog::Rejected);
        } else {
            w->close();
        }
    }

    void Tick() {
        if (scheduled_) return;
        if (handled_ && handled_->isVisible() && handled_ == QApplication::activeModalWidget()) {
            // A step that leaves its dialog open must lead to another window within a few seconds.
            if (++waiting_ < 600) return;
            ADD_FAILURE() << "dialog " << handled_->metaObject()->className() << " left open by its step";
            Dismiss(handled_);
        }
        handled_ = nullptr;
        waiting_ = 0;
        QWidget* modal = QApplication::activeModalWidget();
        // A progress dialog asks nothing: it comes up when a computation takes a moment (on a loaded
        // machine, any of them) and goes on its own, so it is no step of the script.
        if (modal == nullptr || !modal->isVisible() || qobject_cast<QProgressDialog*>(modal) != nullptr) {
            seen_ = nullptr;
            return;
        }
        // A window must stay the active modal one over two ticks: a dialog that is closing (a file
        // dialog between its own question and its end) is active for a moment and is no new dialog.
        if (modal != seen_) {
            seen_ = modal;
            return;
        }
        seen_ = nullptr;
        handled_ = modal;
        if (next_ >= steps_.size()) {
            ADD_FAILURE() << "unexpected dialog " << modal->metaObject()->className() << " \""
                          << modal->windowTitle().toStdString() << "\"";
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                messages.push_back({box->windowTitle().toStdString(), box->text().toStdString()});
            Dismiss(modal);
            return;
        }
        // The step runs from the event loop, not inside this timer's own call: a dialog it opens in
        // turn (a message box after a click) must find the timer free to answer it.
        scheduled_ = true;
        QTimer::singleShot(0, &timer_, [this, step = steps_[next_++], dialog = QPointer<QWidget>(modal)] {
            scheduled_ = false;
            if (dialog) step(dialog);
            // The same dialog may come up again at once, without a window in between.
            if (handled_ && !handled_->isVisible()) handled_ = nullptr;
        });
    }

    QTimer timer_;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    QPointer<QWidget> handled_;
    QPointer<QWidget> seen_;  // the active modal window of the last tick, not yet handed to a step
    int waiting_ = 0;
    bool scheduled_ = false;
};

}  // namespace dedodiz::test
