// The chart's steps drawn with GDI+, for the Windows window and for PNG
// pictures through the system's own encoder, its text measured with the
// system's fonts.
#pragma once

#include "plot/ChartSteps.h"
#include "plot/FixedTextMetrics.h"

#include <memory>
#include <string>

class CCompareChart;
class CTwistChart;

namespace Gdiplus {
class FontFamily;
class Graphics;
} // namespace Gdiplus

// GDI+ started for the life of the object.
class CGdiPlusSession {
public:
    CGdiPlusSession();
    ~CGdiPlusSession();
    CGdiPlusSession(const CGdiPlusSession&) = delete;
    CGdiPlusSession& operator=(const CGdiPlusSession&) = delete;
    bool IsStarted() const { return m_bStarted; }

private:
    unsigned long long m_nToken = 0;
    bool m_bStarted = false;
};

// Text measured in the first sans-serif face the system has, Arial when it
// can; with no face at all, by the fixed table.
class CGdiPlusTextMetrics : public IChartTextMetrics {
public:
    explicit CGdiPlusTextMetrics(Gdiplus::Graphics& graphics);
    ~CGdiPlusTextMetrics() override;
    double Advance(const std::string& strText, const ChartFont& font) const override;
    double LineHeight(const ChartFont& font) const override;
    const Gdiplus::FontFamily* Family() const { return m_pFamily.get(); }

private:
    static std::unique_ptr<Gdiplus::FontFamily> SansSerif();

    Gdiplus::Graphics& m_graphics;
    std::unique_ptr<Gdiplus::FontFamily> m_pFamily;
    CFixedTextMetrics m_fallback;
};

class CGdiPlusChartPainter : public CChartPainter {
public:
    explicit CGdiPlusChartPainter(Gdiplus::Graphics& graphics);
    // The metrics the steps must be laid out with.
    const IChartTextMetrics& Metrics() const { return m_metrics; }

    // The chart drawn on an image of nWidth x nHeight pixels and encoded as
    // PNG into bytes; false when GDI+ fails (it must be started).
    static bool Png(const CTwistChart& chart, int nWidth, int nHeight, std::string& bytes);
    static bool Png(const CCompareChart& chart, int nWidth, int nHeight, std::string& bytes);

protected:
    void Fill(const ChartStep& step) override;
    void Frame(const ChartStep& step) override;
    void Line(const ChartStep& step) override;
    void Polyline(const ChartStep& step) override;
    void Markers(const ChartStep& step) override;
    void Text(const ChartStep& step) override;

private:
    template <class TChart>
    static bool PngOf(const TChart& chart, int nWidth, int nHeight, std::string& bytes);

    Gdiplus::Graphics& m_graphics;
    CGdiPlusTextMetrics m_metrics;
};
