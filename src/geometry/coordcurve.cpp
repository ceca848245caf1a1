#include "geometry/coordcurve.h"

#include "expr/declarations.h"
#include "formula/descriptions.h"
#include "formula/editor.h"
#include "geometry/coordrows.h"
#include "graph/displayrounding.h"
#include "graph/graphparams.h"
#include "platform/canvas.h"
#include "settings/configuration.h"
#include "settings/mathsreader.h"
#include "settings/mathswriter.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <limits>

namespace {

// Round(u·N) as a row count; far-off parameters stay in range of a long long.
long long SampleIndex(Extended u, int n)
{
    const Extended k = RoundHalfEven(u * n);
    if (!(std::fabs(k) < 1e15L))
        return 0;
    return static_cast<long long>(k);
}

int RowOfSample(long long k, int rows)
{
    const long long r = (k - 1) % rows;
    return static_cast<int>(r < 0 ? r + rows : r);
}

} // namespace

bool IsCoordinateListHeading(int description)
{
    return description == dnCoordinates || description == dnDataPoints ||
           (description >= dnSquare && description <= dnOctagon) || description == dnPolygon;
}

// ---- construction ------------------------------------------------------------------

TCoordCurve::TCoordCurve(int kind)
{
    Joined = kind != dnDataPoints;
    std::uint16_t switches = Switches();
    if (Configuration.ShadeShapes && kind == dnCoordinates)
        switches |= swShade;
    if (!Configuration.LabelCoordinates || kind == dnDataPoints)
        switches |= swLabelsOff;
    SetSwitches(switches);
    SetHeading(kind);
}

TCoordCurve::~TCoordCurve() = default;

std::unique_ptr<TCoordCurve> TCoordCurve::MakeEmpty() const
{
    return std::make_unique<TCoordCurve>(dnCoordinates);
}

std::unique_ptr<TCoordCurve> TCoordCurve::CloneList() const
{
    std::unique_ptr<TCoordCurve> copy = MakeEmpty();
    for (int i = 0; i < Points.Count(); ++i)
        copy->Points.Add(Points[i]->Clone());
    copy->Joined = Joined;
    copy->Closed = Closed;
    copy->LabelFrom = LabelFrom;
    copy->colour = colour;
    copy->style = style;
    copy->thickness = thickness;
    copy->SetSwitches(Switches());
    copy->DescriptionFlag = DescriptionFlag;
    copy->SetParent(GetParent());
    copy->SetHeading(Heading() ? Heading() : Kind());
    return copy;
}

// ---- the line ------------------------------------------------------------------------

void TCoordCurve::SetHeading(int description)
{
    TElementList list(new TEditorObject);
    list->next = new TLockedDescription(description);
    list->next->next = new TCoordRowsElement;
    SetElements(std::move(list));
    RowsChanged();
}

int TCoordCurve::Heading() const
{
    for (const TEditorObject* e = Elements(); e; e = e->next)
        if (e->DescriptionNumber() != 0)
            return e->DescriptionNumber();
    return 0;
}

TCoordRowsElement* TCoordCurve::RowsElement() const
{
    for (TEditorObject* e = Elements(); e; e = e->next)
        if (auto* rows = dynamic_cast<TCoordRowsElement*>(e))
            return rows;
    return nullptr;
}

void TCoordCurve::RowsChanged()
{
    TCoordRowsElement* rows = RowsElement();
    auto fresh = std::make_unique<TCoordRowsElement>();
    for (int i = 0; i < Points.Count(); ++i)
        fresh->AddRow(Points[i]->DisplayElements());
    if (rows) {
        // Put the new element in the old one's place.
        TEditorObject* previous = Elements();
        while (previous && previous->next != rows)
            previous = previous->next;
        if (previous) {
            fresh->next = rows->DetachNext();
            previous->next = fresh.release();
            delete rows;
        }
    } else if (Elements()) {
        LastElement(Elements())->next = fresh.release();
    } else {
        TElementList list(new TEditorObject);
        list->next = fresh.release();
        SetElements(std::move(list));
    }
    AfterRowsChange();
}

void TCoordCurve::AfterRowsChange()
{
    pixelCache_.valid = false;
    DiscardLineStore();
    SetLayoutOutOfDate(true);
    SetChanged(true);
    SetResultsChanged(true);
    SetRelistRequested(true);
    if (DragPoints && !DragMatrices)
        RebuildDragPoints();
}

