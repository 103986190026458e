#include "app/TwistPlotView.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPen>

namespace {

constexpr double kPointsPerInch = 72.0;

} // namespace

CTwistPlotView::CTwistPlotView(QWidget* pParent) : QWidget(pParent) {
    // The plot paints its own background over the whole widget.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Twist plot"));
}

void CTwistPlotView::SetPlot(std::optional<CTwistPlot> plot) {
    m_plot = std::move(plot);
    m_comparison.reset();
    update();
}

void CTwistPlotView::SetComparison(std::optional<CComparePlot> comparison) {
    m_comparison = std::move(comparison);
    if (m_comparison) {
        m_plot.reset();
    }
    update();
}

QSize CTwistPlotView::sizeHint() const {
    return QSize(480, 400);
}

QSize CTwistPlotView::minimumSizeHint() const {
    // Below this the axis labels crowd the tracks out.
    return QSize(240, 160);
}

double CTwistPlotView::TextSize() const {
    const QFont& widgetFont = font();
    if (widgetFont.pointSizeF() > 0.0) {
        return widgetFont.pointSizeF() * logicalDpiY() / kPointsPerInch;
    }
    return widgetFont.pixelSize();
}

void CTwistPlotView::paintEvent(QPaintEvent* /*pEvent*/) {
    // The painter counts the window's units; the chart draws its lines and
    // text in the device pixels under them (two a unit at 200%).
    QPainter painter(this);
    if (m_comparison) {
        m_comparison->Draw(painter, QRectF(rect()), TextSize());
    } else if (m_plot) {
        m_plot->Draw(painter, QRectF(rect()), TextSize());
    } else {
        painter.fillRect(rect(), palette().base());
    }
    if (hasFocus()) {
        // An outline in the selection colour; a style's own focus frame may
        // tint the whole plot.
        const int nWidth = qMax(2, fontMetrics().height() / 8);
        painter.setPen(QPen(palette().color(QPalette::Highlight), nWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(
            QRectF(rect()).adjusted(nWidth / 2.0, nWidth / 2.0, -nWidth / 2.0, -nWidth / 2.0));
    }
}

void CTwistPlotView::keyPressEvent(QKeyEvent* pEvent) {
    const Qt::KeyboardModifiers modifiers = pEvent->modifiers() & ~Qt::KeypadModifier;
    if ((pEvent->key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
        (pEvent->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier)) {
        OpenMenuAtMiddle(pEvent->modifiers());
        return;
    }
    QWidget::keyPressEvent(pEvent);
}

void CTwistPlotView::contextMenuEvent(QContextMenuEvent* pEvent) {
    // A desktop's own Menu key event points nowhere useful in a plot.
    if (pEvent->reason() == QContextMenuEvent::Keyboard) {
        OpenMenuAtMiddle(pEvent->modifiers());
        return;
    }
    pEvent->ignore();
}

void CTwistPlotView::OpenMenuAtMiddle(Qt::KeyboardModifiers modifiers) {
    // The window holds the menu; the event goes up to it as a click would.
    if (parentWidget() == nullptr) {
        return;
    }
    const QPoint middle = rect().center();
    QContextMenuEvent event(QContextMenuEvent::Keyboard,
                            parentWidget()->mapFromGlobal(mapToGlobal(middle)), mapToGlobal(middle),
                            modifiers);
    QCoreApplication::sendEvent(parentWidget(), &event);
}
