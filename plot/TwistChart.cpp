#include "plot/TwistChart.h"

#include "survey/NumberText.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Okabe-Ito blue and orange: apart for readers with any common colour-vision
// deficiency; the series differ in line width and marker as well.
constexpr std::uint32_t kCumulativeRgb = 0x0072B2;
constexpr std::uint32_t kIntervalRgb = 0xE69F00;
constexpr std::uint32_t kTextRgb = 0x222222;
constexpr std::uint32_t kFrameRgb = 0x666666;
constexpr std::uint32_t kZeroRgb = 0x333333;
constexpr std::uint32_t kGridRgb = 0xDDDDDD;
constexpr std::uint32_t kBackgroundRgb = 0xFFFFFF;

constexpr const char* kCumulativeLegend = "Cumulative twist";
constexpr const char* kIntervalLegend = "Twist per interval";
constexpr const char* kCumulativeTitle = "Cumulative twist (degrees)";
constexpr const char* kIntervalTitle = "Twist per interval (degrees)";
constexpr const char* kDepthTitle = "Depth";
constexpr const char* kNoStations = "The survey has no measured stations.";
constexpr const char* kEllipsis = "\xE2\x80\xA6";

// The cumulative track's share of the width both tracks have.
constexpr double kCumulativeShare = 0.68;
// Tick labels a track or the depth axis holds at most.
constexpr int kMaxHorizontalTicks = 10;
constexpr int kMaxVerticalTicks = 12;
// The largest axis bound, twice which is still a number, and the narrowest
// span, a tenth of which is still a normal number.
constexpr double kFarthest = 1e300;
constexpr double kNearest = 1e-290;
// Bounds a hair beyond a tick (a sum of tenths) count as on it.
constexpr double kFuzz = 1e-9;
// More ticks than this only come from an axis that is not meant to be drawn.
constexpr int kMaxTicks = 1000;
// An axis ending on a tick may leave this share of its span empty; beyond
// it the axis ends on the next fifth of a step.
constexpr double kMaxEmpty = 0.1;
constexpr double kMinorSteps = 5.0;
// Decimals beyond which tick labels stop being useful.
constexpr int kMaxDecimals = 9;

// Every length of the picture follows the text size, which follows the
// picture size.
double TextPixels(const ChartRect& rect) {
    return std::clamp(std::round(std::min(rect.w, rect.h * 4.0 / 3.0) / 80.0), 8.0, 16.0);
}

// 10 to the power nExponent, by products of tens rather than the maths
// library, so that every system computes the same ticks to the last bit.
double PowerOfTen(int nExponent) {
    double dPower = 1.0;
    for (int i = 0; i < std::abs(nExponent); ++i) {
        dPower *= 10.0;
    }
    return nExponent < 0 ? 1.0 / dPower : dPower;
}

// The largest n with 10^n at most dValue (a positive, finite number).
int DecadeOf(double dValue) {
    int n = 0;
    while (n < 308 && PowerOfTen(n + 1) <= dValue) {
        ++n;
    }
    while (n > -308 && PowerOfTen(n) > dValue) {
        --n;
    }
    return n;
}

double FirstTick(const TwistAxis& axis) {
    return std::ceil(axis.dMin / axis.dStep - kFuzz);
}

double WidestTick(const TwistAxis& axis, const ChartFont& font, const IChartTextMetrics& metrics) {
    double dWidest = 0.0;
    for (int i = 0; i < CTwistChart::TickCount(axis); ++i) {
        dWidest = std::max(dWidest, metrics.Advance(CTwistChart::TickText(axis, i), font));
    }
    return dWidest;
}

