// TMouseControl: the contract of the short-lived mouse tools of the graph
// window. The window makes one at a left press according to its mouse mode,
// feeds it the moves and hands it the release; the tool paints its own
// feedback over the window's cached picture and performs its action once,
// when it ends. The window owns the tool for its whole life: a tool never
// frees itself, it answers whether it wants to stay, and the window runs
// its finishing action and frees it (EndTool), so nothing is called on a
// tool after it is gone.
#pragma once

#include <QPoint>

#include <memory>

class Canvas;
class TCurvePLotter;
class TGraphObject;
class TGraphSurface;

class TMouseControl {
public:
    explicit TMouseControl(TGraphSurface& surface) : Surface(surface) {}
    virtual ~TMouseControl();
    TMouseControl(const TMouseControl&) = delete;
    TMouseControl& operator=(const TMouseControl&) = delete;

    // A move of the pointer over the window.
    virtual void MouseMove(QPoint pixel, Qt::KeyboardModifiers modifiers)
    {
        (void)pixel;
        (void)modifiers;
    }
    // The press that made the tool, or a further press after MousePressAgain;
    // by default a move to the pixel.
    virtual void MousePress(QPoint pixel, Qt::KeyboardModifiers modifiers) { MouseMove(pixel, modifiers); }
    // The release; true keeps the tool active, false ends it.
    [[nodiscard]] virtual bool MouseRelease(QPoint pixel, Qt::KeyboardModifiers modifiers)
    {
        (void)pixel;
        (void)modifiers;
        return false;
    }
    // A press while the tool is already active, before MousePress; false
    // ends the tool and the press is then handled as if no tool were active.
    [[nodiscard]] virtual bool MousePressAgain(QPoint pixel, Qt::KeyboardModifiers modifiers)
    {
        (void)pixel;
        (void)modifiers;
        return true;
    }
    // The curve a curve-drag tool works on.
    virtual void SetCurve(TCurvePLotter* curve) { (void)curve; }
    // Draws the tool's feedback over the window's picture.
    virtual void PaintFeedback(Canvas& canvas) const { (void)canvas; }
    // A graph object is about to be freed: a tool working on it lets it go.
    virtual void ForgetObject(const TGraphObject* object) { (void)object; }

    // Runs the finishing action once (a mode change or the window losing the
    // tool finishes it too).
    void Finish();

protected:
    // The action performed when the tool ends (by default nothing).
    virtual void FinishAction() {}

    TGraphSurface& Surface; // borrowed: the window outlives its tools

private:
    bool finished_ = false;
};

// Finishes tool and frees it.
void EndTool(std::unique_ptr<TMouseControl> tool);

// New scales for the view tools: the given bounds (put in min/max order)
// with the axes' current scaling texts and graph-paper state, square as
// asked, handed to the graph parameters so the scale history records them.
// Answers whether they were applied.
bool SetViewScales(TGraphSurface& surface, long double xmin, long double xmax, long double ymin,
                   long double ymax, bool square);
// Whether the scales in force are kept square.
[[nodiscard]] bool ScalesSquare(TGraphSurface& surface);
