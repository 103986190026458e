#include "plot/CompareChart.h"

#include "plot/ChartDrawing.h"

#include "survey/NumberText.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Okabe-Ito, less its yellow, which is too pale on white: the reference in
// black, then the colours in the order that keeps neighbours most apart.
constexpr std::uint32_t kSeriesRgb[] = {0x000000, 0x0072B2, 0xD55E00, 0x009E73,
                                        0xCC79A7, 0xE69F00, 0x56B4E9};

constexpr const char* kSurveys = " surveys, ";
constexpr const char* kDateTo = " to ";

// One wide track holds more ticks than the twist chart's two; more ticks
// also leave less of the axis empty past the data.
constexpr int kMaxHorizontalTicks = 16;
constexpr int kMaxVerticalTicks = 16;
// The axes reach this share of the data's span beyond it, then the next
// tick, so that no station sits on the frame and both ends are labelled.
constexpr double kMargin = 0.03;
// The largest difference's label: its decimals, its size against the text's.
constexpr int kLabelDecimals = 2;
constexpr double kLabelScale = 0.9;

// Legend items are spaced for text this much wider than measured: a viewer
// without the measured face draws an SVG picture's text in a wider one, and
// an item must not run into the next one's line.
constexpr double kLegendSlack = 1.12;
// Characters of a reading date that give its day.
constexpr size_t kDayChars = 10;

double TickWidest(const TwistAxis& axis, const ChartFont& font, const IChartTextMetrics& metrics) {
    double dWidest = 0.0;
    for (int i = 0; i < CTwistChart::TickCount(axis); ++i) {
        dWidest = std::max(dWidest, metrics.Advance(CTwistChart::TickText(axis, i), font));
    }
    return dWidest;
}

// A nice axis over the data and a margin beyond it, ending on ticks.
TwistAxis AxisBeyond(double dLow, double dHigh, int nTicks) {
    const double dMargin = std::max(dHigh - dLow, 0.0) * kMargin;
    TwistAxis axis = CTwistChart::NiceAxis(dLow - dMargin, dHigh + dMargin, nTicks);
    axis.dMin = std::floor(axis.dMin / axis.dStep + 1e-9) * axis.dStep;
    axis.dMax = std::ceil(axis.dMax / axis.dStep - 1e-9) * axis.dStep;
    return axis;
}

// Depth from 0 down to the margin below the deepest station; 0 stays the top.
TwistAxis DepthAxis(double dDeepest, int nTicks) {
    TwistAxis axis = AxisBeyond(0.0, dDeepest > 0.0 ? dDeepest : 1.0, nTicks);
    axis.dMin = 0.0;
    return axis;
}

// As many ticks as fit along a width with their labels a space apart.
TwistAxis FitHorizontal(double dLow, double dHigh, double dWidth, const ChartFont& font,
                        const IChartTextMetrics& metrics) {
    const double dSpace = metrics.LineHeight(font);
    for (int nTicks = std::clamp(static_cast<int>(dWidth / (4.0 * dSpace)), 1, kMaxHorizontalTicks);
         ; --nTicks) {
        const TwistAxis axis = AxisBeyond(dLow, dHigh, nTicks);
        const double dPerStep = dWidth * axis.dStep / (axis.dMax - axis.dMin);
        if (nTicks == 1 || dPerStep >= TickWidest(axis, font, metrics) + dSpace) {
            return axis;
        }
    }
}

// The cumulative twist of a series at a station depth; 0 when it has none there.
double CumulativeAt(const CompareSeries& series, double dDepth) {
    for (const TwistStation& station : series.stations) {
        if (station.dDepth == dDepth) {
            return station.dCumulative;
        }
    }
    return 0.0;
}

} // namespace

// What the parts of one drawing share.
struct CCompareChart::Painting : CChartDrawing {
    const ChartRect& rect;
    const IChartTextMetrics& metrics;
    CompareChartLayout layout;
    ChartFont base;
    ChartFont title;
    double px;
    double dLine;
    double dTick;
    double dMarker;