// As many ticks as fit along a width with their labels a space apart.
TwistAxis FitHorizontal(double dLow, double dHigh, double dWidth, const ChartFont& font,
                        const IChartTextMetrics& metrics) {
    const double dSpace = metrics.LineHeight(font);
    for (int nTicks = std::clamp(static_cast<int>(dWidth / (4.0 * dSpace)), 1, kMaxHorizontalTicks);
         ; --nTicks) {
        const TwistAxis axis = CTwistChart::NiceAxis(dLow, dHigh, nTicks);
        const double dPerStep = dWidth * axis.dStep / (axis.dMax - axis.dMin);
        if (nTicks == 1 || dPerStep >= WidestTick(axis, font, metrics) + dSpace) {
            return axis;
        }
    }
}

TwistAxis FitVertical(double dLow, double dHigh, double dHeight, double dLine) {
    const int nTicks = std::clamp(static_cast<int>(dHeight / (2.5 * dLine)), 1, kMaxVerticalTicks);
    return CTwistChart::NiceAxis(dLow, dHigh, nTicks);
}

double MapX(const TwistAxis& axis, const ChartRect& track, double dValue) {
    return track.x + (dValue - axis.dMin) / (axis.dMax - axis.dMin) * track.w;
}

double MapY(const TwistAxis& axis, const ChartRect& track, double dDepth) {
    return track.y + (dDepth - axis.dMin) / (axis.dMax - axis.dMin) * track.h;
}

// The length of the UTF-8 sequence a byte starts; 1 for a byte that starts
// none, so that a cut never lands inside a character.
size_t SequenceLength(unsigned char ch) {
    return ch >= 0xF0 ? 4 : ch >= 0xE0 ? 3 : ch >= 0xC0 ? 2 : 1;
}

std::string Trimmed(const std::string& strText) {
    const char* kSpace = " \t\r\n\v\f";
    const size_t nFirst = strText.find_first_not_of(kSpace);
    return nFirst == std::string::npos
               ? std::string()
               : strText.substr(nFirst, strText.find_last_not_of(kSpace) - nFirst + 1);
}

struct SeriesStyle {
    std::uint32_t nColour;
    double dWidth;
    ChartMarker nMarker;
};

} // namespace

// What the parts of one drawing share: the place, the fonts, the layout and
// the steps so far.
struct CTwistChart::Painting {
    const ChartRect& rect;
    const IChartTextMetrics& metrics;
    double dPixelRatio;
    TwistChartLayout layout;
    ChartFont base;
    ChartFont title;
    double px;    // the text size, the unit of every length
    double dLine; // a line of label text
    double dTick; // the length of a tick
    SeriesStyle cumulative;
    SeriesStyle interval;
    double dMarker; // the markers' radius
    ChartSteps steps;

    void AddLine(std::uint32_t nColour, double dWidth, ChartPoint from, ChartPoint to) {
        ChartStep step;
        step.nKind = ChartStepKind::line;
        step.nColour = nColour;
        step.dWidth = dWidth;
        step.points = {from, to};
        steps.push_back(std::move(step));
    }

    void AddText(std::string strText, ChartPoint at, const ChartFont& font, ChartAnchor nAnchor,
                 bool bUpright = false) {
        ChartStep step;
        step.nKind = ChartStepKind::text;
        step.nColour = kTextRgb;
        step.points = {at};
        step.strText = std::move(strText);
        step.font = font;
        step.nAnchor = nAnchor;
        step.bUpright = bUpright;
        steps.push_back(std::move(step));
    }

    void AddPolyline(const SeriesStyle& style, std::vector<ChartPoint> points, bool bSmooth) {
        ChartStep step;
        step.nKind = ChartStepKind::polyline;
        step.nColour = style.nColour;
        step.dWidth = style.dWidth;
        step.points = std::move(points);
        step.bSmooth = bSmooth;
        steps.push_back(std::move(step));
    }

    void AddMarkers(const SeriesStyle& style, std::vector<ChartPoint> points) {
        ChartStep step;
        step.nKind = ChartStepKind::markers;
        step.nColour = style.nColour;
        step.nMarker = style.nMarker;
        step.dRadius = dMarker;
        step.points = std::move(points);
        steps.push_back(std::move(step));
    }

