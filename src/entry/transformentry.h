// The entry of transformation lines: a line of steps ("Matrix", "Translation",
// "Rotation about", "Reflection in", "Enlargement centre", "Shear line",
// "Stretch line", "Invariant"), perhaps with "repeats" and a count, becomes
// the image of the line above it.
#pragma once

#include "expr/parser.h"

#include <memory>
#include <string>
#include <vector>

class TEditor;
class TEquationObject;

// The messages of transformation lines, exactly as the user sees them.
namespace TransformMessage {
inline constexpr const char* NotStraightLine = "Must be the equation of a straight line";
inline constexpr const char* ScaleFactor = "The scale factor must be entered here";
inline constexpr const char* NumberHere = "You must enter a number here";
inline constexpr const char* OneRepeat = "You cannot have more than one repeat";
inline constexpr const char* NothingToRepeat = "Nothing to repeat!";
} // namespace TransformMessage

// The transformation the whole line describes, of the line's parent ("You
// cannot paste this" without one). Errors
// are recorded in params at their place; names not declared yet are
// collected in undefined. A line with only "repeats" shows the warning box
// "Nothing to repeat!" and gives nothing.
[[nodiscard]] std::unique_ptr<TEquationObject> TransformationFromLine(TEditor& line, TParseParams& params,
                                                                      std::vector<std::string>& undefined);
