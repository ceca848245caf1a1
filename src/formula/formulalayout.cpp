#include "formula/formulalayout.h"

#include "formula/descriptions.h"
#include "formula/elements.h"
#include "formula/equationobject.h"
#include "platform/codepage.h"
#include "platform/fontfamilies.h"
#include "platform/graphcolours.h"
#include "platform/symbolfont.h"
#include "settings/configuration.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>
#include <utility>

namespace {

int formulaHeight = 16;
int smallHeight = 12;

// Painting italic text (information lines) and measuring it.
bool formulaItalic = false;

// Fonts, metrics and text widths per (height, italic): measuring asks for
// them for every element of every line, and shaping text is the dear part.
struct TMetricsCache {
    std::map<std::pair<int, bool>, QFontMetrics> metrics;
    std::map<std::pair<int, bool>, QFont> fonts;
    std::unordered_map<std::string, int> widths;
    // Glyphs laid out for painting, each run with its own raw font: a
    // formula repaints the same short runs over and over in two sizes, and
    // neither laying them out again nor switching the painter's font between
    // the sizes is needed that way.
    std::unordered_map<std::string, QGlyphRun> runs;
    std::map<std::pair<int, bool>, QRawFont> rawFonts;
    std::map<int, qreal> axes;
    std::map<int, int> inkHeights;
    std::map<int, int> rowHeights;
    std::string family;
    static std::string Key(std::string_view text, int height, bool symbol, bool italic)
    {
        std::string key(text);
        key.push_back('\0');
        key.push_back(static_cast<char>((symbol ? 1 : 0) | (italic ? 2 : 0)));
        key.append(std::to_string(height));
        return key;
    }
    const QGlyphRun& Run(std::string_view text, int height, bool symbol, bool italic)
    {
        CheckFamily();
        std::string key = Key(text, height, symbol, italic);
        if (const auto found = runs.find(key); found != runs.end())
            return found->second;
        if (runs.size() > 4000)
            runs.clear();
        auto raw = rawFonts.find(std::make_pair(height, italic));
        if (raw == rawFonts.end())
            raw = rawFonts.emplace(std::make_pair(height, italic), QRawFont::fromFont(Font(height, italic)))
                      .first;
        const QString shown = symbol ? SymbolText(text) : AnsiToQString(text);
        const QList<quint32> glyphs = raw->second.glyphIndexesForString(shown);
        const QList<QPointF> advances = raw->second.advancesForGlyphIndexes(glyphs);
        QList<QPointF> positions;
        positions.reserve(glyphs.size());
        QPointF at(0, 0);
        for (const QPointF& advance : advances) {
            positions.append(at);
            at += advance;
        }
        QGlyphRun run;
        run.setRawFont(raw->second);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        return runs.emplace(std::move(key), std::move(run)).first->second;
    }
    void CheckFamily()
    {
        if (family != FormulaFontName) {
            metrics.clear();
            fonts.clear();
            widths.clear();
            runs.clear();
            rawFonts.clear();
            axes.clear();
            inkHeights.clear();
            rowHeights.clear();
            family = FormulaFontName;
        }
    }
    const QFont& Font(int height, bool italic)
    {
        CheckFamily();
        const auto key = std::make_pair(height, italic);
        auto found = fonts.find(key);
        if (found == fonts.end()) {
            QFont font = FamilyFont(FormulaFontName);
            font.setPixelSize(std::max(1, height));
            font.setItalic(italic);
            // Horizontal advances must not depend on the device pixel ratio,
            // or a line measured once would not paint alike on a HiDPI screen.
            font.setHintingPreference(QFont::PreferVerticalHinting);
            found = fonts.emplace(key, font).first;
        }
        return found->second;
    }
    const QFontMetrics& Get(int height, bool italic)
    {
        CheckFamily();
        const auto key = std::make_pair(height, italic);
        auto found = metrics.find(key);
        if (found == metrics.end())
            found = metrics.emplace(key, QFontMetrics(Font(height, italic))).first;
        return found->second;
    }
    // A value per height, worked out once.
    template <class T, class Compute> T Cached(std::map<int, T>& values, int height, Compute compute)
    {
        CheckFamily();
        if (const auto found = values.find(height); found != values.end())
            return found->second;
        return values.emplace(height, compute()).first->second;
    }
    qreal Axis(int height)
    {
        return Cached(axes, height, [&] {
            // The outline of "=" gives its middle exactly; hinted metrics of
            // the glyph would be whole pixels off at small sizes.
            QPainterPath path;
            path.addText(0, 0, Font(height, false), QStringLiteral("="));
            const QRectF box = path.boundingRect();
            return box.isEmpty() ? Get(height, false).xHeight() / 2.0 : -(box.top() + box.bottom()) / 2;
        });
    }
    int RowHeight(int height)
    {
        return Cached(rowHeights, height, [&] {
            // Text is drawn on the whole-pixel ascent; the descent is rounded
            // up, since a descender reaching 3.4 pixels down inks a fourth row.
            return Get(height, false).ascent() +
                   static_cast<int>(std::ceil(QFontMetricsF(Font(height, false)).descent() - 0.01));
        });
    }
    int InkHeight(int height)
    {
        return Cached(inkHeights, height, [&] {
            QPainterPath path;
            path.addText(0, 0, Font(height, false), QStringLiteral("0Hd(|"));
            const int ascent = Get(height, false).ascent();
            return path.isEmpty()
                       ? ascent
                       : std::clamp(static_cast<int>(std::ceil(-path.boundingRect().top())), 1, ascent);
        });
    }
    int Width(std::string_view text, int height, bool symbol, bool italic)
    {
        CheckFamily();
        std::string key = Key(text, height, symbol, italic);
        if (const auto found = widths.find(key); found != widths.end())
            return found->second;
        if (widths.size() > 20000)
            widths.clear();
        const int width =
            Get(height, italic).horizontalAdvance(symbol ? SymbolText(text) : AnsiToQString(text));
        widths.emplace(std::move(key), width);
        return width;
    }
};

TMetricsCache& Metrics()
{
    static TMetricsCache cache;
    return cache;
}

// The formula painting adjusts every drawn colour for the background and
// the print colour option.
const bool displayColourInstalled = [] {
    DisplayColourHook = &DisplayColour;
    return true;
}();

// Paints the text of a text-like element at the pen and leaves the pen
// exactly its measured width further on. The glyphs are laid out once and
// drawn straight through the painter.
void PaintText(Canvas& canvas, TPaintContext& context, std::string_view text, int width, int lift,
               bool symbol)
{
    const QPoint at = canvas.PenPos();
    canvas.MoveTo(at.x() + width, at.y());
    if (text.empty())
        return;
    QPainter& painter = canvas.Painter();
    const QPen pen = painter.pen();
    painter.setPen(ToQColor(context.colour));
    const int ascent = Metrics().Get(CurrentHeight, formulaItalic).ascent();
    painter.drawGlyphRun(QPointF(at.x(), at.y() - lift + ascent),
                         Metrics().Run(text, CurrentHeight, symbol, formulaItalic));
    painter.setPen(pen);
}

// The dotted box of an empty cell covers where a figure would stand.
void PaintEmptyBox(Canvas& canvas, int fontHeight)
{
    const QPoint at = canvas.PenPos();
    TCanvasStateSaver saver(canvas);
    TPenState pen = canvas.Pen();
    pen.width = 1;
    pen.style = TPenStyle::Dot;
    canvas.SetPen(pen);
    canvas.SetBrushStyle(TBrushStyle::Clear);
    const int baseline = at.y() + FormulaAscent(fontHeight);
    const int top = std::min(baseline - 2, baseline - FormulaCapHeight(fontHeight));
    canvas.Rectangle(at.x(), top, at.x() + EmptyCellWidth, baseline + 1);
    canvas.MoveTo(at.x() + EmptyCellWidth, at.y());
}

} // namespace

