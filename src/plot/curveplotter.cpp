#include "plot/curveplotter.h"

#include "expr/declarations.h"
#include "formula/editor.h"
#include "formula/markup.h"
#include "graph/displayrounding.h"
#include "graph/graphparams.h"
#include "platform/canvas.h"
#include "platform/drawinginterrupt.h"
#include "platform/mainwindowbase.h"
#include "plot/plotworkers.h"
#include "plot/polylinebuffer.h"
#include "settings/configuration.h"
#include "settings/mathswriter.h"

#include <QFontInfo>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <new>
#include <optional>
#include <unordered_set>
#include <utility>

namespace {

// Shows the busy cursor for a long calculation while the busy-cursor flag is on.
class TBusyScope {
public:
    TBusyScope() : busy_(BusyCursorFlag)
    {
        if (busy_)
            DrawingInterrupt().BeginBusy();
    }
    ~TBusyScope()
    {
        if (busy_)
            DrawingInterrupt().EndBusy();
    }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;

private:
    bool busy_;
};

char NextLetter(char letter, int steps)
{
    if (letter < 'A' || letter > 'Z')
        return letter;
    return static_cast<char>('A' + (letter - 'A' + steps) % 26);
}

// Label text is drawn without a background; with the pen mode not-xor it is
// inverted onto the canvas, so drawing it twice removes it.
void DrawLabel(Canvas& canvas, int x, int y, const std::string& text)
{
    if (canvas.Pen().mode != TPenMode::NotXor) {
        canvas.TextOut(x, y, text);
        return;
    }
    const QSize size = canvas.TextExtent(text);
    if (size.isEmpty())
        return;
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        painter.setFont(canvas.Font().font);
        painter.setPen(Qt::white);
        painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignLeft | Qt::AlignTop, canvas.DisplayText(text));
    }
    QPainter& painter = canvas.Painter();
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.drawImage(QPoint(x, y), image);
    painter.restore();
}

} // namespace

// ---- contexts -------------------------------------------------------------------

TXY::TXY() : Axes(std::make_unique<TAxes>(nullptr))
{
    WindowWidth = Axes->XAxis->Length;
    WindowHeight = Axes->YAxis->Length;
}

TXY::TXY(const TGraphParams& params) : Axes(TAxes::CreateCopy(*params.Axes)), Params(&params)
{
    SampleCount = CurrentCount = std::max(1, TGraphParams::SamplePoints());
    WindowWidth = params.Width > 0 ? params.Width : Axes->XAxis->Length;
    WindowHeight = params.Height > 0 ? params.Height : Axes->YAxis->Length;
    if (params.PaintRect && !params.PaintRect->contains(QRect(0, 0, WindowWidth, WindowHeight))) {
        const QRect& r = *params.PaintRect;
        PartialPaint = true;
        ClipXMin = Axes->XAxis->PixelToValue(r.left() - 1);
        ClipXMax = Axes->XAxis->PixelToValue(r.right() + 1);
        ClipYMax = Axes->YAxis->PixelToValue(r.top() - 1);
        ClipYMin = Axes->YAxis->PixelToValue(r.bottom() + 1);
    }
}

TXY::~TXY() = default;

std::unique_ptr<TXY> TXY::Clone() const
{
    auto copy = std::make_unique<TXY>();
    copy->X = X;
    copy->Y = Y;
    copy->PrevX = PrevX;
    copy->PrevY = PrevY;
    copy->Parameter = Parameter;
    copy->ClipXMin = ClipXMin;
    copy->ClipXMax = ClipXMax;
    copy->ClipYMin = ClipYMin;
    copy->ClipYMax = ClipYMax;
    copy->StartIndex = StartIndex;
    copy->Reverse = Reverse;
    copy->JoinPoints = JoinPoints;
    copy->LabelSkip = LabelSkip;
    copy->Skip = Skip;
    copy->Axes = TAxes::CreateCopy(*Axes);
    copy->SampleCount = SampleCount;
    copy->CurrentCount = CurrentCount;
    copy->PartCount = PartCount;
    copy->PartialPaint = PartialPaint;
    copy->Continuous = Continuous;
    copy->Pencil = Pencil;
    copy->PencilShown = PencilShown;
    copy->ShadeKind = ShadeKind;
    copy->DrawLine = DrawLine;
    copy->Labelling = Labelling;
    copy->WindowWidth = WindowWidth;
    copy->WindowHeight = WindowHeight;
    copy->AllOffScreen = AllOffScreen;
    copy->AllInvalid = AllInvalid;
    copy->ExactParameter = ExactParameter;
    copy->Abandoned = Abandoned;
    copy->Unseen = Unseen;
    copy->Store = Store;
    copy->Params = Params;
    return copy;
}

