// The chart's layout and steps, measured with the fixed text table, so that
// Linux and Windows must get exactly the same numbers.
#include "plot/FixedTextMetrics.h"
#include "plot/SvgChartPainter.h"
#include "plot/TwistChart.h"
#include "survey/PlotDataObj.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

CTwistProfile ProfileOf(const std::vector<double>& twist, double interval = 2.0) {
    CPlotDataObj data;
    data.m_nFileType = 1;
    data.m_dBottomDepth = interval * static_cast<double>(twist.size());
    data.m_dInterval = interval;
    data.m_strBorehole = "B12";
    data.m_strDepthUnits = "feet";
    data.AllocateGrid();
    for (double value : twist) {
        data.AddReading(value, 0.0, 0.0, 0.0);
    }
    return CTwistProfile::FromSurvey(data);
}

bool Inside(const ChartRect& inner, const ChartRect& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.Right() <= outer.Right() + 1e-9 &&
           inner.Bottom() <= outer.Bottom() + 1e-9;
}

std::vector<const ChartStep*> StepsOf(const ChartSteps& steps, ChartStepKind kind) {
    std::vector<const ChartStep*> found;
    for (const ChartStep& step : steps) {
        if (step.nKind == kind) {
            found.push_back(&step);
        }
    }
    return found;
}

const CFixedTextMetrics kMetrics;

} // namespace

TEST(TwistChart, NiceAxisTicksAtRoundNumbers) {
    struct {
        double low, high;
        int ticks;
        double min, max, step;
        int decimals;
    } cases[] = {
        {0, 7.4, 8, 0, 8, 1, 0},
        {-0.3, 0.4, 7, -0.3, 0.4, 0.1, 1},
        {-12.5, 3, 4, -13, 3, 5, 0},
        {-0.6, 500, 6, -20, 500, 100, 0},
        {0, 0, 4, -1, 1, 0.5, 1},
        {5, 5, 4, 2, 8, 2, 0},
        {NAN, 3, 5, 0, 1, 0.2, 1},
        {3, 1, 0, 0, 5, 5, 0},
        {0, 1000, 10, 0, 1000, 100, 0}, // an exact power of ten
        {0, 0.001, 10, 0, 0.001, 0.0001, 4},
        {-1e308, 1e308, 2, -1e300, 1e300, 1e300, 0},
    };
    for (const auto& c : cases) {
        const TwistAxis axis = CTwistChart::NiceAxis(c.low, c.high, c.ticks);
        const double near = 1e-9 * std::max(1e-3, c.max - c.min);
        EXPECT_NEAR(axis.dMin, c.min, near) << c.low << " " << c.high;
        EXPECT_NEAR(axis.dMax, c.max, near) << c.low << " " << c.high;
        EXPECT_NEAR(axis.dStep, c.step, near) << c.low << " " << c.high;
        EXPECT_EQ(axis.nDecimals, c.decimals) << c.low << " " << c.high;
    }
}

TEST(TwistChart, TickAxisEndsOnTicks) {
    struct {
        double low, high;
        int ticks;
        double min, max, step;
    } cases[] = {
        {0, 7.4, 8, 0, 8, 1},
        {-0.33, 0.41, 7, -0.4, 0.6, 0.2},
        {-0.6, 500, 6, -100, 500, 100},
        // One step asked of values either side of 0: the smallest of two.
        {-0.7, 0.6, 1, -1, 1, 1},
        {-7, 0.6, 1, -10, 10, 10},
    };
    for (const auto& c : cases) {
        const TwistAxis axis = CTwistChart::TickAxis(c.low, c.high, c.ticks);
        EXPECT_NEAR(axis.dMin, c.min, 1e-9) << c.low << " " << c.high;
        EXPECT_NEAR(axis.dMax, c.max, 1e-9) << c.low << " " << c.high;
        EXPECT_NEAR(axis.dStep, c.step, 1e-9) << c.low << " " << c.high;
    }
}

TEST(TwistChart, TickLabels) {
    struct {
        double low, high;
        int ticks;
        std::vector<std::string> labels;
    } cases[] = {
        {-0.3, 0.2, 5, {"-0.3", "-0.2", "-0.1", "0.0", "0.1", "0.2"}},
        {0, 80, 4, {"0", "20", "40", "60", "80"}},
        {-0.5, 0.7, 3, {"-0.5", "0.0", "0.5"}},
    };
    for (const auto& c : cases) {
        const TwistAxis axis = CTwistChart::NiceAxis(c.low, c.high, c.ticks);
        std::vector<std::string> labels;
        for (int i = 0; i < CTwistChart::TickCount(axis); ++i) {
            labels.push_back(CTwistChart::TickText(axis, i));
        }
        EXPECT_EQ(labels, c.labels) << c.low << " " << c.high;
    }
}

