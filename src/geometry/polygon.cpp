#include "geometry/polygon.h"

#include "formula/descriptions.h"
#include "graph/graphparams.h"
#include "graph/graphsurface.h"
#include "plot/replacedlines.h"
#include "platform/mainwindowbase.h"
#include "settings/mathswriter.h"

#include <cmath>

namespace {

constexpr int ShapeSides[][2] = {
    {dnTriangle, 3}, {dnSquare, 4}, {dnPentagon, 5}, {dnHexagon, 6}, {dnOctagon, 8}};

// The cursor of a shape still waiting for its points.
constexpr int PickAPointCursor = 19;

TElementList Description(int number)
{
    TElementList list(new TEditorObject);
    list->next = new TFixedDescription(number);
    return list;
}

TElementList PointCell(const TCoordinates* point)
{
    TElementList list(new TEditorObject);
    auto* element = new TCoordEditObject;
    list->next = element;
    if (point)
        SetCoordinateTexts(*element, NumberText(*point->X), NumberText(*point->Y));
    return list;
}

} // namespace

int NamedShapeSides(int description)
{
    for (const auto& [number, sides] : ShapeSides)
        if (number == description)
            return sides;
    return 0;
}

int NamedShapeDescription(int sides)
{
    for (const auto& [number, count] : ShapeSides)
        if (count == sides)
            return number;
    return 0;
}

// ---- TPolygon ---------------------------------------------------------------------------

TPolygon::TPolygon(TRealReaderPtr sides, TRealReaderPtr sideLength, std::unique_ptr<TCoordinates> centre)
    : SideLength(std::move(sideLength)), Sides(std::move(sides)), Centre(std::move(centre))
{
}

TPolygon::~TPolygon() = default;

int TPolygon::SideCount() const
{
    if (!Sides)
        return 0;
    const Extended n = NumberValue(*Sides);
    if (!std::isfinite(n) || !IsWhole(n) || n < 3 || n > MaximumPolygonSides)
        return 0;
    return static_cast<int>(n);
}

bool TPolygon::Valid() const
{
    if (SideCount() == 0 || !SideLength || !Centre)
        return false;
    const TRealPoint c = Centre->Point();
    return std::isfinite(NumberValue(*SideLength)) && std::isfinite(c.x) && std::isfinite(c.y);
}

Extended TPolygon::SideLengthValue() const
{
    return SideLength ? NumberValue(*SideLength) : 0;
}

Extended TPolygon::Circumradius() const
{
    if (!Valid())
        return 0;
    const int n = SideCount();
    return (SideLengthValue() / 2) / std::sin(Pi / n);
}

TRealPoint TPolygon::VertexAt(int a, Extended r) const
{
    const int n = SideCount();
    const TRealPoint c = Centre->Point();
    // The offset makes the bottom side horizontal: a triangle points up, a square stands on a side.
    const int q = static_cast<int>(RoundHalfEven(n + 1)) / 4;
    const Extended angle = (a + q + 0.5L) * 2 * Pi / n - Pi / 2;
    return {c.x + r * std::cos(angle), c.y + r * std::sin(angle)};
}

std::vector<TRealPoint> TPolygon::Vertices() const
{
    std::vector<TRealPoint> vertices;
    if (!Valid())
        return vertices;
    const int n = SideCount();
    const Extended r = Circumradius();
    vertices.reserve(static_cast<std::size_t>(n));
    for (int a = 0; a < n; ++a)
        vertices.push_back(VertexAt(a, r));
    return vertices;
}

int TPolygon::OwnDescription() const
{
    for (const TEditorObject* e = Elements(); e; e = e->next) {
        if (e->DescriptionNumber() != 0)
            return e->DescriptionNumber();
        if (const auto* fields = dynamic_cast<const TFixedList*>(e); fields && fields->CellCount() > 0)
            for (const TEditorObject* f = fields->Cell(0); f; f = f->next)
                if (f->DescriptionNumber() != 0)
                    return f->DescriptionNumber();
    }
    return dnPolygonWith;
}

