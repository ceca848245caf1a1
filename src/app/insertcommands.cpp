// The main window's Insert toolbar and keypad: what they type into the maths
// editor that has the focus.
#include "app/lumacurveform.h"

#include "app/startupwindow.h"
#include "editor/canvascontrol.h"
#include "editor/mathseditor.h"
#include "equations/equationswindow.h"
#include "graphwindow/graphwindow.h"
#include "platform/canvas.h"
#include "platform/drawinginterrupt.h"
#include "platform/windowmessages.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <cmath>
#include <cstdio>

void TLumacurveForm::RegisterInsertHandlers()
{
    // Index, fraction, square root and pi go to the maths editor with the focus; the
    // other four go to the equations window's editor, which is the active one there.
    auto& c = *commands_;
    c.SetHandler("KeyBtnHelpAct", [this] { ShowHelp(215); });
    c.SetHandler("KeybtnAltAct",
                 [this] { QuickSuperscript = commands_->Action("KeybtnAltAct")->isChecked(); });
    c.SetHandler("KeyBtnFnAct", [] {});         // the toggled signal switches the key groups
    c.SetHandler("KeyBtnRightMouseAct", [] {}); // the canvas controls read the latch
    auto toEditor = [this](void (TMathsEditor::*insert)(), bool equationsOnly) {
        return [this, insert, equationsOnly] {
            TMathsEditor* editor = equationsOnly || !ActiveMathsEditor ? equations_ : ActiveMathsEditor;
            if (editor == equations_)
                (void)ActiveMathsWindow();
            (editor->*insert)();
        };
    };
    c.SetHandler("ActionInsertSuper", toEditor(&TMathsEditor::InsertIndex, false));
    c.SetHandler("ActionInsFraction", toEditor(&TMathsEditor::InsertFraction, false));
    c.SetHandler("ActionInsSqroot", toEditor(&TMathsEditor::InsertSquareRoot, false));
    c.SetHandler("ActionInsPi", toEditor(&TMathsEditor::InsertPi, false));
    c.SetHandler("ActionInsTheta", toEditor(&TMathsEditor::InsertTheta, true));
    c.SetHandler("ActionInsplusminus", toEditor(&TMathsEditor::InsertPlusMinus, true));
    // The editor's own chords type the two comparison signs.
    auto chord = [this](Qt::Key key) {
        return [this, key] {
            (void)ActiveMathsWindow();
            QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
            QCoreApplication::sendEvent(equations_, &press);
        };
    };
    c.SetHandler("ActionInsLessEq", chord(Qt::Key_Comma));
    c.SetHandler("ActionInsGreaterEq", chord(Qt::Key_Period));
}

void TLumacurveForm::TypeKeys(const QString& text)
{
    QWidget* target = ActiveMathsWindow();
    for (const QChar c : text) {
        int key = c.unicode();
        QString typed(c);
        switch (c.unicode()) {
        case '\r':
            key = Qt::Key_Return;
            break;
        case '\b':
            key = Qt::Key_Backspace;
            typed.clear();
            break;
        case 0x1c:
            key = Qt::Key_Left;
            typed.clear();
            break;
        case 0x1d:
            key = Qt::Key_Right;
            typed.clear();
            break;
        default:
            key = QKeySequence(QString(c).toUpper())[0].key();
            break;
        }
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, typed);
        QCoreApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, typed);
        QCoreApplication::sendEvent(target, &release);
    }
    // After each key the quick-superscript state is cleared.
    QuickSuperscript = false;
    commands_->Action("KeybtnAltAct")->setChecked(false);
}