TEST(TwistChart, LayoutKeepsEveryPartInsideAndApart) {
    const CTwistChart chart(ProfileOf({0.2, -0.1, 0.4, 0.2, -0.3, 0.5}));
    for (const ChartRect rect :
         {ChartRect{0, 0, 1200, 900}, ChartRect{10, 20, 480, 400}, ChartRect{0, 0, 160, 120}}) {
        const TwistChartLayout l = chart.Layout(rect, kMetrics);
        const ChartRect& cum = l.rectCumulative;
        const ChartRect& twist = l.rectInterval;
        for (const ChartRect* part : {&l.rectTitle, &cum, &twist}) {
            EXPECT_TRUE(Inside(*part, rect)) << rect.w;
        }
        EXPECT_LE(l.rectTitle.Bottom(), cum.y) << rect.w;
        EXPECT_LT(cum.Right(), twist.x) << rect.w;
        EXPECT_EQ(cum.y, twist.y);
        EXPECT_EQ(cum.h, twist.h);
        EXPECT_NEAR(cum.w / (cum.w + twist.w), 0.68, 1e-9);
        // The axes hold the data: 0 to 6 feet, sums 0 to 0.9, twist -0.3 to 0.5.
        EXPECT_EQ(l.depthAxis.dMin, 0.0);
        EXPECT_GE(l.depthAxis.dMax, 12.0);
        EXPECT_LE(l.cumulativeAxis.dMin, 0.0);
        EXPECT_GE(l.cumulativeAxis.dMax, 0.9);
        EXPECT_LE(l.intervalAxis.dMin, -0.3);
        EXPECT_GE(l.intervalAxis.dMax, 0.5);
    }
    // A picture's text follows its size at 96 units an inch, within limits:
    // 11.25 pt at the default size, a 20th of a small one, 16 pt at most.
    EXPECT_EQ(chart.Layout(ChartRect{0, 0, 1200, 900}, kMetrics).dTextPixels, 15.0);
    EXPECT_EQ(chart.Layout(ChartRect{0, 0, 160, 120}, kMetrics).dTextPixels, 8.0);
    EXPECT_NEAR(chart.Layout(ChartRect{0, 0, 4000, 3000}, kMetrics).dTextPixels, 16 * 96 / 72.0,
                1e-9);
    // A window's text is its font's, whatever its size.
    EXPECT_EQ(chart.Layout(ChartRect{0, 0, 4000, 3000}, kMetrics, 13.0).dTextPixels, 13.0);

    // No label runs past the picture's edge, even with a window's large font
    // in a narrow plot: the narrow track's title wraps instead.
    std::vector<std::pair<ChartRect, double>> sizes = {{ChartRect{0, 0, 1200, 900}, 0.0}};
    for (double w = 240; w <= 720; w += 20) {
        sizes.push_back({ChartRect{0, 0, w, 0.95 * w}, 13.3}); // a window's plot at 10 pt
    }
    for (const auto& [rect, dText] : sizes) {
        for (const ChartStep& step : chart.Steps(rect, kMetrics, 1.0, dText)) {
            if (step.nKind != ChartStepKind::text || step.bUpright) {
                continue;
            }
            const double dWidth = kMetrics.Advance(step.strText, step.font);
            const double dLeft =
                step.points[0].x - (step.nAnchor == ChartAnchor::left     ? 0.0
                                    : step.nAnchor == ChartAnchor::centre ? dWidth / 2
                                                                          : dWidth);
            EXPECT_GE(dLeft, rect.x - 0.5) << step.strText << " " << rect.w;
            EXPECT_LE(dLeft + dWidth, rect.Right() + 0.5) << step.strText << " " << rect.w;
        }
    }
}