    void AddSeries(size_t nSeries, std::vector<ChartPoint> points, bool bSmooth) {
        ChartStep step;
        step.nKind = ChartStepKind::polyline;
        step.nColour = SeriesColour(nSeries);
        // The reference widest, under the others: where a later survey
        // lies on it, the reference still shows along its sides.
        step.dWidth = nSeries == 0 ? std::max(3.0, 0.32 * px) : std::max(1.5, 0.14 * px);
        step.points = std::move(points);
        step.bSmooth = bSmooth;
        steps.push_back(std::move(step));
    }

    void AddMarkers(size_t nSeries, std::vector<ChartPoint> points) {
        ChartStep step;
        step.nKind = ChartStepKind::markers;
        step.nColour = SeriesColour(nSeries);
        // Neighbours differ in shape as well as colour.
        step.nMarker = nSeries % 2 == 0 ? ChartMarker::circle : ChartMarker::square;
        step.dRadius = dMarker;
        step.points = std::move(points);
        steps.push_back(std::move(step));
    }
};

CCompareChart::CCompareChart(CSurveyComparison comparison) : m_comparison(std::move(comparison)) {}

std::string CCompareChart::Title() const {
    const auto& series = m_comparison.m_series;
    if (series.empty()) {
        return "Repeat surveys";
    }
    const std::string strName =
        m_comparison.m_strBorehole.empty() ? series.front().strName : m_comparison.m_strBorehole;
    std::string strTitle = strName + " - ";
    AppendWhole(strTitle, static_cast<long long>(series.size()));
    return strTitle + kSurveys + series.front().strDate.str().substr(0, kDayChars) + kDateTo +
           series.back().strDate.str().substr(0, kDayChars);
}

std::uint32_t CCompareChart::SeriesColour(size_t nSeries) {
    constexpr size_t kColours = sizeof kSeriesRgb / sizeof kSeriesRgb[0];
    // Past the set, the colours come round again, the reference's black left out.
    return nSeries < kColours ? kSeriesRgb[nSeries]
                              : kSeriesRgb[1 + (nSeries - 1) % (kColours - 1)];
}

double CCompareChart::TextPixels(const ChartRect& rect, double dTextSize) {
    return dTextSize > 0.0 ? dTextSize : CTwistChart::PictureTextSize(rect, 0.0);
}

int CCompareChart::LegendRows(double dWidth, const ChartFont& base,
                              const IChartTextMetrics& metrics) const {
    // The legend's items flow in rows across the width, as AddTitleLegendAndNote
    // places them.
    const double px = base.dPixels;
    const size_t nSeries = m_comparison.m_series.size();
    int nRows = nSeries > 0 ? 1 : 0;
    double x = 0.0;
    for (size_t i = 0; i < nSeries; ++i) {
        const double dItem = std::min(
            dWidth, 2.9 * px + kLegendSlack * metrics.Advance(m_comparison.LegendText(i), base));
        if (x > 0.0 && x + dItem > dWidth) {
            ++nRows;
            x = 0.0;
        }
        x += dItem + 2.0 * px;
    }
    return nRows;
}

