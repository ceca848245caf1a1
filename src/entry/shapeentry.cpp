#include "entry/shapeentry.h"

#include "entry/entry.h"
#include "formula/editor.h"
#include "geometry/polygon.h"
#include "settings/configuration.h"

#include <cmath>

namespace {

// The first field list of the line (after anchors and blank text), or nullptr.
TFixedList* FieldsOf(TEditor& line)
{
    return dynamic_cast<TFixedList*>(NextNonBlankElement(line.Elements()));
}

// The first element of a field that counts, or nullptr.
TEditorObject* FirstOf(TEditorObject* field)
{
    return NextNonBlankElement(field);
}

// The number of sides: a whole number from 3 to the most a polygon may
// have. A count that waits for names not declared yet is checked when they are.
TRealReaderPtr SidesField(TFixedList& fields, int index, TParseParams& params,
                          std::vector<std::string>& undefined)
{
    const std::size_t pending = undefined.size();
    TRealReaderPtr sides = ParseNumberCell(fields.Cell(index), &fields, params, &undefined);
    if (!sides || undefined.size() > pending)
        return sides;
    const Extended n = sides->Value();
    if (!std::isfinite(n) || !IsWhole(n) || n < 3) {
        SetErrorAt(params, EntryMessage::PolygonSides, FirstOf(fields.Cell(index)), 0);
        return nullptr;
    }
    if (n > MaximumPolygonSides) {
        SetErrorAt(params, ParseMessage::TooBig, FirstOf(fields.Cell(index)), 0);
        return nullptr;
    }
    return sides;
}

} // namespace

// The "(x, y)" of a field as a point: "I need coordinates here" when the
// field holds none, "You must put a formula here" for an empty part.
std::unique_ptr<TCoordinates> PointField(TFixedList& fields, int index, TParseParams& params,
                                         std::vector<std::string>& undefined)
{
    // A field list too short for the point (read from a damaged document) has none.
    TEditorObject* cell = index >= 0 && index < fields.CellCount() ? fields.Cell(index) : nullptr;
    auto* element = cell ? dynamic_cast<TCoordEditObject*>(FirstOf(cell)) : nullptr;
    if (!element) {
        SetErrorAt(params, EntryMessage::NeedCoordinates, &fields, 0);
        return nullptr;
    }
    TCoordinateParse parsed = ParseCoordinates(*element, params.declaredNames, &undefined);
    if (parsed.Failed()) {
        SetErrorAt(params, parsed.message, parsed.element, parsed.position);
        return nullptr;
    }
    auto* point = dynamic_cast<TCoordinates*>(parsed.row.get());
    if (!point) {
        SetErrorAt(params, ParseMessage::EmptyCell, element, 0);
        return nullptr;
    }
    parsed.row.release();
    return std::unique_ptr<TCoordinates>(point);
}

std::unique_ptr<TEquationObject> PolygonFromLine(TEditor& line, TParseParams& params, int token,
                                                 std::vector<std::string>& undefined)
{
    TFixedList* fields = FieldsOf(line);
    const bool named = token >= 750 && token <= 755;
    if (!fields || fields->CellCount() < (named ? 5 : 6)) {
        SetError(params, ParseMessage::NotUnderstood);
        return nullptr;
    }
    // The fields are read here, not by the parser: what follows the list is left to finish.
    params.nextElement = fields->next;
    params.textActive = false;
    if (named) {
        const int sides = token - 747;
        const TEditorObject* fourth = FirstOf(fields->Cell(3));
        if (fourth && fourth->DescriptionNumber() == dnVertex) {
            std::unique_ptr<TCoordinates> centre = PointField(*fields, 2, params, undefined);
            if (HasError(params))
                return nullptr;
            std::unique_ptr<TCoordinates> vertex = PointField(*fields, 4, params, undefined);
            if (HasError(params))
                return nullptr;
            return std::make_unique<TDragPolygon>(std::make_unique<TRealReader>(sides), std::move(centre),
                                                  std::move(vertex));
        }
        TRealReaderPtr length = ParseNumberCell(fields->Cell(2), fields, params, &undefined);
        if (HasError(params))
            return nullptr;
        std::unique_ptr<TCoordinates> centre = PointField(*fields, 4, params, undefined);
        if (HasError(params))
            return nullptr;
        return std::make_unique<TPolygon>(std::make_unique<TRealReader>(sides), std::move(length),
                                          std::move(centre));
    }
    TRealReaderPtr sides = SidesField(*fields, 1, params, undefined);
    if (HasError(params))
        return nullptr;
    TRealReaderPtr length = ParseNumberCell(fields->Cell(3), fields, params, &undefined);
    if (HasError(params))
        return nullptr;
    std::unique_ptr<TCoordinates> centre = PointField(*fields, 5, params, undefined);
    if (HasError(params))
        return nullptr;
    return std::make_unique<TPolygon>(std::move(sides), std::move(length), std::move(centre));
}

std::unique_ptr<TEquationObject> CoordinateListFromLine(TEditor& line, TParseParams& params)
{
    auto* list = dynamic_cast<TCoordCurve*>(line.EditedObject());
    if (!list) {
        SetError(params, EntryMessage::CannotPaste);
        return nullptr;
    }
    // The heading is all the line holds; nothing else may follow it.
    params.nextElement = nullptr;
    params.textActive = false;
    return list->CloneList();
}

void ApplyNewShapeSwitches(TEquationObject& object)
{
    std::uint16_t switches = object.Switches();
    if (Configuration.ShadeShapes)
        switches |= swShade;
    if (!Configuration.LabelCoordinates)
        switches |= swLabelsOff;
    object.SetSwitches(switches);
}