TXYSearch::TXYSearch(const TGraphParams& params, QPoint pixel) : TXY(params), SearchPixel(pixel)
{
    PartialPaint = false;
    const TRealPoint point = Axes->PixelToValue(pixel);
    SearchX = point.x;
    SearchY = point.y;
    ClipXMin = std::fabs(5 / Axes->XAxis->Scale);
    ClipYMin = std::fabs(5 / Axes->YAxis->Scale);
    ClipXMax = ClipYMax = 0;
}

// ---- free functions -----------------------------------------------------------------

int AutomaticAccuracyFor(double seconds)
{
    if (!(seconds > 0))
        return MaximumAutomaticAccuracy;
    const Extended accuracy = RoundEven(5.0L / (2.0L * seconds));
    if (accuracy >= MaximumAutomaticAccuracy)
        return MaximumAutomaticAccuracy;
    return std::max(MinimumAutomaticAccuracy, static_cast<int>(accuracy));
}

int MeasureAutomaticAccuracy(TCurvePLotter& testCurve, Canvas& canvas, TGraphParams& params)
{
    const std::int16_t accuracy = Configuration.Accuracy;
    const std::uint8_t mode = DrawMode;
    Configuration.Accuracy = 5;
    DrawMode = static_cast<std::uint8_t>((mode & ~dmDrawVisibly) | dmNoCache);
    const auto start = std::chrono::steady_clock::now();
    testCurve.DrawOnGraph(canvas, params);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Configuration.Accuracy = accuracy;
    DrawMode = mode;
    return AutomaticAccuracyFor(seconds);
}

// ---- construction ---------------------------------------------------------------------

TCurvePLotter::TCurvePLotter() = default;

TCurvePLotter::~TCurvePLotter() = default;

TPolyLineStore* TCurvePLotter::LineStoreOrNew()
{
    if (!UsesLineStore())
        return nullptr;
    if (!lineStore_)
        lineStore_ = std::make_unique<TPolyLineStore>();
    return lineStore_.get();
}

// ---- drawing ----------------------------------------------------------------------------

void TCurvePLotter::SetPen(Canvas& canvas) const
{
    const int styleCount = static_cast<int>(TPenStyle::InsideFrame) + 1;
    canvas.SetPenStyle(static_cast<TPenStyle>(style < styleCount ? style : 0));
    canvas.SetPenColour(AdjustedColour(canvas, colour));
    canvas.SetPenWidth(std::max(1, static_cast<int>(thickness)) * canvas.PrintPenFactor());
}

void TCurvePLotter::Plot(Canvas& canvas, TXY& context)
{
    const TSwitchScope tracking(Tracking, true);
    TPolyLineBuffer buffer(*this, canvas, context);
    FamilyStart();
    do {
        for (int part = 1; part <= context.PartCount && !buffer.Abandoned(); ++part) {
            SelectPart(context, part);
            buffer.SampleRun(context.StartIndex, context.SampleCount - context.StartIndex,
                             context.SampleCount);
        }
        // Computed unseen with workers to spare, a family whose first member
        // used the constant has the others computed beside each other.
        if (!buffer.Abandoned() && Family.memberIndex == 0 && Family.used && !Family.held &&
            Family.extraMembers > 0 && context.Unseen && context.Store && !context.PartialPaint &&
            buffer.Count() == 0 && PlotWorkerCount() > 1 && MembersComputeApart(context)) {
            PlotOtherMembers(canvas, context, buffer);
            Family.memberIndex = 0;
            break;
        }
    } while (!buffer.Abandoned() && FamilyNext());
    // An abandoned drawing proves nothing about where the curve lies.
    if (!buffer.Abandoned())
        ReportFirstDrawing(context);
    buffer.Finish();
}