    void AddRect(ChartStepKind nKind, std::uint32_t nColour, const ChartRect& area) {
        ChartStep step;
        step.nKind = nKind;
        step.nColour = nColour;
        step.rect = area;
        steps.push_back(std::move(step));
    }
};

CTwistChart::CTwistChart(CTwistProfile profile, std::string strName)
    : m_profile(std::move(profile)), m_strName(std::move(strName)) {}

std::string CTwistChart::Title() const {
    const std::string strName =
        m_profile.m_strTitle.IsEmpty() ? Trimmed(m_strName) : m_profile.m_strTitle.str();
    const std::string strDate = m_profile.DateText().str();
    return strName.empty() ? strDate : strName + " - " + strDate;
}

TwistAxis CTwistChart::NiceAxis(double dLow, double dHigh, int nMaxTicks) {
    if (!std::isfinite(dLow) || !std::isfinite(dHigh)) {
        dLow = 0.0;
        dHigh = 1.0;
    }
    // Bounds this far out still leave a span and a step that are numbers.
    dLow = std::clamp(dLow, -kFarthest, kFarthest);
    dHigh = std::clamp(dHigh, -kFarthest, kFarthest);
    if (dLow > dHigh) {
        std::swap(dLow, dHigh);
    }
    if (!(dHigh - dLow > kNearest)) {
        // A flat series, or one too narrow for its step to be a number, still
        // gets a span, with its value in the middle.
        const double dHalf = std::max(std::fabs(dLow) * 0.5, 1.0);
        dLow -= dHalf;
        dHigh += dHalf;
    }
    nMaxTicks = std::max(1, nMaxTicks);
    const double dSpan = dHigh - dLow;
    const int nDecade = DecadeOf(dSpan / nMaxTicks);
    const double dMagnitude = PowerOfTen(nDecade);
    TwistAxis axis;
    int nStepDecade = nDecade;
    for (double dFactor : {1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0}) {
        axis.dStep = dFactor * dMagnitude;
        nStepDecade = nDecade + (dFactor >= 100.0 ? 2 : dFactor >= 10.0 ? 1 : 0);
        axis.dMin = std::floor(dLow / axis.dStep + kFuzz) * axis.dStep;
        axis.dMax = std::ceil(dHigh / axis.dStep - kFuzz) * axis.dStep;
        if (std::lround((axis.dMax - axis.dMin) / axis.dStep) <= nMaxTicks) {
            break;
        }
    }
    // A small excursion past a tick (a survey that dips just below zero)
    // would cost a whole step of empty track: that end stops at the next
    // fifth of a step instead, as long as two ticks remain.
    const double dMinor = axis.dStep / kMinorSteps;
    TwistAxis trimmed = axis;
    if (dLow - axis.dMin > kMaxEmpty * dSpan) {
        trimmed.dMin = std::floor(dLow / dMinor + kFuzz) * dMinor;
    }
    if (axis.dMax - dHigh > kMaxEmpty * dSpan) {
        trimmed.dMax = std::ceil(dHigh / dMinor - kFuzz) * dMinor;
    }
    if (TickCount(trimmed) >= 2) {
        axis = trimmed;
    }
    if (!(axis.dMax > axis.dMin)) {
        axis.dMax = axis.dMin + axis.dStep; // only when the span is lost to rounding
    }
    // The labels are multiples of the step: 1, 2 or 5 times 10^nStepDecade.
    axis.nDecimals = std::clamp(-nStepDecade, 0, kMaxDecimals);
    return axis;
}

// The ticks are the multiples of the step from dMin to dMax. As multiples
// they hit zero exactly, so no label reads "-0.0".
int CTwistChart::TickCount(const TwistAxis& axis) {
    const double dCount = std::floor(axis.dMax / axis.dStep + kFuzz) - FirstTick(axis) + 1;
    return dCount > 0 && dCount <= kMaxTicks ? static_cast<int>(dCount) : 0;
}

