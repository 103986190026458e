#include "plot/QtChartPainter.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QString>
#include <QTransform>

#include <cmath>

namespace {

// The generic family, which Qt maps to the system's sans-serif font.
QFont MakeFont(const ChartFont& font) {
    QFont qfont(QStringLiteral("sans-serif"));
    qfont.setStyleHint(QFont::SansSerif);
    qfont.setPixelSize(std::max(1, static_cast<int>(std::lround(font.dPixels))));
    qfont.setBold(font.bBold);
    return qfont;
}

QColor ColourOf(const ChartStep& step) {
    return QColor::fromRgb(static_cast<QRgb>(step.nColour | 0xFF000000u));
}

QPointF PointOf(const ChartPoint& point) {
    return QPointF(point.x, point.y);
}

QRectF RectOf(const ChartRect& rect) {
    return QRectF(rect.x, rect.y, rect.w, rect.h);
}

} // namespace

double CQtTextMetrics::Advance(const std::string& strText, const ChartFont& font) const {
    return QFontMetricsF(MakeFont(font), m_pDevice)
        .horizontalAdvance(
            QString::fromUtf8(strText.data(), static_cast<qsizetype>(strText.size())));
}

double CQtTextMetrics::LineHeight(const ChartFont& font) const {
    return QFontMetricsF(MakeFont(font), m_pDevice).height();
}

double CQtChartPainter::PixelRatio(const QPainter& painter) {
    const QPaintEngine* pEngine = painter.paintEngine();
    if (pEngine == nullptr) {
        return 0.0;
    }
    switch (pEngine->type()) {
    case QPaintEngine::Raster:
    case QPaintEngine::OpenGL:
    case QPaintEngine::OpenGL2:
        break;
    default:
        return 0.0;
    }
    const QTransform toDevice = painter.deviceTransform();
    return toDevice.type() <= QTransform::TxScale ? std::fabs(toDevice.m22()) : 0.0;
}

void CQtChartPainter::Fill(const ChartStep& step) {
    m_painter.fillRect(RectOf(step.rect), ColourOf(step));
}

void CQtChartPainter::Frame(const ChartStep& step) {
    m_painter.setPen(QPen(ColourOf(step), step.dWidth));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawRect(RectOf(step.rect));
}

void CQtChartPainter::Line(const ChartStep& step) {
    m_painter.setPen(QPen(ColourOf(step), step.dWidth, Qt::SolidLine, Qt::FlatCap));
    m_painter.drawLine(PointOf(step.points[0]), PointOf(step.points[1]));
}

void CQtChartPainter::Polyline(const ChartStep& step) {
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(step.points.size()));
    for (const ChartPoint& point : step.points) {
        polygon.append(PointOf(point));
    }
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, step.bSmooth);
    m_painter.setPen(QPen(ColourOf(step), step.dWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawPolyline(polygon);
    m_painter.restore();
}

void CQtChartPainter::Markers(const ChartStep& step) {
    const QColor colour = ColourOf(step);
    m_painter.setPen(QPen(colour, 1.0));
    m_painter.setBrush(colour);
    const double r = step.dRadius;
    for (const ChartPoint& at : step.points) {
        const QRectF box(at.x - r, at.y - r, 2 * r, 2 * r);
        if (step.nMarker == ChartMarker::circle) {
            m_painter.drawEllipse(box);
        } else {
            m_painter.drawRect(box);
        }
    }
    m_painter.setBrush(Qt::NoBrush);
}

void CQtChartPainter::Text(const ChartStep& step) {
    const QFont font = MakeFont(step.font);
    const double dHeight = QFontMetricsF(font, m_painter.device()).height();
    Qt::Alignment align = Qt::AlignVCenter;
    switch (step.nAnchor) {
    case ChartAnchor::left:
        align |= Qt::AlignLeft;
        break;
    case ChartAnchor::centre:
        align |= Qt::AlignHCenter;
        break;
    case ChartAnchor::right:
        align |= Qt::AlignRight;
        break;
    }
    m_painter.save();
    m_painter.translate(PointOf(step.points[0]));
    if (step.bUpright) {
        m_painter.rotate(-90.0);
    }
    m_painter.setFont(font);
    m_painter.setPen(ColourOf(step));
    // A rectangle of no width at the anchor, which the text overflows on the
    // side its alignment says.
    m_painter.drawText(
        QRectF(0, -dHeight / 2, 0, dHeight), align | Qt::TextDontClip,
        QString::fromUtf8(step.strText.data(), static_cast<qsizetype>(step.strText.size())));
    m_painter.restore();
}
