#include "plot/TwistPlot.h"

#include "plot/QtChartPainter.h"
#include "plot/SvgChartPainter.h"

#include <QPainter>

#include <utility>

CTwistPlot::CTwistPlot(CTwistProfile profile, const QString& strName)
    : m_chart(std::move(profile), strName.toStdString()) {}

QString CTwistPlot::Title() const {
    return QString::fromStdString(m_chart.Title());
}

void CTwistPlot::Draw(QPainter& painter, const QRectF& rect, double dTextSize) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const CQtTextMetrics metrics(painter.device());
    CQtChartPainter(painter).Paint(
        m_chart.Steps(ChartRect{rect.x(), rect.y(), rect.width(), rect.height()}, metrics,
                      CQtChartPainter::PixelRatio(painter), dTextSize));
    painter.restore();
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
