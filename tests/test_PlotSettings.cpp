#include "survey/PlotSettings.h"

#include <gtest/gtest.h>

TEST(PlotSettings, UnitNames) {
    CPlotSettings settings;
    const char* names[] = {"meters", "mm", "feet", "inches", "sine", "binary", "volts", "degrees"};
    for (int code = 0; code < 8; ++code) {
        EXPECT_EQ(settings.UnitName(code), names[code]) << code;
    }
    EXPECT_EQ(settings.UnitName(8), "units?");
    EXPECT_EQ(settings.UnitName(-1), "units?");
}

TEST(PlotSettings, ParseUnitsFirstSubstringInOrderWins) {
    CPlotSettings settings;
    struct {
        const char* text;
        int code;
    } cases[] = {
        {"Meters", 0},
        {"m", 0},
        {"metres", 0},
        {"cm", 0},
        {"MM", 1},
        {"feet", 2},
        {"Ft", 2},
        {"f", 2},
        {"inches", 3},
        {"IN", 3},
        {"volts", 6},
        {"degrees", 7},
        {"Deg", 7},
        // "in" is tested first: sine and binary read as inches.
        {"sine", 3},
        {"binary", 3},
        {"si", 4},
        {"bi", 5},
        // "mm" must stand together; "f" comes before "deg".
        {"millimeters", 0},
        {"mV", 0},
        {"deg F", 2},
        {"", 0},
        {"units", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(settings.ParseUnits(c.text), c.code) << "'" << c.text << "'";
    }
}

TEST(PlotSettings, ParseUnitsLeavesTheCallersTextAlone) {
    CPlotSettings settings;
    CString text("FEET");
    settings.ParseUnits(text);
    EXPECT_EQ(text, "FEET");
}