double CTwistChart::TickValue(const TwistAxis& axis, int i) {
    return (FirstTick(axis) + i) * axis.dStep;
}

std::string CTwistChart::TickText(const TwistAxis& axis, int i) {
    std::string strText;
    AppendFixed(strText, TickValue(axis, i), axis.nDecimals);
    return strText;
}

std::vector<ChartPoint> CTwistChart::KeepPixelRows(const std::vector<ChartPoint>& points,
                                                   double dPixelRatio) {
    auto row = [&](size_t i) { return std::floor(points[i].y * dPixelRatio); };
    std::vector<ChartPoint> kept;
    const size_t nCount = points.size();
    for (size_t i = 0; i < nCount;) {
        const double dRow = row(i);
        size_t nLast = i, nLeft = i, nRight = i;
        while (nLast + 1 < nCount && row(nLast + 1) == dRow) {
            ++nLast;
            if (points[nLast].x < points[nLeft].x) {
                nLeft = nLast;
            }
            if (points[nLast].x > points[nRight].x) {
                nRight = nLast;
            }
        }
        const size_t keep[] = {i, std::min(nLeft, nRight), std::max(nLeft, nRight), nLast};
        for (size_t k = 0; k < 4; ++k) {
            if (k == 0 || keep[k] != keep[k - 1]) {
                kept.push_back(points[keep[k]]);
            }
        }
        i = nLast + 1;
    }
    return kept;
}

std::string CTwistChart::Elide(const std::string& strText, double dWidth, const ChartFont& font,
                               const IChartTextMetrics& metrics) {
    if (metrics.Advance(strText, font) <= dWidth) {
        return strText;
    }
    // The longest start of whole characters that leaves room for the mark.
    std::string strBest;
    for (size_t nEnd = 0; nEnd < strText.size();) {
        nEnd = std::min(strText.size(),
                        nEnd + SequenceLength(static_cast<unsigned char>(strText[nEnd])));
        std::string strCut = strText.substr(0, strText.find_last_not_of(' ', nEnd - 1) + 1);
        strCut += kEllipsis;
        if (metrics.Advance(strCut, font) > dWidth) {
            break;
        }
        strBest = std::move(strCut);
    }
    return strBest;
}

std::vector<std::string> CTwistChart::Wrap(const std::string& strText, double dWidth,
                                           const ChartFont& font,
                                           const IChartTextMetrics& metrics) {
    std::vector<std::string> lines;
    std::string strLine;
    size_t nAt = 0;
    while (nAt < strText.size()) {
        const size_t nSpace = std::min(strText.find(' ', nAt), strText.size());
        const std::string strWord = strText.substr(nAt, nSpace - nAt);
        nAt = nSpace + 1;
        const std::string strLonger = strLine.empty() ? strWord : strLine + " " + strWord;
        if (strLine.empty() || metrics.Advance(strLonger, font) <= dWidth) {
            strLine = strLonger;
        } else {
            lines.push_back(strLine);
            strLine = strWord;
        }
    }
    if (!strLine.empty()) {
        lines.push_back(strLine);
    }
    return lines;
}