// ---- Font values ---------------------------------------------------------

int FormulaHeight()
{
    return formulaHeight;
}

int SmallHeight()
{
    return smallHeight;
}

int SetFormulaHeight(int height)
{
    const int previous = formulaHeight;
    formulaHeight = std::max(1, height);
    smallHeight = std::max(1, (3 * formulaHeight) / 4);
    return previous;
}

QFont FormulaFont(int pixelHeight, bool italic)
{
    return Metrics().Font(std::max(1, pixelHeight), italic);
}

int FormulaTextWidth(std::string_view text, int pixelHeight, bool symbol, bool italic)
{
    if (text.empty())
        return 0;
    return Metrics().Width(text, std::max(1, pixelHeight), symbol, italic);
}

int FormulaTextHeight(int pixelHeight)
{
    return Metrics().RowHeight(std::max(1, pixelHeight));
}

int FormulaAscent(int pixelHeight)
{
    return Metrics().Get(std::max(1, pixelHeight), false).ascent();
}

int FormulaCapHeight(int pixelHeight)
{
    const QFontMetrics& metrics = Metrics().Get(std::max(1, pixelHeight), false);
    const int cap = metrics.capHeight();
    return cap > 0 && cap <= metrics.ascent() ? cap : metrics.ascent();
}

qreal FormulaAxisHeight(int pixelHeight)
{
    return Metrics().Axis(std::max(1, pixelHeight));
}

