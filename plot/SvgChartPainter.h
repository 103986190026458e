// A chart as an SVG picture, written by our own code: the same bytes on every
// system for the same survey and size, text kept as text. It is laid out with
// the fixed text table, so no font system is asked, and names that table's
// face first, so that browsers and rsvg-convert draw it alike.
#pragma once

#include "plot/ChartSteps.h"

#include <string>

class CCompareChart;
class CTwistChart;

class CSvgChartPainter : public CChartPainter {
public:
    // The whole picture of nWidth x nHeight points, a unit a point.
    static std::string Picture(const CTwistChart& chart, int nWidth, int nHeight);
    // Repeat surveys over each other, the same way.
    static std::string Picture(const CCompareChart& chart, int nWidth, int nHeight);

protected:
    void Fill(const ChartStep& step) override;
    void Frame(const ChartStep& step) override;
    void Line(const ChartStep& step) override;
    void Polyline(const ChartStep& step) override;
    void Markers(const ChartStep& step) override;
    void Text(const ChartStep& step) override;

private:
    template <class TChart>
    static std::string PictureOf(const TChart& chart, int nWidth, int nHeight);
    // The picture's opening: the size, the font families and the title.
    void Open(const std::string& strTitle, int nWidth, int nHeight);
    void Number(double dValue);
    void Attribute(const char* pszName, double dValue);
    void Colour(const char* pszName, std::uint32_t nColour);
    void Rect(const ChartRect& rect);

    std::string m_strSvg;
};

// Appends the UTF-8 text for XML: markup characters as entities, bytes that
// are not UTF-8 (a file name in another encoding) as U+FFFD, and control
// characters, which XML does not allow, left out.
void AppendXmlText(std::string& strOut, const std::string& strText);
