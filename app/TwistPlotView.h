// The twist plot of the survey on show, drawn into the window by the same
// renderer that saves pictures, at whatever size the window gives it.
#pragma once

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

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    std::optional<CTwistPlot> m_plot;
};
