#include "equations/equationsscrollingwidget.h"

#include "equations/equationswindow.h"

#include <QAbstractSlider>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>

TEquationsScrolling::TEquationsScrolling(QWidget* parent) : QScrollArea(parent)
{
    setWindowTitle(QStringLiteral("Equations Editor"));
    setWidgetResizable(false);
    setBackgroundRole(QPalette::Base);
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            &TEquationsScrolling::VerticalAction);
    connect(verticalScrollBar(), &QAbstractSlider::sliderReleased, this, [this] {
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(AdjustedPosition(QAbstractSlider::SliderMove + 100, bar->value(), bar->value()));
    });
}

TEquationsScrolling::~TEquationsScrolling() = default;

void TEquationsScrolling::SetEquationsWindow(TEquationsWindow* window)
{
    window_ = window;
    setWidget(window);
    if (window) {
        window->Scrolling = this;
        window->ScrollBox = this;
        verticalScrollBar()->setSingleStep(std::max(1, window->fontMetrics().height()));
        window->UpdateScrollRanges();
    }
}

int TEquationsScrolling::AdjustedPosition(int action, int current, int position) const
{
    if (!window_)
        return position;
    const int visible = viewport()->height();
    auto lineTop = [this](int y) {
        const int index = window_->LineAtY(y);
        return index < 0 ? y : window_->LineRect(index).top();
    };
    auto lineHeight = [this](int y) {
        const int index = window_->LineAtY(y);
        return index < 0 ? 1 : std::max(1, window_->LineRect(index).height());
    };
    int target = position;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        target = current + lineHeight(current);
        break;
    case QAbstractSlider::SliderSingleStepSub:
        target = current - lineHeight(std::max(0, current - window_->fontMetrics().height()));
        break;
    case QAbstractSlider::SliderPageStepAdd:
        target = lineTop(current + visible);
        break;
    case QAbstractSlider::SliderPageStepSub:
        target = lineTop(std::max(0, current - visible));
        break;
    case QAbstractSlider::SliderMove:
        return position; // dragging the thumb follows the mouse
    default:
        target = lineTop(position); // a released thumb lands on a line's top
        break;
    }
    return std::clamp(target, verticalScrollBar()->minimum(), verticalScrollBar()->maximum());
}

void TEquationsScrolling::VerticalAction(int action)
{
    QScrollBar* bar = verticalScrollBar();
    bar->setSliderPosition(AdjustedPosition(action, bar->value(), bar->sliderPosition()));
}

void TEquationsScrolling::FitWindow(QSize content)
{
    content_ = content;
    if (!window_)
        return;
    const QSize view = viewport()->size();
    window_->resize(std::max(content.width(), view.width()), std::max(content.height(), view.height()));
}

void TEquationsScrolling::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    FitWindow(content_);
}

bool TEquationsScrolling::viewportEvent(QEvent* event)
{
    const bool handled = QScrollArea::viewportEvent(event);
    if (event->type() == QEvent::Resize && window_ && window_->Line())
        window_->ScrollCaretIntoView();
    return handled;
}
