#include "plot/annotation.h"

#include "formula/editor.h"
#include "formula/formulalayout.h"
#include "formula/markup.h"
#include "graph/graphparams.h"
#include "graph/graphsurface.h"
#include "platform/canvas.h"
#include "settings/configuration.h"

#include <QPainter>

#include <cmath>

TAnnotation::TAnnotation(Extended anchorX, Extended anchorY)
    : TGraphObject(anchorX, anchorY), text_(std::make_unique<TEditor>())
{
    // The text starts at the box's edge.
    text_->leftMargin = 0;
    Measure();
}

TAnnotation::~TAnnotation() = default;

std::unique_ptr<TAnnotation> TAnnotation::AtCentre(const TGraphParams& params)
{
    const TAxis& x = *params.Axes->XAxis;
    const TAxis& y = *params.Axes->YAxis;
    return std::make_unique<TAnnotation>((x.Min + x.Max) / 2, (y.Min + y.Max) / 2);
}

bool TAnnotation::SetMarkup(std::string_view markup)
{
    TElementList list;
    try {
        list = ElementsFromText(markup);
    } catch (const std::exception&) {
        return false;
    }
    text_->SetElements(std::move(list));
    text_->ResetCaret();
    Measure();
    return true;
}

std::string TAnnotation::Markup() const
{
    return ElementsToText(text_->Elements());
}

void TAnnotation::TakeText(TEditor& line)
{
    const TColour colour = line.colour;
    text_->SetElements(line.TakeElements());
    line.SetElements(TElementList(new TEditorObject));
    text_->colour = colour;
    text_->ResetCaret();
    Measure();
}

bool TAnnotation::IsEmpty() const
{
    return ListIsEmpty(text_->Elements());
}

void TAnnotation::Measure()
{
    if (!text_->Elements())
        text_->SetElements(TElementList(new TEditorObject));
    MeasureLine(*text_);
}

TColour TAnnotation::GetColour() const
{
    return text_->colour;
}

void TAnnotation::SetColour(TColour colour)
{
    text_->colour = colour;
}

void TAnnotation::ScaleOffsets(Extended fx, Extended fy)
{
    TGraphObject::ScaleOffsets(fx, fy);
    Measure();
}

QRect TAnnotation::BoxRect(const TGraphParams& params) const
{
    const QRect anchor = TGraphObject::BoxRect(params);
    return {anchor.left(), anchor.top(), text_->width, text_->height};
}

void TAnnotation::Draw(Canvas& canvas, const TGraphParams& params)
{
    if (!IsOnScreen(params) || !IsShown())
        return;
    const QRect box = BoxRect(params);
    {
        // The box hides what lies under it, in the window's background.
        const TColour background = canvas.Printing() ? clWhite : BackgroundColour;
        canvas.Painter().fillRect(box.adjusted(1, 1, -1, -1), ToQColor(AdjustedColour(canvas, background)));
    }
    TGraphObject::Draw(canvas, params);
    canvas.MoveTo(box.topLeft());
    PaintLine(canvas, *text_);
}

bool TAnnotation::Clicked(TGraphSurface& surface)
{
    // Not drawn while its dialog is open; the old place is repainted without it.
    Invalidate();
    Locked = true;
    surface.EditAnnotation(*this);
    Locked = false;
    if (IsEmpty()) {
        surface.RemoveObjectLater(*this);
        return false;
    }
    Invalidate();
    return true;
}
