#include "graph/graphrenderer.h"

#include "app/configuration.h"
#include "graph/graphparams.h"
#include "graph/linesource.h"
#include "platform/canvas.h"
#include "platform/drawinginterrupt.h"
#include "plot/graphobject.h"

bool LineVisible(const TEquationObject* line)
{
    return line && (line->Switches() & HiddenLineSwitch) == 0;
}

void TGraphRenderer::DrawBackground(Canvas& canvas, TGraphParams& params, const QRect& rect)
{
    TCanvasStateSaver saver(canvas);
    canvas.SetBrush({AdjustedColour(canvas, BackgroundColour), TBrushStyle::Solid});
    canvas.FillRect(rect);
    const QRect* saved = params.PaintRect;
    params.PaintRect = &rect;
    params.Axes->Draw(canvas, rect);
    params.PaintRect = saved;
}

int TGraphRenderer::DrawLines(Canvas& canvas, TGraphParams& params, const TLineSource* lines, int first) const
{
    if (!lines)
        return first;
    DrawingCompleted = true;
    int index = std::max(0, first);
    // The count is read each time: a pause may let the list change.
    for (; index < lines->LineCount() && DrawingCompleted; ++index) {
        TEquationObject* line = lines->LineAt(index);
        if (!LineVisible(line))
            continue;
        if (BeforeLine)
            BeforeLine(index);
        TCanvasStateSaver saver(canvas);
        line->DrawOnGraph(canvas, params);
        if (PauseBetweenLines && BetweenLines && index + 1 < lines->LineCount() && lines->LineCount() > 1 &&
            DrawingCompleted)
            BetweenLines();
    }
    return index;
}

void TGraphRenderer::DrawObjects(Canvas& canvas, const TGraphParams& params,
                                 std::span<TGraphObject* const> objects)
{
    for (TGraphObject* object : objects)
        if (object && object->IsShown()) {
            TCanvasStateSaver saver(canvas);
            object->Draw(canvas, params);
        }
}

void TGraphRenderer::Render(Canvas& canvas, TGraphParams& params, const TLineSource* lines,
                            std::span<TGraphObject* const> objects, QRect rect) const
{
    if (rect.isEmpty())
        rect = canvas.Bounds();
    DrawBackground(canvas, params, rect);
    const QRect* saved = params.PaintRect;
    params.PaintRect = &rect;
    DrawLines(canvas, params, lines);
    params.PaintRect = saved;
    DrawObjects(canvas, params, objects);
}
