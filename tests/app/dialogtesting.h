// Shared by the dialog tests: a watcher that answers the message boxes a
// dialog opens (noting their texts), so that a test drives real boxes and
// never hangs on one; helpers that type into maths editors as a user does;
// and a way to run a modal dialog with a test body inside its event loop.
#pragma once

#include "editor/mathseditor.h"
#include "formula/editor.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Answers each message box that comes up with the next answer queued (OK,
// or the box's escape button, when none is queued), keeping its text.
class TBoxAnswerer {
public:
    TBoxAnswerer()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box == last_)
                return;
            last_ = box;
            texts.push_back(box->text().toStdString());
            QMessageBox::StandardButton answer = QMessageBox::Ok;
            if (!answers.empty()) {
                answer = answers.front();
                answers.pop_front();
            }
            if (QAbstractButton* button = box->button(answer))
                button->click();
            else
                box->done(answer);
        });
        timer_.start();
    }
    std::deque<QMessageBox::StandardButton> answers;
    std::vector<std::string> texts;

private:
    QTimer timer_;
    QPointer<QMessageBox> last_;
};

// Replaces what a maths editor holds by text, typed as a user does: a click
// into the field (which selects everything in a dialog field) and the keys.
inline void TypeInto(TMathsEditor* editor, const char* text)
{
    editor->setFocus(Qt::OtherFocusReason);
    if (editor->Line())
        editor->Line()->SelectAll();
    QTest::keyClicks(editor, text);
    QApplication::processEvents();
}

// The markup an editor holds.
inline std::string TextOf(const TMathsEditor* editor)
{
    return editor->LineText();
}

// Runs body on the next modal dialog of type Dialog once it is shown (for a
// command that opens one and waits); gives up after two seconds.
template <class Dialog> void WhenShown(std::function<void(Dialog&)> body)
{
    auto* timer = new QTimer;
    auto waited = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, waited, body] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog && ++*waited < 200)
            return;
        timer->stop();
        timer->deleteLater();
        if (dialog)
            body(*dialog);
    });
    timer->start();
}

// Runs body once dialog's own event loop runs (exec), then answers the exec result.
inline int ExecWith(QDialog& dialog, const std::function<void()>& body)
{
    QTimer::singleShot(0, &dialog, [&] {
        body();
        if (dialog.isVisible())
            dialog.reject();
    });
    return dialog.exec();
}
