#include "plot/GdiPlusChartPainter_win.h"

#include "platform/WidePath.h"
#include "plot/CompareChart.h"
#include "plot/TwistChart.h"

#include <memory>
#include <vector>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

namespace {

// The face the SVG pictures are measured with, else other sans-serif faces
// a Windows (or Wine) has.
const wchar_t* const kFaces[] = {L"Arial",  L"Liberation Sans", L"Segoe UI",
                                 L"Tahoma", L"DejaVu Sans",     L"Microsoft Sans Serif"};

struct FontOf {
    FontOf(const Gdiplus::FontFamily& face, const ChartFont& chartFont)
        : family(face), font(&face, static_cast<Gdiplus::REAL>(chartFont.dPixels),
                             chartFont.bBold ? Gdiplus::FontStyleBold : Gdiplus::FontStyleRegular,
                             Gdiplus::UnitPixel) {}

    double LineHeight(double dPixels) const {
        const INT nStyle = font.GetStyle();
        return dPixels * (family.GetCellAscent(nStyle) + family.GetCellDescent(nStyle)) /
               family.GetEmHeight(nStyle);
    }

    const Gdiplus::FontFamily& family;
    Gdiplus::Font font;
};

Gdiplus::Color ColourOf(const ChartStep& step) {
    return Gdiplus::Color(255, static_cast<BYTE>(step.nColour >> 16),
                          static_cast<BYTE>(step.nColour >> 8), static_cast<BYTE>(step.nColour));
}

std::vector<Gdiplus::PointF> PointsOf(const ChartStep& step) {
    std::vector<Gdiplus::PointF> points;
    points.reserve(step.points.size());
    for (const ChartPoint& point : step.points) {
        points.emplace_back(static_cast<Gdiplus::REAL>(point.x),
                            static_cast<Gdiplus::REAL>(point.y));
    }
    return points;
}

Gdiplus::RectF RectOf(const ChartRect& rect) {
    return Gdiplus::RectF(static_cast<Gdiplus::REAL>(rect.x), static_cast<Gdiplus::REAL>(rect.y),
                          static_cast<Gdiplus::REAL>(rect.w), static_cast<Gdiplus::REAL>(rect.h));
}

bool PngEncoder(CLSID& clsid) {
    UINT nCount = 0, nBytes = 0;
    if (Gdiplus::GetImageEncodersSize(&nCount, &nBytes) != Gdiplus::Ok || nBytes == 0) {
        return false;
    }
    std::vector<BYTE> buffer(nBytes);
    auto* pEncoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(nCount, nBytes, pEncoders) != Gdiplus::Ok) {
        return false;
    }
    for (UINT i = 0; i < nCount; ++i) {
        if (std::wstring(pEncoders[i].MimeType) == L"image/png") {
            clsid = pEncoders[i].Clsid;
            return true;
        }
    }
    return false;
}

// The bytes an encoder wrote into a stream in memory.
bool StreamBytes(IStream* pStream, std::string& bytes) {
    HGLOBAL hMemory = nullptr;
    if (FAILED(GetHGlobalFromStream(pStream, &hMemory))) {
        return false;
    }
    STATSTG stat{};
    if (FAILED(pStream->Stat(&stat, STATFLAG_NONAME))) {
        return false;
    }
    const void* pData = GlobalLock(hMemory);
    if (pData == nullptr) {
        return false;
    }
    bytes.assign(static_cast<const char*>(pData), static_cast<size_t>(stat.cbSize.QuadPart));
    GlobalUnlock(hMemory);
    return true;
}

} // namespace

CGdiPlusSession::CGdiPlusSession() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR nToken = 0;
    m_bStarted = Gdiplus::GdiplusStartup(&nToken, &input, nullptr) == Gdiplus::Ok;
    m_nToken = nToken;
}

CGdiPlusSession::~CGdiPlusSession() {
    if (m_bStarted) {
        Gdiplus::GdiplusShutdown(static_cast<ULONG_PTR>(m_nToken));
    }
}

std::unique_ptr<Gdiplus::FontFamily> CGdiPlusTextMetrics::SansSerif() {
    for (const wchar_t* pszFace : kFaces) {
        auto pFamily = std::make_unique<Gdiplus::FontFamily>(pszFace);
        if (pFamily->IsAvailable()) {
            return pFamily;
        }
    }
    const Gdiplus::FontFamily* pGeneric = Gdiplus::FontFamily::GenericSansSerif();
    return pGeneric != nullptr ? std::unique_ptr<Gdiplus::FontFamily>(pGeneric->Clone()) : nullptr;
}

CGdiPlusTextMetrics::CGdiPlusTextMetrics(Gdiplus::Graphics& graphics)
    : m_graphics(graphics), m_pFamily(SansSerif()) {}

CGdiPlusTextMetrics::~CGdiPlusTextMetrics() = default;

double CGdiPlusTextMetrics::Advance(const std::string& strText, const ChartFont& font) const {
    if (!m_pFamily) {
        return m_fallback.Advance(strText, font);
    }
    const FontOf face(*m_pFamily, font);
    const std::wstring strWide = Wide(strText);
    Gdiplus::StringFormat format(Gdiplus::StringFormat::GenericTypographic());
    format.SetFormatFlags(format.GetFormatFlags() |
                          Gdiplus::StringFormatFlagsMeasureTrailingSpaces);
    Gdiplus::RectF bounds;
    m_graphics.MeasureString(strWide.c_str(), static_cast<INT>(strWide.size()), &face.font,
                             Gdiplus::PointF(0, 0), &format, &bounds);
    return bounds.Width;
}

double CGdiPlusTextMetrics::LineHeight(const ChartFont& font) const {
    return m_pFamily ? FontOf(*m_pFamily, font).LineHeight(font.dPixels)
                     : m_fallback.LineHeight(font);
}

