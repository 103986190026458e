#include "plot/TwistPlot.h"

#include "plot/QtChartPainter.h"
#include "plot/SvgChartPainter.h"

#include <utility>

CTwistPlot::CTwistPlot(CTwistProfile profile, const QString& strName)
    : m_chart(std::move(profile), strName.toStdString()) {}

QString CTwistPlot::Title() const {
    return QString::fromStdString(m_chart.Title());
}

void CTwistPlot::Draw(QPainter& painter, const QRectF& rect, double dTextSize) const {
    DrawChart(painter, m_chart, rect, dTextSize);
}

QString CTwistPlot::Problem() const {
    if (Profile().m_nStatus != profileReady) {
        return QString::fromLatin1(CTwistProfile::StatusText(Profile().m_nStatus));
    }
    return QString();
}

void CTwistPlot::DrawPicture(QPainter& painter, const QRectF& rect, double dTextSize) const {
    Draw(painter, rect, dTextSize);
}

std::string CTwistPlot::Svg(int nWidth, int nHeight) const {
    return CSvgChartPainter::Picture(m_chart, nWidth, nHeight);
}
