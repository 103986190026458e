#include "survey/PlotDataObj.h"
#include "survey/TwistProfile.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

// A spiral survey at an interval of 2.
void MakeSpiral(CPlotDataObj& data, double depth, const std::vector<double>& twist) {
    data.m_nFileType = 1;
    data.m_dBottomDepth = depth;
    data.m_dInterval = 2.0;
    data.AllocateGrid();
    for (double value : twist) {
        data.AddReading(value, 0.0, 0.0, 0.0);
    }
}

} // namespace

TEST(TwistProfile, StationsFromTheTopOrTheTopOffsetDown) {
    const double inf = std::numeric_limits<double>::infinity();
    struct {
        const char* what;
        double depth, topOffset;
        std::vector<double> twist;
        int readingCount; // -1 keeps the count the readings gave
        double topDepth;
        std::vector<double> depths, cumulative;
        int unreadable;
    } cases[] = {
        {"from the top", -6.0, 0.0, {1.0, -2.0, 2.0}, -1, 0.0, {2, 4, 6}, {1, -1, 1}, 0},
        {"two slots above", 10.0, 4.0, {0, 0, 1, 2, 3}, -1, 4.0, {6, 8, 10}, {1, 3, 6}, 0},
        {"offset between slots", 10.0, 3.0, {0, 0, 1, 2}, -1, 4.0, {6, 8}, {1, 3}, 0},
        {"offset below every reading", 10.0, 9.0, {1, 2}, -1, 9.0, {}, {}, 0},
        {"offset not a number", 4.0, kNan, {1, 2}, -1, 0.0, {2, 4}, {1, 3}, 0},
        // The grid holds 3 slots: a count beyond it must not read past them.
        {"count beyond the grid", 4.0, 0.0, {1, 1, 1}, 1000, 0.0, {2, 4, 6}, {1, 2, 3}, 0},
        {"count below zero", 4.0, 0.0, {1, 1}, -7, 0.0, {}, {}, 0},
        {"unreadable values left out", 8.0, 0.0, {1, kNan, 2, inf}, -1, 0.0, {2, 6}, {1, 3}, 2},
    };
    for (const auto& c : cases) {
        CPlotDataObj data;
        MakeSpiral(data, c.depth, c.twist);
        data.m_dTopOffset = c.topOffset;
        if (c.readingCount != -1) {
            data.m_nReadingCount = c.readingCount;
        }
        const CTwistProfile profile = CTwistProfile::FromSurvey(data);
        ASSERT_EQ(profile.m_nStatus, profileReady) << c.what;
        EXPECT_EQ(profile.m_dTopDepth, c.topDepth) << c.what;
        EXPECT_EQ(profile.m_nUnreadable, c.unreadable) << c.what;
        ASSERT_EQ(profile.m_stations.size(), c.depths.size()) << c.what;
        for (size_t i = 0; i < c.depths.size(); ++i) {
            EXPECT_EQ(profile.m_stations[i].dDepth, c.depths[i]) << c.what << " " << i;
            EXPECT_DOUBLE_EQ(profile.m_stations[i].dCumulative, c.cumulative[i]) << c.what;
        }
        EXPECT_EQ(profile.m_dDeepest, c.depths.empty() ? c.topDepth : c.depths.back()) << c.what;
        // The cumulative range holds the 0 at the top.
        std::vector<double> sums = c.cumulative;
        sums.push_back(0.0);
        EXPECT_EQ(profile.m_dMinCumulative, *std::min_element(sums.begin(), sums.end()));
        EXPECT_EQ(profile.m_dMaxCumulative, *std::max_element(sums.begin(), sums.end()));
    }
}

TEST(TwistProfile, OnlySpiralSurveysWithAGridAndAnIntervalGiveAProfile) {
    struct {
        void (*edit)(CPlotDataObj&);
        TwistProfileStatus status;
    } cases[] = {
        {[](CPlotDataObj& d) { d.m_pAPlus.reset(); }, profileNotLoaded},
        {[](CPlotDataObj& d) { d.m_nFileType = 0; }, profileNotSpiral},
        {[](CPlotDataObj& d) { d.m_dInterval = kNan; }, profileNoInterval},
    };
    for (const auto& c : cases) {
        CPlotDataObj data;
        MakeSpiral(data, 4.0, {1.0, 2.0});
        c.edit(data);
        const CTwistProfile profile = CTwistProfile::FromSurvey(data);
        EXPECT_EQ(profile.m_nStatus, c.status);
        EXPECT_TRUE(profile.m_stations.empty());
    }
}