void TCurvePLotter::PlotOtherMembers(Canvas& canvas, TXY& context, TPolyLineBuffer& buffer)
{
    const int others = Family.extraMembers;
    struct TMember {
        std::unique_ptr<TXY> context;
        TPolyLineStore store;
        bool ran = false;
        bool abandoned = false;
        bool outOfMemory = false;
    };
    std::vector<TMember> members(static_cast<std::size_t>(others));
    for (TMember& member : members) {
        member.context = context.Clone();
        member.context->Store = &member.store;
        member.context->AllInvalid = true;
        member.context->AllOffScreen = true;
    }
    std::atomic<bool> stop{false};
    // Stopped (Escape, or the drawing abandoned) before every member was
    // computed, the drawing is abandoned: it must not be stored as whole.
    const bool finished = RunOnWorkers(
        others, PlotWorkerCount(),
        [&](int i) {
            TMember& member = members[static_cast<std::size_t>(i)];
            member.ran = true;
            TXY& memberContext = *member.context;
            // As the member is computed after the one before it on one thread.
            Family.memberIndex = i + 1;
            Tracking = true;
            try {
                WithOwnForms([&] {
                    // The curve's one part stays selected from the first member on.
                    TPolyLineBuffer memberBuffer(*this, canvas, memberContext);
                    memberBuffer.SampleRun(memberContext.StartIndex,
                                           memberContext.SampleCount - memberContext.StartIndex,
                                           memberContext.SampleCount);
                    memberBuffer.Finish();
                    member.abandoned = memberBuffer.Abandoned();
                });
            } catch (const std::bad_alloc&) {
                member.outOfMemory = true;
            }
            member.outOfMemory = member.outOfMemory || memberContext.Store != &member.store;
        },
        stop, false);
    bool abandoned = !finished;
    bool outOfMemory = false;
    for (TMember& member : members) {
        abandoned = abandoned || member.abandoned || !member.ran;
        outOfMemory = outOfMemory || member.outOfMemory;
        context.AllInvalid = context.AllInvalid && member.context->AllInvalid;
        context.AllOffScreen = context.AllOffScreen && member.context->AllOffScreen;
    }
    if (abandoned) {
        buffer.Abandon();
        return;
    }
    if (outOfMemory) {
        // Drawn without its cache: the next repaint recomputes it.
        if (LineStore() == context.Store)
            DiscardLineStore();
        context.Store = nullptr;
        return;
    }
    for (TMember& member : members)
        context.Store->TakeAll(member.store);
}

void TCurvePLotter::ReportFirstDrawing(const TXY& context)
{
    if (DrawFlag())
        return;
    if (context.Unseen) {
        // The status line belongs to the drawing thread.
        pendingReport_ = {true, context.AllInvalid, context.AllOffScreen};
        return;
    }
    ShowReport(context.AllInvalid, context.AllOffScreen);
}

void TCurvePLotter::ShowPendingReport()
{
    if (!pendingReport_.pending)
        return;
    const TPendingReport report = std::exchange(pendingReport_, {});
    if (!DrawFlag())
        ShowReport(report.allInvalid, report.allOffScreen);
}

void TCurvePLotter::ShowReport(bool allInvalid, bool allOffScreen)
{
    if (allInvalid) {
        ShowStatus(ComplexCurveMessage, true, true);
        OffScreenMessageShown = false;
    } else if (allOffScreen) {
        ShowStatus(OffScreenCurveMessage, true, true);
        OffScreenMessageShown = true;
    } else if (OffScreenMessageShown) {
        ShowStatus({});
        OffScreenMessageShown = false;
    }
    SetDrawFlag(true);
}

void TCurvePLotter::DrawOnGraph(Canvas& canvas, TGraphParams& params)
{
    TDrawingScope drawing;
    SetPen(canvas);
    if (IsValid() && Configuration.ConstructionLines)
        DrawConstructionLines(canvas, params);

    bool abandoned = false;
    TPolyLineStore* store = (DrawMode & dmNoCache) ? nullptr : LineStoreOrNew();
    // Drawing visibly means showing the curve being computed, not its copy.
    if (store && store->State == lsComplete && (DrawMode & dmDrawVisibly))
        store->StartRecording();

    if (store && store->State == lsComplete) {
        store->Replay(canvas, !(DrawMode & dmLinesOnly));
    } else {
        TXY context(params);
        context.Pencil = DrawMode == (dmDemonstration | dmDrawVisibly);
        // A partial repaint draws only part of the curve: it must not become the cache.
        const bool record = store && !context.PartialPaint;
        if (record) {
            store->StartRecording();
            context.Store = store;
        }
        InitContext(context);
        if (!context.Skip) {
            TBusyScope busy;
            Draw(canvas, context);
        }
        abandoned = context.Abandoned;
        if (record && !abandoned && context.Store == store && LineStore() == store)
            store->State = lsComplete;
    }

    if (IsValid() && !abandoned)
        LabelPoints(canvas, params);
    DrawDragPoints(canvas, params);
}