int FormulaInkHeight(int pixelHeight)
{
    return Metrics().InkHeight(std::max(1, pixelHeight));
}

int TabUnit()
{
    return std::max(1, FormulaTextWidth("M", FormulaHeight()));
}

int TabEnd(int x)
{
    // Stop spacing and minimum extra gap are both one M.
    const int m = TabUnit();
    const int far = x + 2 * m;
    return far - far % m;
}

TFontSave SelectFormulaFont(Canvas* canvas)
{
    TFontSave save;
    save.canvas = canvas;
    save.height = FormulaHeight();
    if (canvas) {
        save.font = canvas->Font();
        canvas->SetFont(TFontState{FormulaFont(FormulaHeight()), false, save.font.colour});
    }
    return save;
}

void RestoreFont(const TFontSave& save)
{
    if (save.canvas)
        save.canvas->SetFont(save.font);
    SetFormulaHeight(save.height);
}

// ---- Lists and lines -----------------------------------------------------

void MeasureList(TEditorObject* list, TMeasureRecord& record)
{
    for (TEditorObject* element = list; element; element = element->next)
        element->Measure(record);
}

void PaintList(Canvas& canvas, TPaintContext& context, TEditorObject* list)
{
    for (TEditorObject* element = list; element; element = element->next)
        element->Paint(canvas, context);
}

namespace {

// Makes the line's own font (when it has one with a pixel size) the formula
// height for a scope.
class TLineHeight {
public:
    explicit TLineHeight(const TEquationObject& line) : previous_(FormulaHeight())
    {
        if (const QFont* font = line.GetFont(); font && font->pixelSize() > 0)
            SetFormulaHeight(font->pixelSize());
        savedCurrent_ = CurrentHeight;
        CurrentHeight = FormulaHeight();
    }
    ~TLineHeight()
    {
        CurrentHeight = savedCurrent_;
        SetFormulaHeight(previous_);
    }
    TLineHeight(const TLineHeight&) = delete;
    TLineHeight& operator=(const TLineHeight&) = delete;

private:
    int previous_;
    int savedCurrent_ = 0;
};

} // namespace

void MeasureLine(TEquationObject& line)
{
    TLineHeight scope(line);
    const int h = FormulaHeight();
    TLineMargins margins;
    line.GetMargins(margins);
    // The body is a row of text of the font, descenders included: text adds
    // only its width, so the row must hold the glyphs' whole height.
    TMeasureRecord record{margins.body * FormulaTextHeight(h) / 10, 0, 0, 0};
    MeasureList(line.Elements(), record);
    record.height += (margins.above + margins.below) * h / 10;
    record.raise += margins.above * h / 10;
    if (const TEquationObject* parent = line.GetParent(); parent && parent->raise > record.raise) {
        record.height += parent->raise - record.raise;
        record.raise = parent->raise;
    }
    line.height = record.height;
    line.raise = record.raise;
    line.width = record.width;
    line.extra = record.extra;
}

