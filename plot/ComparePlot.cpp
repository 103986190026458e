#include "plot/ComparePlot.h"

#include "plot/QtChartPainter.h"
#include "plot/SvgChartPainter.h"

void CComparePlot::Draw(QPainter& painter, const QRectF& rect, double dTextSize) const {
    DrawChart(painter, m_chart, rect, dTextSize);
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
