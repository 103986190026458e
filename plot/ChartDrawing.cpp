#include "plot/ChartDrawing.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// A line's width in whole device pixels, one at least, in units.
double WholePixels(double dWidth, double dPixelRatio) {
    return static_cast<double>(std::max(1L, std::lround(dWidth * dPixelRatio))) / dPixelRatio;
}

// A coordinate moved onto the device's pixels: the middle of a pixel for a
// line of an odd number of pixels, the edge between two for an even one.
double OnPixels(double dValue, double dWidth, double dPixelRatio) {
    const long nWidth = std::lround(dWidth * dPixelRatio);
    const double dDevice = dValue * dPixelRatio;
    const double dSnapped = nWidth % 2 == 1 ? std::floor(dDevice) + 0.5 : std::round(dDevice);
    return dSnapped / dPixelRatio;
}

} // namespace

double ChartMapX(const TwistAxis& axis, const ChartRect& track, double dValue) {
    return track.x + (dValue - axis.dMin) / (axis.dMax - axis.dMin) * track.w;
}

double ChartMapY(const TwistAxis& axis, const ChartRect& track, double dDepth) {
    return track.y + (dDepth - axis.dMin) / (axis.dMax - axis.dMin) * track.h;
}

void CChartDrawing::AddLine(std::uint32_t nColour, double dWidth, ChartPoint from, ChartPoint to) {
    // Across and along the pixels, a line keeps to whole pixels: sharp at
    // any scale.
    if (dPixelRatio > 0.0) {
        dWidth = WholePixels(dWidth, dPixelRatio);
    }
    if (dPixelRatio > 0.0 && from.x == to.x) {
        from.x = to.x = OnPixels(from.x, dWidth, dPixelRatio);
    } else if (dPixelRatio > 0.0 && from.y == to.y) {
        from.y = to.y = OnPixels(from.y, dWidth, dPixelRatio);
    }
    ChartStep step;
    step.nKind = ChartStepKind::line;
    step.nColour = nColour;
    step.dWidth = dWidth;
    step.points = {from, to};
    steps.push_back(std::move(step));
}

void CChartDrawing::AddText(std::string strText, ChartPoint at, const ChartFont& font,
                            ChartAnchor nAnchor, bool bUpright) {
    ChartStep step;
    step.nKind = ChartStepKind::text;
    step.nColour = kChartTextRgb;
    step.points = {at};
    step.strText = std::move(strText);
    step.font = font;
    step.nAnchor = nAnchor;
    step.bUpright = bUpright;
    steps.push_back(std::move(step));
}

void CChartDrawing::AddRect(ChartStepKind nKind, std::uint32_t nColour, const ChartRect& area,
                            double dWidth) {
    ChartStep step;
    step.nKind = nKind;
    step.nColour = nColour;
    step.dWidth = dWidth;
    step.rect = area;
    if (nKind == ChartStepKind::frame && dPixelRatio > 0.0) {
        dWidth = step.dWidth = WholePixels(dWidth, dPixelRatio);
        const double x = OnPixels(area.x, dWidth, dPixelRatio);
        const double y = OnPixels(area.y, dWidth, dPixelRatio);
        step.rect = ChartRect{x, y, OnPixels(area.Right(), dWidth, dPixelRatio) - x,
                              OnPixels(area.Bottom(), dWidth, dPixelRatio) - y};
    }
    steps.push_back(std::move(step));
}

void CChartDrawing::AddDashes(std::uint32_t nColour, double dWidth, ChartPoint from, ChartPoint to,
                              double dLength, double dGap) {
    const double dTotal = std::hypot(to.x - from.x, to.y - from.y);
    if (!(dTotal > 0.0) || !(dLength > 0.0)) {
        return;
    }
    for (double d = 0.0; d < dTotal; d += dLength + dGap) {
        const double dEnd = std::min(dTotal, d + dLength);
        AddLine(nColour, dWidth,
                ChartPoint{from.x + (to.x - from.x) * d / dTotal,
                           from.y + (to.y - from.y) * d / dTotal},
                ChartPoint{from.x + (to.x - from.x) * dEnd / dTotal,
                           from.y + (to.y - from.y) * dEnd / dTotal});
    }
}