void PaintLine(Canvas& canvas, TEquationObject& line)
{
    if (!line.Elements())
        return;
    TLineHeight scope(line);
    TCanvasStateSaver saver(canvas);
    TPaintContext context{DisplayColour(canvas, line.colour)};
    canvas.SetBrushStyle(TBrushStyle::Clear);
    canvas.SetPen(
        TPenState{context.colour, std::max(1, FormulaHeight() / 15), TPenStyle::Solid, TPenMode::Copy});
    canvas.SetTextAlign(taLeft | taTop);
    const QPoint start = canvas.PenPos();
    canvas.MoveTo(start.x() + line.leftMargin, start.y() + line.raise);
    PaintList(canvas, context, line.Elements());
    canvas.MoveBy(0, -line.raise);
}

// ---- Colours -------------------------------------------------------------

TColour DisplayColour(const Canvas& canvas, TColour colour)
{
    const TColour rgb = ResolveColour(colour);
    if (canvas.Printing() && PrintColourOption == 2)
        return clBlack;
    if (canvas.Printing() && PrintColourOption == 1)
        return GreyColour(rgb);
    const TColour background = ResolveColour(BackgroundColour);
    if (background == clWhite || background == rgb)
        return colour;
    const auto blend = [](int c, int b) {
        const double value = b <= 128 ? 255.0 - (255.0 - b) * c / 255.0 : c * b / 255.0;
        return static_cast<int>(std::lround(value));
    };
    return RgbColour(blend(RedOf(rgb), RedOf(background)), blend(GreenOf(rgb), GreenOf(background)),
                     blend(BlueOf(rgb), BlueOf(background)));
}

void DrawBar(Canvas& canvas, int x1, int x2, int y, int thickness)
{
    if (x2 <= x1)
        return;
    QPainter& painter = canvas.Painter();
    painter.fillRect(QRect(x1, y, x2 - x1, std::max(1, thickness)), ToQColor(canvas.Pen().colour));
}

void DrawStroke(Canvas& canvas, QPoint from, QPoint to, int width)
{
    QPainter& painter = canvas.Painter();
    painter.save();
    QPen pen(ToQColor(canvas.Pen().colour));
    pen.setWidthF(std::max(1, width));
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    // Pixel centres: a one-pixel stroke between whole coordinates then
    // covers exactly the pixels from the start to the end.
    const QPointF shift(0.5, 0.5);
    painter.setRenderHint(QPainter::Antialiasing,
                          canvas.DevicePixelRatio() > 1.0 && from.x() != to.x() && from.y() != to.y());
    painter.drawLine(QPointF(from) + shift, QPointF(to) + shift);
    painter.restore();
}

// ---- Elements --------------------------------------------------------------

void TEditorObject::Measure(TMeasureRecord& record)
{
    layoutX = record.width;
    layoutWidth = 0;
    layoutHeight = CurrentHeight;
}

void TEditorObject::Paint(Canvas& canvas, TPaintContext&)
{
    // Anchors draw nothing; tabs and other spacing elements move the pen on.
    canvas.MoveBy(layoutWidth, 0);
}

int TEditorObject::OffsetAt(int x) const
{
    return PositionCount() > 0 && x * 2 >= layoutWidth ? PositionCount() : 0;
}

void TStringEditObject::Measure(TMeasureRecord& record)
{
    layoutX = record.width;
    layoutHeight = CurrentHeight;
    layoutWidth = FormulaTextWidth(Text(), CurrentHeight, false, formulaItalic);
    record.width += layoutWidth;
}

void TStringEditObject::Paint(Canvas& canvas, TPaintContext& context)
{
    PaintText(canvas, context, Text(), layoutWidth, 0, false);
}

int TStringEditObject::CaretX(int offset) const
{
    offset = std::clamp(offset, 0, PositionCount());
    if (offset == PositionCount())
        return layoutWidth;
    return FormulaTextWidth(std::string_view(Text()).substr(0, static_cast<std::size_t>(offset)),
                            layoutHeight, false, formulaItalic);
}

int TStringEditObject::OffsetAt(int x) const
{
    // The boundary nearest to x; widths grow with the offset.
    int best = 0;
    int bestDistance = std::abs(x);
    for (int offset = 1; offset <= PositionCount(); ++offset) {
        const int distance = std::abs(CaretX(offset) - x);
        if (distance < bestDistance) {
            best = offset;
            bestDistance = distance;
        } else if (CaretX(offset) > x) {
            break;
        }
    }
    return best;
}