void TCoordCurve::RowChanged(int index)
{
    TCoordRowsElement* rows = RowsElement();
    if (!rows || rows->RowCount() != Points.Count() || index < 0 || index >= Points.Count()) {
        RowsChanged();
        return;
    }
    rows->SetRow(index, Points[index]->DisplayElements());
    AfterRowsChange();
}

// ---- rows ------------------------------------------------------------------------------

TCoordinates* TCoordCurve::PointAt(int index) const
{
    if (index < 0 || index >= Points.Count())
        return nullptr;
    return dynamic_cast<TCoordinates*>(Points[index]);
}

int TCoordCurve::PointCount() const
{
    int count = 0;
    for (int i = 0; i < Points.Count(); ++i)
        if (PointAt(i))
            ++count;
    return count;
}

void TCoordCurve::AddPoint(Extended x, Extended y)
{
    Points.Add(std::make_unique<TCoordinates>(x, y));
    RowsChanged();
}

void TCoordCurve::AddBlank()
{
    Points.Add(std::make_unique<TBlankCoordinates>());
    RowsChanged();
}

void TCoordCurve::AddIntegerPoints(std::span<const int> values, bool closed)
{
    for (std::size_t i = 0; i + 1 < values.size(); i += 2)
        Points.Add(std::make_unique<TCoordinates>(values[i], values[i + 1]));
    Closed = closed;
    RowsChanged();
}

bool TCoordCurve::ReplaceRow(int index, std::unique_ptr<TBlankCoordinates> row)
{
    if (index < 0 || index >= Points.Count() || !row)
        return false;
    Points.Insert(index, std::move(row));
    Points.Delete(index + 1);
    RowChanged(index);
    return true;
}

void TCoordCurve::InsertRow(int index, std::unique_ptr<TBlankCoordinates> row)
{
    if (!row)
        return;
    Points.Insert(index, std::move(row));
    RowsChanged();
}

void TCoordCurve::DeleteRow(int index)
{
    if (index < 0 || index >= Points.Count())
        return;
    Points.Delete(index);
    RowsChanged();
}

void TCoordCurve::SwapXY()
{
    for (int i = 0; i < Points.Count(); ++i)
        if (TCoordinates* point = PointAt(i))
            point->Swap();
    RowsChanged();
}

void TCoordCurve::ResolvePendingNumbers(const std::vector<TEquationObject*>& declared)
{
    bool changed = false;
    for (int i = 0; i < Points.Count(); ++i) {
        TCoordinates* point = PointAt(i);
        if (!point)
            continue;
        for (TRealReaderPtr* number : {&point->X, &point->Y}) {
            const auto* waiting = dynamic_cast<const TNeedsDefRealReader*>(number->get());
            if (!waiting)
                continue;
            TRealReaderPtr resolved = RowNumberFromText(waiting->Text(), &declared);
            if (resolved && !dynamic_cast<const TNeedsDefRealReader*>(resolved.get())) {
                *number = std::move(resolved);
                changed = true;
            }
        }
    }
    if (changed)
        RowsChanged();
}

// ---- shape ---------------------------------------------------------------------------------

bool TCoordCurve::IsClosedShape() const
{
    if (!Joined || Points.Count() < 2)
        return false;
    for (int i = 0; i < Points.Count(); ++i)
        if (!PointAt(i))
            return false;
    if (Closed)
        return true;
    const TRealPoint first = PointAt(0)->Point();
    const TRealPoint last = PointAt(Points.Count() - 1)->Point();
    return first.x == last.x && first.y == last.y;
}

bool TCoordCurve::ClosedFigure() const
{
    return Joined && Closed && Points.Count() > 1;
}

bool TCoordCurve::RowPoint(int index, TRealPoint& point) const
{
    const TCoordinates* row = PointAt(index);
    if (!row)
        return false;
    point = row->Point();
    if (!std::isfinite(point.x) || !std::isfinite(point.y))
        return false;
    if (DragMatrices)
        point = DragMatrices->Apply(point);
    return std::isfinite(point.x) && std::isfinite(point.y);
}

void TCoordCurve::GatherStatistics(TGatherStatistics& stats, TPointTransform transform) const
{
    GatherPoints(UsablePoints(transform), stats);
}