std::unique_ptr<TCoordCurve> TPolygon::ConvertToList() const
{
    const std::vector<TRealPoint> vertices = Vertices();
    if (vertices.empty())
        return nullptr;
    auto list = std::make_unique<TCoordCurve>(dnCoordinates);
    for (const TRealPoint& v : vertices)
        list->Points.Add(std::make_unique<TCoordinates>(v.x, v.y));
    list->Closed = true;
    list->colour = colour;
    list->style = style;
    list->thickness = thickness;
    list->SetSwitches(Switches());
    list->DescriptionFlag = true;
    const int own = OwnDescription();
    list->SetHeading(own == dnPolygonWith ? dnPolygon : own);
    return list;
}

TCoordCurve* TPolygon::ReplaceWithList(std::unique_ptr<TEquationObject>& old)
{
    std::unique_ptr<TCoordCurve> list = ConvertToList();
    if (!list)
        return nullptr;
    TCoordCurve* made = list.get();
    std::unique_ptr<TEquationObject> left = ReplaceBy(std::move(list));
    if (left.get() == made)
        return nullptr; // not in a list: nothing was replaced
    old = std::move(left);
    return made;
}

void TPolygon::InitContext(TXY& context)
{
    if (!Valid()) {
        context.Skip = true;
        return;
    }
    context.SampleCount = context.CurrentCount = SideCount() + 1;
    context.StartIndex = 1;
    context.JoinPoints = true;
    // Every polygon is closed: its last sample is its first vertex again.
    context.LabelSkip = 1;
    context.ShadeKind = (Switches() & swShade) ? 5 : 0;
    context.PartCount = 1;
}

void TPolygon::CalculatePoint(TXY& context)
{
    if (!Valid()) {
        SetStatus(esUndefined);
        return;
    }
    const int n = SideCount();
    const Extended k = RoundHalfEven(context.Parameter * (n + 1));
    if (!(std::fabs(k) < 1e15L)) {
        SetStatus(esUndefined);
        return;
    }
    long long a = (static_cast<long long>(k) - 1) % n;
    if (a < 0)
        a += n;
    const TRealPoint p = VertexAt(static_cast<int>(a), Circumradius());
    context.X = p.x;
    context.Y = p.y;
}

Extended TPolygon::ParameterStep(const TAxes& window)
{
    (void)window; // a step is one row, whatever the window
    const int n = SideCount();
    return n > 0 ? 1.0L / (n + 1) : 1;
}

Extended TPolygon::ParameterAt(Extended y, Extended x)
{
    const std::vector<TRealPoint> vertices = Vertices();
    if (vertices.empty())
        return 0;
    std::size_t best = 0;
    for (std::size_t i = 1; i < vertices.size(); ++i)
        if (std::hypot(vertices[i].x - x, vertices[i].y - y) <
            std::hypot(vertices[best].x - x, vertices[best].y - y))
            best = i;
    return static_cast<Extended>(best + 1) / (vertices.size() + 1);
}

Extended TPolygon::Area()
{
    if (!Valid())
        return 0;
    const int n = SideCount();
    const Extended r = Circumradius();
    const Extended area = r * r * n * std::sin(2 * Pi / n) / 2;
    return std::isfinite(area) ? std::fabs(area) : 0;
}

void TPolygon::SuggestRanges(TAxisRanges& bounds)
{
    if (!Valid())
        return;
    const TRealPoint c = Centre->Point();
    // The side length alone would cut off shapes of 8 or more sides (whose
    // circumradius is larger) and turn the range round for a negative length.
    const Extended reach = 1.2L * std::max(std::fabs(SideLengthValue()), std::fabs(Circumradius()));
    if (!(reach > 0) || !std::isfinite(reach))
        return;
    bounds.XMin = c.x - reach;
    bounds.XMax = c.x + reach;
    bounds.YMin = c.y - reach;
    bounds.YMax = c.y + reach;
}

void TPolygon::HandleBox(TRealPoint& fixed, TRealPoint& far) const
{
    HandleBoxOf(Vertices(), fixed, far);
}

