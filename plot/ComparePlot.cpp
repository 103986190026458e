#include "plot/ComparePlot.h"

#include "plot/QtChartPainter.h"
#include "plot/SvgChartPainter.h"

#include <QPainter>

void CComparePlot::Draw(QPainter& painter, const QRectF& rect, double dTextSize) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const CQtTextMetrics metrics(painter.device());
    CQtChartPainter(painter).Paint(
        m_chart.Steps(ChartRect{rect.x(), rect.y(), rect.width(), rect.height()}, metrics,
                      CQtChartPainter::PixelRatio(painter), dTextSize));
    painter.restore();
}

QString CComparePlot::Problem() const {
    return Comparison().IsReady() ? QString() : QString::fromStdString(Comparison().Problem());
}

void CComparePlot::DrawPicture(QPainter& painter, const QRectF& rect, double dTextSize) const {
    Draw(painter, rect, dTextSize);
}

std::string CComparePlot::Svg(int nWidth, int nHeight) const {
    return CSvgChartPainter::Picture(m_chart, nWidth, nHeight);
}