TEST(TwistChart, PixelRowsKeepTheLinesShape) {
    // A ragged line of 10,000 points down 500 pixel rows.
    std::vector<ChartPoint> points;
    for (int i = 0; i < 10000; ++i) {
        points.push_back(ChartPoint{100.0 + ((i * 7919) % 13), i * 0.05});
    }
    struct {
        double ratio;
        size_t most;
    } cases[] = {{1.0, 4 * 500}, {2.0, 4 * 1000}, {0.25, 4 * 125}};
    for (const auto& c : cases) {
        const std::vector<ChartPoint> kept = CTwistChart::KeepPixelRows(points, c.ratio);
        EXPECT_LE(kept.size(), c.most) << c.ratio;
        EXPECT_EQ(kept.front().y, points.front().y);
        EXPECT_EQ(kept.back().y, points.back().y);
        // Each row keeps its leftmost and rightmost point.
        const auto [low, high] = std::minmax_element(
            kept.begin(), kept.end(), [](ChartPoint a, ChartPoint b) { return a.x < b.x; });
        EXPECT_EQ(low->x, 100.0);
        EXPECT_EQ(high->x, 112.0);
    }
    // Points a row apart and fewer than four in a row are all kept.
    const std::vector<ChartPoint> sparse = {{1, 0.5}, {2, 1.5}, {3, 2.5}, {0, 2.7}};
    EXPECT_EQ(CTwistChart::KeepPixelRows(sparse, 1.0).size(), sparse.size());
}

TEST(TwistChart, StepsDropOnlyPointsThatChangeNoPixel) {
    std::vector<double> twist(20000);
    for (size_t i = 0; i < twist.size(); ++i) {
        twist[i] = static_cast<double>((i * 7919) % 13) * 0.1 - 0.6;
    }
    const CTwistChart chart(ProfileOf(twist, 0.5));
    const ChartRect rect{0, 0, 1200, 900};
    struct {
        double ratio;
        bool every; // every station (and the top) kept
        bool smooth;
        bool markers;
    } cases[] = {{0.0, true, false, false}, {1.0, false, false, false}};
    for (const auto& c : cases) {
        const ChartSteps steps = chart.Steps(rect, kMetrics, c.ratio);
        const auto lines = StepsOf(steps, ChartStepKind::polyline);
        ASSERT_EQ(lines.size(), 4u); // two in the legend, then the series
        EXPECT_EQ(lines[2]->points.size() == twist.size() + 1, c.every);
        EXPECT_EQ(lines[3]->points.size() == twist.size(), c.every);
        EXPECT_LE(lines[3]->points.size(), c.every ? twist.size() : 4 * 900u);
        EXPECT_EQ(lines[3]->bSmooth, c.smooth);
        EXPECT_EQ(StepsOf(steps, ChartStepKind::markers).size() > 2, c.markers);
    }
    // Few stations well apart: every one, and a marker at each.
    const ChartSteps few = CTwistChart(ProfileOf({1, 2, 3})).Steps(rect, kMetrics, 1.0);
    const auto markers = StepsOf(few, ChartStepKind::markers);
    ASSERT_EQ(markers.size(), 4u);
    EXPECT_EQ(markers[2]->points.size(), 3u); // the top of the sum is no station
    EXPECT_EQ(markers[3]->points.size(), 3u);
}

TEST(TwistChart, ASurveyWithoutStationsSaysWhy) {
    CTwistProfile notSpiral = ProfileOf({1.0});
    notSpiral.m_nStatus = profileNotSpiral;
    CTwistProfile noStations = ProfileOf({1.0});
    noStations.m_stations.clear();
    for (const CTwistProfile& profile : {ProfileOf({}), notSpiral, noStations}) {
        const ChartSteps steps = CTwistChart(profile).Steps({0, 0, 400, 300}, kMetrics, 1.0);
        EXPECT_EQ(StepsOf(steps, ChartStepKind::polyline).size(), 2u); // the legend's only
        std::string text;
        for (const ChartStep* step : StepsOf(steps, ChartStepKind::text)) {
            text += step->strText + " ";
        }
        const std::string why = profile.m_nStatus == profileReady
                                    ? "The survey has no measured stations."
                                    : CTwistProfile::StatusText(profile.m_nStatus);
        EXPECT_NE(text.find(why), std::string::npos) << text << "|" << why;
    }
}

