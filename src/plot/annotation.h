// TAnnotation: a comment box on the graph. It is a graph object anchored at
// a point in graph units whose box holds one formula line that may mix words
// and mathematics, joined to its anchor by a leader with an arrowhead when
// the box stands away from it. Its text is laid out when it changes, not on
// every repaint. A click on a selected box edits it through the window (the
// Comment box dialog); a box left empty is removed once the mouse tool that
// clicked it has finished with it.
#pragma once

#include "plot/graphobject.h"

#include <memory>
#include <string>

class TEditor;

class TAnnotation : public TGraphObject {
public:
    // An empty box at the anchor.
    TAnnotation(Extended anchorX, Extended anchorY);
    ~TAnnotation() override;

    // An empty box anchored at the middle of the window's x and y ranges.
    [[nodiscard]] static std::unique_ptr<TAnnotation> AtCentre(const TGraphParams& params);

    // The text (owned; never null), with the text colour as its colour.
    [[nodiscard]] TEditor& Text() const { return *text_; }
    // Replaces the text by the elements markup describes (laid out at once);
    // false, changing nothing, when the markup cannot be read.
    bool SetMarkup(std::string_view markup);
    [[nodiscard]] std::string Markup() const;
    // Takes the elements of line (laid out at once); line keeps an empty list.
    void TakeText(TEditor& line);
    [[nodiscard]] bool IsEmpty() const;
    // Lays the text out again at the current formula height (a new font, a page).
    void Measure();

    // Fills the box with the canvas brush, draws leader and frame, then the text.
    void Draw(Canvas& canvas, const TGraphParams& params) override;
    [[nodiscard]] TColour GetColour() const override;
    void SetColour(TColour colour) override;
    // The offsets scaled, then the text laid out again (for a page).
    void ScaleOffsets(Extended fx, Extended fy) override;
    // The anchor's box widened by the text's size.
    [[nodiscard]] QRect BoxRect(const TGraphParams& params) const override;
    // Edits the text through the surface; false when it was emptied (the box
    // then goes once the calling tool has ended).
    bool Clicked(TGraphSurface& surface) override;

private:
    std::unique_ptr<TEditor> text_;
};
