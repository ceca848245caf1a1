// The listing the coordinate list window shows: one text line per point of a
// coordinate list or shape, its letter first when its points are labelled,
// the numbers lined up on their decimal points, and (asked for) the points of
// the curves it was made from side by side in columns of 27 characters. A
// point that cannot be calculated gives an empty line. It is built here,
// without the window, so that the command-line tool lists the same lines.
#pragma once

#include <string>
#include <vector>

class TEquationObject;
class TGraphParams;

// Characters a curve's column takes in a listing with its primaries.
inline constexpr int ListingColumn = 27;

// The lines listing object at the scales of params; empty for a line that
// is not a coordinate list or shape (without property 0x400) or has no
// points. With showPrimaries, each line shows the points of the curves the
// object was made from before its own.
[[nodiscard]] std::vector<std::string> CoordinateListing(TEquationObject* object, const TGraphParams& params,
                                                         bool showPrimaries);
// True when object has a curve it was made from (the "Primary curve" button is enabled).
[[nodiscard]] bool HasPrimaryCurve(const TEquationObject* object);