bool TPolygon::HasPointLabels() const
{
    return Valid() && SideCount() <= MaximumLabelledRows && !(Switches() & swLabelsOff);
}

std::uint32_t TPolygon::PropertyFlags() const
{
    std::uint32_t flags = 0x8 | 0x400 | 0x10000 | 0x200000 | 0x400000;
    if (Valid())
        flags |= 0x80 | 0x200;
    return flags;
}

bool TPolygon::DependsOn(std::string_view name) const
{
    return TCurvePLotter::DependsOn(name) || (SideLength && SideLength->DependsOn(name)) ||
           (Sides && Sides->DependsOn(name)) || (Centre && Centre->DependsOn(name));
}

void TPolygon::WriteDefinition(TMathsWriter& writer) const
{
    std::string text = "{fix ";
    text += static_cast<char>(6);
    text += static_cast<char>(21);
    text += "{" + std::string(DescriptionText(dnPolygonWith, true)) + "}";
    text += "{" + (Sides ? NumberForm(*Sides) : std::string()) + "}";
    text += "{" + std::string(DescriptionText(dnSidesOfLength, true)) + "}";
    text += "{" + (SideLength ? NumberForm(*SideLength) : std::string()) + "}";
    text += "{" + std::string(DescriptionText(dnCentre, true)) + "}";
    text += "{" + (Centre ? PointMarkup(*Centre) : std::string("{coords{}{}")) + "}";
    writer.WriteText(text);
}

void TPolygon::BuildDragPoints(Canvas&, TGraphParams&)
{
    DragPoints = std::make_unique<TDragPointList>();
    const std::vector<TRealPoint> vertices = Vertices();
    for (std::size_t a = 0; a < vertices.size(); ++a)
        DragPoints->Add(
            std::make_unique<TDragPoint>(this, vertices[a].x, vertices[a].y, static_cast<int>(a)));
}

int TPolygon::DragCursorAt(int, QPoint pixel)
{
    return HandleCursorAt(DragPoints.get(), pixel);
}

void TPolygon::DropDragPoints(Canvas&, bool)
{
    DragPoints.reset();
}

std::optional<TDragPress> TPolygon::DragControlAt(QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    FreeReplacedLines();
    std::unique_ptr<TEquationObject> old;
    TCoordCurve* list = DraggingAllowed() ? ReplaceWithList(old) : nullptr;
    if (!list)
        return std::nullopt;
    KeepReplacedLine(std::move(old)); // this polygon: the press still runs in it
    list->RebuildDragPoints();
    std::optional<TDragPress> press = list->DragControlAt(pixel, modifiers);
    if (press)
        press->Replacement = list;
    return press;
}

void TPolygon::StartTransformDrag(int mode)
{
    FreeReplacedLines();
    std::unique_ptr<TEquationObject> old;
    if (TCoordCurve* list = ReplaceWithList(old)) {
        KeepReplacedLine(std::move(old)); // this polygon: the command still runs in it
        list->StartTransformDrag(mode);
    }
}

// ---- TDragPolygon ---------------------------------------------------------------------------

TDragPolygon::TDragPolygon(int sides) : TPolygon(std::make_unique<TRealReader>(sides), nullptr, nullptr) {}

TDragPolygon::TDragPolygon(TRealReaderPtr sides, std::unique_ptr<TCoordinates> centre,
                           std::unique_ptr<TCoordinates> vertex)
    : TPolygon(std::move(sides), nullptr, std::move(centre)), Vertex(std::move(vertex))
{
}

bool TDragPolygon::Valid() const
{
    if (!Complete() || SideCount() == 0)
        return false;
    const TRealPoint c = Centre->Point();
    const TRealPoint v = Vertex->Point();
    return std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(v.x) && std::isfinite(v.y);
}

Extended TDragPolygon::Circumradius() const
{
    if (!Valid())
        return 0;
    const TRealPoint c = Centre->Point();
    const TRealPoint v = Vertex->Point();
    return std::hypot(v.x - c.x, v.y - c.y);
}

