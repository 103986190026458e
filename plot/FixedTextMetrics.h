// Text measured from a fixed table of the widths of a common sans-serif face
// (the widths of Arial and its metric twins), with no font system: a picture
// laid out with it is the same, byte for byte, on every system, and a viewer
// that has that face draws its text exactly as wide as measured.
#pragma once

#include "plot/ChartSteps.h"

class CFixedTextMetrics : public IChartTextMetrics {
public:
    double Advance(const std::string& strText, const ChartFont& font) const override;
    double LineHeight(const ChartFont& font) const override;

    // The families a picture names, first the one the table measures.
    static const char* FontFamilies();
    // Where the baseline lies below the middle of a line, in ems.
    static constexpr double kBaselineBelowMiddle = 0.35;
};
