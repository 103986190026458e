// The twist plot of the survey on show, drawn into the window by the same
// renderer that saves pictures, at whatever size the window gives it. It
// takes the keyboard focus, so that its menu opens from the keyboard too.
#pragma once

#include "plot/ComparePlot.h"
#include "plot/TwistPlot.h"

#include <QWidget>
#include <optional>

class CTwistPlotView : public QWidget {
    Q_OBJECT

public:
    explicit CTwistPlotView(QWidget* pParent = nullptr);

    // The plot to draw, or none (the view stays blank).
    void SetPlot(std::optional<CTwistPlot> plot);
    const CTwistPlot* Plot() const { return m_plot ? &*m_plot : nullptr; }
    // Repeat surveys over each other in place of the plot, or none.
    void SetComparison(std::optional<CComparePlot> comparison);
    const CComparePlot* Comparison() const { return m_comparison ? &*m_comparison : nullptr; }

    // The plot's labels in the window: the size of the widget's font, so
    // that they follow the desktop's font and its scale (QT_FONT_DPI).
    double TextSize() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    // The Menu key and Shift+F10 open the window's menu for the plot, at
    // its middle.
    void keyPressEvent(QKeyEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    void OpenMenuAtMiddle(Qt::KeyboardModifiers modifiers);

private:
    std::optional<CTwistPlot> m_plot;
    std::optional<CComparePlot> m_comparison;
};
