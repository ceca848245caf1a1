// The rounding every readout and every number written into a formula from
// the mouse goes through, driven by the "Mouse figures" setting, and the
// small rounding rules of the scales (nice steps, bounds rounded to the
// step's decade). One place decides how many figures the user sees.
#pragma once

#include "numbers/evalstate.h"
#include "numbers/numerics.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

class TAxes;

// Round half to even to a whole number (the program's Round).
[[nodiscard]] Extended RoundEven(Extended x);
// Round half to even to a 32-bit pixel; false when x is not finite or out of range.
[[nodiscard]] bool RoundToPixel(Extended x, int& pixel);
// x rounded to the nearest multiple of 10^k, halves away from zero (so
// magnitudes below half of 10^k become 0, and those from half up 10^k).
[[nodiscard]] Extended RoundAwayToPowerOfTen(int k, Extended x);
// The shared significant-figure rounding with argument figures: figures + 1
// significant figures for |x| >= 1, figures below.
[[nodiscard]] Extended RoundFigures(int figures, Extended x);

// With P = 10^Trunc(log10|step|): x rounded to a hundredth of P.
[[nodiscard]] Extended RoundToStepDecade(Extended step, Extended x);
// The nearest of 1, 2, 5 and 10 times a power of ten to |x| (0 for 0).
[[nodiscard]] Extended NiceNumber(Extended x);

// v to "Mouse figures" figures, then to the nearest multiple of 10^-figures.
[[nodiscard]] Extended RoundDisplay(Extended v);
// RoundDisplay(v) with 10 significant digits.
[[nodiscard]] std::string DisplayText(Extended v);
// v to "Mouse figures" significant figures only (the first step of
// RoundDisplay), so that a small coefficient keeps its value instead of
// becoming 0; written with 10 significant digits.
[[nodiscard]] Extended RoundDisplayFigures(Extended v);
[[nodiscard]] std::string FiguresText(Extended v);
// v to "Mouse figures" figures, then to the precision the axis named by
// letter ('x' or 'y') shows; other letters leave v unchanged.
[[nodiscard]] Extended RoundForAxis(const TAxes& axes, char letter, Extended v);
// RoundForAxis with 10 significant digits.
[[nodiscard]] std::string AxisValueText(const TAxes& axes, char letter, Extended v);
// Both coordinates rounded by their axes.
[[nodiscard]] TRealPoint RoundPoint(const TAxes& axes, Extended x, Extended y);
// "(x,y) " for every point, each coordinate by DisplayText.
[[nodiscard]] std::string PointListText(std::span<const TRealPoint> points);
// One term of a sum: the rounded coefficient and the name, "" for a zero
// coefficient, a coefficient of 1 or -1 shown as "" or "-" before a name,
// and "+" in front of a positive term that is not the first. With
// figuresOnly the coefficient is rounded by RoundDisplayFigures instead.
[[nodiscard]] std::string TermText(std::string_view name, bool first, Extended v, bool figuresOnly = false);
// The terms of names and values in order (only the first non-empty term is
// first), "0" for no terms; with bracket, a sum that is not just the first or
// second name alone is put in brackets.
[[nodiscard]] std::string SumText(std::span<const std::string> names, std::span<const Extended> values,
                                  bool first, bool bracket, bool figuresOnly = false);