Extended TDragPolygon::SideLengthValue() const
{
    const int n = SideCount();
    return n > 0 ? 2 * Circumradius() * std::sin(Pi / n) : 0;
}

TRealPoint TDragPolygon::VertexAt(int a, Extended r) const
{
    const int n = SideCount();
    const TRealPoint c = Centre->Point();
    const TRealPoint v = Vertex->Point();
    const Extended dx = v.x - c.x;
    const Extended dy = v.y - c.y;
    Extended base = 0;
    if (dx == 0)
        base = dy > 0 ? Pi / 2 : -Pi / 2;
    else
        base = std::atan(dy / dx) + (dx < 0 ? Pi : 0);
    const Extended angle = base + a * 2 * Pi / n;
    return {c.x + r * std::cos(angle), c.y + r * std::sin(angle)};
}

bool TDragPolygon::DependsOn(std::string_view name) const
{
    return TPolygon::DependsOn(name) || (Vertex && Vertex->DependsOn(name));
}

void TDragPolygon::WriteDefinition(TMathsWriter& writer) const
{
    const int shape = NamedShapeDescription(SideCount());
    std::string text = "{fix ";
    text += static_cast<char>(5);
    text += static_cast<char>(11);
    text += "{" + std::string(DescriptionText(shape ? shape : dnPolygon, true)) + "}";
    text += "{" + std::string(DescriptionText(dnCentre, true)) + "}";
    text += "{" + (Centre ? PointMarkup(*Centre) : std::string("{coords{}{}")) + "}";
    text += "{" + std::string(DescriptionText(dnVertex, true)) + "}";
    text += "{" + (Vertex ? PointMarkup(*Vertex) : std::string("{coords{}{}")) + "}";
    writer.WriteText(text);
}

void TDragPolygon::BuildDragPoints(Canvas&, TGraphParams&)
{
    DragPoints = std::make_unique<TDragPointList>();
    if (Centre) {
        const TRealPoint c = Centre->Point();
        DragPoints->Add(std::make_unique<TDragPoint>(this, c.x, c.y, 2));
    }
    if (Vertex) {
        const TRealPoint v = Vertex->Point();
        DragPoints->Add(std::make_unique<TDragPoint>(this, v.x, v.y, 4));
    }
}

int TDragPolygon::DragCursorAt(int currentCursor, QPoint pixel)
{
    if (!Complete())
        return PickAPointCursor;
    return TPolygon::DragCursorAt(currentCursor, pixel);
}

std::optional<TDragPress> TDragPolygon::DragControlAt(QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    if (!Complete() || !DraggingAllowed())
        return std::nullopt; // a shape being placed takes its clicks through the shape tool
    DragMatrices = TDragMatrices();
    dragCentre_ = Centre->Point();
    dragVertex_ = Vertex->Point();
    if (std::optional<TDragPress> press = TCurvePLotter::DragControlAt(pixel, modifiers))
        return press;
    return TDragPress{};
}

void TDragPolygon::DragPointMoved(TDragCustom* handle)
{
    if (!handle || !Complete())
        return;
    if (handle->Index == 2) {
        // The centre carries the vertex with it: the shape moves whole.
        const TRealPoint c = Centre->Point(), v = Vertex->Point();
        ApplyDragPoint(4, v.x + handle->AnchorX - c.x, v.y + handle->AnchorY - c.y);
    }
    ApplyDragPoint(handle->Index, handle->AnchorX, handle->AnchorY);
}

void TDragPolygon::ApplyDragMatrices(TDragPoint*, const TDragMatrices& matrices)
{
    if (!Complete())
        return;
    DragMatrices = matrices;
    const TRealPoint c = matrices.Apply(dragCentre_), v = matrices.Apply(dragVertex_);
    ApplyDragPoint(2, c.x, c.y);
    ApplyDragPoint(4, v.x, v.y);
}

TDragMatrices* TDragPolygon::DragMatricesOf(TDragPoint*)
{
    return &DragMatrices;
}

