#include "plot/TwistChart.h"

#include "plot/ChartDrawing.h"

#include "survey/NumberText.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Okabe-Ito blue and orange: apart for readers with any common colour-vision
// deficiency; the series differ in line width and marker as well.
constexpr std::uint32_t kCumulativeRgb = 0x0072B2;
constexpr std::uint32_t kIntervalRgb = 0xE69F00;
// Okabe-Ito vermillion for the limit, drawn dashed, and a pale tint of it
// behind the intervals over it: apart from both series by shape as well.
constexpr std::uint32_t kLimitRgb = 0xD55E00;
constexpr std::uint32_t kOverLimitRgb = 0xF7D9C4;

constexpr const char* kCumulativeLegend = "Cumulative twist";
constexpr const char* kIntervalLegend = "Twist per interval";
constexpr const char* kLimitLegend = "Limit \xC2\xB1";
constexpr const char* kOverLimitLegend = "Over the limit";
constexpr const char* kLargestLabel = "Largest ";
constexpr const char* kIntervalTitle = "Twist per interval (degrees)";
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

// A picture counts 96 units an inch unless its caller says otherwise.
constexpr double kUnitsPerPoint = 96.0 / 72.0;
// The room a marker needs beyond the data at a value axis's end, in text
// sizes (its radius, the frame and a little air), and at most, as a share of
// the span; the room beyond the deepest station, as a share of the depth.
constexpr double kMarkerRoom = 0.6;
constexpr double kLineRoom = 0.15;
// The markers' radius, in text sizes; stations closer than this many radii
// get none.
constexpr double kMarkerRadius = 0.26;
constexpr double kMarkersApart = 3.5;
constexpr double kMostRoom = 0.1;
constexpr double kDepthRoom = 0.02;
// A limit this many times the largest twist or less widens the interval
// axis to show it; a larger one would squeeze the twists into a line.
constexpr double kLimitReach = 2.0;
// Dashes of the limit lines and the gaps between them, in text sizes.
constexpr double kDash = 0.5;
constexpr double kDashGap = 0.35;
// Decimals a twist or depth of a mark shows at most.
constexpr int kMarkDecimals = 3;

// Every length of the picture follows the text size: the caller's, or that
// of a picture of the size.
double TextSizeFor(const ChartRect& rect, double dTextSize) {
    return dTextSize > 0.0 ? dTextSize : CTwistChart::PictureTextSize(rect, kUnitsPerPoint);
}

