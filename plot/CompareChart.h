// Repeat surveys of one casing drawn over each other: the cumulative twist of
// every survey against depth on one track, one colour each, under a title and
// a legend by reading date, with a note when the surveys reach different
// depths and only the depths all of them measured are drawn. Like the twist
// chart it does the whole layout in plain C++ and hands its painters the
// drawing steps, so that the window and the picture files draw the same.
#pragma once

#include "convert/SurveyComparison.h"
#include "plot/ChartSteps.h"
#include "plot/TwistChart.h"

#include <cstdint>
#include <string>

struct CompareChartLayout {
    double dTextPixels = 12.0;
    ChartRect rectTitle; // the title, the legend and the note
    ChartRect rectTrack; // the cumulative twist of every survey
    TwistAxis depthAxis; // dMin at the top
    TwistAxis twistAxis;
    int nLegendRows = 0;
    std::vector<std::string> noteLines;
};

class CCompareChart {
public:
    static constexpr int kDefaultWidth = CTwistChart::kDefaultWidth;
    static constexpr int kDefaultHeight = CTwistChart::kDefaultHeight;
    static constexpr int kMaxSide = CTwistChart::kMaxSide;

    explicit CCompareChart(CSurveyComparison comparison);

    const CSurveyComparison& Comparison() const { return m_comparison; }
    // "B12 - 3 surveys, 2025-03-01 to 2026-03-02": the borehole (or the
    // reference's file name) and the span of the reading dates.
    std::string Title() const;

    // The colour of the series of survey nSeries (0xRRGGBB), from the
    // Okabe-Ito set, which readers with any common colour-vision deficiency
    // tell apart; the reference is black.
    static std::uint32_t SeriesColour(size_t nSeries);

    // dTextSize is the size of the labels in the units of rect, as for the
    // twist chart: a window passes its font's, 0 takes a picture's.
    CompareChartLayout Layout(const ChartRect& rect, const IChartTextMetrics& metrics,
                              double dTextSize = 0.0) const;

    // The whole picture, background included. dPixelRatio as for the twist
    // chart: device pixels a unit, 0 for vector output.
    ChartSteps Steps(const ChartRect& rect, const IChartTextMetrics& metrics, double dPixelRatio,
                     double dTextSize = 0.0) const;

private:
    struct Painting;
    static double TextPixels(const ChartRect& rect, double dTextSize);
    int LegendRows(double dWidth, const ChartFont& base, const IChartTextMetrics& metrics) const;
    void AddTitleLegendAndNote(Painting& paint) const;
    void AddTrack(Painting& paint) const;
    void AddSeries(Painting& paint) const;
    void AddLargestDifference(Painting& paint, size_t nSeries) const;

    CSurveyComparison m_comparison;
};
