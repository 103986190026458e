// What a chart hands its painters: a short list of drawing steps in device
// units (pixels of an image or a window, user units of an SVG picture), with
// the text already placed, cut to fit and wrapped. A painter only draws them;
// the layout, the ticks and the choice of points are the chart's, so every
// painter draws the same picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ChartPoint {
    double x = 0.0;
    double y = 0.0;
};

struct ChartRect {
    double x = 0.0;
    double y = 0.0;
    double w = 0.0;
    double h = 0.0;

    double Right() const { return x + w; }
    double Bottom() const { return y + h; }
    double CentreX() const { return x + w / 2; }
    double CentreY() const { return y + h / 2; }
};

// A text's size and weight; every painter uses its sans-serif face.
struct ChartFont {
    double dPixels = 12.0;
    bool bBold = false;
};

// Measures text as a painter will draw it. Texts are UTF-8.
class IChartTextMetrics {
public:
    virtual ~IChartTextMetrics() = default;
    virtual double Advance(const std::string& strText, const ChartFont& font) const = 0;
    // The height of one line: ascent and descent.
    virtual double LineHeight(const ChartFont& font) const = 0;
};

enum class ChartStepKind {
    fill,     // rect filled with the colour
    frame,    // rect outlined, dWidth wide
    line,     // points[0] to points[1], flat ends
    polyline, // through all points, round joins and ends
    markers,  // a filled marker of dRadius at each point
    text,     // strText at points[0]
};

enum class ChartMarker { circle, square };

// Which point of the text's line lies at the text's position: its left end,
// its middle or its right end, always at half the line's height.
enum class ChartAnchor { left, centre, right };

struct ChartStep {
    ChartStepKind nKind = ChartStepKind::line;
    std::uint32_t nColour = 0; // 0xRRGGBB
    double dWidth = 1.0;
    ChartRect rect;
    std::vector<ChartPoint> points;
    // Polylines: smoothed edges. A line of more points than pixel rows is
    // ragged at pixel size anyway, and drawn faster without.
    bool bSmooth = true;
    ChartMarker nMarker = ChartMarker::circle;
    double dRadius = 0.0;
    std::string strText;
    ChartFont font;
    ChartAnchor nAnchor = ChartAnchor::left;
    bool bUpright = false; // text turned a quarter anticlockwise, read from below
};

using ChartSteps = std::vector<ChartStep>;

// The one walk over the steps; each painter draws the kinds.
class CChartPainter {
public:
    virtual ~CChartPainter() = default;
    void Paint(const ChartSteps& steps);

protected:
    virtual void Fill(const ChartStep& step) = 0;
    virtual void Frame(const ChartStep& step) = 0;
    virtual void Line(const ChartStep& step) = 0;
    virtual void Polyline(const ChartStep& step) = 0;
    virtual void Markers(const ChartStep& step) = 0;
    virtual void Text(const ChartStep& step) = 0;
};