TEST(TwistChart, TextCutAndWrappedToFit) {
    const ChartFont font{10.0, false};
    const std::string ellipsis = "\xE2\x80\xA6";
    struct {
        std::string text;
        double width;
        std::string elided;
    } cases[] = {
        {"Depth (feet)", 100, "Depth (feet)"},
        {"Depth (feet)", 40, "Depth" + ellipsis}, // no space before the mark
        {"Depth (feet)", 34, "Dept" + ellipsis},
        {"\xD0\xA1\xD0\xBA\xD0\xB2-1", 25, "\xD0\xA1\xD0\xBA" + ellipsis}, // never half a letter
        {"Depth", 5, ""},
    };
    for (const auto& c : cases) {
        const std::string elided = CTwistChart::Elide(c.text, c.width, font, kMetrics);
        EXPECT_EQ(elided, c.elided) << c.text << " " << c.width;
        EXPECT_LE(kMetrics.Advance(elided, font), c.width);
    }
    const std::vector<std::string> lines =
        CTwistChart::Wrap("The survey has no measured stations.", 90, font, kMetrics);
    EXPECT_EQ(lines, (std::vector<std::string>{"The survey has no", "measured stations."}));
}

TEST(TwistChart, SvgTextIsWellFormed) {
    struct {
        std::string text, xml;
    } cases[] = {
        {"B&12 <\"x\">", "B&amp;12 &lt;&quot;x&quot;&gt;"},
        {"\xD0\xA1\xD0\xBA\xD0\xB2", "\xD0\xA1\xD0\xBA\xD0\xB2"},
        {"a\xFF"
         "b\xC3",
         "a\xEF\xBF\xBD"
         "b\xEF\xBF\xBD"},                                        // not UTF-8
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}, // a surrogate
        {std::string("t\x01\x1F\x7F", 4) + "\t", "t"},            // controls
    };
    for (const auto& c : cases) {
        std::string xml;
        AppendXmlText(xml, c.text);
        EXPECT_EQ(xml, c.xml) << c.text;
    }
    const std::string svg =
        CSvgChartPainter::Picture(CTwistChart(ProfileOf({1.0, -0.5}), "x\xFF.twi"), 640, 480);
    EXPECT_EQ(svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg ", 0), 0u);
    EXPECT_NE(svg.find(" width=\"640pt\" height=\"480pt\" viewBox=\"0 0 640 480\""),
              std::string::npos);
    EXPECT_EQ(svg.find("-0\""), std::string::npos); // no negative zero
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
}

TEST(TwistChart, PictureTextFollowsThePrintedSize) {
    // Sizes in points: the default PNG (1200 x 900 px at 96 an inch) and SVG,
    // a page less its margins, a small picture and a large one.
    struct {
        double width, height;
        double points;
    } cases[] = {
        {900, 675, 11.25}, {595 - 72, 842 - 72, 9}, {612 - 72, 792 - 72, 9},
        {120, 90, 6},      {3000, 2250, 16},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(CPictureSize::TextPoints(c.width, c.height), c.points, 1e-9) << c.width;
        EXPECT_NEAR(CTwistChart::PictureTextSize(ChartRect{0, 0, c.width * 4 / 3, c.height * 4 / 3},
                                                 4.0 / 3.0),
                    c.points * 4 / 3, 1e-9)
            << c.width;
    }
    // The default SVG picture: no label under 9 points (a unit a point).
    const std::string svg = CSvgChartPainter::Picture(
        CTwistChart(ProfileOf({1.0, -0.5})), CPictureSize::kSvgWidth, CPictureSize::kSvgHeight);
    EXPECT_NE(svg.find(" width=\"900pt\" height=\"675pt\""), std::string::npos);
    size_t texts = 0;
    for (size_t at = svg.find("font-size=\""); at != std::string::npos;
         at = svg.find("font-size=\"", at + 1), ++texts) {
        EXPECT_GE(std::stod(svg.substr(at + 11)), 9.0);
    }
    EXPECT_GT(texts, 10u);
}