std::vector<TRealPoint> TCoordCurve::UsablePoints(TPointTransform transform) const
{
    std::vector<TRealPoint> points;
    points.reserve(static_cast<std::size_t>(Points.Count()));
    for (int i = 0; i < Points.Count(); ++i) {
        TRealPoint point;
        if (!RowPoint(i, point))
            continue;
        if (transform && !transform(point))
            continue;
        points.push_back(point);
    }
    return points;
}

// ---- curve operations ----------------------------------------------------------------------

void TCoordCurve::InitContext(TXY& context)
{
    const int rows = Points.Count();
    bool anyPoint = false;
    for (int i = 0; i < rows && !anyPoint; ++i)
        anyPoint = PointAt(i) != nullptr;
    if (!anyPoint) {
        // Nothing to draw, label or search: N stays as it was, so nothing
        // divides by zero. A list just begun, or holding gaps only, is not a
        // curve without real points either, so no drawing is reported.
        context.Skip = true;
        return;
    }
    const bool closed = ClosedFigure();
    context.SampleCount = context.CurrentCount = rows + (closed ? 1 : 0);
    // Sample 0 would be the last row again: an open list would gain a segment back to its start.
    context.StartIndex = 1;
    context.JoinPoints = Joined;
    context.LabelSkip = closed ? 1 : 0;
    context.ShadeKind = closed && Shaded() ? 5 : 0;
    context.PartCount = 1;
}

void TCoordCurve::CalculatePoint(TXY& context)
{
    const int rows = Points.Count();
    if (rows == 0) {
        SetStatus(esUndefined);
        return;
    }
    const int row = RowOfSample(SampleIndex(context.Parameter, std::max(1, context.SampleCount)), rows);
    TRealPoint point;
    if (!PointAt(row)) {
        SetStatus(0); // a gap: the line breaks here
        return;
    }
    if (!RowPoint(row, point)) {
        SetStatus(esUndefined);
        return;
    }
    context.X = point.x;
    context.Y = point.y;
}

Extended TCoordCurve::ParameterStep(const TAxes& window)
{
    (void)window; // a step is one row, whatever the window
    const int n = Points.Count() + (ClosedFigure() ? 1 : 0);
    return n > 0 ? 1.0L / n : 1;
}

