// Repeat surveys compared with the oldest: the order by reading date, the
// refusals that name the files, the depths all of them measured, and the
// largest difference of cumulative twist with its depth.
#include "TestSupport.h"
#include "convert/SurveyComparison.h"
#include "plot/CompareChart.h"
#include "plot/FixedTextMetrics.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A survey of twists per interval from the top (or from nFirst intervals
// down), read at a time of day on 1 March 2026 (in seconds after 00:00 UTC).
CompareInput Survey(const char* pszName, long long nSeconds, std::vector<double> twists,
                    double dInterval = 0.5, const char* pszUnits = "meters", int nFirst = 0) {
    CompareInput input;
    input.strName = pszName;
    input.dInterval = dInterval;
    input.profile.m_nStatus = profileReady;
    input.profile.m_strDepthUnits = pszUnits;
    input.profile.m_timeReading = CTime(1772323200LL + nSeconds);
    input.profile.m_dTopDepth = nFirst * dInterval;
    double dSum = 0.0;
    for (size_t i = 0; i < twists.size(); ++i) {
        dSum += twists[i];
        input.profile.m_stations.push_back(
            {(static_cast<double>(i) + 1 + nFirst) * dInterval, twists[i], dSum});
    }
    input.profile.m_dDeepest = input.profile.m_stations.empty()
                                   ? input.profile.m_dTopDepth
                                   : input.profile.m_stations.back().dDepth;
    return input;
}

} // namespace

TEST(SurveyComparison, OrdersByDateAndFindsTheLargestDifference) {
    struct {
        const char* what;
        std::vector<CompareInput> inputs;
        std::vector<std::string> order; // oldest first
        std::vector<std::string> lines;
        double top, bottom;
        bool depthsDiffer;
    } cases[] = {
        {"given newest first",
         {Survey("B.twi", 3600, {0.1, 0.3, 0.2}), Survey("A.twi", 0, {0.1, 0.1, 0.1}),
          Survey("C.twi", 7200, {0.1, -0.2, 0.1})},
         {"A.twi", "B.twi", "C.twi"},
         {"B.twi: largest difference from A.twi 0.3 degrees at 1.5 meters",
          "C.twi: largest difference from A.twi -0.3 degrees at 1.0 meters"},
         0.0,
         1.5,
         false},
        // Equal differences: the shallowest is named; equal dates keep the
        // order given.
        {"ties",
         {Survey("X.twi", 0, {0.0, 0.0, 0.0}), Survey("Y.twi", 0, {0.2, 0.0, -0.4})},
         {"X.twi", "Y.twi"},
         {"Y.twi: largest difference from X.twi 0.2 degrees at 0.5 meters"},
         0.0,
         1.5,
         false},
        // A shorter survey: only the depths both measured.
        {"different depths",
         {Survey("long.twi", 0, {1, 1, 1, 1}), Survey("short.twi", 60, {1, 1.5})},
         {"long.twi", "short.twi"},
         {"short.twi: largest difference from long.twi 0.5 degrees at 1.0 meters"},
         0.0,
         1.0,
         true},
        // A survey starting lower down: both summed again from there.
        {"different tops",
         {Survey("top.twi", 0, {5, 1, 1}), Survey("low.twi", 60, {1, 1.25}, 0.5, "meters", 1)},
         {"top.twi", "low.twi"},
         {"low.twi: largest difference from top.twi 0.25 degrees at 1.5 meters"},
         0.5,
         1.5,
         true},
    };
    for (auto& c : cases) {
        const CSurveyComparison comparison = CSurveyComparison::Of(c.inputs);
        ASSERT_TRUE(comparison.IsReady()) << c.what << ": " << comparison.Problem();
        ASSERT_EQ(comparison.m_series.size(), c.order.size()) << c.what;
        for (size_t i = 0; i < c.order.size(); ++i) {
            EXPECT_EQ(comparison.m_series[i].strName, c.order[i]) << c.what;
            // Every series starts at 0 at the common top.
            EXPECT_GT(comparison.m_series[i].stations.front().dDepth, c.top) << c.what;
        }
        EXPECT_EQ(comparison.DifferenceLines(), c.lines) << c.what;
        EXPECT_DOUBLE_EQ(comparison.m_dCommonTop, c.top) << c.what;
        EXPECT_DOUBLE_EQ(comparison.m_dCommonBottom, c.bottom) << c.what;
        EXPECT_EQ(comparison.DepthsDiffer(), c.depthsDiffer) << c.what;
        EXPECT_EQ(comparison.CommonRangeNote().empty(), !c.depthsDiffer) << c.what;
    }
}

