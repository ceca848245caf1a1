#include "geometry/coordinates.h"

#include "expr/parser.h"
#include "formula/formulalayout.h"
#include "formula/markup.h"
#include "graph/displayrounding.h"
#include "settings/mathswriter.h"

#include <cmath>
#include <limits>

namespace {

// The text of a cell when it is one plain text run (else nullptr).
const std::string* CellText(const TEditorObject* list)
{
    const TEditorObject* e = list;
    while (e && IsAnchor(e))
        e = e->next;
    const auto* run = dynamic_cast<const TStringEditObject*>(e);
    if (!run || run->next)
        return nullptr;
    return &run->Text();
}

// A number that can stand in a column: digits and at most one decimal
// point, a minus sign only in front.
bool Alignable(const std::string& text)
{
    if (text.empty())
        return false;
    int points = 0;
    bool digit = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == DecimalPoint)
            ++points;
        else if (c >= '0' && c <= '9')
            digit = true;
        else if (!(c == '-' && i == 0))
            return false;
    }
    return points <= 1 && digit;
}

TElementList TextList(std::string_view markup)
{
    TElementList list;
    try {
        list = ElementsFromText(markup);
    } catch (const std::exception&) {
        list.reset(new TEditorObject);
        if (!markup.empty())
            list->next = new TStringEditObject(markup);
    }
    if (!list)
        list.reset(new TEditorObject);
    return list;
}

} // namespace

// ---- rows --------------------------------------------------------------------------

void TBlankCoordinates::WriteTo(TMathsWriter& writer) const
{
    writer.WriteLine("\t\t_________");
}

std::unique_ptr<TBlankCoordinates> TBlankCoordinates::Clone() const
{
    return std::make_unique<TBlankCoordinates>();
}

TElementList TBlankCoordinates::DisplayElements() const
{
    TElementList list(new TEditorObject);
    list->next = new TBlankLine;
    return list;
}

TCoordinates::TCoordinates(TRealReaderPtr x, TRealReaderPtr y) : X(std::move(x)), Y(std::move(y))
{
    if (!X)
        X = std::make_unique<TRealReader>(0);
    if (!Y)
        Y = std::make_unique<TRealReader>(0);
}

TCoordinates::TCoordinates(Extended x, Extended y)
    : X(std::make_unique<TRealReader>(x)), Y(std::make_unique<TRealReader>(y))
{
}

void TCoordinates::WriteTo(TMathsWriter& writer) const
{
    writer.WriteText("\t\t(");
    X->WriteValue(writer, false);
    writer.WriteText(",");
    Y->WriteValue(writer, false);
    writer.WriteText(")\r\n");
}

namespace {

TRealReaderPtr CloneNumber(const TRealReader& number)
{
    if (const auto* variable = dynamic_cast<const TVariableString*>(&number)) {
        // A copy follows the same names: read the text again.
        TRealReaderPtr copy;
        try {
            TElementList elements = ElementsFromText(variable->Source());
            TParseParams params;
            StartParse(params, elements.get(), 0, nullptr, false, EndOrTabTerminators());
            copy = NumberFromParse(params);
            if (HasError(params))
                copy.reset();
        } catch (const std::exception&) {
            copy.reset();
        }
        if (copy)
            return copy;
        return std::make_unique<TRealString>(variable->Value(), variable->Source());
    }
    if (const auto* waiting = dynamic_cast<const TNeedsDefRealReader*>(&number))
        return std::make_unique<TNeedsDefRealReader>(waiting->Text());
    if (const auto* typed = dynamic_cast<const TRealString*>(&number))
        return std::make_unique<TRealString>(typed->Value(), typed->Source());
    return std::make_unique<TRealReader>(number.Value());
}

} // namespace

std::unique_ptr<TBlankCoordinates> TCoordinates::Clone() const
{
    return std::make_unique<TCoordinates>(CloneNumber(*X), CloneNumber(*Y));
}

TElementList TCoordinates::DisplayElements() const
{
    TElementList list(new TEditorObject);
    auto* element = new TTabbedCoordEditObject;
    list->next = element;
    SetCoordinateTexts(*element, NumberText(*X), NumberText(*Y));
    return list;
}

bool TCoordinates::DependsOn(std::string_view name) const
{
    return X->DependsOn(name) || Y->DependsOn(name);
}

TRealPoint TCoordinates::Point() const
{
    return {NumberValue(*X), NumberValue(*Y)};
}

bool TCoordinates::Draggable() const
{
    return !dynamic_cast<const TVariableString*>(X.get()) && !dynamic_cast<const TVariableString*>(Y.get()) &&
           !dynamic_cast<const TNeedsDefRealReader*>(X.get()) &&
           !dynamic_cast<const TNeedsDefRealReader*>(Y.get());
}

std::string NumberText(const TRealReader& number)
{
    if (const auto* waiting = dynamic_cast<const TNeedsDefRealReader*>(&number))
        return waiting->Text();
    return number.GetText(10, 0);
}

