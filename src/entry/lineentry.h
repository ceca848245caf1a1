// The entry of straight-line lines: "Line angle A <tab> intercept I", the
// tangent or normal of the curve above at a parameter value, and the
// horizontal, vertical or origin line through a point or to the curve above;
// and of the best-fit lines of the data set above, named by their heading.
#pragma once

#include "expr/parser.h"

#include <memory>
#include <string>
#include <vector>

class TBestFit;
class TEditor;
class TEquationObject;

// Token 724 ("Line "), already read: the angle after "angle" and the
// intercept after "intercept ", under the line's parent.
[[nodiscard]] std::unique_ptr<TEquationObject> StraightLineFromLine(TEditor& line, TParseParams& params);
// Tokens 610 and 611: the tangent (normal) of the parent curve at the
// formula of the field list's second field.
[[nodiscard]] std::unique_ptr<TEquationObject> TangentFromLine(TEditor& line, TParseParams& params,
                                                               bool tangent);
// Tokens 406 to 408: through the point of the field list's second field, or,
// when that field holds a formula, from an axis or the origin to the parent
// curve at that parameter value.
[[nodiscard]] std::unique_ptr<TEquationObject> KindLineFromLine(TEditor& line, TParseParams& params, int kind,
                                                                std::vector<std::string>& undefined);
// Tokens 616 to 623 (the best-fit headings "Best fit straight line" ...
// "Polynomial", and "Stats:  "), already read: the fit of that kind (the
// statistics line) of the coordinate list above, not yet fitted; "You
// cannot paste this" without one. What follows "Stats:  " is dropped.
[[nodiscard]] std::unique_ptr<TBestFit> BestFitFromLine(TEditor& line, TParseParams& params, int token);

// The gradient function (609), area (612), direction field (800) and
// solution through a point (a coordinates element under a differential
// equation) of the line's parent; "You cannot paste this" without one.
[[nodiscard]] std::unique_ptr<TEquationObject> GradientFromLine(TEditor& line, TParseParams& params);
[[nodiscard]] std::unique_ptr<TEquationObject> AreaFromLine(TEditor& line, TParseParams& params);
[[nodiscard]] std::unique_ptr<TEquationObject> CompassPointsFromLine(TEditor& line, TParseParams& params);
[[nodiscard]] std::unique_ptr<TEquationObject> SolutionFromLine(TEditor& line, TParseParams& params,
                                                                std::vector<std::string>& undefined);
