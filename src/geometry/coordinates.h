// The rows of a coordinate list and the element that shows one point: a
// blank row (an undefined point that breaks a joined line), a point whose two
// numbers may be plain values or expressions naming declared constants, and
// the "(x, y)" element in the form whose numbers line up in columns. Also the
// conversions between the "(x, y)" element of a formula line and a point.
#pragma once

#include "expr/realreader.h"
#include "formula/elements.h"
#include "numbers/numerics.h"

#include <memory>
#include <string_view>
#include <vector>

class TEquationObject;
struct TParseParams;

// An empty row: no point.
class TBlankCoordinates : public TCalculatedObject {
public:
    TBlankCoordinates() = default;
    ~TBlankCoordinates() override = default;
    TBlankCoordinates(const TBlankCoordinates&) = delete;
    TBlankCoordinates& operator=(const TBlankCoordinates&) = delete;

    // The gap line of a coordinate record: two tabs and nine underscores.
    void WriteTo(TMathsWriter& writer) const override;
    // A copy of the row.
    [[nodiscard]] virtual std::unique_ptr<TBlankCoordinates> Clone() const;
    // The display element of the row (owned by the caller): an empty line.
    [[nodiscard]] virtual TElementList DisplayElements() const;
};

// One point; its numbers are owned.
class TCoordinates : public TBlankCoordinates {
public:
    TCoordinates(TRealReaderPtr x, TRealReaderPtr y);
    TCoordinates(Extended x, Extended y);

    TRealReaderPtr X, Y;

    // The point row of a coordinate record: two tabs, "(", x, ",", y, ")",
    // each number in the fixed form or as the text it was typed as.
    void WriteTo(TMathsWriter& writer) const override;
    [[nodiscard]] std::unique_ptr<TBlankCoordinates> Clone() const override;
    // The "(x, y)" element in columns, the numbers as text with 10 figures.
    [[nodiscard]] TElementList DisplayElements() const override;
    // True when X or Y names the declared name.
    [[nodiscard]] bool DependsOn(std::string_view name) const override;

    // Both values; a value that cannot be computed is NaN.
    [[nodiscard]] TRealPoint Point() const;
    void Swap() { std::swap(X, Y); }
    // Neither number follows a declared name, so the mouse may move it.
    [[nodiscard]] bool Draggable() const;
};

// The "(x, y)" element of the rows of a coordinate list: when both numbers
// are plain decimals their decimal points stand in the same column in every
// row, against the width of the template "00.0"; anything else is laid out
// as the plain element lays it out.
class TTabbedCoordEditObject : public TCoordEditObject {
public:
    // The template the integer part and the number are padded against.
    static constexpr std::string_view ColumnTemplate = "00.0";

    void CellLayout(int index, TCellLayout& layout) override;
};

// The text of a number as a row shows it: the typed text, or the value with
// 10 significant figures (in markup).
[[nodiscard]] std::string NumberText(const TRealReader& number);
// A number in the number form of definition lines (its typed text when it has one).
[[nodiscard]] std::string NumberForm(const TRealReader& number);
// A point as the coordinates group of definition lines: "{coords{", x, "}{", y, "}".
[[nodiscard]] std::string PointMarkup(const TCoordinates& point);
// The value of a number object, or NaN when it cannot be computed.
[[nodiscard]] Extended NumberValue(const TRealReader& number);

// What converting an "(x, y)" element gave: the row (a point, or a blank row
// when both parts are empty), or the first error with its element.
struct TCoordinateParse {
    std::unique_ptr<TBlankCoordinates> row;
    const char* message = nullptr;
    TEditorObject* element = nullptr;
    int position = 0;
    [[nodiscard]] bool Failed() const { return message != nullptr; }
};

// Parses both parts of the element as numbers or expressions against the
// declared names (undefined names are collected in undefined when given,
// otherwise they are an error). An empty part is "You must put a formula
// here", and an empty element is put into it for the user to fill.
[[nodiscard]] TCoordinateParse ParseCoordinates(TCoordEditObject& element,
                                                const std::vector<TEquationObject*>* declaredNames,
                                                std::vector<std::string>* undefined = nullptr);
// Parses one cell as a number object; on an error, message and place are
// recorded in the parse state params.
[[nodiscard]] TRealReaderPtr ParseNumberCell(TEditorObject* cell, TEditorObject* owner, TParseParams& params,
                                             std::vector<std::string>* undefined);
// Replaces both parts of the element by the numbers of the point, each
// written with DisplayText (rounded to "Mouse figures", 10 figures).
void SetCoordinateValues(TCoordEditObject& element, Extended x, Extended y);
// The same with the texts given (markup of each part).
void SetCoordinateTexts(TCoordEditObject& element, std::string_view x, std::string_view y);