bool TCurvePLotter::ComputeLineStore(Canvas& scratch, TXY& context)
{
    TPolyLineStore* store = LineStoreOrNew();
    if (!store || context.PartialPaint)
        return false;
    store->StartRecording();
    context.Store = store;
    context.Unseen = true;
    InitContext(context);
    if (!context.Skip)
        Draw(scratch, context);
    if (context.Abandoned || context.Store != store || LineStore() != store) {
        pendingReport_ = {};
        return false;
    }
    store->State = lsComplete;
    return true;
}

void TCurvePLotter::LabelPoints(Canvas& canvas, const TGraphParams& params)
{
    if (!HasPointLabels())
        return;
    TXY context(params);
    context.Labelling = true;
    InitContext(context);

    TCanvasStateSaver saver(canvas);
    canvas.SetFont(params.Axes->LabelFont);
    canvas.SetFontColour(canvas.Pen().colour);
    canvas.SetBrushStyle(TBrushStyle::Clear);
    canvas.SetTextAlign(taLeft | taTop);
    const int s = std::max(1, QFontInfo(params.Axes->LabelFont).pixelSize());

    // One prime for each level of primary curve above this one.
    std::string primes;
    std::unordered_set<const TEquationObject*> visited{this};
    for (const TEquationObject* p = GetParent(); p && visited.insert(p).second; p = p->GetParent())
        primes += '\'';

    const TAxes& axes = *context.Axes;
    struct TLabelPoint {
        Extended x = 0, y = 0;
        QPoint pixel;
        bool defined = false;
    };
    auto calculate = [&](int index) {
        context.Parameter = static_cast<Extended>(index) / context.SampleCount;
        ResetStatus();
        CalculatePoint(context);
        TLabelPoint point;
        // Status 0 is a gap (a blank row): no point there.
        point.defined = EvaluationStatus >= esStep && EvaluationStatus <= esNormal &&
                        std::isfinite(context.X) && std::isfinite(context.Y);
        point.x = context.X;
        point.y = context.Y;
        if (point.defined)
            point.pixel = axes.ValueToPixel(context.X, context.Y);
        return point;
    };

    const int n = context.SampleCount;
    if (n == 1) {
        // A single point takes the first letter, as its listing shows it.
        const TLabelPoint point = calculate(1);
        if (point.defined)
            DrawLabel(canvas, point.pixel.x() - s / 2, point.pixel.y() - 3 * s / 2,
                      std::string(1, LabelLetter()) + primes);
        ResetStatus();
        return;
    }

    // The labelled samples are 1 ... count (a closed figure leaves out its
    // repeated first point). They are calculated at the indices count ...
    // 2·count + 1, so that the first has the last before it and the last the
    // first after it; how indices beyond N map onto the points is the kind's
    // business. Every defined point takes the next letter, as the listing
    // gives them; a gap or a point that cannot be calculated takes none.
    const int count = n - context.LabelSkip;
    if (count < 1) {
        ResetStatus();
        return;
    }
    std::vector<TLabelPoint> points;
    points.reserve(static_cast<std::size_t>(count) + 2);
    for (int m = 0; m <= count + 1; ++m)
        points.push_back(calculate(count + m));
    auto same = [](const TLabelPoint& a, const TLabelPoint& b) { return a.x == b.x && a.y == b.y; };
    auto unit = [](Extended dx, Extended dy, Extended& ux, Extended& uy) {
        const Extended length = std::hypot(dx, dy);
        ux = length > 0 ? dx / length : 0;
        uy = length > 0 ? dy / length : 0;
    };
    char letter = LabelLetter();
    std::vector<QPoint> labelled;
    for (int m = 1; m <= count; ++m) {
        const TLabelPoint& middle = points[static_cast<std::size_t>(m)];
        if (!middle.defined)
            continue;
        // The nearest distinct defined neighbours decide where the label goes.
        const TLabelPoint* previous = nullptr;
        for (int j = m - 1; j >= 0 && !previous; --j)
            if (points[static_cast<std::size_t>(j)].defined &&
                !same(points[static_cast<std::size_t>(j)], middle))
                previous = &points[static_cast<std::size_t>(j)];
        const TLabelPoint* next = nullptr;
        for (int j = m + 1; j <= count + 1 && !next; ++j)
            if (points[static_cast<std::size_t>(j)].defined &&
                !same(points[static_cast<std::size_t>(j)], middle))
                next = &points[static_cast<std::size_t>(j)];
        Extended u1x = 0, u1y = 0, u2x = 0, u2y = 0, dx = 0, dy = 0;
        if (previous)
            unit(middle.pixel.x() - previous->pixel.x(), middle.pixel.y() - previous->pixel.y(), u1x, u1y);
        if (next)
            unit(middle.pixel.x() - next->pixel.x(), middle.pixel.y() - next->pixel.y(), u2x, u2y);
        unit(u1x + u2x, u1y + u2y, dx, dy);
        if (dx == 0 && dy == 0) {
            dx = -u1y;
            dy = u1x;
        }
        if (dx == 0 && dy == 0)
            dx = 1;
        // A point repeated (a shape closed by its first point) keeps its letter but is not written twice.
        if (std::find(labelled.begin(), labelled.end(), middle.pixel) == labelled.end()) {
            const int offsetX = static_cast<int>(RoundEven(s * dx - s / 2.0L)) / 2;
            const int offsetY = static_cast<int>(RoundEven(s * dy - s)) / 2;
            DrawLabel(canvas, middle.pixel.x() + offsetX, middle.pixel.y() + offsetY,
                      std::string(1, letter) + primes);
            labelled.push_back(middle.pixel);
        }
        letter = NextLetter(letter, 1);
    }
    ResetStatus();
}