TwistChartLayout CTwistChart::Layout(const ChartRect& rect,
                                     const IChartTextMetrics& metrics) const {
    TwistChartLayout layout;
    const double px = TextPixels(rect);
    const ChartFont base{px, false};
    const ChartFont title{std::round(px * 1.25), true};
    const double dLine = metrics.LineHeight(base);
    const double dTick = 0.4 * px;
    const CTwistProfile& p = m_profile;
    layout.dTextPixels = px;
    layout.rectTitle = ChartRect{rect.x + px, rect.y + 0.6 * px, rect.w - 2 * px,
                                 metrics.LineHeight(title) + 0.3 * px + dLine};

    // Room above the tracks for half the top depth label, below them for the
    // tick labels and the axis titles.
    const double dTop = layout.rectTitle.Bottom() + 1.2 * px;
    const double dBottom = rect.Bottom() - (dTick + 0.2 * px + 2 * dLine + 0.3 * px + 0.6 * px);
    const double dHeight = std::max(1.0, dBottom - dTop);

    const double dDeepest = p.m_dDeepest > 0.0 ? p.m_dDeepest : 1.0;
    layout.depthAxis = FitVertical(0.0, dDeepest, dHeight, dLine);

    const double dLeft = rect.x + 0.6 * px + dLine + 0.5 * px +
                         WidestTick(layout.depthAxis, base, metrics) + dTick + 0.2 * px;
    const double cumLow = std::min(0.0, p.m_dMinCumulative);
    const double cumHigh = std::max(0.0, p.m_dMaxCumulative);
    const double twistLow = std::min(0.0, p.m_dMinTwist);
    const double twistHigh = std::max(0.0, p.m_dMaxTwist);

    // Twice: the gap between the tracks and the right margin make room for
    // the outer tick labels, whose widths depend on the ticks chosen.
    double dGap = 4.0 * px;
    double dRight = rect.Right() - px;
    for (int nPass = 0; nPass < 2; ++nPass) {
        const double dBoth = std::max(2.0, dRight - dLeft - dGap);
        const double dCumWidth = dBoth * kCumulativeShare;
        layout.rectCumulative = ChartRect{dLeft, dTop, dCumWidth, dHeight};
        layout.rectInterval = ChartRect{dLeft + dCumWidth + dGap, dTop, dBoth - dCumWidth, dHeight};
        layout.cumulativeAxis = FitHorizontal(cumLow, cumHigh, dCumWidth, base, metrics);
        layout.intervalAxis = FitHorizontal(twistLow, twistHigh, dBoth - dCumWidth, base, metrics);

        const TwistAxis& cum = layout.cumulativeAxis;
        const TwistAxis& twist = layout.intervalAxis;
        const double dCumLast =
            metrics.Advance(TickText(cum, std::max(0, TickCount(cum) - 1)), base);
        const double dTwistFirst = metrics.Advance(TickText(twist, 0), base);
        const double dTwistLast =
            metrics.Advance(TickText(twist, std::max(0, TickCount(twist) - 1)), base);
        dGap = std::max(3.0 * px, (dCumLast + dTwistFirst) / 2 + 2.0 * px);
        dRight = rect.Right() - std::max(px, dTwistLast / 2 + 0.5 * px);
    }
    return layout;
}

ChartSteps CTwistChart::Steps(const ChartRect& rect, const IChartTextMetrics& metrics,
                              double dPixelRatio) const {
    const double px = TextPixels(rect);
    Painting paint{rect,
                   metrics,
                   dPixelRatio,
                   Layout(rect, metrics),
                   ChartFont{px, false},
                   ChartFont{std::round(px * 1.25), true},
                   px,
                   metrics.LineHeight(ChartFont{px, false}),
                   0.4 * px,
                   // The lighter series is one unit wide with square markers.
                   // Not dashed: dashes break a ragged series into fragments
                   // that read as features.
                   SeriesStyle{kCumulativeRgb, std::max(1.5, 0.14 * px), ChartMarker::circle},
                   SeriesStyle{kIntervalRgb, 1.0, ChartMarker::square},
                   0.26 * px,
                   {}};
    paint.AddRect(ChartStepKind::fill, kBackgroundRgb, rect);
    AddTitleAndLegend(paint);
    AddTrack(paint, paint.layout.rectCumulative, paint.layout.cumulativeAxis, kCumulativeTitle);
    AddTrack(paint, paint.layout.rectInterval, paint.layout.intervalAxis, kIntervalTitle);
    AddDepthAxis(paint);

    if (m_profile.m_nStatus != profileReady || m_profile.m_stations.empty()) {
        // In place of the series: why there is none.
        const char* pszWhy = m_profile.m_nStatus != profileReady
                                 ? CTwistProfile::StatusText(m_profile.m_nStatus)
                                 : kNoStations;
        const ChartRect& track = paint.layout.rectCumulative;
        const std::vector<std::string> lines = Wrap(pszWhy, track.w - 2 * px, paint.base, metrics);
        double y = track.CentreY() - (static_cast<double>(lines.size()) - 1) * paint.dLine / 2;
        for (const std::string& strLine : lines) {
            paint.AddText(strLine, ChartPoint{track.CentreX(), y}, paint.base, ChartAnchor::centre);
            y += paint.dLine;
        }
    } else {
        AddSeries(paint);
    }
    return std::move(paint.steps);
}

