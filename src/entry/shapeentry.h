// The entry of shape lines: a regular polygon typed as "Polygon with" n
// "sides of length" L "centre" (x, y), a named shape ("Square" ...) with its
// side length or placed by its centre and a vertex, and the line of a
// coordinate list, which stands for the list itself.
#pragma once

#include "expr/parser.h"

#include <memory>
#include <string>
#include <vector>

class TCoordinates;
class TEditor;
class TEquationObject;
class TFixedList;

// A polygon from the field list that starts line (token 750 to 755 for the
// named shapes, 760 for "Polygon with"): a TDragPolygon when the fourth
// field starts with "vertex", else a TPolygon. Errors are recorded in params
// at their place; names not declared yet are collected in undefined. The
// parse state is left after the field list.
[[nodiscard]] std::unique_ptr<TEquationObject> PolygonFromLine(TEditor& line, TParseParams& params, int token,
                                                               std::vector<std::string>& undefined);
// The line of a coordinate list (token 614): a copy of the list the line
// edits, or "You cannot paste this" when it edits none (the rows are not
// part of the line's text).
[[nodiscard]] std::unique_ptr<TEquationObject> CoordinateListFromLine(TEditor& line, TParseParams& params);
// The "(x, y)" of field index of a field list as a point: "I need
// coordinates here" when the field holds none, "You must put a formula
// here" for an empty part.
[[nodiscard]] std::unique_ptr<TCoordinates> PointField(TFixedList& fields, int index, TParseParams& params,
                                                       std::vector<std::string>& undefined);
// Gives a shape made from a new line the shading and label switches the
// settings ask for.
void ApplyNewShapeSwitches(TEquationObject& object);
