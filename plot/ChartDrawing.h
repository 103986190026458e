// What the twist chart and the comparison chart draw alike: their common
// colours, the mapping of values onto a track, and the steps they add the
// same way, with lines and frames kept to whole device pixels so that both
// stay sharp at any scale.
#pragma once

#include "plot/ChartSteps.h"
#include "plot/TwistChart.h"

#include <cstdint>
#include <string>

constexpr std::uint32_t kChartTextRgb = 0x222222;
constexpr std::uint32_t kChartFrameRgb = 0x666666;
constexpr std::uint32_t kChartZeroRgb = 0x333333;
constexpr std::uint32_t kChartGridRgb = 0xDDDDDD;
constexpr std::uint32_t kChartBackgroundRgb = 0xFFFFFF;

// Both charts sum the twist from the top down, and say so.
constexpr const char* kChartCumulativeTitle = "Cumulative twist from the top (degrees)";
constexpr const char* kChartDepthTitle = "Depth";
constexpr const char* kChartDegreeSign = "\xC2\xB0";

// Where a value falls across a track, and a depth down it.
double ChartMapX(const TwistAxis& axis, const ChartRect& track, double dValue);
double ChartMapY(const TwistAxis& axis, const ChartRect& track, double dDepth);

// The steps of one drawing so far. dPixelRatio is the device pixels a unit
// covers; 0 for vector output, which is not moved onto pixels.
struct CChartDrawing {
    double dPixelRatio = 0.0;
    ChartSteps steps;

    void AddLine(std::uint32_t nColour, double dWidth, ChartPoint from, ChartPoint to);
    void AddText(std::string strText, ChartPoint at, const ChartFont& font, ChartAnchor nAnchor,
                 bool bUpright = false);
    void AddRect(ChartStepKind nKind, std::uint32_t nColour, const ChartRect& area,
                 double dWidth = 1.0);
    // A line of dashes dLength long, dGap apart, from one point to the next.
    void AddDashes(std::uint32_t nColour, double dWidth, ChartPoint from, ChartPoint to,
                   double dLength, double dGap);
};