CompareChartLayout CCompareChart::Layout(const ChartRect& rect, const IChartTextMetrics& metrics,
                                         double dTextSize) const {
    CompareChartLayout layout;
    const double px = TextPixels(rect, dTextSize);
    const ChartFont base{px, false};
    const ChartFont title{std::round(px * 1.25), true};
    const double dLine = metrics.LineHeight(base);
    const double dTick = 0.4 * px;
    layout.dTextPixels = px;

    const double dWidth = rect.w - 2 * px;
    layout.nLegendRows = LegendRows(dWidth, base, metrics);
    const std::string strNote = m_comparison.CommonRangeNote();
    if (!strNote.empty()) {
        layout.noteLines = CTwistChart::Wrap(strNote, dWidth, base, metrics);
    }
    layout.rectTitle = ChartRect{
        rect.x + px, rect.y + 0.6 * px, dWidth,
        metrics.LineHeight(title) + 0.3 * px +
            static_cast<double>(layout.nLegendRows + static_cast<int>(layout.noteLines.size())) *
                dLine * 1.2};

    const double dTop = layout.rectTitle.Bottom() + 1.2 * px;
    const double dBottom = rect.Bottom() - (dTick + 0.2 * px + 2 * dLine + 0.3 * px + 0.6 * px);
    const double dHeight = std::max(1.0, dBottom - dTop);
    const int nDepthTicks =
        std::clamp(static_cast<int>(dHeight / (2.5 * dLine)), 1, kMaxVerticalTicks);
    layout.depthAxis = DepthAxis(m_comparison.m_dCommonBottom, nDepthTicks);

    double dLow = 0.0;
    double dHigh = 0.0;
    for (const CompareSeries& series : m_comparison.m_series) {
        for (const TwistStation& station : series.stations) {
            dLow = std::min(dLow, station.dCumulative);
            dHigh = std::max(dHigh, station.dCumulative);
        }
    }
    const double dLeft = rect.x + 0.6 * px + dLine + 0.5 * px +
                         TickWidest(layout.depthAxis, base, metrics) + dTick + 0.2 * px;
    // Twice: the right margin makes room for half the last tick label.
    double dRight = rect.Right() - px;
    for (int nPass = 0; nPass < 2; ++nPass) {
        const double dTrack = std::max(2.0, dRight - dLeft);
        layout.rectTrack = ChartRect{dLeft, dTop, dTrack, dHeight};
        layout.twistAxis = FitHorizontal(dLow, dHigh, dTrack, base, metrics);
        const TwistAxis& axis = layout.twistAxis;
        const double dLast = metrics.Advance(
            CTwistChart::TickText(axis, std::max(0, CTwistChart::TickCount(axis) - 1)), base);
        dRight = rect.Right() - std::max(px, dLast / 2 + 0.5 * px);
    }
    return layout;
}

ChartSteps CCompareChart::Steps(const ChartRect& rect, const IChartTextMetrics& metrics,
                                double dPixelRatio, double dTextSize) const {
    const double px = TextPixels(rect, dTextSize);
    const ChartFont base{px, false};
    Painting paint{{dPixelRatio, {}},
                   rect,
                   metrics,
                   Layout(rect, metrics, px),
                   base,
                   ChartFont{std::round(px * 1.25), true},
                   px,
                   metrics.LineHeight(base),
                   0.4 * px,
                   0.26 * px};
    paint.AddRect(ChartStepKind::fill, kChartBackgroundRgb, rect);
    AddTitleLegendAndNote(paint);
    AddTrack(paint);
    if (m_comparison.IsReady()) {
        AddSeries(paint);
    } else {
        // In place of the series: why the surveys were not compared.
        const ChartRect& track = paint.layout.rectTrack;
        const std::vector<std::string> lines =
            CTwistChart::Wrap(m_comparison.Problem(), track.w - 2 * px, paint.base, metrics);
        double y = track.CentreY() - (static_cast<double>(lines.size()) - 1) * paint.dLine / 2;
        for (const std::string& strLine : lines) {
            paint.AddText(strLine, ChartPoint{track.CentreX(), y}, paint.base, ChartAnchor::centre);
            y += paint.dLine;
        }
    }
    return std::move(paint.steps);
}