Extended TCoordCurve::ParameterAt(Extended y, Extended x)
{
    const int n = Points.Count() + (ClosedFigure() ? 1 : 0);
    int best = -1;
    Extended bestDistance = 0;
    for (int i = 0; i < Points.Count(); ++i) {
        TRealPoint point;
        if (!RowPoint(i, point))
            continue;
        const Extended distance = std::hypot(point.x - x, point.y - y);
        if (best < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    if (best < 0 || n == 0)
        return 0;
    return static_cast<Extended>(best + 1) / n;
}

Extended TCoordCurve::Area()
{
    std::vector<TRealPoint> points;
    for (int i = 0; i < Points.Count(); ++i) {
        TRealPoint point;
        if (RowPoint(i, point))
            points.push_back(point);
    }
    if (points.size() < 2)
        return 0;
    Extended sum = 0;
    for (std::size_t i = 1; i < points.size(); ++i)
        sum += (points[i].x - points[i - 1].x) * (points[i].y + points[i - 1].y) / 2;
    if (Closed)
        sum += (points.front().x - points.back().x) * (points.front().y + points.back().y) / 2;
    // A floating-point failure gives no area.
    return std::isfinite(sum) ? std::fabs(sum) : 0;
}

void TCoordCurve::SuggestRanges(TAxisRanges& bounds)
{
    bool any = false;
    TAxisRanges found;
    for (int i = 0; i < Points.Count(); ++i) {
        TRealPoint point;
        if (!RowPoint(i, point))
            continue;
        if (!any) {
            found = {point.x, point.x, point.y, point.y};
            any = true;
            continue;
        }
        found.XMin = std::min(found.XMin, point.x);
        found.XMax = std::max(found.XMax, point.x);
        found.YMin = std::min(found.YMin, point.y);
        found.YMax = std::max(found.YMax, point.y);
    }
    if (!any)
        return;
    // Each range doubled about its middle; a range of no width says nothing about the scale.
    auto widen = [](Extended low, Extended high, Extended& outLow, Extended& outHigh) {
        const Extended width = high - low;
        if (!(width > 0) || !std::isfinite(width))
            return;
        const Extended middle = (low + high) / 2;
        outLow = middle - width;
        outHigh = middle + width;
    };
    widen(found.XMin, found.XMax, bounds.XMin, bounds.XMax);
    widen(found.YMin, found.YMax, bounds.YMin, bounds.YMax);
}

void TCoordCurve::HandleBox(TRealPoint& fixed, TRealPoint& far) const
{
    std::vector<TRealPoint> points;
    for (int i = 0; i < Points.Count(); ++i) {
        TRealPoint point;
        if (RowPoint(i, point))
            points.push_back(point);
    }
    HandleBoxOf(points, fixed, far);
}

void HandleBoxOf(const std::vector<TRealPoint>& points, TRealPoint& fixed, TRealPoint& far)
{
    fixed = {};
    far = {};
    if (points.empty())
        return;
    fixed = far = points.front();
    for (const TRealPoint& point : points) {
        fixed.x = std::min(fixed.x, point.x);
        fixed.y = std::min(fixed.y, point.y);
        far.x = std::max(far.x, point.x);
        far.y = std::max(far.y, point.y);
    }
    // Widened by the letter M of the graph's font, so handles stand clear of the points.
    const TGraphParams* params = PlotHost ? PlotHost->GraphParams() : nullptr;
    if (!params || !params->Axes)
        return;
    const QFontMetrics metrics(params->Axes->LabelFont);
    const Extended dx = std::fabs(metrics.horizontalAdvance(QLatin1Char('M')) / params->Axes->XAxis->Scale);
    const Extended dy = std::fabs(metrics.height() / params->Axes->YAxis->Scale);
    fixed.x -= dx;
    fixed.y -= dy;
    far.x += dx;
    far.y += dy;
}

bool TCoordCurve::HasPointLabels() const
{
    return Points.Count() > 0 && Points.Count() <= MaximumLabelledRows && !PrimaryCurve &&
           !LabelsSuppressed();
}

std::uint32_t TCoordCurve::PropertyFlags() const
{
    std::uint32_t flags = 0x8 | 0x400 | 0x10000 | 0x400000;
    if (IsClosedShape())
        flags |= 0x80;
    if (Points.Count() > 1)
        flags |= 0x200;
    if (Closed)
        flags |= 0x200000;
    const int points = PointCount();
    if (points >= 2 && points <= 10)
        flags |= 0x40000;
    return flags;
}

bool TCoordCurve::DependsOn(std::string_view name) const
{
    if (TDependentCurvePlotter::DependsOn(name))
        return true;
    for (int i = 0; i < Points.Count(); ++i)
        if (Points[i]->DependsOn(name))
            return true;
    return false;
}

bool TCoordCurve::UsesName(const TEquationObject& declaredNameLine) const
{
    const auto* line = dynamic_cast<const TDeclarationLine*>(&declaredNameLine);
    return line && DependsOn(line->NameText());
}

std::unique_ptr<TEditor> TCoordCurve::ToEditor()
{
    if (CoordinateEditorOpener)
        CoordinateEditorOpener(this);
    return nullptr;
}

void TCoordCurve::Recalculate()
{
    TDependentCurvePlotter::Recalculate();
    pixelCache_.valid = false; // a point naming a constant may have moved
    SetRelistRequested(true);
    SetResultsChanged(true);
}

void TCoordCurve::DrawOnGraph(Canvas& canvas, TGraphParams& params)
{
    if (!DrawnByEditor)
        TDependentCurvePlotter::DrawOnGraph(canvas, params);
}

void TCoordCurve::DrawForEditor(Canvas& canvas, TGraphParams& params)
{
    QRect box;
    for (int i = 0; i < Points.Count(); ++i) {
        TRealPoint point;
        if (RowPoint(i, point))
            box |= QRect(params.Axes->ValueToPixel(point.x, point.y), QSize(1, 1));
    }
    QPainter& painter = canvas.Painter();
    const bool clipped = painter.hasClipping();
    const QRegion clip = clipped ? painter.clipRegion() : QRegion();
    if (!box.isEmpty()) {
        const int room = 3 * std::max(8, QFontMetrics(params.Axes->LabelFont).height()) + thickness;
        canvas.IntersectClipRect(box.adjusted(-room, -room, room, room));
    }
    TDependentCurvePlotter::DrawOnGraph(canvas, params);
    if (clipped)
        painter.setClipRegion(clip);
    else
        painter.setClipping(false);
}

void TCoordCurve::WriteTo(TMathsWriter& writer) const
{
    TDependentCurvePlotter::WriteTo(writer);
    if (!IsCoordinateListHeading(Heading()) && !DescriptionFlag)
        return;
    writer.WriteLine(std::string("\t\tjoined: ") + (Joined ? "1" : "0"));
    writer.WriteLine(std::string("\t\tclosed: ") + (Closed ? "1" : "0"));
    writer.WriteLine(std::string("\t\tLabel from: ") + LabelFrom);
    for (int i = 0; i < Points.Count(); ++i)
        Points[i]->WriteTo(writer);
}

void TCoordCurve::WriteDefinition(TMathsWriter& writer) const
{
    writer.WriteText(DescriptionText(Kind(), true));
}

// ---- dragging ---------------------------------------------------------------------------------

void TCoordCurve::RebuildDragPoints()
{
    if (!DragPoints)
        DragPoints = std::make_unique<TDragPointList>();
    std::vector<std::pair<int, TRealPoint>> wanted;
    for (int i = 0; i < Points.Count(); ++i) {
        const TCoordinates* row = PointAt(i);
        TRealPoint point;
        if (row && row->Draggable() && RowPoint(i, point))
            wanted.emplace_back(i, point);
    }
    // The same rows keep their handles, only moved: a drag holding one of
    // them (a row changes at every move) must not see it freed.
    bool same = DragPoints->Count() == static_cast<int>(wanted.size());
    for (int k = 0; same && k < DragPoints->Count(); ++k)
        same = (*DragPoints)[k]->Index == wanted[static_cast<std::size_t>(k)].first &&
               !(*DragPoints)[k]->IsTransformHandle();
    if (same) {
        for (int k = 0; k < DragPoints->Count(); ++k) {
            TDragCustom& handle = *(*DragPoints)[k];
            const TRealPoint& p = wanted[static_cast<std::size_t>(k)].second;
            handle.MoveTo(p.x, p.y);
            handle.BasePosition = p;
        }
        return;
    }
    DragPoints->Clear();
    for (const auto& [index, point] : wanted)
        DragPoints->Add(std::make_unique<TDragPoint>(this, point.x, point.y, index, true));
}

void TCoordCurve::BuildDragPoints(Canvas&, TGraphParams&)
{
    RebuildDragPoints();
}

void TCoordCurve::DropDragPoints(Canvas&, bool)
{
    DragPoints.reset();
}

int HandleCursorAt(const TDragPointList* handles, QPoint pixel)
{
    const TGraphParams* params = PlotHost ? PlotHost->GraphParams() : nullptr;
    if (handles && params)
        if (const int cursor = handles->CursorAt(pixel, *params, false))
            return cursor;
    return MoveCursor;
}

int TCoordCurve::DragCursorAt(int, QPoint pixel)
{
    return HandleCursorAt(DragPoints.get(), pixel);
}

std::optional<TDragPress> TCoordCurve::DragControlAt(QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    if (std::optional<TDragPress> press = TCurvePLotter::DragControlAt(pixel, modifiers))
        return press;
    return TDragPress{};
}

TDragMatrices* TCoordCurve::DragMatricesOf(TDragPoint*)
{
    return DragMatrices.get();
}

bool TCoordCurve::MayMoveDragPoint(TDragPoint* handle, Extended&, Extended&)
{
    return handle && PointAt(handle->Index) && PointAt(handle->Index)->Draggable();
}

void TCoordCurve::ApplyDragPoint(int index, Extended x, Extended y)
{
    const TCoordinates* row = PointAt(index);
    if (index < 0 || index >= Points.Count() || (row && !row->Draggable()))
        return;
    ReplaceRow(index, std::make_unique<TCoordinates>(x, y));
}

void TCoordCurve::DragPointMoved(TDragCustom* handle)
{
    if (handle)
        ApplyDragPoint(handle->Index, handle->AnchorX, handle->AnchorY);
}

void TCoordCurve::StartWholeDrag()
{
    if (!DragMatrices)
        DragMatrices = std::make_unique<TDragMatrices>();
    if (!DragPoints)
        RebuildDragPoints();
    DragPoints->Rebase();
}

void TCoordCurve::ApplyDragMatrices(TDragPoint*, const TDragMatrices& matrices)
{
    if (!DragMatrices)
        StartWholeDrag();
    *DragMatrices = matrices;
    pixelCache_.valid = false;
    if (DragPoints)
        DragPoints->ApplyDragMatrices(matrices);
    DiscardLineStore();
    SetResultsChanged(true); // the fits follow the drag
}

void TCoordCurve::CommitWholeDrag(const TAxes& axes)
{
    if (!DragMatrices)
        return;
    const TDragMatrices matrices = *DragMatrices;
    DragMatrices.reset();
    for (int i = 0; i < Points.Count(); ++i) {
        TCoordinates* row = PointAt(i);
        if (!row || !row->Draggable())
            continue; // rows holding expressions stay as they are
        const TRealPoint p = matrices.Apply(row->Point());
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            continue;
        row->X = std::make_unique<TRealReader>(RoundForAxis(axes, 'x', p.x));
        row->Y = std::make_unique<TRealReader>(RoundForAxis(axes, 'y', p.y));
    }
    DragPoints.reset();
    RowsChanged();
}

void TCoordCurve::FinishDrag(TDragPoint* handle)
{
    if (DragMatrices) {
        const TGraphParams* params = PlotHost ? PlotHost->GraphParams() : nullptr;
        if (params && params->Axes) {
            CommitWholeDrag(*params->Axes);
        } else {
            TAxes axes(nullptr);
            CommitWholeDrag(axes);
        }
        RebuildDragPoints(); // the handles stand where the points are now
        return;
    }
    DragPointMoved(handle);
}

int TCoordCurve::RowNear(const TAxes& axes, QPoint pixel, int tolerance) const
{
    TPixelCache& cache = pixelCache_;
    const TAxis& x = *axes.XAxis;
    const TAxis& y = *axes.YAxis;
    if (!cache.valid || cache.pixels.size() != static_cast<std::size_t>(Points.Count()) ||
        cache.xScale != x.Scale || cache.xOrigin != x.Origin || cache.yScale != y.Scale ||
        cache.yOrigin != y.Origin) {
        // A row without a point lies where no mouse can be.
        const QPoint nowhere(INT_MIN / 2, INT_MIN / 2);
        cache.pixels.assign(static_cast<std::size_t>(Points.Count()), nowhere);
        for (int i = 0; i < Points.Count(); ++i) {
            TRealPoint p;
            if (PointAt(i) && RowPoint(i, p))
                cache.pixels[static_cast<std::size_t>(i)] = axes.ValueToPixel(p.x, p.y);
        }
        cache = {x.Scale, x.Origin, y.Scale, y.Origin, std::move(cache.pixels), true};
    }
    for (std::size_t i = 0; i < cache.pixels.size(); ++i) {
        const QPoint at = cache.pixels[i];
        if (std::abs(at.x() - pixel.x()) < tolerance && std::abs(at.y() - pixel.y()) < tolerance)
            return static_cast<int>(i);
    }
    return -1;
}

bool TCoordCurve::DeletePointAt(QPoint pixel, const TGraphParams& params)
{
    std::unique_ptr<TDragPointList> own;
    TDragPointList* handles = DragPoints.get();
    if (!handles) {
        own = std::make_unique<TDragPointList>();
        for (int i = 0; i < Points.Count(); ++i) {
            TRealPoint point;
            if (PointAt(i) && PointAt(i)->Draggable() && RowPoint(i, point))
                own->Add(std::make_unique<TDragPoint>(this, point.x, point.y, i));
        }
        handles = own.get();
    }
    const int index = handles->IndexAt(pixel, params);
    if (index < 0 || index >= Points.Count())
        return false;
    own.reset();
    DeleteRow(index);
    return true;
}

// ---- data sets ------------------------------------------------------------------------------

TDataPoints::TDataPoints() : TCoordCurve(dnDataPoints) {}

std::uint32_t TDataPoints::PropertyFlags() const
{
    return (TCoordCurve::PropertyFlags() & ~0x40000u) | 0x20000;
}

std::unique_ptr<TCoordCurve> TDataPoints::MakeEmpty() const
{
    return std::make_unique<TDataPoints>();
}

std::unique_ptr<TDataPoints> MakeDataPoints(std::span<const std::pair<Extended, Extended>> points)
{
    auto set = std::make_unique<TDataPoints>();
    for (const auto& [x, y] : points)
        set->Points.Add(std::make_unique<TCoordinates>(x, y));
    set->DescriptionFlag = true;
    set->RowsChanged();
    return set;
}

// ---- documents ------------------------------------------------------------------------------

TRealReaderPtr RowNumberFromText(std::string_view text, const std::vector<TEquationObject*>* declaredNames)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (text.empty())
        return nullptr;
    long double value = 0;
    if (ParseDocumentReal(text, value))
        return std::make_unique<TRealReader>(value);
    TRealReaderPtr number;
    try {
        number = NumberFromText(text, declaredNames);
    } catch (const std::exception&) {
        number = std::make_unique<TNeedsDefRealReader>(std::string(text));
    }
    // A typed text that is only a plain number reads back as that number.
    const auto* typed = dynamic_cast<const TRealString*>(number.get());
    if (typed && !dynamic_cast<const TVariableString*>(typed) && ParseDocumentReal(typed->Source(), value))
        return std::make_unique<TRealReader>(value);
    return number;
}

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view keyword, std::string_view& rest)
{
    if (text.size() < keyword.size())
        return false;
    for (std::size_t i = 0; i < keyword.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(keyword[i])))
            return false;
    rest = text.substr(keyword.size());
    return true;
}

} // namespace

