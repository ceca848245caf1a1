#include "plot/backgroundpicture.h"

#include "graph/graphparams.h"
#include "platform/canvas.h"
#include "plot/graphrenderer.h"
#include "settings/configuration.h"

#include <algorithm>
#include <cstring>

int TChosenLines::IndexOf(const TEquationObject* line) const
{
    const auto found = std::find(lines.begin(), lines.end(), line);
    return line && found != lines.end() ? static_cast<int>(found - lines.begin()) : -1;
}

void DrawChosenLines(Canvas& canvas, TGraphParams& params, const TChosenLines& lines, QSize size,
                     const TEquationObject* highlighted)
{
    const QRect all(QPoint(0, 0), size);
    const QRect* saved = params.PaintRect;
    params.PaintRect = &all;
    TGraphRenderer renderer;
    renderer.HighlightLine = lines.IndexOf(highlighted);
    renderer.DrawLines(canvas, params, &lines);
    params.PaintRect = saved;
}

TQuickDrawing::TQuickDrawing() : quiet_(BusyCursorFlag, false), mode_(DrawMode)
{
    DrawMode = static_cast<std::uint8_t>(DrawMode & ~dmDrawVisibly);
}

TQuickDrawing::~TQuickDrawing()
{
    DrawMode = mode_;
}

void TBackgroundPicture::Take(QSize size, qreal ratio, const QFont& font, TGraphParams& params,
                              const TChosenLines& others, const TEquationObject* highlighted,
                              unsigned generation)
{
    picture_ = QImage();
    if (size.isEmpty())
        return;
    QImage picture(size * ratio, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(ratio);
    {
        Canvas canvas(&picture);
        canvas.SetFont(font);
        TGraphRenderer::DrawBackground(canvas, params, QRect(QPoint(0, 0), size));
        DrawChosenLines(canvas, params, others, size, highlighted);
    }
    picture_ = std::move(picture);
    generation_ = generation;
    ++builds_;
}

bool TBackgroundPicture::Current(QSize size, qreal ratio, unsigned generation) const
{
    return !picture_.isNull() && generation == generation_ && picture_.size() == size * ratio &&
           picture_.devicePixelRatio() == ratio;
}

QImage TBackgroundPicture::Frame(QImage spare) const
{
    if (picture_.isNull())
        return {};
    QImage frame = std::move(spare);
    if (frame.size() == picture_.size() && frame.format() == picture_.format() &&
        frame.bytesPerLine() == picture_.bytesPerLine())
        std::memcpy(frame.bits(), picture_.constBits(), static_cast<std::size_t>(picture_.sizeInBytes()));
    else
        frame = picture_.copy();
    frame.setDevicePixelRatio(picture_.devicePixelRatio());
    return frame;
}