void TSpecialChar::Measure(TMeasureRecord& record)
{
    layoutX = record.width;
    layoutHeight = CurrentHeight;
    layoutWidth = FormulaTextWidth(std::string_view(&character_, 1), CurrentHeight, true, formulaItalic);
    record.width += layoutWidth;
}

void TSpecialChar::Paint(Canvas& canvas, TPaintContext& context)
{
    PaintText(canvas, context, std::string_view(&character_, 1), layoutWidth, CurrentHeight / 15, true);
}

void TEditTabObject::Measure(TMeasureRecord& record)
{
    layoutX = record.width;
    layoutHeight = CurrentHeight;
    layoutWidth = TabEnd(record.width) - record.width;
    record.width += layoutWidth;
}

void TFixedDescription::Measure(TMeasureRecord& record)
{
    layoutX = record.width;
    layoutHeight = CurrentHeight;
    layoutWidth = FormulaTextWidth(DescriptionText(number_), CurrentHeight, false, formulaItalic);
    record.width += layoutWidth;
}

void TFixedDescription::Paint(Canvas& canvas, TPaintContext& context)
{
    PaintText(canvas, context, DescriptionText(number_), layoutWidth, 0, false);
}

void TBlankLine::Measure(TMeasureRecord& record)
{
    layoutX = record.width;
    layoutHeight = CurrentHeight;
    layoutWidth = 100;
    record.width += layoutWidth;
    record.height = std::max(record.height, 10);
}

void TBlankLine::Paint(Canvas& canvas, TPaintContext&)
{
    const QPoint at = canvas.PenPos();
    QPainter& painter = canvas.Painter();
    painter.fillRect(QRect(at.x(), at.y(), 100, 10), ToQColor(canvas.Brush().colour));
    canvas.MoveTo(at.x() + 100, at.y());
}

// ---- Structured elements -----------------------------------------------------

void TSublistsEditObject::CellLayout(int index, TCellLayout& layout)
{
    const TSubList& cell = CellRecord(index);
    layout.fontHeight = CurrentHeight;
    layout.restoreHeight = CurrentHeight;
    layout.offset = cell.raise;
}

void TSublistsEditObject::Decorate(Canvas&, QPoint, int) {}

void TSublistsEditObject::Separator(Canvas&, int, QPoint) {}

int TSublistsEditObject::CellWidth(int index) const
{
    const TSubList& cell = cells_[static_cast<std::size_t>(index)];
    return ListIsEmpty(cell.list) ? cell.width + EmptyCellWidth : cell.width;
}

TCellLayout TSublistsEditObject::FullCellLayout(int index)
{
    TCellLayout layout;
    CellLayout(index, layout);
    if (ListIsEmpty(Cell(index)) && !layout.noEmptyBox)
        layout.gapAfter += EmptyCellWidth;
    return layout;
}

