// TKeptRecord: an equation record of a kind this program cannot build yet
// (coordinates, shapes, straight lines, transformations, derived curves,
// intersections, best fit ...). It keeps the record's text and writes it
// back unchanged, except the line numbers it refers to, which follow the
// lines they name when records before them were dropped or lines moved.
#pragma once

#include "formula/equationobject.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class TKeptRecord : public TEquationObject {
public:
    // One piece of the record: text written as it stands, or a reference
    // written as the current index of the line it names (-1 for none).
    struct TPiece {
        std::string text;
        bool isReference = false;
        TEquationObject* line = nullptr; // borrowed, or none
    };

    // kind names the record in warnings ("Intersect", "Coordinates" ...).
    explicit TKeptRecord(std::string kind) : kind_(std::move(kind)) {}

    // Appends text written as it stands.
    void AddText(std::string_view text);
    // Appends a reference to line (nullptr: written as -1). The first
    // reference is the line's parent, so deleting that line deletes this one.
    void AddReference(TEquationObject* line);

    // The record as it was read, references at the indexes of the lines
    // they name now (through the plot host's line numbers).
    void WriteTo(TMathsWriter& writer) const override;
    void DrawOnGraph(Canvas& canvas, TGraphParams& params) override;
    [[nodiscard]] TEquationObject* GetParent() const override;
    void SetParent(TEquationObject* parent) override;
    // Every reference to from now names to (a waiting line was replaced).
    void ReplaceReference(const TEquationObject* from, TEquationObject* to);

    [[nodiscard]] const std::string& Kind() const { return kind_; }
    [[nodiscard]] const std::vector<TPiece>& Pieces() const { return pieces_; }

private:
    std::string kind_;
    std::vector<TPiece> pieces_;
};

// A data set (TDataPoints, not joined) holding the points, as number pairs
// imported from a text file become.
[[nodiscard]] std::unique_ptr<TEquationObject>
MakeDataPointsRecord(const std::vector<std::pair<long double, long double>>& points);
