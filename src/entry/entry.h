// Equation entry: when a formula line is finished, its elements are
// classified and turned into the object that will be drawn (a curve, an
// implicit relation, a declaration) or into an error at a place in the line.
// Where the user has typed only the first part of a multi-part line, the
// line is completed with the next keyword, the caret put there and a prompt
// returned as the error, so that the user types on.
#pragma once

#include "expr/parser.h"
#include "formula/editor.h"

#include <memory>

class TEquationObject;

// The messages of equation entry, exactly as the user sees them.
namespace EntryMessage {
inline constexpr const char* NoInequality = "You cannot use > or < here";
inline constexpr const char* MustBeTransformation = "This must be a transformation";
inline constexpr const char* CannotPaste = "You cannot paste this";
inline constexpr const char* TabBeforeFor = "Put a tab in front of for";
inline constexpr const char* TypeForRevs = "Type in <tab> 'For n revs'";
inline constexpr const char* FunctionDefined = "This function has already been defined";
inline constexpr const char* ConstantDefined = "This constant has already been defined";
inline constexpr const char* NeedsBoth = "This equation needs both x and y to work";
inline constexpr const char* NextFormula = "Enter the next formula";
inline constexpr const char* ParameterRange = "Enter the range of the parameter";
inline constexpr const char* PolygonSides = "This must be an integer greater than 2";
inline constexpr const char* NeedCoordinates = "I need coordinates here";
} // namespace EntryMessage

// Classifies the finished line. params supplies the declared names and the
// define-later setting; on return its error record tells what went wrong and
// where. nullptr with no error means the line is empty; nullptr with an
// error means the line is wrong (or was completed with a prompt) and stays
// in editing. The object takes over the line's elements.
[[nodiscard]] std::unique_ptr<TEquationObject> ClassifyLine(TEditor& line, TParseParams& params);