void TSublistsEditObject::Measure(TMeasureRecord& record)
{
    layoutX = record.width;
    layoutHeight = CurrentHeight;
    const int rows = Rows();
    const int columns = Columns();
    if (rows <= 0 || columns <= 0 || rows * columns != CellCount()) {
        layoutWidth = 0;
        return;
    }
    const int saved = CurrentHeight;
    // 1. Every cell in its own font.
    for (int i = 0; i < CellCount(); ++i) {
        TCellLayout layout;
        CellLayout(i, layout);
        TSubList& cell = CellRecord(i);
        TMeasureRecord measured{FormulaTextHeight(layout.fontHeight), 0, 0, 0};
        CurrentHeight = layout.fontHeight;
        MeasureList(cell.list, measured);
        CurrentHeight = saved;
        cell.height = measured.height;
        cell.raise = measured.raise;
        cell.width = measured.width;
        cell.extra = measured.extra;
        cell.fontHeight = layout.fontHeight;
    }
    // 2. Every cell of a row gets the row's largest height and raise.
    for (int row = 0; row < rows; ++row) {
        int height = 0;
        int raise = 0;
        for (int column = 0; column < columns; ++column) {
            height = std::max(height, CellRecord(row * columns + column).height);
            raise = std::max(raise, CellRecord(row * columns + column).raise);
        }
        for (int column = 0; column < columns; ++column) {
            CellRecord(row * columns + column).height = height;
            CellRecord(row * columns + column).raise = raise;
        }
    }
    // Columns and the places of the cells.
    std::vector<TCellLayout> layouts(static_cast<std::size_t>(CellCount()));
    for (int i = 0; i < CellCount(); ++i)
        layouts[static_cast<std::size_t>(i)] = FullCellLayout(i);
    columnEnds_.assign(static_cast<std::size_t>(columns), 0);
    int x = 0;
    for (int column = 0; column < columns; ++column) {
        int widest = 0;
        for (int row = 0; row < rows; ++row) {
            const int i = row * columns + column;
            const TCellLayout& layout = layouts[static_cast<std::size_t>(i)];
            TSubList& cell = CellRecord(i);
            widest = std::max(widest, layout.gapBefore + cell.width + layout.gapAfter);
            cell.dx = x + layout.gapBefore;
            cell.dy = layout.offset;
        }
        x += widest;
        columnEnds_[static_cast<std::size_t>(column)] = x;
    }
    layoutWidth = x;
    // 3.-6. The element's extent above and below the text row: from the top
    // of its highest cell (and the first cell's extra margin) to the bottom of
    // its lowest, since cells need not touch (a fraction bar lies between).
    const TCellLayout& first = layouts[0];
    const int m = first.topMargin;
    record.extra += m + CellRecord(0).extra;
    int raiseNeeded = m + CellRecord(0).raise - first.offset;
    int bottom = 0;
    for (int i = 0; i < CellCount(); ++i) {
        const TSubList& cell = CellRecord(i);
        raiseNeeded = std::max(raiseNeeded, cell.raise - cell.dy);
        bottom = std::max(bottom, cell.dy - cell.raise + cell.height);
    }
    if (raiseNeeded > record.raise) {
        record.height += raiseNeeded; // the whole amount, as lines have always been spaced
        record.raise = raiseNeeded;
    }
    record.height = std::max(record.height, record.raise + bottom);
    record.width += layoutWidth;
}

void TSublistsEditObject::Paint(Canvas& canvas, TPaintContext& context)
{
    const QPoint origin = canvas.PenPos();
    const int saved = CurrentHeight;
    const int columns = Columns();
    if (columns > 0 && CellCount() > 0 && CellCount() % columns == 0 &&
        columnEnds_.size() == static_cast<std::size_t>(columns)) {
        for (int i = 0; i < CellCount(); ++i) {
            const TSubList& cell = CellRecord(i);
            CurrentHeight = cell.fontHeight;
            canvas.MoveTo(origin.x() + cell.dx, origin.y() + cell.dy);
            if (ListIsEmpty(cell.list)) {
                TCellLayout layout;
                CellLayout(i, layout);
                if (!layout.noEmptyBox)
                    PaintEmptyBox(canvas, cell.fontHeight);
            } else {
                PaintList(canvas, context, cell.list);
            }
            CurrentHeight = saved;
            const int column = i % columns;
            if (column + 1 < columns)
                Separator(canvas, column,
                          QPoint(origin.x() + columnEnds_[static_cast<std::size_t>(column)], origin.y()));
        }
    }
    CurrentHeight = saved;
    Decorate(canvas, origin, layoutWidth);
    canvas.MoveTo(origin.x() + layoutWidth, origin.y());
}

namespace {

// The fraction bar of a fraction in a row of height h: its thickness and its
// top, below the top of the row, centred on the middle of "=".
int BarThickness()
{
    return std::max(1, FormulaHeight() / 15);
}

int BarTop(int h)
{
    return static_cast<int>(std::lround(FormulaAscent(h) - FormulaAxisHeight(h) - BarThickness() / 2.0));
}

// The clear space between the bar and the ink of the cells above and below it.
int BarGap()
{
    return std::max(1, static_cast<int>(std::lround(FormulaHeight() / 16.0)));
}

} // namespace

