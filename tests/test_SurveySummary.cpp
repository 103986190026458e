// The figures of a spiral survey, on surveys small enough to work out by hand.
#include "TestSupport.h"
#include "convert/SurveySummary.h"

#include <gtest/gtest.h>
#include <limits>

using testing_support::MakeSpiralSurvey;

TEST(SurveyFigures, WorkedOutByHand) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double noLimit = -1.0;
    struct {
        const char* what;
        double depth, interval, topOffset;
        std::vector<double> twists;
        double limit, total, rate, largest, largestDepth;
        std::vector<double> overDepths;
    } cases[] = {
        // Sums 0.5, -1.0, 0.0, 2.0, 1.5 down to 10 ft; -1.5 meets the limit, not passes it.
        {"from the top", 10, 2, 0, {0.5, -1.5, 1, 2, -0.5}, 1.5, 1.5, 1.5, 2, 8, {8}},
        {"limit 0", 10, 2, 0, {0.5, -1.5, 0, 2, -0.5}, 0, 0.5, 0.5, 2, 8, {2, 4, 8, 10}},
        // From the top offset, 1.0 m: 0.4 over 2.0 m. Of -0.6 and 0.6 the shallower.
        {"below a top offset",
         3,
         0.5,
         1,
         {0, 0, 0.3, -0.6, 0.6, 0.1},
         0.5,
         0.4,
         2,
         -0.6,
         2,
         {2, 2.5}},
        {"twisting back", 4, 2, 0, {-1, -2}, noLimit, -3, -7.5, -2, 4, {}},
        // An unreadable reading twists nothing, but its interval is depth.
        {"unreadable left out", 6, 2, 0, {1, nan, 2}, 3, 3, 5, 2, 6, {}},
        // Sums read from a TWI file come back as differences: 0.4 - 0.1 is
        // a hair over 0.3, which is still not over a limit of 0.3.
        {"rounding of differences", 4, 2, 0, {0.1, 0.4 - 0.1}, 0.3, 0.4, 1, 0.4 - 0.1, 4, {}},
    };
    for (const auto& c : cases) {
        CPlotDataObj data;
        MakeSpiralSurvey(data, c.depth, c.interval, c.twists);
        data.m_dTopOffset = c.topOffset;
        const SurveyFigures figures =
            SurveyFigures::Of(CTwistProfile::FromSurvey(data),
                              c.limit == noLimit ? std::nullopt : std::optional<double>(c.limit));
        ASSERT_TRUE(figures.bStations) << c.what;
        EXPECT_DOUBLE_EQ(figures.dTotalTwist, c.total) << c.what;
        EXPECT_DOUBLE_EQ(figures.dRatePer10, c.rate) << c.what;
        EXPECT_EQ(figures.dLargestTwist, c.largest) << c.what;
        EXPECT_EQ(figures.dLargestDepth, c.largestDepth) << c.what;
        std::vector<double> overDepths;
        for (const TwistStation& station : figures.overLimit) {
            overDepths.push_back(station.dDepth);
        }
        EXPECT_EQ(overDepths, c.overDepths) << c.what;
    }
    // No measured station, or no survey: no figures at all.
    CPlotDataObj none;
    EXPECT_FALSE(SurveyFigures::Of(CTwistProfile::FromSurvey(none), 1.0).bStations);
    MakeSpiralSurvey(none, 10.0, 2.0, {});
    EXPECT_FALSE(SurveyFigures::Of(CTwistProfile::FromSurvey(none), 1.0).bStations);
}

// The figures as the window and --info print them, from a TWI file whose
// sums run from the top: 0.1, 0.4 and 1.0 at 2, 4 and 6 feet.
TEST(SurveyFigures, SummaryLinesOfATwiFile) {
    testing_support::TempDir dir;
    testing_support::WriteBytes(
        dir / "survey.twi", testing_support::JoinCrLf(
                                {" D  M  Y    H  M  S", "12 02 10,  20 28 45     RUN ID.   : 0000",
                                 "DEPTH     : 6.0", "INTERVAL  : 2.0", "006.00,     1.0 deg",
                                 "004.00,     0.4 deg", "002.00,     0.1 deg", "", "RUN END"}));
    CSurveySummary summary;
    summary.m_limit = 0.3;
    ASSERT_TRUE(summary.Read((dir / "survey.twi").c_str(), directionTwiToCsv));
    const std::vector<std::string> lines = summary.Lines();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 5, lines.end()),
              (std::vector<std::string>{"Reading unit: degrees", "Total twist: 1.0 degrees",
                                        "Mean twist rate: 1.667 degrees per 10 feet",
                                        "Largest interval twist: 0.6 degrees at 6.0 feet",
                                        "Over 0.3 degrees: 1 interval, at 6.0 feet"}));
}