// What both windows' summaries say: a line a survey, oldest first, the
// reference marked, and the common range's note last when depths differ.
TEST(SurveyComparison, SummaryLinesNameEachSurveyAndTheNote) {
    const CSurveyComparison comparison = CSurveyComparison::Of(
        {Survey("short.twi", 60, {1, 1.5}), Survey("long.twi", 0, {1, 1, 1, 1})});
    ASSERT_TRUE(comparison.IsReady()) << comparison.Problem();
    const std::vector<std::string> lines = comparison.SummaryLines();
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0], "long.twi (reference), " + comparison.m_series[0].strDate.str());
    EXPECT_EQ(lines[1], "short.twi, " + comparison.m_series[1].strDate.str() +
                            ": largest difference from long.twi 0.5 degrees at 1.0 meters");
    EXPECT_EQ(lines[2], comparison.CommonRangeNote());
}

TEST(SurveyComparison, RefusesWhatCannotBeComparedNamingTheFiles) {
    CompareInput unloaded = Survey("empty.twi", 0, {});
    unloaded.profile.m_nStatus = profileNotLoaded;
    struct {
        const char* what;
        std::vector<CompareInput> inputs;
        CompareStatus status;
        std::string problem;
    } cases[] = {
        {"one survey",
         {Survey("A.twi", 0, {1})},
         compareTooFew,
         "Comparing needs at least two surveys."},
        {"intervals",
         {Survey("B.twi", 60, {1, 1}, 1.0), Survey("A.twi", 0, {1, 1, 1, 1}, 0.5)},
         compareIntervals,
         "B.twi has an interval of 1.0 meters and A.twi of 0.5 meters: surveys of different "
         "intervals are not compared."},
        {"depth units",
         {Survey("A.twi", 0, {1, 1}, 2.0, "feet"), Survey("B.csv", 60, {1, 1}, 2.0, "m")},
         compareDepthUnits,
         "B.csv measures depth in meters and A.twi in feet: surveys of different depth units are "
         "not compared."},
        {"no depth in common",
         {Survey("A.twi", 0, {1, 1}), Survey("B.twi", 60, {1, 1}, 0.5, "meters", 4)},
         compareNoCommonRange,
         "B.twi starts at 2.0 meters and A.twi ends at 1.0 meters: the surveys share no measured "
         "depth, so they are not compared."},
        {"not loaded",
         {Survey("A.twi", 0, {1}), unloaded},
         compareNotReadable,
         "empty.twi: No survey is loaded."},
        {"no stations",
         {Survey("A.twi", 0, {1}), Survey("none.twi", 0, {})},
         compareNotReadable,
         "none.twi: the survey has no measured stations."},
    };
    for (auto& c : cases) {
        const CSurveyComparison comparison = CSurveyComparison::Of(c.inputs);
        EXPECT_EQ(comparison.m_nStatus, c.status) << c.what;
        EXPECT_EQ(comparison.Problem(), c.problem) << c.what;
        EXPECT_TRUE(comparison.m_series.empty()) << c.what;
        EXPECT_TRUE(comparison.DifferenceLines().empty()) << c.what;
    }
}

TEST(CompareChart, LegendByDateOneColourEachAndTheNote) {
    const testing_support::ScopedTimeZone utc(testing_support::kZoneUtc);
    const CSurveyComparison comparison =
        CSurveyComparison::Of({Survey("new.twi", 86400, {1, 1}), Survey("old.twi", 0, {1, 1, 1})});
    ASSERT_TRUE(comparison.IsReady());
    const CCompareChart chart(comparison);
    const ChartSteps steps = chart.Steps(ChartRect{0, 0, 1200, 900}, CFixedTextMetrics(), 0.0);
    std::vector<std::string> texts;
    std::vector<std::uint32_t> lineColours;
    for (const ChartStep& step : steps) {
        if (step.nKind == ChartStepKind::text) {
            texts.push_back(step.strText);
            // At least 9 points (12 pixels) at the default size.
            EXPECT_GE(step.font.dPixels, 12.0) << step.strText;
        }
        if (step.nKind == ChartStepKind::polyline && step.points.size() > 2) {
            lineColours.push_back(step.nColour);
        }
    }
    auto has = [&](const std::string& strText) {
        return std::find(texts.begin(), texts.end(), strText) != texts.end();
    };
    EXPECT_TRUE(has("2026-03-01 00:00:00, old.twi (reference)"));
    EXPECT_TRUE(has("2026-03-02 00:00:00, new.twi"));
    EXPECT_TRUE(has("Cumulative twist from the top (degrees)"));
    EXPECT_TRUE(has("Surveys of different depths: only 0.0 to 1.0 meters, the depths all of "
                    "them measured, are compared."));
    // A series each, the reference first, the colours apart.
    EXPECT_EQ(lineColours, (std::vector<std::uint32_t>{CCompareChart::SeriesColour(0),
                                                       CCompareChart::SeriesColour(1)}));
    EXPECT_NE(CCompareChart::SeriesColour(0), CCompareChart::SeriesColour(1));
    // The depth axis ends on a labelled tick below the deepest station.
    EXPECT_GT(chart.Layout(ChartRect{0, 0, 1200, 900}, CFixedTextMetrics()).depthAxis.dMax, 1.0);
}
