// The figures of a spiral survey, on surveys small enough to work out by hand.
#include "TestSupport.h"
#include "convert/SurveySummary.h"

#include <gtest/gtest.h>
#include <limits>

using testing_support::MakeSpiralSurvey;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kNoLimit = -1.0;

} // namespace

TEST(SurveyFigures, WorkedOutByHand) {
    struct {
        const char* what;
        double depth, interval, topOffset;
        std::vector<double> twists;
        double limit; // kNoLimit for none
        double total, rate, largest, largestDepth;
        std::vector<double> overDepths;
    } cases[] = {
        // Sums 0.5, -1.0, 0.0, 2.0, 1.5 down to 10 ft: 1.5 over 10 ft.
        {"from the top",
         10.0,
         2.0,
         0.0,
         {0.5, -1.5, 1.0, 2.0, -0.5},
         1.0,
         1.5,
         1.5,
         2.0,
         8.0,
         {4.0, 8.0}},
        // -1.5 is as large as the limit, not over it.
        {"limit met, not passed",
         10.0,
         2.0,
         0.0,
         {0.5, -1.5, 1.0, 2.0, -0.5},
         1.5,
         1.5,
         1.5,
         2.0,
         8.0,
         {8.0}},
        {"nothing over", 10.0, 2.0, 0.0, {0.5, -1.5, 1.0, 2.0, -0.5}, 3.0, 1.5, 1.5, 2.0, 8.0, {}},
        // The sum starts at the top offset, 1.0 m: 0.4 over 2.0 m. -0.6 and
        // 0.6 are equally large: the shallower is named.
        {"below a top offset",
         3.0,
         0.5,
         1.0,
         {0.0, 0.0, 0.3, -0.6, 0.6, 0.1},
         0.5,
         0.4,
         2.0,
         -0.6,
         2.0,
         {2.0, 2.5}},
        {"twisting back", 4.0, 2.0, 0.0, {-1.0, -2.0}, kNoLimit, -3.0, -7.5, -2.0, 4.0, {}},
        // An unreadable reading twists nothing, but its interval is depth.
        {"unreadable left out",
         6.0,
         2.0,
         0.0,
         {1.0, kNan, 2.0},
         0.0,
         3.0,
         5.0,
         2.0,
         6.0,
         {2.0, 6.0}},
    };
    for (const auto& c : cases) {
        CPlotDataObj data;
        MakeSpiralSurvey(data, c.depth, c.interval, c.twists);
        data.m_dTopOffset = c.topOffset;
        const std::optional<double> limit =
            c.limit == kNoLimit ? std::nullopt : std::optional<double>(c.limit);
        const SurveyFigures figures = SurveyFigures::Of(CTwistProfile::FromSurvey(data), limit);
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

// The figures as the window and --info print them, read from TWI files: the
// file's sums run from the top, so its interval twists are differences of
// them (1.5 - 1.2 is not quite 0.3).
TEST(SurveyFigures, SummaryLinesOfATwiFile) {
    struct {
        const char* what;
        const char* interval;
        std::vector<const char*> stations; // "depth, sum", deepest first
        double limit;
        std::vector<std::string> lines; // the summary's lines after "Reading unit"
    } cases[] = {
        // Twists 0.1, -0.3, -0.1, 1.5 and 0.3 from the top: the two of 0.3
        // are not over a limit of 0.3.
        {"feet, one over",
         "2.0",
         {"010.00,     1.5 deg", "008.00,     1.2 deg", "006.00,    -0.3 deg",
          "004.00,    -0.2 deg", "002.00,     0.1 deg"},
         0.3,
         {"Total twist: 1.5 degrees", "Mean twist rate: 1.5 degrees per 10 feet",
          "Largest interval twist: 1.5 degrees at 8.0 feet",
          "Over 0.3 degrees: 1 interval, at 8.0 feet"}},
        {"meters, a rate rounded",
         "0.5",
         {"001.50,     0.5 deg", "001.00,     0.1 deg", "000.50,     0.0 deg"},
         0.25,
         {"Total twist: 0.5 degrees", "Mean twist rate: 3.333 degrees per 10 meters",
          "Largest interval twist: 0.4 degrees at 1.5 meters",
          "Over 0.25 degrees: 1 interval, at 1.5 meters"}},
        {"three over, none without twist",
         "2.0",
         {"006.00,    -0.3 deg", "004.00,     0.0 deg", "002.00,    -0.2 deg"},
         0.0,
         {"Total twist: -0.3 degrees", "Mean twist rate: -0.5 degrees per 10 feet",
          "Largest interval twist: -0.3 degrees at 6.0 feet",
          "Over 0.0 degrees: 3 intervals, at 2.0, 4.0 and 6.0 feet"}},
        {"no limit",
         "2.0",
         {"002.00,     0.0 deg"},
         kNoLimit,
         {"Total twist: 0.0 degrees", "Mean twist rate: 0.0 degrees per 10 feet",
          "Largest interval twist: 0.0 degrees at 2.0 feet"}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::string text = " D  M  Y    H  M  S\r\n"
                           "12 02 10,  20 28 45     RUN ID.   : 0000\r\n"
                           "DEPTH     : " +
                           std::string(c.stations.front(), 6) + "\r\nINTERVAL  : " + c.interval +
                           "\r\n";
        for (const char* station : c.stations) {
            text += std::string(station) + "\r\n";
        }
        WriteBytes(dir / "survey.twi", text + "\r\nRUN END\r\n");

        CSurveySummary summary;
        if (c.limit != kNoLimit) {
            summary.m_limit = c.limit;
        }
        ASSERT_TRUE(summary.Read((dir / "survey.twi").c_str(), directionTwiToCsv)) << c.what;
        std::vector<std::string> lines = summary.Lines();
        ASSERT_EQ(lines[lines.size() - c.lines.size() - 1], "Reading unit: degrees") << c.what;
        lines.erase(lines.begin(), lines.end() - static_cast<long>(c.lines.size()));
        EXPECT_EQ(lines, c.lines) << c.what;
    }
}

TEST(SurveyFigures, LimitAsTyped) {
    const struct {
        const char* text;
        bool ok;
        double limit;
    } cases[] = {
        {"0.5", true, 0.5}, {" 2 ", true, 2.0}, {"0", true, 0.0},    {"1e1", true, 10.0},
        {"", false, 0},     {"-1", false, 0},   {"0,5", false, 0},   {"2deg", false, 0},
        {"nan", false, 0},  {"inf", false, 0},  {"1e999", false, 0},
    };
    for (const auto& c : cases) {
        double limit = -7.0;
        EXPECT_EQ(CSurveySummary::ParseLimit(c.text, limit), c.ok) << c.text;
        EXPECT_EQ(limit, c.ok ? c.limit : -7.0) << c.text;
    }
}