void CCompareChart::AddTitleLegendAndNote(Painting& paint) const {
    const ChartRect& area = paint.layout.rectTitle;
    const double px = paint.px;
    const double dTitleLine = paint.metrics.LineHeight(paint.title);
    paint.AddText(CTwistChart::Elide(Title(), area.w, paint.title, paint.metrics),
                  ChartPoint{area.CentreX(), area.y + dTitleLine / 2}, paint.title,
                  ChartAnchor::centre);

    // The legend by reading date, each row centred: a piece of the series'
    // line, its marker and its text.
    const double dSample = 2.4 * px;
    const double dItemGap = 2.0 * px;
    const double dRow = paint.dLine * 1.2;
    const size_t nSeries = m_comparison.m_series.size();
    double y = area.y + dTitleLine + 0.3 * px + dRow / 2;
    for (size_t nFirst = 0; nFirst < nSeries;) {
        // The items of this row, and their width together.
        std::vector<std::string> texts;
        double dWidth = -dItemGap;
        size_t nEnd = nFirst;
        for (; nEnd < nSeries; ++nEnd) {
            const std::string strText = CTwistChart::Elide(
                m_comparison.LegendText(nEnd), (area.w - dSample - 0.5 * px) / kLegendSlack,
                paint.base, paint.metrics);
            const double dItem =
                dSample + 0.5 * px + kLegendSlack * paint.metrics.Advance(strText, paint.base);
            if (nEnd > nFirst && dWidth + dItemGap + dItem > area.w) {
                break;
            }
            dWidth += dItemGap + dItem;
            texts.push_back(strText);
        }
        double x = area.CentreX() - dWidth / 2;
        for (size_t i = nFirst; i < nEnd; ++i) {
            paint.AddSeries(i, {ChartPoint{x, y}, ChartPoint{x + dSample, y}}, true);
            paint.AddMarkers(i, {ChartPoint{x + dSample / 2, y}});
            x += dSample + 0.5 * px;
            const std::string& strText = texts[i - nFirst];
            paint.AddText(strText, ChartPoint{x, y}, paint.base, ChartAnchor::left);
            x += kLegendSlack * paint.metrics.Advance(strText, paint.base) + dItemGap;
        }
        nFirst = nEnd;
        y += dRow;
    }
    for (const std::string& strLine : paint.layout.noteLines) {
        paint.AddText(strLine, ChartPoint{area.CentreX(), y}, paint.base, ChartAnchor::centre);
        y += dRow;
    }
}

void CCompareChart::AddTrack(Painting& paint) const {
    const ChartRect& track = paint.layout.rectTrack;
    const TwistAxis& depth = paint.layout.depthAxis;
    const TwistAxis& twist = paint.layout.twistAxis;
    const double px = paint.px;
    for (int i = 0; i < CTwistChart::TickCount(depth); ++i) {
        const double y = ChartMapY(depth, track, CTwistChart::TickValue(depth, i));
        paint.AddLine(kChartGridRgb, 1.0, ChartPoint{track.x, y}, ChartPoint{track.Right(), y});
    }
    for (int i = 0; i < CTwistChart::TickCount(twist); ++i) {
        const double x = ChartMapX(twist, track, CTwistChart::TickValue(twist, i));
        paint.AddLine(kChartGridRgb, 1.0, ChartPoint{x, track.y}, ChartPoint{x, track.Bottom()});
    }
    if (twist.dMin <= 0.0 && twist.dMax >= 0.0) {
        const double x = ChartMapX(twist, track, 0.0);
        paint.AddLine(kChartZeroRgb, std::max(1.0, 0.08 * px), ChartPoint{x, track.y},
                      ChartPoint{x, track.Bottom()});
    }
    paint.AddRect(ChartStepKind::frame, kChartFrameRgb, track);

    // The twist ticks and labels below the track, then its title.
    const double dLabels = track.Bottom() + paint.dTick + 0.2 * px + paint.dLine / 2;
    for (int i = 0; i < CTwistChart::TickCount(twist); ++i) {
        const double x = ChartMapX(twist, track, CTwistChart::TickValue(twist, i));
        paint.AddLine(kChartFrameRgb, 1.0, ChartPoint{x, track.Bottom()},
                      ChartPoint{x, track.Bottom() + paint.dTick});
        paint.AddText(CTwistChart::TickText(twist, i), ChartPoint{x, dLabels}, paint.base,
                      ChartAnchor::centre);
    }
    paint.AddText(CTwistChart::Elide(kChartCumulativeTitle, track.w, paint.base, paint.metrics),
                  ChartPoint{track.CentreX(), dLabels + 0.3 * px + paint.dLine}, paint.base,
                  ChartAnchor::centre);

    // The depth ticks and labels left of the track, and the depth's title.
    for (int i = 0; i < CTwistChart::TickCount(depth); ++i) {
        const double y = ChartMapY(depth, track, CTwistChart::TickValue(depth, i));
        paint.AddLine(kChartFrameRgb, 1.0, ChartPoint{track.x - paint.dTick, y},
                      ChartPoint{track.x, y});
        paint.AddText(CTwistChart::TickText(depth, i),
                      ChartPoint{track.x - paint.dTick - 0.2 * px, y}, paint.base,
                      ChartAnchor::right);
    }
    std::string strDepth = kChartDepthTitle;
    if (!m_comparison.m_strDepthUnits.IsEmpty()) {
        strDepth += " (" + m_comparison.m_strDepthUnits.str() + ")";
    }
    paint.AddText(CTwistChart::Elide(strDepth, track.h, paint.base, paint.metrics),
                  ChartPoint{paint.rect.x + 0.6 * px + paint.dLine / 2, track.CentreY()},
                  paint.base, ChartAnchor::centre, true);
}