// A value as a mark shows it: up to three decimals, no trailing zeros, no
// sign on a zero.
std::string MarkNumber(double dValue) {
    std::string strText;
    AppendFixed(strText, dValue, kMarkDecimals);
    while (strText.back() == '0') {
        strText.pop_back();
    }
    if (strText.back() == '.') {
        strText.pop_back();
    }
    return strText == "-0" ? std::string("0") : strText;
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

// Bounds an axis can be drawn over: finite, in order, far enough apart.
void UsableBounds(double& dLow, double& dHigh) {
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
// dRoom is the room the series needs at the track's ends, in units.
TwistAxis FitHorizontal(double dLow, double dHigh, double dWidth, double dRoom,
                        const ChartFont& font, const IChartTextMetrics& metrics) {
    const double dSpace = metrics.LineHeight(font);
    for (int nTicks = std::clamp(static_cast<int>(dWidth / (2.5 * dSpace)), 1, kMaxHorizontalTicks);
         ; --nTicks) {
        const TwistAxis axis = CTwistChart::ValueAxis(dLow, dHigh, nTicks, dRoom / dWidth);
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

// The values a value axis holds (it adds the 0); 0 to 0 without stations.
struct ValueRange {
    double dLow = 0.0;
    double dHigh = 0.0;
};

// The sums of the stations (the 0 at the top is no marker of its own).
ValueRange CumulativeRange(const CTwistProfile& profile) {
    ValueRange range;
    if (!profile.m_stations.empty()) {
        range.dLow = range.dHigh = profile.m_stations.front().dCumulative;
    }
    for (const TwistStation& station : profile.m_stations) {
        range.dLow = std::min(range.dLow, station.dCumulative);
        range.dHigh = std::max(range.dHigh, station.dCumulative);
    }
    return range;
}

// The twists, and a limit either way that is near enough to show with them.
ValueRange IntervalRange(const CTwistProfile& profile, std::optional<double> limit) {
    ValueRange range{profile.m_dMinTwist, profile.m_dMaxTwist};
    const double dLargest = std::max(std::fabs(range.dLow), std::fabs(range.dHigh));
    if (limit && *limit > 0.0 && *limit <= kLimitReach * dLargest) {
        range.dLow = std::min(range.dLow, -*limit);
        range.dHigh = std::max(range.dHigh, *limit);
    }
    return range;
}

// An axis title runs on to a second line at most.
constexpr int kMostAxisTitleLines = 3;

// The width an axis title may take under its track: into the gap beside.
double AxisTitleWidth(const TwistChartLayout& layout, const ChartRect& track) {
    // A title centred under its track may reach into the gap between the
    // tracks, but on the right no further than the picture's margin.
    const double dSide = std::min(0.4 * (layout.rectInterval.x - layout.rectCumulative.Right()),
                                  std::max(0.0, layout.rectTitle.Right() - track.Right()));
    return track.w + 2.0 * dSide;
}

// The legend's lengths: a sample, and the gap between two entries.
double LegendSample(double px) {
    return 2.4 * px;
}

double LegendGap(double px) {
    return 2.0 * px;
}

// The width of the limit's lines and of the frame round the largest twist.
double LimitWidth(double px) {
    return std::max(1.0, 0.12 * px);
}

// The first entry of each row, the entries of nWidths filling rows of
// dWidth one after the other; a row holds at least one.
std::vector<size_t> LegendRows(const std::vector<double>& widths, double dWidth, double px) {
    std::vector<size_t> rows = {0};
    double dRow = 0.0;
    for (size_t i = 0; i < widths.size(); ++i) {
        const double dMore = (i == rows.back() ? 0.0 : LegendGap(px)) + widths[i];
        if (i > rows.back() && dRow + dMore > dWidth) {
            rows.push_back(i);
            dRow = widths[i];
        } else {
            dRow += dMore;
        }
    }
    return rows;
}

struct SeriesStyle {
    std::uint32_t nColour;
    double dWidth;
    ChartMarker nMarker;
};

} // namespace

// What the parts of one drawing share: the place, the fonts, the layout and
// the steps so far.
struct CTwistChart::Painting : CChartDrawing {
    const ChartRect& rect;
    const IChartTextMetrics& metrics;
    TwistChartLayout layout;
    ChartFont base;
    ChartFont title;
    double px;    // the text size, the unit of every length
    double dLine; // a line of label text
    double dTick; // the length of a tick
    SeriesStyle cumulative;
    SeriesStyle interval;
    double dMarker; // the markers' radius
    bool bMarkers;  // stations lie far enough apart for a marker each

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
};

// An entry of the legend: a sample of what it names, and the name.
struct CTwistChart::LegendItem {
    enum Sample { cumulative, interval, largest, limit, overLimit };
    Sample nSample;
    std::string strText;
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
    TwistAxis axis = TickAxis(dLow, dHigh, nMaxTicks);
    UsableBounds(dLow, dHigh); // as TickAxis took them
    const double dSpan = dHigh - dLow;
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
    return axis;
}

TwistAxis CTwistChart::ValueAxis(double dLowest, double dHighest, int nMaxTicks,
                                 double dRoomShare) {
    if (!std::isfinite(dLowest) || !std::isfinite(dHighest)) {
        return TickAxis(dLowest, dHighest, nMaxTicks);
    }
    const double dLow = std::min(0.0, dLowest);
    const double dHigh = std::max(0.0, dHighest);
    const double dRoom = std::clamp(dRoomShare, 0.0, kMostRoom) * (dHigh - dLow);
    // A value end moves out; an end that is only the 0 the axis holds stays.
    return TickAxis(std::min(dLow, dLowest - dRoom), std::max(dHigh, dHighest + dRoom), nMaxTicks);
}

double CTwistChart::PictureTextSize(const ChartRect& rect, double dUnitsPerPoint) {
    if (!(dUnitsPerPoint > 0.0)) {
        dUnitsPerPoint = kUnitsPerPoint;
    }
    return CPictureSize::TextPoints(rect.w / dUnitsPerPoint, rect.h / dUnitsPerPoint) *
           dUnitsPerPoint;
}

TwistAxis CTwistChart::TickAxis(double dLow, double dHigh, int nMaxTicks) {
    UsableBounds(dLow, dHigh);
    nMaxTicks = std::max(1, nMaxTicks);
    const double dSpan = dHigh - dLow;
    const int nDecade = DecadeOf(dSpan / nMaxTicks);
    const double dMagnitude = PowerOfTen(nDecade);
    // The smallest step that fits; where none does (one step asked of
    // values either side of 0), the smallest of the fewest steps.
    TwistAxis axis;
    int nStepDecade = nDecade;
    long nFewest = -1;
    for (double dFactor : {1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0}) {
        TwistAxis tried;
        tried.dStep = dFactor * dMagnitude;
        tried.dMin = std::floor(dLow / tried.dStep + kFuzz) * tried.dStep;
        tried.dMax = std::ceil(dHigh / tried.dStep - kFuzz) * tried.dStep;
        const long nSteps = std::lround((tried.dMax - tried.dMin) / tried.dStep);
        if (nFewest < 0 || nSteps < nFewest) {
            nFewest = nSteps;
            axis = tried;
            nStepDecade = nDecade + (dFactor >= 100.0 ? 2 : dFactor >= 10.0 ? 1 : 0);
        }
        if (nSteps <= nMaxTicks) {
            break;
        }
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

TwistChartLayout CTwistChart::Layout(const ChartRect& rect, const IChartTextMetrics& metrics,
                                     double dTextSize) const {
    TwistChartLayout layout;
    const double px = TextSizeFor(rect, dTextSize);
    const ChartFont base{px, false};
    const ChartFont title{std::round(px * 1.25), true};
    const double dLine = metrics.LineHeight(base);
    layout.dTextPixels = px;
    const double dTitleWidth = rect.w - 2 * px;
    layout.nLegendRows = static_cast<int>(
        LegendRows(LegendWidths(LegendItems(), base, metrics, px), dTitleWidth, px).size());
    layout.rectTitle = ChartRect{rect.x + px, rect.y + 0.6 * px, dTitleWidth,
                                 metrics.LineHeight(title) + 0.3 * px + layout.nLegendRows * dLine};
    // An axis title too wide for its track goes on two lines, or three.
    PlaceTracks(layout, rect, metrics);
    for (const auto& [pTrack, pszTitle] : {std::pair{&layout.rectCumulative, kChartCumulativeTitle},
                                           {&layout.rectInterval, kIntervalTitle}}) {
        const int nLines =
            static_cast<int>(Wrap(pszTitle, AxisTitleWidth(layout, *pTrack), base, metrics).size());
        layout.nAxisTitleLines =
            std::max(layout.nAxisTitleLines, std::min(nLines, kMostAxisTitleLines));
    }
    if (layout.nAxisTitleLines > 1) {
        PlaceTracks(layout, rect, metrics);
    }
    return layout;
}

void CTwistChart::PlaceTracks(TwistChartLayout& layout, const ChartRect& rect,
                              const IChartTextMetrics& metrics) const {
    const double px = layout.dTextPixels;
    const ChartFont base{px, false};
    const double dLine = metrics.LineHeight(base);
    const double dTick = 0.4 * px;
    // Room above the tracks for half the top depth label, below them for the
    // tick labels and the axis titles.
    const double dTop = layout.rectTitle.Bottom() + 1.2 * px;
    const double dBottom =
        rect.Bottom() -
        (dTick + 0.2 * px + (1 + layout.nAxisTitleLines) * dLine + 0.3 * px + 0.6 * px);
    const double dHeight = std::max(1.0, dBottom - dTop);

    // The deepest station a little above the bottom frame.
    const CTwistProfile& p = m_profile;
    const double dDeepest = p.m_dDeepest > 0.0 ? p.m_dDeepest * (1.0 + kDepthRoom) : 1.0;
    layout.depthAxis = FitVertical(0.0, dDeepest, dHeight, dLine);

    const double dLeft = rect.x + 0.6 * px + dLine + 0.5 * px +
                         WidestTick(layout.depthAxis, base, metrics) + dTick + 0.2 * px;
    const ValueRange cum = CumulativeRange(p);
    const ValueRange twist = IntervalRange(p, m_marks.limit);

    // A series with markers needs room for them at the ends, a line only
    // for its width.
    const double dStations = static_cast<double>(p.m_stations.size());
    const bool bMarkers =
        dStations < 2 || dHeight / (dStations - 1) >= kMarkersApart * kMarkerRadius * px;
    const double dRoom = (bMarkers ? kMarkerRoom : kLineRoom) * px;

    // Twice: the gap between the tracks and the right margin make room for
    // the outer tick labels, whose widths depend on the ticks chosen.
    double dGap = 4.0 * px;
    double dRight = rect.Right() - px;
    for (int nPass = 0; nPass < 2; ++nPass) {
        const double dBoth = std::max(2.0, dRight - dLeft - dGap);
        const double dCumWidth = dBoth * kCumulativeShare;
        layout.rectCumulative = ChartRect{dLeft, dTop, dCumWidth, dHeight};
        layout.rectInterval = ChartRect{dLeft + dCumWidth + dGap, dTop, dBoth - dCumWidth, dHeight};
        layout.cumulativeAxis = FitHorizontal(cum.dLow, cum.dHigh, dCumWidth, dRoom, base, metrics);
        layout.intervalAxis =
            FitHorizontal(twist.dLow, twist.dHigh, dBoth - dCumWidth, dRoom, base, metrics);

        const TwistAxis& cumAxis = layout.cumulativeAxis;
        const TwistAxis& twistAxis = layout.intervalAxis;
        const double dCumLast =
            metrics.Advance(TickText(cumAxis, std::max(0, TickCount(cumAxis) - 1)), base);
        const double dTwistFirst = metrics.Advance(TickText(twistAxis, 0), base);
        const double dTwistLast =
            metrics.Advance(TickText(twistAxis, std::max(0, TickCount(twistAxis) - 1)), base);
        dGap = std::max(3.0 * px, (dCumLast + dTwistFirst) / 2 + 2.0 * px);
        dRight = rect.Right() - std::max(px, dTwistLast / 2 + 0.5 * px);
    }
}

ChartSteps CTwistChart::Steps(const ChartRect& rect, const IChartTextMetrics& metrics,
                              double dPixelRatio, double dTextSize) const {
    const double px = TextSizeFor(rect, dTextSize);
    Painting paint{{dPixelRatio, {}},
                   rect,
                   metrics,
                   Layout(rect, metrics, px),
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
                   kMarkerRadius * px,
                   false};
    paint.AddRect(ChartStepKind::fill, kChartBackgroundRgb, rect);
    AddTitleAndLegend(paint);
    const bool bSeries = m_profile.m_nStatus == profileReady && !m_profile.m_stations.empty();
    if (bSeries) {
        AddLimitBands(paint);
    }
    AddTrack(paint, paint.layout.rectCumulative, paint.layout.cumulativeAxis,
             kChartCumulativeTitle);
    AddTrack(paint, paint.layout.rectInterval, paint.layout.intervalAxis, kIntervalTitle);
    AddDepthAxis(paint);

    if (!bSeries) {
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
        AddMarks(paint);
    }
    return std::move(paint.steps);
}

std::vector<CTwistChart::LegendItem> CTwistChart::LegendItems() const {
    std::vector<LegendItem> items = {{LegendItem::cumulative, kCumulativeLegend},
                                     {LegendItem::interval, kIntervalLegend}};
    if (m_marks.largest) {
        std::string strText = kLargestLabel + MarkNumber(m_marks.largest->dTwist) +
                              kChartDegreeSign + " at " + MarkNumber(m_marks.largest->dDepth);
        const std::string strUnit = Trimmed(m_profile.m_strDepthUnits.str());
        if (!strUnit.empty()) {
            strText += " " + strUnit;
        }
        items.push_back({LegendItem::largest, strText});
    }
    if (m_marks.limit) {
        items.push_back(
            {LegendItem::limit, kLimitLegend + MarkNumber(*m_marks.limit) + kChartDegreeSign});
        if (!m_marks.overLimit.empty()) {
            items.push_back({LegendItem::overLimit, kOverLimitLegend});
        }
    }
    return items;
}

std::vector<double> CTwistChart::LegendWidths(const std::vector<LegendItem>& items,
                                              const ChartFont& font,
                                              const IChartTextMetrics& metrics, double px) {
    std::vector<double> widths;
    for (const LegendItem& item : items) {
        widths.push_back(LegendSample(px) + 0.5 * px + metrics.Advance(item.strText, font));
    }
    return widths;
}

void CTwistChart::AddTitleAndLegend(Painting& paint) const {
    const ChartRect& title = paint.layout.rectTitle;
    const double px = paint.px;
    const double dTitleLine = paint.metrics.LineHeight(paint.title);
    paint.AddText(Elide(Title(), title.w, paint.title, paint.metrics),
                  ChartPoint{title.CentreX(), title.y + dTitleLine / 2}, paint.title,
                  ChartAnchor::centre);

    // The legend under the title: a sample of each thing drawn and its name,
    // in rows as wide as the title, each row centred.
    const std::vector<LegendItem> items = LegendItems();
    const std::vector<double> widths = LegendWidths(items, paint.base, paint.metrics, px);
    const std::vector<size_t> rows = LegendRows(widths, title.w, px);
    for (size_t nRow = 0; nRow < rows.size(); ++nRow) {
        const size_t nEnd = nRow + 1 < rows.size() ? rows[nRow + 1] : items.size();
        double dRowWidth = -LegendGap(px);
        for (size_t i = rows[nRow]; i < nEnd; ++i) {
            dRowWidth += widths[i] + LegendGap(px);
        }
        double x = title.CentreX() - dRowWidth / 2;
        const double y =
            title.y + dTitleLine + 0.3 * px + (static_cast<double>(nRow) + 0.5) * paint.dLine;
        for (size_t i = rows[nRow]; i < nEnd; ++i) {
            AddLegendSample(paint, items[i].nSample, ChartPoint{x, y});
            const double dText = x + LegendSample(px) + 0.5 * px;
            paint.AddText(Elide(items[i].strText, title.Right() - dText, paint.base, paint.metrics),
                          ChartPoint{dText, y}, paint.base, ChartAnchor::left);
            x += widths[i] + LegendGap(px);
        }
    }
}

void CTwistChart::AddLegendSample(Painting& paint, int nSample, ChartPoint at) const {
    const double px = paint.px;
    const double dSample = LegendSample(px);
    const ChartPoint middle{at.x + dSample / 2, at.y};
    const double r = paint.dMarker;
    switch (nSample) {
    case LegendItem::cumulative:
    case LegendItem::interval: {
        const SeriesStyle& style =
            nSample == LegendItem::cumulative ? paint.cumulative : paint.interval;
        paint.AddPolyline(style, {at, ChartPoint{at.x + dSample, at.y}}, true);
        paint.AddMarkers(style, {middle});
        break;
    }
    case LegendItem::largest:
        paint.AddMarkers(paint.interval, {middle});
        paint.AddRect(ChartStepKind::frame, kChartTextRgb,
                      ChartRect{middle.x - 2.2 * r, middle.y - 2.2 * r, 4.4 * r, 4.4 * r},
                      LimitWidth(px));
        break;
    case LegendItem::limit:
        paint.AddDashes(kLimitRgb, LimitWidth(px), at, ChartPoint{at.x + dSample, at.y}, kDash * px,
                        kDashGap * px);
        break;
    case LegendItem::overLimit:
        paint.AddRect(ChartStepKind::fill, kOverLimitRgb,
                      ChartRect{at.x, at.y - 0.4 * paint.dLine, dSample, 0.8 * paint.dLine});
        paint.AddMarkers(SeriesStyle{kLimitRgb, 1.0, ChartMarker::square}, {middle});
        break;
    }
}

void CTwistChart::AddTrack(Painting& paint, const ChartRect& track, const TwistAxis& axis,
                           const char* pszTitle) const {
    const TwistAxis& depth = paint.layout.depthAxis;
    const double px = paint.px;
    // The grid, then the zero line and the frame over it.
    for (int i = 0; i < TickCount(depth); ++i) {
        const double y = ChartMapY(depth, track, TickValue(depth, i));
        paint.AddLine(kChartGridRgb, 1.0, ChartPoint{track.x, y}, ChartPoint{track.Right(), y});
    }
    for (int i = 0; i < TickCount(axis); ++i) {
        const double x = ChartMapX(axis, track, TickValue(axis, i));
        paint.AddLine(kChartGridRgb, 1.0, ChartPoint{x, track.y}, ChartPoint{x, track.Bottom()});
    }
    if (axis.dMin <= 0.0 && axis.dMax >= 0.0) {
        const double x = ChartMapX(axis, track, 0.0);
        paint.AddLine(kChartZeroRgb, std::max(1.0, 0.08 * px), ChartPoint{x, track.y},
                      ChartPoint{x, track.Bottom()});
    }
    paint.AddRect(ChartStepKind::frame, kChartFrameRgb, track);

    // Ticks and their labels below the track, then the track's title.
    const double dLabels = track.Bottom() + paint.dTick + 0.2 * px + paint.dLine / 2;
    for (int i = 0; i < TickCount(axis); ++i) {
        const double x = ChartMapX(axis, track, TickValue(axis, i));
        paint.AddLine(kChartFrameRgb, 1.0, ChartPoint{x, track.Bottom()},
                      ChartPoint{x, track.Bottom() + paint.dTick});
        paint.AddText(TickText(axis, i), ChartPoint{x, dLabels}, paint.base, ChartAnchor::centre);
    }
    const double dTitleWidth = AxisTitleWidth(paint.layout, track);
    std::vector<std::string> lines = Wrap(pszTitle, dTitleWidth, paint.base, paint.metrics);
    const size_t nLines = static_cast<size_t>(paint.layout.nAxisTitleLines);
    while (lines.size() > nLines) {
        // What does not fit the lines there are runs on in the last, cut.
        lines[lines.size() - 2] += " " + lines.back();
        lines.pop_back();
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        paint.AddText(Elide(lines[i], dTitleWidth, paint.base, paint.metrics),
                      ChartPoint{track.CentreX(),
                                 dLabels + 0.3 * px + static_cast<double>(i + 1) * paint.dLine},
                      paint.base, ChartAnchor::centre);
    }
}

void CTwistChart::AddDepthAxis(Painting& paint) const {
    const ChartRect& track = paint.layout.rectCumulative;
    const TwistAxis& depth = paint.layout.depthAxis;
    const double px = paint.px;
    for (int i = 0; i < TickCount(depth); ++i) {
        const double y = ChartMapY(depth, track, TickValue(depth, i));
        paint.AddLine(kChartFrameRgb, 1.0, ChartPoint{track.x - paint.dTick, y},
                      ChartPoint{track.x, y});
        paint.AddText(TickText(depth, i), ChartPoint{track.x - paint.dTick - 0.2 * px, y},
                      paint.base, ChartAnchor::right);
    }
    std::string strDepth = kChartDepthTitle;
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
    cumulative.push_back(
        ChartPoint{ChartMapX(l.cumulativeAxis, l.rectCumulative, 0.0),
                   ChartMapY(l.depthAxis, l.rectCumulative, m_profile.m_dTopDepth)});
    for (const TwistStation& station : stations) {
        cumulative.push_back(
            ChartPoint{ChartMapX(l.cumulativeAxis, l.rectCumulative, station.dCumulative),
                       ChartMapY(l.depthAxis, l.rectCumulative, station.dDepth)});
        twist.push_back(ChartPoint{ChartMapX(l.intervalAxis, l.rectInterval, station.dTwist),
                                   ChartMapY(l.depthAxis, l.rectInterval, station.dDepth)});
    }

    // Markers only where stations lie well apart.
    const double dSpacing = stations.size() < 2 ? l.rectCumulative.h
                                                : (twist.back().y - twist.front().y) /
                                                      static_cast<double>(stations.size() - 1);
    const bool bMarkers = dSpacing >= kMarkersApart * paint.dMarker;
    paint.bMarkers = bMarkers;
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

namespace {

// Where the interval ending at a station starts: the station above it, or
// the top of the sum.
double IntervalTop(const CTwistProfile& profile, double dDepth) {
    const auto& stations = profile.m_stations;
    const auto at =
        std::lower_bound(stations.begin(), stations.end(), dDepth,
                         [](const TwistStation& station, double d) { return station.dDepth < d; });
    return at == stations.begin() ? profile.m_dTopDepth : std::prev(at)->dDepth;
}

} // namespace

void CTwistChart::AddLimitBands(Painting& paint) const {
    if (!m_marks.limit) {
        return;
    }
    const TwistChartLayout& l = paint.layout;
    const ChartRect& track = l.rectInterval;
    // Each interval over the limit as a tinted band across the track, at
    // least a sliver high however many intervals the track holds. Bands that
    // meet are one: a long survey draws no more bands than the track has rows.
    const double dLeast = std::max(2.0, 0.15 * paint.px);
    std::vector<ChartRect> bands;
    for (const TwistStation& station : m_marks.overLimit) {
        const double dTop = ChartMapY(l.depthAxis, track, IntervalTop(m_profile, station.dDepth));
        const double dBottom = ChartMapY(l.depthAxis, track, station.dDepth);
        const double dMiddle = (dTop + dBottom) / 2;
        const double dHalf = std::max(dLeast, dBottom - dTop) / 2;
        const double y = std::max(track.y, dMiddle - dHalf);
        const double dEnd = std::min(track.Bottom(), dMiddle + dHalf);
        if (dEnd <= y) {
            continue;
        }
        if (!bands.empty() && y <= bands.back().Bottom()) {
            bands.back().h = std::max(bands.back().h, dEnd - bands.back().y);
        } else {
            bands.push_back(ChartRect{track.x, y, track.w, dEnd - y});
        }
    }
    for (const ChartRect& band : bands) {
        paint.AddRect(ChartStepKind::fill, kOverLimitRgb, band);
    }
}

void CTwistChart::AddMarks(Painting& paint) const {
    const TwistChartLayout& l = paint.layout;
    const ChartRect& track = l.rectInterval;
    const TwistAxis& axis = l.intervalAxis;
    if (m_marks.limit) {
        // The limit either way, dashed, where the axis reaches it.
        for (const double dAt : {-*m_marks.limit, *m_marks.limit}) {
            if (dAt >= axis.dMin && dAt <= axis.dMax) {
                const double x = ChartMapX(axis, track, dAt);
                paint.AddDashes(kLimitRgb, LimitWidth(paint.px), ChartPoint{x, track.y},
                                ChartPoint{x, track.Bottom()}, kDash * paint.px,
                                kDashGap * paint.px);
            }
        }
        // The stations over it, where stations have markers at all.
        std::vector<ChartPoint> over;
        for (const TwistStation& station : m_marks.overLimit) {
            over.push_back(ChartPoint{ChartMapX(axis, track, station.dTwist),
                                      ChartMapY(l.depthAxis, track, station.dDepth)});
        }
        if (paint.bMarkers && !over.empty()) {
            paint.AddMarkers(SeriesStyle{kLimitRgb, 1.0, ChartMarker::square}, std::move(over));
        }
    }
    if (m_marks.largest) {
        // A frame round the largest twist of one interval.
        const double r = 2.2 * paint.dMarker;
        const ChartPoint at{ChartMapX(axis, track, m_marks.largest->dTwist),
                            ChartMapY(l.depthAxis, track, m_marks.largest->dDepth)};
        paint.AddRect(ChartStepKind::frame, kChartTextRgb,
                      ChartRect{at.x - r, at.y - r, 2 * r, 2 * r}, LimitWidth(paint.px));
    }
}