CGdiPlusChartPainter::CGdiPlusChartPainter(Gdiplus::Graphics& graphics)
    : m_graphics(graphics), m_metrics(graphics) {
    // Pixel centres at half units, as in Qt and SVG.
    m_graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    m_graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    m_graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
}

// Either chart in an image of nWidth x nHeight pixels, encoded by the
// system's own PNG encoder.
template <class TChart>
bool CGdiPlusChartPainter::PngOf(const TChart& chart, int nWidth, int nHeight, std::string& bytes) {
    CLSID clsid;
    Gdiplus::Bitmap bitmap(nWidth, nHeight, PixelFormat24bppRGB);
    if (!PngEncoder(clsid) || bitmap.GetLastStatus() != Gdiplus::Ok) {
        return false;
    }
    {
        Gdiplus::Graphics graphics(&bitmap);
        CGdiPlusChartPainter painter(graphics);
        const CGdiPlusTextMetrics metrics(graphics);
        painter.Paint(
            chart.Steps(ChartRect{0, 0, static_cast<double>(nWidth), static_cast<double>(nHeight)},
                        metrics, 1.0));
    }
    IStream* pStream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &pStream))) {
        return false;
    }
    const bool bSaved =
        bitmap.Save(pStream, &clsid, nullptr) == Gdiplus::Ok && StreamBytes(pStream, bytes);
    pStream->Release();
    return bSaved;
}

bool CGdiPlusChartPainter::Png(const CTwistChart& chart, int nWidth, int nHeight,
                               std::string& bytes) {
    return PngOf(chart, nWidth, nHeight, bytes);
}

bool CGdiPlusChartPainter::Png(const CCompareChart& chart, int nWidth, int nHeight,
                               std::string& bytes) {
    return PngOf(chart, nWidth, nHeight, bytes);
}

void CGdiPlusChartPainter::Fill(const ChartStep& step) {
    Gdiplus::SolidBrush brush(ColourOf(step));
    m_graphics.FillRectangle(&brush, RectOf(step.rect));
}

void CGdiPlusChartPainter::Frame(const ChartStep& step) {
    Gdiplus::Pen pen(ColourOf(step), static_cast<Gdiplus::REAL>(step.dWidth));
    m_graphics.DrawRectangle(&pen, RectOf(step.rect));
}

void CGdiPlusChartPainter::Line(const ChartStep& step) {
    Gdiplus::Pen pen(ColourOf(step), static_cast<Gdiplus::REAL>(step.dWidth));
    const std::vector<Gdiplus::PointF> points = PointsOf(step);
    m_graphics.DrawLine(&pen, points[0], points[1]);
}

void CGdiPlusChartPainter::Polyline(const ChartStep& step) {
    Gdiplus::Pen pen(ColourOf(step), static_cast<Gdiplus::REAL>(step.dWidth));
    pen.SetLineCap(Gdiplus::LineCapRound, Gdiplus::LineCapRound, Gdiplus::DashCapRound);
    pen.SetLineJoin(Gdiplus::LineJoinRound);
    const std::vector<Gdiplus::PointF> points = PointsOf(step);
    m_graphics.SetSmoothingMode(step.bSmooth ? Gdiplus::SmoothingModeAntiAlias
                                             : Gdiplus::SmoothingModeNone);
    m_graphics.DrawLines(&pen, points.data(), static_cast<INT>(points.size()));
    m_graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
}

void CGdiPlusChartPainter::Markers(const ChartStep& step) {
    Gdiplus::SolidBrush brush(ColourOf(step));
    Gdiplus::Pen pen(ColourOf(step), 1.0f);
    const auto r = static_cast<Gdiplus::REAL>(step.dRadius);
    for (const ChartPoint& at : step.points) {
        const Gdiplus::RectF box(static_cast<Gdiplus::REAL>(at.x) - r,
                                 static_cast<Gdiplus::REAL>(at.y) - r, 2 * r, 2 * r);
        if (step.nMarker == ChartMarker::circle) {
            m_graphics.FillEllipse(&brush, box);
            m_graphics.DrawEllipse(&pen, box);
        } else {
            m_graphics.FillRectangle(&brush, box);
            m_graphics.DrawRectangle(&pen, box);
        }
    }
}

void CGdiPlusChartPainter::Text(const ChartStep& step) {
    const Gdiplus::FontFamily* pFamily = m_metrics.Family();
    if (pFamily == nullptr) {
        return; // no font at all: the picture without its words
    }
    const FontOf face(*pFamily, step.font);
    const std::wstring strWide = Wide(step.strText);
    const double dWidth = m_metrics.Advance(step.strText, step.font);
    const double dHeight = face.LineHeight(step.font.dPixels);
    // The text's top left corner, from its anchor at half the line's height.
    const double dLeft = step.nAnchor == ChartAnchor::left     ? 0.0
                         : step.nAnchor == ChartAnchor::centre ? -dWidth / 2
                                                               : -dWidth;
    const Gdiplus::GraphicsState state = m_graphics.Save();
    m_graphics.TranslateTransform(static_cast<Gdiplus::REAL>(step.points[0].x),
                                  static_cast<Gdiplus::REAL>(step.points[0].y));
    if (step.bUpright) {
        m_graphics.RotateTransform(-90.0f);
    }
    Gdiplus::SolidBrush brush(ColourOf(step));
    m_graphics.DrawString(strWide.c_str(), static_cast<INT>(strWide.size()), &face.font,
                          Gdiplus::PointF(static_cast<Gdiplus::REAL>(dLeft),
                                          static_cast<Gdiplus::REAL>(-dHeight / 2)),
                          Gdiplus::StringFormat::GenericTypographic(), &brush);
    m_graphics.Restore(state);
}
