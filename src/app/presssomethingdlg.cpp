#include "app/presssomethingdlg.h"

#include "platform/drawinginterrupt.h"
#include "platform/mainwindowbase.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>

namespace {

TPressSomething* Current = nullptr;

} // namespace

TPressSomething::TPressSomething(QWidget* parent) : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog)
{
    setObjectName(QStringLiteral("PressSomething"));
    setModal(true);
    setFixedSize(1, 1);
    setFocusPolicy(Qt::StrongFocus);
}

bool TPressSomething::Waiting()
{
    return Current != nullptr;
}

void TPressSomething::WaitForKey(QWidget* parent)
{
    if (Current)
        return;
    // The drawing flags belong to the drawing that waits; whatever runs
    // while the box is up must not change them under it.
    const bool completed = DrawingCompleted;
    const bool busy = BusyCursorFlag;
    TPressSomething prompt(parent);
    Current = &prompt;
    // Nothing else may be evaluated while a drawing is held, so the wait
    // overrides any busy cursor with the ordinary one.
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    prompt.exec();
    QGuiApplication::restoreOverrideCursor();
    Current = nullptr;
    DrawingCompleted = completed;
    BusyCursorFlag = busy;
}

void TPressSomething::InstallAsPauseHandler(TKeyboardInterrupt& interrupt, QWidget* parent)
{
    QPointer<QWidget> owner(parent);
    interrupt.SetPauseHandler([owner] { WaitForKey(owner.data()); });
}

void TPressSomething::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ShowStatus("Press a key", true);
    activateWindow();
    setFocus(Qt::OtherFocusReason);
    // Platforms without pointer grabs (offscreen) rely on the modal box alone.
    if (QGuiApplication::platformName() != QStringLiteral("offscreen")) {
        grabMouse();
        grabKeyboard();
    }
}

void TPressSomething::Done()
{
    if (!isVisible())
        return;
    ShowStatus({});
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
    if (QWidget::keyboardGrabber() == this)
        releaseKeyboard();
    accept();
}

void TPressSomething::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    Done();
}

void TPressSomething::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    Done();
}

void TPressSomething::focusOutEvent(QFocusEvent* event)
{
    QDialog::focusOutEvent(event);
    Done();
}

bool TPressSomething::event(QEvent* event)
{
    if (event->type() == QEvent::WindowDeactivate)
        Done();
    return QDialog::event(event);
}
