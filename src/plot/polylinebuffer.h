// TPolyLineBuffer: one drawing pass of a curve. Points go into a fixed buffer
// of 1001 pixel points that is flushed as a polyline run whenever the line
// must break (a step, pole, failure, far-off point or a stretch beyond the
// window) or the buffer is full, so long curves draw in batches without an
// allocation per point. Each run is stored in the curve's drawing cache and
// shaded when the curve is an inequality; the demonstration pencil follows
// the pen. Kinds with their own Draw (area functions running the sampling
// twice, for instance) drive the same buffer.
#pragma once

#include "plot/curveplotter.h"

#include <QImage>
#include <QPoint>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>

class Canvas;

class TPolyLineBuffer {
public:
    static constexpr int Capacity = 1001;

    // Starts a pass of curve on canvas with context: an empty buffer, the
    // pencil (when context.Pencil) and the shading state (when context.ShadeKind).
    TPolyLineBuffer(TCurvePLotter& curve, Canvas& canvas, TXY& context);
    // Finishes the pass when Finish was not called.
    ~TPolyLineBuffer();
    TPolyLineBuffer(const TPolyLineBuffer&) = delete;
    TPolyLineBuffer& operator=(const TPolyLineBuffer&) = delete;

    // Samples indices start ... start + count of n intervals, refining the
    // last interval at four times the density where the curve starts or
    // stops being defined (below DrawingRefinementLimit).
    void SampleRun(int start, int count, int n);
    // Adds the point context.X, context.Y (computed with status 3).
    void AddPoint();
    // Stores, shades and draws the buffered run; the last point stays as the
    // start of the next run when keep is 1.
    void Flush(int keep);
    // Closes any shading band, flushes, hides the pencil, blends the shading
    // and resets the evaluation status to 3.
    void Finish();

    // Polls the keyboard for kinds that step on their own (solutions,
    // direction fields); true once Escape abandoned the drawing.
    bool Interrupted() { return PollInterrupt(); }
    // Escape abandoned the drawing; nothing more is sampled.
    [[nodiscard]] bool Abandoned() const { return abandoned_; }
    // Abandons the drawing (Escape, seen by a worker computing part of it).
    void Abandon();
    [[nodiscard]] int Count() const { return count_; }
    [[nodiscard]] std::span<const QPoint> Points() const
    {
        return {points_.data(), static_cast<std::size_t>(count_)};
    }

private:
    // Polls the keyboard; answers true when the drawing is abandoned.
    bool PollInterrupt();
    [[nodiscard]] bool Beyond(QPoint p) const;
    [[nodiscard]] bool SegmentBeyond(QPoint a, QPoint b) const;
    void DrawPending();
    void StorePiece();
    // Off-screen bands of the shading.
    void UpdateBand(QPoint p);
    void CloseBand();
    // The demonstration pencil.
    void HidePencil();
    void ShowPencil();
    void DrawPencil(QPoint at);
    void MovePencilClock();
    [[nodiscard]] bool PencilArea() const;
    [[nodiscard]] double Seconds() const;

    TCurvePLotter& curve_;
    Canvas& canvas_;
    TXY& context_;
    std::array<QPoint, Capacity + 1> points_{};
    int count_ = 0;
    int drawn_ = 0; // the run's points up to here are joined on the canvas already
    bool abandoned_ = false;
    bool finished_ = false;
    bool drawVisibly_ = false;

    // Shading state.
    bool shading_ = false;
    std::uint8_t direction_ = 0;
    int edge_ = 0;
    int extent_ = 0;
    int offScreenCount_ = 0;
    std::unique_ptr<TShadingRect> band_;
    std::unique_ptr<TShadingBitmap> bitmap_;

    // Pencil state.
    bool pencil_ = false;
    QImage pencilImage_;
    QPoint pencilAt_{-100, -100};
    std::chrono::steady_clock::time_point pencilStart_;
    double pencilDelay_ = 0;
    Extended pencilWidth_ = 0, pencilHeight_ = 0; // 24 and 30 pixels in graph units
};