TEST(TwistChart, ValueAxesEndBeyondTheDataOnLabelledTicks) {
    // Twists per interval; their sums from the top.
    const std::vector<std::vector<double>> surveys = {
        {0.2, -0.1, 0.4, 0.2, -0.3, 0.5}, // extremes on ticks
        {0.5, 0.5, 0.5},                  // all one way, sums to 1.5
        {-0.7, -0.2, -1.1},               // all the other
        {0.0, 0.0, 0.3},                  // a station at 0
        {12.5, -40.0, 3.0},
    };
    const CFixedTextMetrics& metrics = kMetrics;
    for (const std::vector<double>& twist : surveys) {
        const CTwistChart chart(ProfileOf(twist));
        const ChartRect rect{0, 0, 1200, 900};
        const TwistChartLayout l = chart.Layout(rect, metrics);
        std::vector<double> sums;
        for (double value : twist) {
            sums.push_back((sums.empty() ? 0.0 : sums.back()) + value);
        }
        const auto [sumLow, sumHigh] = std::minmax_element(sums.begin(), sums.end());
        const auto [twistLow, twistHigh] = std::minmax_element(twist.begin(), twist.end());
        struct {
            const TwistAxis& axis;
            const ChartRect& track;
            double low, high;
        } axes[] = {{l.cumulativeAxis, l.rectCumulative, *sumLow, *sumHigh},
                    {l.intervalAxis, l.rectInterval, *twistLow, *twistHigh}};
        for (const auto& a : axes) {
            // A marker's radius and more between each station and the frame.
            const double room = 0.26 * l.dTextPixels * (a.axis.dMax - a.axis.dMin) / a.track.w;
            EXPECT_LE(a.axis.dMin, a.low - room) << twist[0];
            EXPECT_GE(a.axis.dMax, a.high + room) << twist[0];
            EXPECT_LE(a.axis.dMin, 0.0);
            // Both ends are ticks, and their labels are drawn.
            const int last = CTwistChart::TickCount(a.axis) - 1;
            EXPECT_NEAR(CTwistChart::TickValue(a.axis, 0), a.axis.dMin, 1e-9);
            EXPECT_NEAR(CTwistChart::TickValue(a.axis, last), a.axis.dMax, 1e-9);
            const ChartSteps steps = chart.Steps(rect, metrics, 0.0);
            for (int i : {0, last}) {
                const std::string label = CTwistChart::TickText(a.axis, i);
                EXPECT_TRUE(std::any_of(steps.begin(), steps.end(), [&](const ChartStep& s) {
                    return s.nKind == ChartStepKind::text && s.strText == label &&
                           s.points[0].y > a.track.Bottom();
                })) << label;
            }
        }
    }
}

TEST(TwistChart, MarksTheLargestIntervalAndTheLimit) {
    CTwistChart chart(ProfileOf({0.2, -0.6, 0.4, 0.7, -0.1}));
    TwistMarks marks;
    marks.largest = TwistStation{8.0, 0.7, 0.0};
    marks.limit = 0.5;
    marks.overLimit = {TwistStation{4.0, -0.6, 0.0}, TwistStation{8.0, 0.7, 0.0}};
    chart.SetMarks(marks);
    const ChartRect rect{0, 0, 1200, 900};
    const TwistChartLayout l = chart.Layout(rect, kMetrics);
    const ChartSteps steps = chart.Steps(rect, kMetrics, 0.0);
    std::string legend;
    int bands = 0, dashes = 0, frames = 0;
    for (const ChartStep& step : steps) {
        legend += step.nKind == ChartStepKind::text ? step.strText + "|" : "";
        const bool inTrack = Inside(step.rect, l.rectInterval);
        bands += step.nKind == ChartStepKind::fill && step.nColour == 0xF7D9C4 && inTrack;
        frames += step.nKind == ChartStepKind::frame && step.rect.w < 50 && inTrack;
        dashes += step.nKind == ChartStepKind::line && step.nColour == 0xD55E00 &&
                  step.points[0].y >= l.rectInterval.y;
    }
    EXPECT_NE(legend.find("|Largest 0.7\xC2\xB0 at 8 feet|Limit \xC2\xB1"
                          "0.5\xC2\xB0|Over the limit|"),
              std::string::npos)
        << legend;
    EXPECT_EQ(bands, 2);  // one an interval over the limit, 4 and 8 feet apart
    EXPECT_EQ(frames, 1); // round the largest
    EXPECT_GT(dashes, 20);
    // The limit either way lies on the interval axis.
    EXPECT_LE(l.intervalAxis.dMin, -0.5);
    EXPECT_GE(l.intervalAxis.dMax, 0.7);

    // Of 100,000 intervals half over the limit, bands that meet are one.
    std::vector<double> twist(100000);
    marks = TwistMarks();
    marks.limit = 0.5;
    for (size_t i = 0; i < twist.size(); ++i) {
        twist[i] = i % 2 == 0 ? 0.8 : 0.1;
        if (i % 2 == 0) {
            marks.overLimit.push_back(TwistStation{0.5 * double(i + 1), 0.8, 0.0});
        }
    }
    CTwistChart many(ProfileOf(twist, 0.5));
    many.SetMarks(marks);
    const ChartSteps manySteps = many.Steps(rect, kMetrics, 0.0);
    EXPECT_LT(std::count_if(manySteps.begin(), manySteps.end(),
                            [](const ChartStep& step) { return step.nColour == 0xF7D9C4; }),
              1000);
}
