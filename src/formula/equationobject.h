// TEquationObject: the base of every line of the equations window, whether a
// formula being typed (TEditor) or a plotted object made from one. It owns
// the line's element list and carries what every line shares: layout values,
// colour, style, switches, thickness, the state bits through which it asks
// the equations window for work, and the links to the objects it depends on.
#pragma once

#include "formula/drawobject.h"
#include "formula/elements.h"
#include "platform/colour.h"

#include <cstdint>
#include <memory>

class Canvas;
class QFont;
class TEditor;
class TGraphParams;

// Program-wide defaults given to every new line.
inline std::uint16_t DefaultLineSwitches = 0;
inline std::uint16_t DefaultLineThickness = 1;

// State bits: the requests a line makes of the equations window and the
// graph window, which clear them once carried out.
enum : std::uint8_t {
    esDraw = 0x01,            // read by the curve plotter before drawing
    esLayoutOutOfDate = 0x02, // re-measure and repaint the line
    esResultsChanged = 0x04,  // recompute dependants and statistics
    esMustRecalculate = 0x08, // call Recalculate
    esChanged = 0x10,         // the line changed
    esRelist = 0x20,          // the coordinate lister must list it again
};

// Spacing of a line in tenths of the formula font height: above the main
// text row, below it, and the height of the row itself.
struct TLineMargins {
    int above = 0;
    int below = 0;
    int body = 10;
};

// The colour of curve table entry n mod 10, in palette-index form.
[[nodiscard]] TColour CurveColour(int n);

class TEquationObject : public TDrawObject {
public:
    TEquationObject();
    ~TEquationObject() override;

    // The element list (its anchor first); owned by the line.
    [[nodiscard]] TEditorObject* Elements() const { return elements_.get(); }
    [[nodiscard]] TElementList& ElementList() { return elements_; }
    // Replaces the element list, freeing the old one.
    void SetElements(TElementList list) { elements_ = std::move(list); }
    // Hands the element list over, leaving the line with none.
    [[nodiscard]] TElementList TakeElements() { return std::move(elements_); }

    // The object this one depends on, or nullptr (borrowed).
    [[nodiscard]] virtual TEquationObject* GetParent() const { return nullptr; }
    virtual void SetParent(TEquationObject* parent);
    // A formula line holding this object's elements for editing, or nullptr
    // for objects that cannot be edited.
    [[nodiscard]] virtual std::unique_ptr<TEditor> ToEditor();
    // Moves other's element list into this object and copies its look,
    // layout values, marker, parent, margins and own font; other keeps an
    // empty list (one anchor) and no font.
    virtual void TakeOver(TEquationObject& other);
    // Draws the object on the graph.
    virtual void DrawOnGraph(Canvas& canvas, TGraphParams& params) = 0;
    // The plotted object this one is derived from, or nullptr (borrowed).
    [[nodiscard]] virtual TEquationObject* GetSource() const { return nullptr; }
    // Called with true when the object becomes the selected line, with false
    // when it stops being selected.
    virtual void ShowDragHandles(bool show);
    // An object of the same kind exchanges its formula with other and answers
    // true, so that an edited object keeps its identity.
    virtual bool SwapFormula(TEquationObject& other);
    virtual void GetMargins(TLineMargins& margins) const;
    virtual void SetMargins(const TLineMargins& margins);
    // True when this line uses the name that declaredNameLine declares.
    [[nodiscard]] virtual bool UsesName(const TEquationObject& declaredNameLine) const;
    // False when other draws differently from this object under params.
    [[nodiscard]] virtual bool CompareWith(const TEquationObject& other, const TGraphParams& params) const;
    // 3, plus 0x8000 with property 0x200000, plus 0x10000 with property 0x400000.
    [[nodiscard]] virtual std::uint32_t Capabilities() const;
    virtual void StartTransformDrag(int mode);
    [[nodiscard]] virtual bool IsSame(const TEquationObject& other) const { return this == &other; }
    // False asks the equations window to remove the line.
    [[nodiscard]] virtual bool IsValid() const { return true; }
    // Sets (on) or clears the bits of mask in the line's switches.
    virtual void SetSwitch(std::uint16_t mask, bool on);
    virtual void Recalculate();
    // Lets lines that show numbers rebuild them after the mouse-figures
    // setting changed.
    virtual void MouseFiguresChanged();

    // True when object is this object's parent or, through the parents, an
    // ancestor. A cycle of parents ends the search.
    [[nodiscard]] bool DependsOnObject(const TEquationObject* object) const;
    // True when this object depends on object or is derived, directly or
    // through other sources, from it.
    [[nodiscard]] bool Involves(const TEquationObject* object) const;

    // When the list is a single text run holding markup (a formula that
    // arrived as a plain string), replaces it by the elements the markup
    // describes and marks the layout out of date. Answers whether it did;
    // a list of another shape or unreadable markup is left alone.
    bool ConvertTextLine(Canvas& canvas);
    // Writes the look of the line as every Curve record carries it: colour,
    // style, switches and line thickness, one indented line each.
    void WriteLook(TMathsWriter& writer) const;

    [[nodiscard]] QFont* GetFont() const override { return font_.get(); }
    void SetFont(QFont* font) override;

    [[nodiscard]] std::uint16_t Switches() const { return switches_; }
    void SetSwitches(std::uint16_t switches) { switches_ = switches; }

    [[nodiscard]] bool State(std::uint8_t mask) const { return (state_ & mask) != 0; }
    void SetState(std::uint8_t mask, bool on)
    {
        state_ = static_cast<std::uint8_t>(on ? (state_ | mask) : (state_ & ~mask));
    }
    [[nodiscard]] bool DrawFlag() const { return State(esDraw); }
    void SetDrawFlag(bool on) { SetState(esDraw, on); }
    [[nodiscard]] bool LayoutOutOfDate() const { return State(esLayoutOutOfDate); }
    void SetLayoutOutOfDate(bool on) { SetState(esLayoutOutOfDate, on); }
    [[nodiscard]] bool ResultsChanged() const { return State(esResultsChanged); }
    void SetResultsChanged(bool on) { SetState(esResultsChanged, on); }
    [[nodiscard]] bool MustRecalculate() const { return State(esMustRecalculate); }
    void SetMustRecalculate(bool on) { SetState(esMustRecalculate, on); }
    [[nodiscard]] bool Changed() const { return State(esChanged); }
    void SetChanged(bool on) { SetState(esChanged, on); }
    [[nodiscard]] bool RelistRequested() const { return State(esRelist); }
    void SetRelistRequested(bool on) { SetState(esRelist, on); }

    // Layout values filled by the line layout, in pixels.
    std::int32_t height = 0;
    std::int32_t raise = 0;
    std::int32_t width = 0;
    std::int32_t extra = 0;
    TColour colour = clBlack;
    std::uint8_t style = 0;
    bool marker = false;
    std::uint8_t leftMargin = 10;
    std::uint8_t byteValue = 1;
    std::uint16_t thickness = DefaultLineThickness;

private:
    TElementList elements_;
    std::unique_ptr<QFont> font_;
    std::uint16_t switches_ = DefaultLineSwitches;
    std::uint8_t state_ = esLayoutOutOfDate;
};
