// Repeat surveys over each other for Qt: the comparison chart drawn with
// QPainter on any paint device (a window, an image, a PDF page) and saved as
// a picture file, as the twist plot is.
#pragma once

#include "plot/CompareChart.h"

#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;

class CComparePlot {
public:
    explicit CComparePlot(CSurveyComparison comparison) : m_chart(std::move(comparison)) {}

    const CCompareChart& Chart() const { return m_chart; }
    const CSurveyComparison& Comparison() const { return m_chart.Comparison(); }
    QString Title() const { return QString::fromStdString(m_chart.Title()); }
    // The window's text size for the chart's labels; 0 follows the size.
    void SetTextPixels(double dPixels) { m_chart.SetTextPixels(dPixels); }

    // Draws the whole picture, background included, into rect.
    void Draw(QPainter& painter, const QRectF& rect) const;

    // Saves the picture as the extension of strPath says (.png, .svg or
    // .pdf, any letter case), whole or not at all. False, with a sentence in
    // *pError when given, when the surveys were not compared or the picture
    // could not be saved.
    bool Save(const QString& strPath, QString* pError = nullptr,
              QSize size = QSize(CCompareChart::kDefaultWidth,
                                 CCompareChart::kDefaultHeight)) const;

private:
    CCompareChart m_chart;
};