void TFractionObject::CellLayout(int index, TCellLayout& layout)
{
    const int s = SmallHeight();
    layout.fontHeight = s;
    layout.restoreHeight = CurrentHeight;
    const int gap = FormulaHeight() * 4 / std::max(1, FormulaReferenceHeight);
    const int own = CellWidth(index);
    const int other = CellWidth(1 - index);
    layout.gapBefore = gap + (own < other ? (other - own) / 2 : 0);
    layout.gapAfter = gap;
    const TSubList& cell = CellRecord(index);
    // The numerator's rows, descenders included, end above the bar; the
    // denominator's capitals and figures start below it.
    const int bar = BarTop(CurrentHeight);
    if (index == 0)
        layout.offset = bar - BarGap() + cell.raise - cell.height;
    else
        layout.offset =
            bar + BarThickness() + BarGap() - (FormulaAscent(s) - FormulaInkHeight(s)) + cell.raise;
}

void TFractionObject::Decorate(Canvas& canvas, QPoint origin, int width)
{
    DrawBar(canvas, origin.x() + 2, origin.x() + width - 2, origin.y() + BarTop(CurrentHeight),
            BarThickness());
}

int TSuperscriptEditObject::IndexRaise() const
{
    // A one-row index starts S/4 above the top of the text row, so that its
    // baseline stands about 0.4 em above the base's; an index holding raised
    // parts or lower parts (a fraction) rises by what it holds below its row.
    const TSubList& cell = CellRecord(0);
    const int s = SmallHeight();
    return FormulaTextHeight(s) - s / 4 + cell.raise - cell.height;
}

void TSuperscriptEditObject::CellLayout(int, TCellLayout& layout)
{
    layout.fontHeight = SmallHeight();
    layout.restoreHeight = CurrentHeight;
    layout.offset = IndexRaise();
}

void TMatrixEditObject::CellLayout(int index, TCellLayout& layout)
{
    const int s = SmallHeight();
    layout.fontHeight = s;
    layout.restoreHeight = CurrentHeight;
    const int columns = std::max(1, Columns());
    const int row = index / columns;
    const int column = index % columns;
    const int gap = std::max(2, FormulaHeight() * 4 / std::max(1, FormulaReferenceHeight));
    // Room for the brackets at both ends, a gap between columns; cells are
    // centred in their column.
    int widest = 0;
    for (int r = 0; r < Rows(); ++r)
        widest = std::max(widest, CellWidth(r * columns + column));
    const int own = CellWidth(index);
    layout.gapBefore = (column == 0 ? 8 + gap / 2 : gap / 2) + (widest - own) / 2;
    layout.gapAfter = (column + 1 == columns ? 8 + gap / 2 : gap / 2) + (widest - own) - (widest - own) / 2;
    // Rows are stacked and centred on the middle of "=", where a fraction
    // bar would lie, so that the matrix lines up with the signs beside it.
    int total = 0;
    for (int r = 0; r < Rows(); ++r)
        total += CellRecord(r * columns).height;
    const qreal middle = FormulaAscent(CurrentHeight) - FormulaAxisHeight(CurrentHeight);
    int top = static_cast<int>(std::lround(middle - total / 2.0));
    for (int r = 0; r < row; ++r)
        top += CellRecord(r * columns).height;
    layout.offset = top + CellRecord(index).raise;
}

void TMatrixEditObject::Decorate(Canvas& canvas, QPoint origin, int width)
{
    if (CellCount() == 0)
        return;
    // The brackets span the rows that exist.
    const TSubList& first = CellRecord(0);
    const int top = origin.y() + first.dy - first.raise;
    int bottom = top;
    for (int r = 0; r < Rows(); ++r)
        bottom += CellRecord(r * std::max(1, Columns())).height;
    const int penWidth = std::max(1, FormulaHeight() / 15);
    QPainter& painter = canvas.Painter();
    painter.save();
    QPen pen(ToQColor(canvas.Pen().colour));
    pen.setWidthF(penWidth);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, true);
    // Each bracket is the outer part of an ellipse 8 pixels wide at its end.
    const qreal height = bottom - top;
    const QRectF left(origin.x() + 2, top, 12, height);
    const QRectF right(origin.x() + width - 14, top, 12, height);
    painter.drawArc(left, 120 * 16, 120 * 16);
    painter.drawArc(right, -60 * 16, 120 * 16);
    painter.restore();
}

