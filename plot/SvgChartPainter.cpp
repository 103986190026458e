#include "plot/SvgChartPainter.h"

#include "plot/CompareChart.h"
#include "plot/FixedTextMetrics.h"
#include "plot/TwistChart.h"
#include "survey/NumberText.h"

#include <cmath>
#include <utility>

namespace {

// Coordinates to a hundredth of a unit, far below what a viewer shows.
constexpr int kDecimals = 2;

const char* AnchorName(ChartAnchor nAnchor) {
    switch (nAnchor) {
    case ChartAnchor::left:
        return "start";
    case ChartAnchor::centre:
        return "middle";
    case ChartAnchor::right:
        return "end";
    }
    return "start";
}

// The length of the UTF-8 sequence at p (of nLeft bytes), 0 when none starts
// there: no overlong forms, no surrogates, nothing beyond U+10FFFF.
size_t ValidSequence(const unsigned char* p, size_t nLeft) {
    if (p[0] < 0x80) {
        return 1;
    }
    const size_t nLength = p[0] >= 0xF0 ? 4 : p[0] >= 0xE0 ? 3 : p[0] >= 0xC2 ? 2 : 0;
    if (nLength == 0 || nLength > nLeft || p[0] > 0xF4) {
        return 0;
    }
    for (size_t i = 1; i < nLength; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
            return 0;
        }
    }
    if ((p[0] == 0xE0 && p[1] < 0xA0) || (p[0] == 0xED && p[1] >= 0xA0) ||
        (p[0] == 0xF0 && p[1] < 0x90) || (p[0] == 0xF4 && p[1] >= 0x90)) {
        return 0;
    }
    return nLength;
}

} // namespace

