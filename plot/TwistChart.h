// The twist profile drawn as a borehole log: depth down the left side, a
// wide track with the cumulative twist and a narrow one with the twist of
// each interval, under a title with the borehole and the reading date and a
// legend. The chart does the whole layout in plain C++: it measures text
// through the painter's metrics and hands back the drawing steps, so that the
// window, the picture files and every system draw the same picture.
#pragma once

#include "plot/ChartSteps.h"
#include "plot/PictureSize.h"
#include "survey/TwistProfile.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// An axis at round numbers from dMin to dMax with ticks at the multiples of
// dStep, the step 1, 2 or 5 times a power of ten.
struct TwistAxis {
    double dMin = 0.0;
    double dMax = 1.0;
    double dStep = 1.0;
    int nDecimals = 0; // decimals the tick labels need
};

// What the chart marks besides the series, as the caller judged the survey:
// the interval of largest twist and, with a limit, the limit either way and
// the intervals twisting more.
struct TwistMarks {
    std::optional<TwistStation> largest;
    std::optional<double> limit; // degrees, at least 0
    std::vector<TwistStation> overLimit;
};

// Where the parts of the picture go in a rectangle.
struct TwistChartLayout {
    double dTextPixels = 12.0; // the size of the labels; the title's is larger
    ChartRect rectTitle;       // the title and the legend
    int nLegendRows = 1;       // the legend's rows under the title
    int nAxisTitleLines = 1;   // the lines of the titles under the tracks
    ChartRect rectCumulative;  // the cumulative twist track
    ChartRect rectInterval;    // the twist-per-interval track
    TwistAxis depthAxis;       // shared by both tracks, dMin at the top
    TwistAxis cumulativeAxis;
    TwistAxis intervalAxis;
};

class CTwistChart {
public:
    static constexpr int kDefaultWidth = 1200;
    static constexpr int kDefaultHeight = 900;
    // Larger pictures are refused rather than risk an image of gigabytes.
    static constexpr int kMaxSide = CPictureSize::kMaxSide;

    // strName (UTF-8) goes in the title when the survey names no borehole;
    // the caller passes the file name.
    explicit CTwistChart(CTwistProfile profile, std::string strName = std::string());

    const CTwistProfile& Profile() const { return m_profile; }
    // "B12 - 02/12/2010 20:28": the borehole (or the name given) and the date.
    std::string Title() const;

    const TwistMarks& Marks() const { return m_marks; }
    void SetMarks(TwistMarks marks) { m_marks = std::move(marks); }

    // dTextSize is the size of the labels in the units of rect: a window
    // passes its interface font's. 0 takes that of a picture of rect at 96
    // units an inch (PictureTextSize).
    TwistChartLayout Layout(const ChartRect& rect, const IChartTextMetrics& metrics,
                            double dTextSize = 0.0) const;

    // The whole picture, background included, in rect. dPixelRatio is the
    // device pixels a unit of rect covers on a screen or image: a series then
    // keeps only the points that change a pixel row, and lines lie on whole
    // pixels. Vector output passes 0 and gets every station.
    ChartSteps Steps(const ChartRect& rect, const IChartTextMetrics& metrics, double dPixelRatio,
                     double dTextSize = 0.0) const;

    // The label size of a picture of rect, in its units, which count
    // dUnitsPerPoint a point (CPictureSize::TextPoints).
    static double PictureTextSize(const ChartRect& rect, double dUnitsPerPoint);

    // Round-number ticks covering dLow to dHigh in at most nMaxTicks steps
    // (at least 1). The axis ends on ticks, except where that would leave
    // more than a tenth of it empty: that end stops at the next fifth of a
    // step. An empty span is widened around its value; bounds that are not
    // finite give 0 to 1.
    static TwistAxis NiceAxis(double dLow, double dHigh, int nMaxTicks);
    // The same ticks, the axis ending on them at both ends, so that both
    // ends are labelled.
    static TwistAxis TickAxis(double dLow, double dHigh, int nMaxTicks);
    // A value axis of a track: from 0 or the lowest value to 0 or the highest,
    // the ends on labelled ticks, and an end the values come within
    // dRoomShare of the span of moved out by that much, so that no marker
    // sits on the frame.
    static TwistAxis ValueAxis(double dLowest, double dHighest, int nMaxTicks, double dRoomShare);
    static int TickCount(const TwistAxis& axis);
    static double TickValue(const TwistAxis& axis, int i);
    static std::string TickText(const TwistAxis& axis, int i);

    // Of each run of consecutive points in one pixel row (rows dPixelRatio
    // to a unit), the first, the leftmost, the rightmost and the last: the
    // line covers the same pixels with at most four points a row.
    static std::vector<ChartPoint> KeepPixelRows(const std::vector<ChartPoint>& points,
                                                 double dPixelRatio);

    // The text, cut at its end with "..." as one character where it is wider
    // than dWidth; the lines of a text broken at spaces to fit dWidth.
    static std::string Elide(const std::string& strText, double dWidth, const ChartFont& font,
                             const IChartTextMetrics& metrics);
    static std::vector<std::string> Wrap(const std::string& strText, double dWidth,
                                         const ChartFont& font, const IChartTextMetrics& metrics);

private:
    struct Painting;
    struct LegendItem;
    std::vector<LegendItem> LegendItems() const;
    static std::vector<double> LegendWidths(const std::vector<LegendItem>& items,
                                            const ChartFont& font, const IChartTextMetrics& metrics,
                                            double px);
    void PlaceTracks(TwistChartLayout& layout, const ChartRect& rect,
                     const IChartTextMetrics& metrics) const;
    void AddTitleAndLegend(Painting& paint) const;
    void AddLegendSample(Painting& paint, int nSample, ChartPoint at) const;
    void AddLimitBands(Painting& paint) const;
    void AddMarks(Painting& paint) const;
    void AddTrack(Painting& paint, const ChartRect& track, const TwistAxis& axis,
                  const char* pszTitle) const;
    void AddDepthAxis(Painting& paint) const;
    void AddSeries(Painting& paint) const;

    CTwistProfile m_profile;
    std::string m_strName;
    TwistMarks m_marks;
};