Extended NumberValue(const TRealReader& number)
{
    if (dynamic_cast<const TNeedsDefRealReader*>(&number))
        return std::numeric_limits<Extended>::quiet_NaN();
    const Extended value = number.Value();
    return std::isfinite(value) ? value : std::numeric_limits<Extended>::quiet_NaN();
}

// ---- the element in columns --------------------------------------------------------

void TTabbedCoordEditObject::CellLayout(int index, TCellLayout& layout)
{
    TCoordEditObject::CellLayout(index, layout);
    const std::string* x = CellText(Cell(0));
    const std::string* y = CellText(Cell(1));
    if (!x || !y || !Alignable(*x) || !Alignable(*y))
        return;
    const std::string& own = index == 0 ? *x : *y;
    const std::size_t point = own.find(DecimalPoint);
    const std::string whole = own.substr(0, point);
    const std::string fraction = point == std::string::npos ? std::string() : own.substr(point);
    const std::string_view pattern = ColumnTemplate;
    const std::size_t patternPoint = pattern.find('.');
    const int h = CurrentHeight;
    // The integer part is padded on the left to the template's, the rest on
    // the right to the template's, so the points and the comma line up.
    const int leftPad = FormulaTextWidth(pattern.substr(0, patternPoint), h) - FormulaTextWidth(whole, h);
    const int rightPad = FormulaTextWidth(pattern.substr(patternPoint), h) - FormulaTextWidth(fraction, h);
    layout.gapBefore += std::max(0, leftPad);
    layout.gapAfter += std::max(0, rightPad);
}

// ---- conversions -------------------------------------------------------------------

TRealReaderPtr ParseNumberCell(TEditorObject* cell, TEditorObject* owner, TParseParams& params,
                               std::vector<std::string>* undefined)
{
    if (!cell || ListIsEmpty(cell)) {
        SetErrorAt(params, ParseMessage::EmptyCell, owner, 0);
        return nullptr;
    }
    TParseParams part;
    part.declaredNames = params.declaredNames;
    part.defineLater = params.defineLater && undefined;
    StartParse(part, cell, 0, undefined, false, EndOrTabTerminators());
    TRealReaderPtr number = NumberFromParse(part);
    if (!HasError(part) && NextNonBlankElement(part.nextElement) != nullptr)
        SetError(part, ParseMessage::NotUnderstood);
    if (HasError(part)) {
        SetErrorAt(params, part.error.message, part.error.element ? part.error.element : owner,
                   part.error.position);
        return nullptr;
    }
    return number;
}

TCoordinateParse ParseCoordinates(TCoordEditObject& element,
                                  const std::vector<TEquationObject*>* declaredNames,
                                  std::vector<std::string>* undefined)
{
    TCoordinateParse result;
    const bool xEmpty = ListIsEmpty(element.Cell(0));
    const bool yEmpty = ListIsEmpty(element.Cell(1));
    if (xEmpty && yEmpty) {
        result.row = std::make_unique<TBlankCoordinates>();
        return result;
    }
    TParseParams params;
    params.declaredNames = declaredNames;
    params.defineLater = undefined != nullptr;
    TRealReaderPtr x, y;
    for (int cell = 0; cell < 2 && !HasError(params); ++cell) {
        if (ListIsEmpty(element.Cell(cell))) {
            // An empty element stands there for the user to fill.
            if (!element.Cell(cell))
                element.SetCell(cell, new TEditorObject);
            // The caret goes into the empty part, where the user has to type.
            SetErrorAt(params, ParseMessage::EmptyCell, element.Cell(cell), 0);
            break;
        }
        (cell == 0 ? x : y) = ParseNumberCell(element.Cell(cell), &element, params, undefined);
    }
    if (HasError(params)) {
        result.message = params.error.message;
        result.element = params.error.element;
        result.position = params.error.position;
        return result;
    }
    result.row = std::make_unique<TCoordinates>(std::move(x), std::move(y));
    return result;
}

void SetCoordinateTexts(TCoordEditObject& element, std::string_view x, std::string_view y)
{
    element.SetCell(0, TextList(x).release());
    element.SetCell(1, TextList(y).release());
}

void SetCoordinateValues(TCoordEditObject& element, Extended x, Extended y)
{
    // DisplayText's figures, written as a number shows in a formula.
    SetCoordinateTexts(element, TRealReader(RoundDisplay(x)).GetText(10, 0),
                       TRealReader(RoundDisplay(y)).GetText(10, 0));
}

std::string NumberForm(const TRealReader& number)
{
    TMathsWriter writer;
    number.WriteValue(writer, true);
    return writer.TakeText();
}

std::string PointMarkup(const TCoordinates& point)
{
    return "{coords{" + NumberForm(*point.X) + "}{" + NumberForm(*point.Y) + "}";
}