void TDragPolygon::FinishDrag(TDragPoint* handle)
{
    if (handle)
        DragPointMoved(handle);
    DragMatrices = TDragMatrices();
    SetResultsChanged(true); // lines drawn from the shape follow
}

TElementList TDragPolygon::PlacingLine(int sides)
{
    const int shape = NamedShapeDescription(sides);
    auto* fields = new TFixedList(5, 11);
    fields->SetCell(0, Description(shape ? shape : dnPolygon).release());
    fields->SetCell(1, Description(dnCentre).release());
    fields->SetCell(2, PointCell(nullptr).release());
    fields->SetCell(3, Description(dnVertex).release());
    fields->SetCell(4, PointCell(nullptr).release());
    TElementList list(new TEditorObject);
    list->next = fields;
    return list;
}

void TDragPolygon::WritePointIntoLine(int field, Extended x, Extended y)
{
    for (TEditorObject* e = Elements(); e; e = e->next) {
        auto* fields = dynamic_cast<TFixedList*>(e);
        if (!fields || fields->CellCount() <= field)
            continue;
        for (TEditorObject* f = fields->Cell(field); f; f = f->next)
            if (auto* point = dynamic_cast<TCoordEditObject*>(f)) {
                SetCoordinateValues(*point, x, y);
                return;
            }
    }
}

void TDragPolygon::ApplyDragPoint(int index, Extended x, Extended y)
{
    if (index == 2) {
        Centre = std::make_unique<TCoordinates>(x, y);
        WritePointIntoLine(2, x, y);
    } else if (index == 4) {
        Vertex = std::make_unique<TCoordinates>(x, y);
        WritePointIntoLine(4, x, y);
    } else {
        return;
    }
    DiscardLineStore();
    SetLayoutOutOfDate(true);
    SetChanged(true);
    SetRelistRequested(true);
    if (DragPoints) {
        // A point placed while the handles are shown gets its handle.
        if (TDragCustom* handle = DragPoints->WithIndex(index))
            handle->MoveTo(x, y);
        else
            DragPoints->Add(std::make_unique<TDragPoint>(this, x, y, index));
    }
}

bool TDragPolygon::PlacePoint(Extended x, Extended y)
{
    if (Complete())
        return true;
    ApplyDragPoint(Centre ? 4 : 2, x, y);
    return Complete();
}

std::string TDragPolygon::PlacingPrompt() const
{
    if (Complete())
        return {};
    const int shape = NamedShapeDescription(SideCount());
    const std::string name(DescriptionText(shape ? shape : dnPolygon));
    return Centre ? "Click one vertex of the " + name : "Click one point to place the centre of the " + name;
}

// ---- placing with the mouse --------------------------------------------------------------------

TMousePlaceShape::TMousePlaceShape(TGraphSurface& surface, TDragPolygon* shape,
                                   std::function<void(TDragPolygon*)> placed)
    : TMouseControl(surface), shape_(shape), placed_(std::move(placed))
{
}

TDragPolygon* TMousePlaceShape::Shape() const
{
    // The shape may have been deleted (Delete curve, Undo, Open) since the
    // tool was made: only a line still in the list is touched.
    if (!shape_ || !PlotHost || PlotHost->LineIndexOf(shape_) < 0)
        return nullptr;
    return shape_;
}

bool TMousePlaceShape::MousePressAgain(QPoint, Qt::KeyboardModifiers)
{
    TDragPolygon* shape = Shape();
    return shape && !shape->Complete();
}

void TMousePlaceShape::MousePress(QPoint pixel, Qt::KeyboardModifiers)
{
    TDragPolygon* shape = Shape();
    if (!shape || shape->Complete())
        return;
    const TRealPoint point = Surface.Params().Axes->PixelToRoundedValue(pixel);
    shape->PlacePoint(point.x, point.y);
    ShowStatus(shape->PlacingPrompt());
    if (placed_)
        placed_(shape);
}

bool TMousePlaceShape::MouseRelease(QPoint, Qt::KeyboardModifiers)
{
    TDragPolygon* shape = Shape();
    return shape && !shape->Complete();
}
