#include "survey/PlotDataObj.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

void SetGrid(CPlotDataObj& data, double depth, double interval) {
    data.m_dBottomDepth = depth;
    data.m_dInterval = interval;
    data.AllocateGrid();
}

} // namespace

TEST(PlotDataObj, ConstructionGivesAnEmptyRecord) {
    std::int64_t before = CTime::GetCurrentTime().GetTime();
    CPlotDataObj data;
    EXPECT_EQ(data.m_nColAPlus, -1);
    EXPECT_EQ(data.m_nColAMinus, -1);
    EXPECT_EQ(data.m_nColBPlus, -1);
    EXPECT_EQ(data.m_nColBMinus, -1);
    EXPECT_EQ(data.m_nGridSize, 0);
    EXPECT_EQ(data.m_nReadingCount, 0);
    EXPECT_FALSE(data.m_bDataLoaded);
    EXPECT_EQ(data.m_nOutputIndex, 0);
    EXPECT_FALSE(data.m_pACum);
    EXPECT_GE(data.m_timeReading.GetTime(), before);
    EXPECT_LE(data.m_timeReading.GetTime(), before + 5);
}

TEST(PlotDataObj, GridSizeIsCeilOfDepthOverIntervalPlusOne) {
    struct {
        double depth, interval;
        int slots;
    } cases[] = {
        {10.0, 0.5, 21}, {10.2, 0.5, 22}, {-10.0, 0.5, 21},
        {0.7, 0.1, 8}, // 0.7 / 0.1 is just below 7 in double precision
        {10.0, 2.0, 6},  {11.0, 2.0, 7},  {0.001, 1000.0, 2},
    };
    for (const auto& c : cases) {
        CPlotDataObj data;
        SetGrid(data, c.depth, c.interval);
        EXPECT_EQ(data.m_nGridSize, c.slots) << c.depth << " / " << c.interval;
        EXPECT_TRUE(data.m_bDataLoaded);
        EXPECT_EQ(data.m_nReadingCount, 0);
        EXPECT_EQ(data.m_nColAPlus, 0);
        EXPECT_EQ(data.m_nColBMinus, 3);
        for (int k = 0; k < c.slots; ++k) {
            ASSERT_EQ(data.m_pAPlus[k], 0.0);
            ASSERT_EQ(data.m_pACum[k], 0.0);
        }
    }
}

TEST(PlotDataObj, InvalidDepthOrIntervalLeavesAnEarlierGridAlone) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct {
        double depth, interval;
    } cases[] = {{10.0, 0.0}, {10.0, -2.0}, {0.0, 2.0}, {-0.0, 2.0}, {nan, 2.0}, {10.0, nan}};
    for (const auto& c : cases) {
        CPlotDataObj data;
        SetGrid(data, 4.0, 2.0);
        data.AddReading(1.0, 2.0, 3.0, 4.0);
        SetGrid(data, c.depth, c.interval);
        EXPECT_EQ(data.m_nGridSize, 3);
        EXPECT_EQ(data.m_nReadingCount, 1);
        EXPECT_TRUE(data.m_bDataLoaded);
        EXPECT_EQ(data.m_pAPlus[0], 1.0);
    }
}

TEST(PlotDataObj, AbsurdGridIsRefusedLikeAnAllocationFailure) {
    const double inf = std::numeric_limits<double>::infinity();
    struct {
        double depth, interval;
    } cases[] = {{1e12, 0.001}, {inf, 1.0}, {1.0, 1e-300}, {1000000.0, 1.0}};
    for (const auto& c : cases) {
        CPlotDataObj data;
        SetGrid(data, 4.0, 2.0);
        SetGrid(data, c.depth, c.interval);
        EXPECT_EQ(data.m_nGridSize, 0) << c.depth << " / " << c.interval;
        EXPECT_FALSE(data.m_bDataLoaded);
        EXPECT_FALSE(data.m_pACum);
        EXPECT_FALSE(data.AddReading(1, 2, 3, 4));
    }
    CPlotDataObj largest;
    SetGrid(largest, 999999.0, 1.0);
    EXPECT_EQ(largest.m_nGridSize, CPlotDataObj::kMaxGridSize);
}

TEST(PlotDataObj, AddReadingFillsSlotsInOrderUntilTheGridIsFull) {
    CPlotDataObj data;
    EXPECT_FALSE(data.AddReading(1, 2, 3, 4)); // no grid yet
    SetGrid(data, 10.0, 0.5);
    for (int i = 0; i < 21; ++i) {
        EXPECT_TRUE(data.AddReading(i, -i, 2.0 * i, 0.5));
    }
    EXPECT_FALSE(data.AddReading(99, 99, 99, 99));
    EXPECT_EQ(data.m_nReadingCount, 21);
    EXPECT_EQ(data.m_pAPlus[20], 20.0);
    EXPECT_EQ(data.m_pAMinus[3], -3.0);
    EXPECT_EQ(data.m_pBPlus[4], 8.0);
    EXPECT_EQ(data.m_pBMinus[0], 0.5);
}

TEST(PlotDataObj, SecondAllocationDiscardsReadings) {
    CPlotDataObj data;
    SetGrid(data, 10.0, 2.0);
    data.AddReading(1, 1, 1, 1);
    SetGrid(data, 10.0, 2.0);
    EXPECT_EQ(data.m_nReadingCount, 0);
    EXPECT_EQ(data.m_pAPlus[0], 0.0);
}

TEST(PlotDataObj, FreeSeriesKeepsColumnsAndResetRestoresTheHeader) {
    CPlotDataObj data;
    SetGrid(data, 10.0, 2.0);
    data.m_strBorehole = "B12";
    data.m_nOutputIndex = 7;
    data.FreeSeries();
    EXPECT_EQ(data.m_nColAPlus, 0);
    EXPECT_EQ(data.m_nColBMinus, 3);
    EXPECT_EQ(data.m_nGridSize, 0);
    EXPECT_FALSE(data.m_bDataLoaded);
    EXPECT_EQ(data.m_strBorehole, "B12");
    data.Reset();
    EXPECT_EQ(data.m_strBorehole, "");
    EXPECT_EQ(data.m_nColAPlus, -1);
    EXPECT_EQ(data.m_nOutputIndex, 0);
    EXPECT_EQ(data.m_settings.UnitName(2), "feet");
}