void CTwistChart::AddTitleAndLegend(Painting& paint) const {
    const ChartRect& title = paint.layout.rectTitle;
    const double px = paint.px;
    paint.AddText(Elide(Title(), title.w, paint.title, paint.metrics),
                  ChartPoint{title.CentreX(), title.y + paint.metrics.LineHeight(paint.title) / 2},
                  paint.title, ChartAnchor::centre);

    // The legend under the title: a piece of each series' line, its marker
    // and its name, the two centred together.
    const double dSample = 2.4 * px;
    const double dItemGap = 2.0 * px;
    const std::pair<const SeriesStyle*, const char*> items[] = {
        {&paint.cumulative, kCumulativeLegend}, {&paint.interval, kIntervalLegend}};
    double dWidth = -dItemGap;
    for (const auto& item : items) {
        dWidth += dSample + 0.5 * px + paint.metrics.Advance(item.second, paint.base) + dItemGap;
    }
    double x = title.CentreX() - dWidth / 2;
    const double y = title.Bottom() - paint.dLine / 2;
    for (const auto& [pStyle, pszText] : items) {
        paint.AddPolyline(*pStyle, {ChartPoint{x, y}, ChartPoint{x + dSample, y}}, true);
        paint.AddMarkers(*pStyle, {ChartPoint{x + dSample / 2, y}});
        x += dSample + 0.5 * px;
        paint.AddText(pszText, ChartPoint{x, y}, paint.base, ChartAnchor::left);
        x += paint.metrics.Advance(pszText, paint.base) + dItemGap;
    }
}

void CTwistChart::AddTrack(Painting& paint, const ChartRect& track, const TwistAxis& axis,
                           const char* pszTitle) const {
    const TwistAxis& depth = paint.layout.depthAxis;
    const double px = paint.px;
    // The grid, then the zero line and the frame over it.
    for (int i = 0; i < TickCount(depth); ++i) {
        const double y = MapY(depth, track, TickValue(depth, i));
        paint.AddLine(kGridRgb, 1.0, ChartPoint{track.x, y}, ChartPoint{track.Right(), y});
    }
    for (int i = 0; i < TickCount(axis); ++i) {
        const double x = MapX(axis, track, TickValue(axis, i));
        paint.AddLine(kGridRgb, 1.0, ChartPoint{x, track.y}, ChartPoint{x, track.Bottom()});
    }
    if (axis.dMin <= 0.0 && axis.dMax >= 0.0) {
        const double x = MapX(axis, track, 0.0);
        paint.AddLine(kZeroRgb, std::max(1.0, 0.08 * px), ChartPoint{x, track.y},
                      ChartPoint{x, track.Bottom()});
    }
    paint.AddRect(ChartStepKind::frame, kFrameRgb, track);

    // Ticks and their labels below the track, then the track's title.
    const double dLabels = track.Bottom() + paint.dTick + 0.2 * px + paint.dLine / 2;
    for (int i = 0; i < TickCount(axis); ++i) {
        const double x = MapX(axis, track, TickValue(axis, i));
        paint.AddLine(kFrameRgb, 1.0, ChartPoint{x, track.Bottom()},
                      ChartPoint{x, track.Bottom() + paint.dTick});
        paint.AddText(TickText(axis, i), ChartPoint{x, dLabels}, paint.base, ChartAnchor::centre);
    }
    const double dGap = paint.layout.rectInterval.x - paint.layout.rectCumulative.Right();
    const double dTitleWidth = track.w + 0.8 * dGap;
    paint.AddText(Elide(pszTitle, dTitleWidth, paint.base, paint.metrics),
                  ChartPoint{track.CentreX(), dLabels + 0.3 * px + paint.dLine}, paint.base,
                  ChartAnchor::centre);
}