void CCompareChart::AddSeries(Painting& paint) const {
    // Each survey from 0 at the top of the common range, station by station.
    const CompareChartLayout& l = paint.layout;
    const bool bRaster = paint.dPixelRatio > 0.0;
    const auto& all = m_comparison.m_series;
    for (size_t i = 0; i < all.size(); ++i) {
        const auto& stations = all[i].stations;
        std::vector<ChartPoint> points;
        points.reserve(stations.size() + 1);
        points.push_back(
            ChartPoint{ChartMapX(l.twistAxis, l.rectTrack, 0.0),
                       ChartMapY(l.depthAxis, l.rectTrack, m_comparison.m_dCommonTop)});
        for (const TwistStation& station : stations) {
            points.push_back(ChartPoint{ChartMapX(l.twistAxis, l.rectTrack, station.dCumulative),
                                        ChartMapY(l.depthAxis, l.rectTrack, station.dDepth)});
        }
        // Markers only where stations lie well apart.
        const double dSpacing = stations.size() < 2 ? l.rectTrack.h
                                                    : (points.back().y - points[1].y) /
                                                          static_cast<double>(stations.size() - 1);
        const bool bSmooth = dSpacing * (bRaster ? paint.dPixelRatio : 1.0) >= 1.0;
        paint.AddSeries(i, bRaster ? CTwistChart::KeepPixelRows(points, paint.dPixelRatio) : points,
                        bSmooth);
        if (dSpacing >= 3.5 * paint.dMarker) {
            paint.AddMarkers(i, std::vector<ChartPoint>(points.begin() + 1, points.end()));
        }
    }
    for (size_t i = 1; i < all.size(); ++i) {
        AddLargestDifference(paint, i);
    }
}

void CCompareChart::AddLargestDifference(Painting& paint, size_t nSeries) const {
    // A bar from the reference to the survey where they lie farthest apart,
    // in the survey's colour, and the difference beside its outer end.
    const CompareSeries& series = m_comparison.m_series[nSeries];
    if (!series.bDifference) {
        return;
    }
    const CompareChartLayout& l = paint.layout;
    const double dSurvey = CumulativeAt(series, series.dLargestDepth);
    const double xReference =
        ChartMapX(l.twistAxis, l.rectTrack, dSurvey - series.dLargestDifference);
    const double xSurvey = ChartMapX(l.twistAxis, l.rectTrack, dSurvey);
    const double y = ChartMapY(l.depthAxis, l.rectTrack, series.dLargestDepth);
    paint.AddLine(SeriesColour(nSeries), std::max(1.0, 0.08 * paint.px), ChartPoint{xReference, y},
                  ChartPoint{xSurvey, y});
    std::string strLabel = series.dLargestDifference > 0.0 ? "+" : "";
    AppendFixed(strLabel, series.dLargestDifference, kLabelDecimals);
    // "+1.60" as "+1.6", as the lines printed say it.
    while (strLabel.back() == '0' && strLabel[strLabel.size() - 2] != '.') {
        strLabel.pop_back();
    }
    strLabel += kChartDegreeSign;
    // Beyond the survey's end of the bar, or before it where the track ends.
    const ChartFont font{std::round(paint.px * kLabelScale), false};
    const double dGap = 0.6 * paint.px;
    const bool bRight = xSurvey >= xReference;
    const double xRight = std::max(xSurvey, xReference) + dGap;
    const bool bFits = xRight + paint.metrics.Advance(strLabel, font) <= l.rectTrack.Right();
    paint.AddText(strLabel,
                  ChartPoint{bRight == bFits ? xRight : std::min(xSurvey, xReference) - dGap,
                             y - 0.8 * paint.dLine},
                  font, bRight == bFits ? ChartAnchor::left : ChartAnchor::right);
}
