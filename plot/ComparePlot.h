// Repeat surveys over each other for Qt: the comparison chart drawn with
// QPainter on any paint device (a window, an image, a PDF page) and saved as
// a picture file, as the twist plot is.
#pragma once

#include "plot/CompareChart.h"
#include "plot/PlotPicture.h"

#include <QRectF>
#include <QString>

class QPainter;

class CComparePlot : public CPlotPicture {
public:
    explicit CComparePlot(CSurveyComparison comparison) : m_chart(std::move(comparison)) {}

    const CCompareChart& Chart() const { return m_chart; }
    const CSurveyComparison& Comparison() const { return m_chart.Comparison(); }
    QString Title() const override { return QString::fromStdString(m_chart.Title()); }

    // Draws the whole picture, background included, into rect, with labels
    // dTextSize units high (a window passes its font's); 0 takes those of a
    // picture of rect at 96 units an inch.
    void Draw(QPainter& painter, const QRectF& rect, double dTextSize = 0.0) const;

private:
    QString Problem() const override;
    void DrawPicture(QPainter& painter, const QRectF& rect, double dTextSize) const override;
    std::string Svg(int nWidth, int nHeight) const override;

    CCompareChart m_chart;
};
