// TScaleHost: what the scales need of the window they belong to (its
// client size, its graph font, and whom to tell when the scales change).
// The graph window implements it; TFixedScaleHost serves pictures,
// off-screen work and tests.
#pragma once

#include <QFont>
#include <QSize>

class QPaintDevice;

class TScaleHost {
public:
    virtual ~TScaleHost() = default;
    [[nodiscard]] virtual int ClientWidth() const = 0;
    [[nodiscard]] virtual int ClientHeight() const = 0;
    // The graph font: axis labels, and the "0" whose size sets label margins.
    [[nodiscard]] virtual QFont GraphFont() const = 0;
    // The device the graph font is measured on; nullptr measures for the screen.
    [[nodiscard]] virtual QPaintDevice* MeasuringDevice() const { return nullptr; }
    // The scales were recalculated: the equations window re-measures its
    // lines and the graph is repainted.
    virtual void ScalesRecalculated() {}
    // The square-scales command shows whether the scales are kept square.
    virtual void SetSquareChecked(bool checked) { (void)checked; }
    // The scale history changed; the scale-list commands update.
    virtual void ScaleListChanged() {}
};

// The width and height of "0" in a font, measured on a device (nullptr: screen).
[[nodiscard]] QSize CharSizeOf(const QFont& font, QPaintDevice* device);
// The width and height of "0" in the window's graph font.
[[nodiscard]] QSize CharSize(const TScaleHost& window);

// A window of fixed size and font that records what it is told.
class TFixedScaleHost : public TScaleHost {
public:
    TFixedScaleHost(int width, int height, QFont font, QPaintDevice* device = nullptr)
        : width_(width), height_(height), font_(std::move(font)), device_(device)
    {
    }
    [[nodiscard]] int ClientWidth() const override { return width_; }
    [[nodiscard]] int ClientHeight() const override { return height_; }
    [[nodiscard]] QFont GraphFont() const override { return font_; }
    [[nodiscard]] QPaintDevice* MeasuringDevice() const override { return device_; }
    void ScalesRecalculated() override { ++recalculations; }
    void SetSquareChecked(bool checked) override { squareChecked = checked; }
    void ScaleListChanged() override { ++scaleListChanges; }
    void Resize(int width, int height)
    {
        width_ = width;
        height_ = height;
    }

    int recalculations = 0;
    int scaleListChanges = 0;
    bool squareChecked = false;

private:
    int width_, height_;
    QFont font_;
    QPaintDevice* device_;
};
