// The chart drawn with GDI+ into PNG pictures of the size asked.
#include "plot/GdiPlusChartPainter_win.h"
#include "plot/TwistChart.h"
#include "survey/PlotDataObj.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// A PNG's width and height, from its header chunk.
unsigned BigEndian(const std::string& bytes, size_t at) {
    unsigned n = 0;
    for (size_t i = at; i < at + 4; ++i) {
        n = n << 8 | static_cast<unsigned char>(bytes[i]);
    }
    return n;
}

} // namespace

TEST(GdiPlusChart, PngOfTheSizeAsked) {
    CPlotDataObj data;
    data.m_nFileType = 1;
    data.m_dBottomDepth = 6.0;
    data.m_dInterval = 2.0;
    data.AllocateGrid();
    for (double twist : {0.5, -0.2, 0.3}) {
        data.AddReading(twist, 0.0, 0.0, 0.0);
    }
    const CGdiPlusSession session;
    ASSERT_TRUE(session.IsStarted());
    for (const auto& [width, height] :
         {std::pair{1200, 900}, std::pair{320, 200}, std::pair{1, 1}}) {
        std::string png;
        ASSERT_TRUE(CGdiPlusChartPainter::Png(CTwistChart(CTwistProfile::FromSurvey(data), "a.twi"),
                                              width, height, png))
            << width;
        ASSERT_GT(png.size(), 33u);
        EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1A\n");
        EXPECT_EQ(png.substr(12, 4), "IHDR");
        EXPECT_EQ(BigEndian(png, 16), static_cast<unsigned>(width));
        EXPECT_EQ(BigEndian(png, 20), static_cast<unsigned>(height));
    }
}