// ---- document, editing, switches -----------------------------------------------------------

void TCurvePLotter::WriteTo(TMathsWriter& writer) const
{
    writer.WriteLine("Curve");
    if (DescriptionFlag) {
        if (TypedDefinition.empty())
            WriteDefinition(writer);
        else
            writer.WriteText(TypedDefinition);
        writer.WriteText("\r\n\tDescription: ");
    }
    WriteDisplayedLine(writer);
    writer.WriteText("\r\n");
    WriteLook(writer);
}

void TCurvePLotter::WriteDisplayedLine(TMathsWriter& writer) const
{
    WriteElementList(Elements(), writer);
}

std::unique_ptr<TEditor> TCurvePLotter::ToEditor()
{
    ShowDragHandles(false);
    auto editor = std::make_unique<TEditor>(PropertyFlags());
    editor->TakeOver(*this);
    editor->colour = colour;
    // The curve keeps showing its formula, as the markup text it had.
    const std::string text = ElementsToText(editor->Elements());
    TElementList list(new TEditorObject);
    if (!text.empty())
        list->next = new TStringEditObject(text);
    SetElements(std::move(list));
    return editor;
}

void TCurvePLotter::SetSwitch(std::uint16_t mask, bool on)
{
    TEquationObject::SetSwitch(mask, on);
    DiscardLineStore();
    if (PlotHost)
        PlotHost->RedrawCurve(*this);
}

void TCurvePLotter::ShowDragHandles(bool show)
{
    TEquationObject::ShowDragHandles(show);
    Canvas* canvas = PlotHost ? PlotHost->GraphCanvas() : nullptr;
    TGraphParams* params = PlotHost ? PlotHost->GraphParams() : nullptr;
    if (!PlotHost)
        return;
    // The handles are drawn with the picture, not here: without the graph's
    // canvas a scratch one does.
    QImage scratchImage;
    std::optional<Canvas> scratch;
    if (!canvas) {
        scratchImage = QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
        canvas = &scratch.emplace(&scratchImage);
    }
    if (!show)
        DropDragPoints(*canvas, true);
    else if (params && DraggingAllowed())
        BuildDragPoints(*canvas, *params);
}

bool TCurvePLotter::DraggingAllowed() const
{
    return DraggableCurvesInUse(false) && !IsLocked();
}

std::unique_ptr<TEquationObject> TCurvePLotter::ReplaceBy(std::unique_ptr<TCurvePLotter> curve)
{
    if (!curve || !PlotHost)
        return curve;
    TCurvePLotter* replacement = curve.get();
    for (TEquationObject* line : PlotHost->Lines())
        if (line != this && line->GetParent() == this)
            line->SetParent(replacement);
    std::unique_ptr<TEquationObject> old = PlotHost->ReplaceLine(*this, std::move(curve));
    if (old.get() != this) {
        // Not listed: the dependants go back to this curve.
        for (TEquationObject* line : PlotHost->Lines())
            if (line->GetParent() == replacement)
                line->SetParent(this);
        return old;
    }
    PlotHost->RedrawCurve(*replacement);
    return old;
}

