#include "app/TwistPlotView.h"

#include <QPainter>

CTwistPlotView::CTwistPlotView(QWidget* pParent) : QWidget(pParent) {
    // The plot paints its own background over the whole widget.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CTwistPlotView::SetPlot(std::optional<CTwistPlot> plot) {
    m_plot = std::move(plot);
    update();
}

QSize CTwistPlotView::sizeHint() const {
    return QSize(480, 400);
}

QSize CTwistPlotView::minimumSizeHint() const {
    // Below this the axis labels crowd the tracks out.
    return QSize(240, 160);
}

void CTwistPlotView::paintEvent(QPaintEvent* /*pEvent*/) {
    QPainter painter(this);
    if (m_plot) {
        m_plot->Draw(painter, QRectF(rect()));
    } else {
        painter.fillRect(rect(), palette().base());
    }
}
