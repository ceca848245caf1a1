// What the geometry tests share: a 1280 x 800 graph with default scales, a
// paint device that records the texts drawn on it with their places (so
// that the letters of point labels can be read back), and small builders of
// coordinate lists.
#pragma once

#include "geometry/coordcurve.h"
#include "geometry/polygon.h"
#include "graph/graphparams.h"
#include "graph/scalehost.h"
#include "platform/canvas.h"
#include "platform/mainwindowbase.h"
#include "settings/configuration.h"

#include <QFont>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QTextItem>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

// A device that draws nothing but remembers every text drawn: its string and
// the top-left corner it was drawn at (the baseline point less the ascent).
class TTextRecorder : public QPaintDevice {
public:
    struct TText {
        std::string text;
        QPointF at;
    };

    TTextRecorder(int width, int height) : width_(width), height_(height), engine_(this) {}
    ~TTextRecorder() override = default;

    [[nodiscard]] QPaintEngine* paintEngine() const override { return &engine_; }
    std::vector<TText> texts;

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth:
            return width_;
        case PdmHeight:
            return height_;
        case PdmWidthMM:
            return width_ * 254 / 960;
        case PdmHeightMM:
            return height_ * 254 / 960;
        case PdmNumColors:
            return 0x7fffffff;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
        default:
            return 0;
        }
    }

private:
    class TEngine : public QPaintEngine {
    public:
        explicit TEngine(TTextRecorder* device) : QPaintEngine(AllFeatures), device_(device) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawPolygon(const QPoint*, int, PolygonDrawMode) override {}
        void drawPath(const QPainterPath&) override {}
        void drawTextItem(const QPointF& p, const QTextItem& item) override
        {
            const QFontMetricsF metrics(item.font());
            device_->texts.push_back({item.text().toStdString(), QPointF(p.x(), p.y() - metrics.ascent())});
        }
        [[nodiscard]] Type type() const override { return User; }

    private:
        TTextRecorder* device_;
    };

    int width_, height_;
    mutable TEngine engine_;
};

class GeometryFixture : public ::testing::Test {
protected:
    static constexpr int Width = 1280;
    static constexpr int Height = 800;

    void SetUp() override
    {
        Configuration = DefaultConfiguration;
        DrawMode = 0;
        host = std::make_unique<TFixedScaleHost>(Width, Height, QFont("DejaVu Sans", 10));
        params = std::make_unique<TGraphParams>(host.get());
    }
    void TearDown() override
    {
        Configuration = DefaultConfiguration;
        DrawMode = 0;
        ResetStatus();
    }

    // A coordinate list of the rows given; a row without a value is a gap.
    static std::unique_ptr<TCoordCurve> List(const std::vector<std::optional<TRealPoint>>& rows,
                                             bool closed = false)
    {
        auto list = std::make_unique<TCoordCurve>(dnCoordinates);
        for (const auto& row : rows) {
            if (row)
                list->Points.Add(std::make_unique<TCoordinates>(row->x, row->y));
            else
                list->Points.Add(std::make_unique<TBlankCoordinates>());
        }
        list->Closed = closed;
        list->SetSwitches(0);
        list->RowsChanged();
        return list;
    }

    // The labels a drawing writes, in the order written.
    std::vector<TTextRecorder::TText> Labels(TCurvePLotter& curve)
    {
        TTextRecorder device(Width, Height);
        {
            Canvas canvas(&device);
            DrawMode = dmNoCache;
            curve.DrawOnGraph(canvas, *params);
            DrawMode = 0;
        }
        return device.texts;
    }

    // The row point nearest to a label's top-left corner, as its index into points.
    [[nodiscard]] int NearestTo(const QPointF& at, const std::vector<TRealPoint>& points) const
    {
        int best = -1;
        double bestDistance = 0;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const QPoint p = params->Axes->ValueToPixel(points[i].x, points[i].y);
            const double d = std::hypot(p.x() - at.x(), p.y() - at.y());
            if (best < 0 || d < bestDistance) {
                best = static_cast<int>(i);
                bestDistance = d;
            }
        }
        return best;
    }

    [[nodiscard]] QPoint Pixel(Extended x, Extended y) const { return params->Axes->ValueToPixel(x, y); }

    std::unique_ptr<TFixedScaleHost> host;
    std::unique_ptr<TGraphParams> params;
};
