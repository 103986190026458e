// The chart's steps drawn with QPainter on any paint device (a window, an
// image, a PDF page), its text measured with Qt's fonts on that device.
#pragma once

#include "plot/ChartSteps.h"

#include <QPainter>
#include <QRectF>

class QPaintDevice;

class CQtTextMetrics : public IChartTextMetrics {
public:
    explicit CQtTextMetrics(const QPaintDevice* pDevice) : m_pDevice(pDevice) {}
    double Advance(const std::string& strText, const ChartFont& font) const override;
    double LineHeight(const ChartFont& font) const override;

private:
    const QPaintDevice* m_pDevice;
};

class CQtChartPainter : public CChartPainter {
public:
    explicit CQtChartPainter(QPainter& painter) : m_painter(painter) {}

    // The device pixels a unit of the painter covers when it fills pixels (a
    // window or an image) with no rotation; 0 when it records shapes (PDF,
    // a picture), which keep every point.
    static double PixelRatio(const QPainter& painter);

protected:
    void Fill(const ChartStep& step) override;
    void Frame(const ChartStep& step) override;
    void Line(const ChartStep& step) override;
    void Polyline(const ChartStep& step) override;
    void Markers(const ChartStep& step) override;
    void Text(const ChartStep& step) override;

private:
    QPainter& m_painter;
};

// Either chart drawn whole into rect, smoothed, with labels dTextSize units
// high (0 for a picture's): on screens and images a series keeps only the
// points that change a pixel row, vector output gets every station.
template <class TChart>
void DrawChart(QPainter& painter, const TChart& chart, const QRectF& rect, double dTextSize) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const CQtTextMetrics metrics(painter.device());
    CQtChartPainter(painter).Paint(
        chart.Steps(ChartRect{rect.x(), rect.y(), rect.width(), rect.height()}, metrics,
                    CQtChartPainter::PixelRatio(painter), dTextSize));
    painter.restore();
}