TElementList TCurvePLotter::LeftHandSide() const
{
    TElementList list(new TEditorObject);
    const char letter = VariableLetter(0);
    TEditorObject* last = list.get();
    if (letter == 'q') {
        last->next = new TSpecialChar('q');
        last = last->next;
        last->next = new TStringEditObject(" =");
    } else if (letter != 0) {
        last->next = new TStringEditObject(std::string(1, letter) + " =");
    }
    return list;
}

// ---- drag support defaults ----------------------------------------------------------------------

std::optional<TDragPress> TCurvePLotter::DragControlAt(QPoint pixel, Qt::KeyboardModifiers modifiers)
{
    const TDragPointList* handles = DragPointList();
    const TGraphParams* params = PlotHost ? PlotHost->GraphParams() : nullptr;
    if (!handles || !params)
        return std::nullopt;
    TDragCustom* handle = handles->HandleAt(pixel, *params);
    if (!handle)
        return std::nullopt;
    TDragPress press;
    press.Handle = handle;
    press.Kind = modifiers == Qt::ControlModifier && handle->CtrlMovable ? TDragMouseKind::DragAlone
                                                                         : handle->MouseKind();
    return press;
}

int TCurvePLotter::DragCursorAt(int currentCursor, QPoint)
{
    return currentCursor;
}

bool TCurvePLotter::MayMoveDragPoint(TDragPoint*, Extended&, Extended&)
{
    return false;
}

void TCurvePLotter::ApplyDragMatrices(TDragPoint*, const TDragMatrices&) {}

TDragMatrices* TCurvePLotter::DragMatricesOf(TDragPoint*)
{
    return nullptr;
}

void TCurvePLotter::BuildDragPoints(Canvas&, TGraphParams&) {}

void TCurvePLotter::DropDragPoints(Canvas&, bool) {}

void TCurvePLotter::StartTransformDrag(int mode)
{
    if (mode < 6 || mode > 9 || !HasTransformHandles() || !DraggingAllowed())
        return;
    if (!DragPointList())
        ShowDragHandles(true);
    TDragPointList* handles = DragPointList();
    if (!handles)
        return;
    handles->RemoveTransformHandles();
    TRealPoint p0, p1;
    HandleBox(p0, p1);
    if (!std::isfinite(p0.x) || !std::isfinite(p0.y) || !std::isfinite(p1.x) || !std::isfinite(p1.y))
        return;
    const auto centre = [&] {
        auto handle = std::make_unique<TCentrePoint>(this, p0.x, p0.y, true);
        handle->CtrlMovable = true;
        handles->Add(std::move(handle));
    };
    switch (mode) {
    case 6:
        centre();
        handles->Add(std::make_unique<TRotatePoint>(this, p1.x, p1.y, true));
        break;
    case 7:
        centre();
        handles->Add(std::make_unique<TStretchPointVert>(this, p0.x, p1.y, true));
        handles->Add(std::make_unique<TStretchPointHorz>(this, p1.x, p0.y, true));
        handles->Add(std::make_unique<TStretchPoint>(this, p1.x, p1.y, true));
        break;
    case 8:
        centre();
        handles->Add(std::make_unique<TEnlargePoint>(this, p1.x, p1.y, true));
        break;
    default: {
        auto handle = std::make_unique<TTranslatePoint>(this, p0.x, p0.y, true);
        handle->CtrlMovable = true;
        handles->Add(std::move(handle));
        break;
    }
    }
    if (PlotHost)
        PlotHost->RedrawCurve(*this);
}

void TCurvePLotter::HandleBox(TRealPoint& fixed, TRealPoint& far) const
{
    fixed = {};
    far = {};
}

// ---- dependent curves -------------------------------------------------------------------------------

TDependentCurvePlotter::TDependentCurvePlotter(TCurvePLotter* primary)
{
    SetParent(primary);
    style = 0;
}

void TDependentCurvePlotter::SetParent(TEquationObject* parent)
{
    PrimaryCurve = dynamic_cast<TCurvePLotter*>(parent);
}

void TDependentCurvePlotter::WriteTo(TMathsWriter& writer) const
{
    TCurvePLotter::WriteTo(writer);
    const int index = PlotHost && PrimaryCurve ? PlotHost->LineIndexOf(PrimaryCurve) : -1;
    writer.WriteLine("\tprimary equation number = " + std::to_string(index));
}