std::unique_ptr<TCoordCurve> ReadCoordinateList(int heading,
                                                const std::vector<std::pair<int, std::string>>& lines,
                                                const std::vector<TEquationObject*>* declaredNames,
                                                bool gapsAsUndefined,
                                                const std::function<void(int line, std::string text)>& warn)
{
    std::unique_ptr<TCoordCurve> list;
    if (heading == dnDataPoints)
        list = std::make_unique<TDataPoints>();
    else
        list = std::make_unique<TCoordCurve>(dnCoordinates);
    // The record's own switches decide shading and labels, not the settings.
    list->SetSwitches(DefaultLineSwitches);
    list->Joined = true;
    list->Closed = false;
    list->LabelFrom = 'A';
    for (const auto& [number, text] : lines) {
        std::string_view rest;
        long long flag = 0;
        if (StartsWithNoCase(text, "\t\tjoined: ", rest)) {
            if (ParseDocumentInteger(rest, flag))
                list->Joined = flag != 0;
            else
                warn(number, "the joined flag cannot be read; the list is joined");
        } else if (StartsWithNoCase(text, "\t\tclosed: ", rest)) {
            if (ParseDocumentInteger(rest, flag))
                list->Closed = flag != 0;
            else
                warn(number, "the closed flag cannot be read; the list is open");
        } else if (StartsWithNoCase(text, "\t\tLabel from: ", rest)) {
            const char letter = rest.empty() ? 'A' : rest[0];
            // Only the letters A to Z label points.
            list->LabelFrom = letter >= 'A' && letter <= 'Z' ? letter : 'A';
            if (list->LabelFrom != letter)
                warn(number, "the first label is not a letter; the list is labelled from A");
        } else if (StartsWithNoCase(text, "\t\t_________", rest)) {
            list->Points.Add(std::make_unique<TBlankCoordinates>());
        } else if (text.size() > 2 && text[0] == '\t' && text[1] == '\t') {
            // One character (the bracket), x up to the comma, y up to the bracket that ends the line.
            std::string_view row = std::string_view(text).substr(3);
            const auto comma = row.find(',');
            std::string_view y = comma == std::string_view::npos ? std::string_view() : row.substr(comma + 1);
            if (!y.empty() && y.back() == ')')
                y.remove_suffix(1);
            TRealReaderPtr xNumber = comma == std::string_view::npos
                                         ? nullptr
                                         : RowNumberFromText(row.substr(0, comma), declaredNames);
            TRealReaderPtr yNumber =
                comma == std::string_view::npos ? nullptr : RowNumberFromText(y, declaredNames);
            if (!xNumber || !yNumber) {
                warn(number, "a point that cannot be read became a gap");
                list->Points.Add(std::make_unique<TBlankCoordinates>());
            } else if (gapsAsUndefined && !dynamic_cast<TRealString*>(xNumber.get()) &&
                       !dynamic_cast<TNeedsDefRealReader*>(xNumber.get()) &&
                       std::fabs(xNumber->Value() - MissingValue) <= MissingValue * 1e-6L) {
                // Older documents marked a gap with the missing-value number.
                list->Points.Add(std::make_unique<TBlankCoordinates>());
            } else {
                list->Points.Add(std::make_unique<TCoordinates>(std::move(xNumber), std::move(yNumber)));
            }
        } else {
            warn(number, "unknown line in a coordinate list skipped");
        }
    }
    return list;
}
