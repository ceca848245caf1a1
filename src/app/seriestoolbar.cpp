// The exercise series' toolbar.
#include "app/seriestoolbar.h"

#include "app/toolbaricons.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QScreen>
#include <QToolButton>

#include <algorithm>

namespace {

QToolButton* SeriesButton(QWidget* parent, const char* name, const QString& hint, const char* drawing)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    button->setStatusTip(hint);
    button->setAccessibleName(hint);
    button->setIcon(DrawingIcon(drawing));
    button->setIconSize(QSize(24, 24));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

} // namespace

TLumatutorseriesDlg::TLumatutorseriesDlg(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      owner_(owner)
{
    setObjectName("LumatutorseriesDlg");
    setWindowTitle(tr("Series"));
    last_ = SeriesButton(this, "Lastfile", tr("Last file"), "last-file");
    quit_ = SeriesButton(this, "Finfishseries", tr("Quit series"), "quit-series");
    next_ = SeriesButton(this, "Nextfile", tr("Next file"), "next-file");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(2);
    row->addWidget(last_);
    row->addWidget(quit_);
    row->addWidget(next_);
    setLayout(row);
    connect(last_, &QToolButton::clicked, this, &TLumatutorseriesDlg::LastFile);
    connect(next_, &QToolButton::clicked, this, &TLumatutorseriesDlg::NextFile);
    connect(quit_, &QToolButton::clicked, this, [this] { close(); });
}

void TLumatutorseriesDlg::ShowFor(bool hasLast, bool hasNext)
{
    last_->setEnabled(hasLast);
    next_->setEnabled(hasNext);
    if (!isVisible())
        show();
    // Over the main window even where no window manager keeps it on top.
    raise();
    if (!placed_) {
        placed_ = true;
        // The first time: at the top of the main window, right edges together (the frame is known once
        // shown).
        const QRect frame = frameGeometry();
        QPoint at(owner_->frameGeometry().right() - frame.width() + 1, owner_->geometry().top());
        if (const QScreen* screen = owner_->screen()) {
            const QRect room = screen->availableGeometry();
            at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() + 1 - frame.width())));
            at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() + 1 - frame.height())));
        }
        move(at);
    }
}

void TLumatutorseriesDlg::HideQuietly()
{
    // Hiding is not closing: no quit is reported.
    hide();
}

void TLumatutorseriesDlg::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit SeriesQuit();
}