void TSquareRootEditObject::CellLayout(int index, TCellLayout& layout)
{
    const TSubList& cell = CellRecord(index);
    const int h = cell.height;
    layout.fontHeight = CurrentHeight;
    layout.restoreHeight = CurrentHeight;
    layout.gapBefore = h / 2;
    layout.gapAfter = h / 4;
    layout.topMargin = h / 5;
    layout.offset = 0;
}

void TSquareRootEditObject::Decorate(Canvas& canvas, QPoint origin, int width)
{
    const TSubList& cell = CellRecord(0);
    const int h = cell.height;
    const int d = cell.raise;
    const int x0 = origin.x();
    const int y0 = origin.y();
    const int x1 = x0 + width - h / 4;
    const int stroke = std::max(1, FormulaHeight() / 15);
    DrawBar(canvas, x0 + h / 2, x1, y0 - d, stroke);
    // The strokes end on the last row of the radicand's cell, as a line drawn
    // up to a point stops short of it: the cell's bottom is the next row.
    const QPoint foot(x0 + h / 6, y0 - d + h - stroke);
    DrawStroke(canvas, QPoint(x0 + h / 2, y0 - d), foot, stroke);
    DrawStroke(canvas, foot, QPoint(x0, y0 - d + 3 * h / 4), stroke);
}

void TFixedList::CellLayout(int index, TCellLayout& layout)
{
    const TSubList& cell = CellRecord(index);
    layout.fontHeight = CurrentHeight;
    layout.restoreHeight = CurrentHeight;
    layout.offset = cell.raise;
    layout.skipTab = index < 8 && (LayoutMask() >> index & 1) != 0;
    layout.gapAfter = FormulaHeight() * 7 / std::max(1, FormulaReferenceHeight);
    // An angle-unit mark in the fifth field follows the number directly.
    if (FieldCount() == 5 && (index == 3 || index == 4)) {
        const TEditorObject* last = LastElement(Cell(4));
        if (dynamic_cast<const TSuperscriptEditObject*>(last)) {
            if (index == 3)
                layout.gapAfter = 0;
            else
                layout.gapBefore = 0;
        }
    }
}

void TDisplayInfo::Measure(TMeasureRecord& record)
{
    const bool saved = formulaItalic;
    formulaItalic = true;
    TFixedList::Measure(record);
    formulaItalic = saved;
}

void TDisplayInfo::Paint(Canvas& canvas, TPaintContext& context)
{
    const bool saved = formulaItalic;
    const TColour colour = context.colour;
    formulaItalic = true;
    context.colour = LightenColour(colour, 10);
    TFixedList::Paint(canvas, context);
    context.colour = colour;
    formulaItalic = saved;
}

void TCoordEditObject::CellLayout(int index, TCellLayout& layout)
{
    const TSubList& cell = CellRecord(index);
    layout.fontHeight = CurrentHeight;
    layout.restoreHeight = CurrentHeight;
    layout.offset = cell.raise;
    if (index == 0)
        layout.gapBefore = FormulaTextWidth("(", CurrentHeight);
    layout.gapAfter = FormulaTextWidth(index == 0 ? ", " : ")", CurrentHeight);
}

void TCoordEditObject::Decorate(Canvas& canvas, QPoint origin, int width)
{
    TPaintContext context{canvas.Pen().colour};
    canvas.MoveTo(origin);
    PaintText(canvas, context, "(", 0, 0, false);
    canvas.MoveTo(origin.x() + width - FormulaTextWidth(")", CurrentHeight), origin.y());
    PaintText(canvas, context, ")", 0, 0, false);
}

void TCoordEditObject::Separator(Canvas& canvas, int, QPoint at)
{
    TPaintContext context{canvas.Pen().colour};
    canvas.MoveTo(at.x() - FormulaTextWidth(", ", CurrentHeight), at.y());
    PaintText(canvas, context, ",", 0, 0, false);
}