void AppendXmlText(std::string& strOut, const std::string& strText) {
    const auto* p = reinterpret_cast<const unsigned char*>(strText.data());
    for (size_t i = 0; i < strText.size();) {
        const size_t nLength = ValidSequence(p + i, strText.size() - i);
        if (nLength == 0) {
            strOut += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        switch (p[i]) {
        case '&':
            strOut += "&amp;";
            break;
        case '<':
            strOut += "&lt;";
            break;
        case '>':
            strOut += "&gt;";
            break;
        case '"':
            strOut += "&quot;";
            break;
        default:
            if (p[i] >= 0x20 && p[i] != 0x7F) {
                strOut.append(strText, i, nLength);
            }
        }
        i += nLength;
    }
}

// Either chart, its labels at the size of printed text: the picture counts
// in points.
template <class TChart>
std::string CSvgChartPainter::PictureOf(const TChart& chart, int nWidth, int nHeight) {
    CSvgChartPainter painter;
    painter.Open(chart.Title(), nWidth, nHeight);
    const CFixedTextMetrics metrics;
    const ChartRect rect{0, 0, static_cast<double>(nWidth), static_cast<double>(nHeight)};
    painter.Paint(chart.Steps(rect, metrics, 0.0, CTwistChart::PictureTextSize(rect, 1.0)));
    painter.m_strSvg += "</svg>\n";
    return std::move(painter.m_strSvg);
}

std::string CSvgChartPainter::Picture(const CTwistChart& chart, int nWidth, int nHeight) {
    return PictureOf(chart, nWidth, nHeight);
}

std::string CSvgChartPainter::Picture(const CCompareChart& chart, int nWidth, int nHeight) {
    return PictureOf(chart, nWidth, nHeight);
}

void CSvgChartPainter::Open(const std::string& strTitle, int nWidth, int nHeight) {
    m_strSvg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\"";
    // A unit a point, so that the picture has the size it was asked for on
    // paper and its text the size of printed text.
    for (const auto& [pszName, nSide] : {std::pair{"width", nWidth}, {"height", nHeight}}) {
        m_strSvg += ' ';
        m_strSvg += pszName;
        m_strSvg += "=\"";
        Number(nSide);
        m_strSvg += "pt\"";
    }
    m_strSvg += " viewBox=\"0 0 ";
    Number(nWidth);
    m_strSvg += ' ';
    Number(nHeight);
    m_strSvg += "\" font-family=\"";
    m_strSvg += CFixedTextMetrics::FontFamilies();
    m_strSvg += "\">\n<title>";
    AppendXmlText(m_strSvg, strTitle);
    m_strSvg += "</title>\n";
}

void CSvgChartPainter::Number(double dValue) {
    std::string strNumber;
    AppendFixed(strNumber, dValue, kDecimals);
    // "12.50" as "12.5", "3.00" as "3", and "-0.00" as "0".
    if (strNumber.find('.') != std::string::npos) {
        strNumber.erase(strNumber.find_last_not_of('0') + 1);
        if (strNumber.back() == '.') {
            strNumber.pop_back();
        }
    }
    m_strSvg += strNumber == "-0" ? "0" : strNumber;
}

void CSvgChartPainter::Attribute(const char* pszName, double dValue) {
    m_strSvg += ' ';
    m_strSvg += pszName;
    m_strSvg += "=\"";
    Number(dValue);
    m_strSvg += '"';
}

void CSvgChartPainter::Colour(const char* pszName, std::uint32_t nColour) {
    static const char kHex[] = "0123456789abcdef";
    m_strSvg += ' ';
    m_strSvg += pszName;
    m_strSvg += "=\"#";
    for (int nShift = 20; nShift >= 0; nShift -= 4) {
        m_strSvg += kHex[(nColour >> nShift) & 0xF];
    }
    m_strSvg += '"';
}

void CSvgChartPainter::Rect(const ChartRect& rect) {
    m_strSvg += "<rect";
    Attribute("x", rect.x);
    Attribute("y", rect.y);
    Attribute("width", rect.w);
    Attribute("height", rect.h);
}

void CSvgChartPainter::Fill(const ChartStep& step) {
    Rect(step.rect);
    Colour("fill", step.nColour);
    m_strSvg += "/>\n";
}

void CSvgChartPainter::Frame(const ChartStep& step) {
    Rect(step.rect);
    m_strSvg += " fill=\"none\"";
    Colour("stroke", step.nColour);
    Attribute("stroke-width", step.dWidth);
    m_strSvg += "/>\n";
}

void CSvgChartPainter::Line(const ChartStep& step) {
    m_strSvg += "<line";
    Attribute("x1", step.points[0].x);
    Attribute("y1", step.points[0].y);
    Attribute("x2", step.points[1].x);
    Attribute("y2", step.points[1].y);
    Colour("stroke", step.nColour);
    Attribute("stroke-width", step.dWidth);
    m_strSvg += "/>\n";
}

void CSvgChartPainter::Polyline(const ChartStep& step) {
    m_strSvg += "<polyline points=\"";
    for (size_t i = 0; i < step.points.size(); ++i) {
        if (i > 0) {
            m_strSvg += ' ';
        }
        Number(step.points[i].x);
        m_strSvg += ',';
        Number(step.points[i].y);
    }
    m_strSvg += "\" fill=\"none\"";
    Colour("stroke", step.nColour);
    Attribute("stroke-width", step.dWidth);
    m_strSvg += " stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n";
}

void CSvgChartPainter::Markers(const ChartStep& step) {
    m_strSvg += "<g";
    Colour("fill", step.nColour);
    Colour("stroke", step.nColour);
    m_strSvg += " stroke-width=\"1\">\n";
    const double r = step.dRadius;
    for (const ChartPoint& at : step.points) {
        if (step.nMarker == ChartMarker::circle) {
            m_strSvg += "<circle";
            Attribute("cx", at.x);
            Attribute("cy", at.y);
            Attribute("r", r);
        } else {
            Rect(ChartRect{at.x - r, at.y - r, 2 * r, 2 * r});
        }
        m_strSvg += "/>\n";
    }
    m_strSvg += "</g>\n";
}

void CSvgChartPainter::Text(const ChartStep& step) {
    if (step.strText.empty()) {
        return;
    }
    const ChartPoint at = step.points[0];
    m_strSvg += "<text";
    Attribute("x", at.x);
    // SVG places text by its baseline; the step gives the line's middle.
    Attribute("y", at.y + CFixedTextMetrics::kBaselineBelowMiddle * step.font.dPixels);
    Attribute("font-size", step.font.dPixels);
    if (step.font.bBold) {
        m_strSvg += " font-weight=\"bold\"";
    }
    m_strSvg += " text-anchor=\"";
    m_strSvg += AnchorName(step.nAnchor);
    m_strSvg += '"';
    Colour("fill", step.nColour);
    if (step.bUpright) {
        m_strSvg += " transform=\"rotate(-90 ";
        Number(at.x);
        m_strSvg += ' ';
        Number(at.y);
        m_strSvg += ")\"";
    }
    m_strSvg += '>';
    AppendXmlText(m_strSvg, step.strText);
    m_strSvg += "</text>\n";
}