void CTwistChart::AddDepthAxis(Painting& paint) const {
    const ChartRect& track = paint.layout.rectCumulative;
    const TwistAxis& depth = paint.layout.depthAxis;
    const double px = paint.px;
    for (int i = 0; i < TickCount(depth); ++i) {
        const double y = MapY(depth, track, TickValue(depth, i));
        paint.AddLine(kFrameRgb, 1.0, ChartPoint{track.x - paint.dTick, y}, ChartPoint{track.x, y});
        paint.AddText(TickText(depth, i), ChartPoint{track.x - paint.dTick - 0.2 * px, y},
                      paint.base, ChartAnchor::right);
    }
    std::string strDepth = kDepthTitle;
    if (!m_profile.m_strDepthUnits.IsEmpty()) {
        strDepth += " (" + m_profile.m_strDepthUnits.str() + ")";
    }
    paint.AddText(Elide(strDepth, track.h, paint.base, paint.metrics),
                  ChartPoint{paint.rect.x + 0.6 * px + paint.dLine / 2, track.CentreY()},
                  paint.base, ChartAnchor::centre, true);
}

void CTwistChart::AddSeries(Painting& paint) const {
    // The cumulative twist from 0 at the top of the first measured interval,
    // the twist of each interval at its station.
    const TwistChartLayout& l = paint.layout;
    const auto& stations = m_profile.m_stations;
    std::vector<ChartPoint> cumulative;
    std::vector<ChartPoint> twist;
    cumulative.reserve(stations.size() + 1);
    twist.reserve(stations.size());
    cumulative.push_back(ChartPoint{MapX(l.cumulativeAxis, l.rectCumulative, 0.0),
                                    MapY(l.depthAxis, l.rectCumulative, m_profile.m_dTopDepth)});
    for (const TwistStation& station : stations) {
        cumulative.push_back(
            ChartPoint{MapX(l.cumulativeAxis, l.rectCumulative, station.dCumulative),
                       MapY(l.depthAxis, l.rectCumulative, station.dDepth)});
        twist.push_back(ChartPoint{MapX(l.intervalAxis, l.rectInterval, station.dTwist),
                                   MapY(l.depthAxis, l.rectInterval, station.dDepth)});
    }

    // Markers only where stations lie well apart.
    const double dSpacing = stations.size() < 2 ? l.rectCumulative.h
                                                : (twist.back().y - twist.front().y) /
                                                      static_cast<double>(stations.size() - 1);
    const bool bMarkers = dSpacing >= 3.5 * paint.dMarker;
    const bool bRaster = paint.dPixelRatio > 0.0;
    // Vector output counts a unit a pixel, for whoever turns it into pixels.
    const bool bSmooth = dSpacing * (bRaster ? paint.dPixelRatio : 1.0) >= 1.0;
    for (auto [pStyle, pPoints] :
         {std::pair{&paint.cumulative, &cumulative}, std::pair{&paint.interval, &twist}}) {
        paint.AddPolyline(*pStyle, bRaster ? KeepPixelRows(*pPoints, paint.dPixelRatio) : *pPoints,
                          bSmooth);
        if (bMarkers || pPoints->size() == 1) {
            // The cumulative series' first point is the top, not a station.
            const size_t nFirst = pPoints == &cumulative ? 1 : 0;
            paint.AddMarkers(*pStyle,
                             std::vector<ChartPoint>(pPoints->begin() + nFirst, pPoints->end()));
        }
    }
}
