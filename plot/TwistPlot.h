// The twist chart for Qt: drawn with QPainter on any paint device (a window,
// an image, a PDF page) and saved as a picture file. It needs Qt GUI only, so
// a command line without a display can save pictures through the offscreen
// platform.
#pragma once

#include "plot/PlotPicture.h"
#include "plot/TwistChart.h"

#include <QRectF>
#include <QSize>
#include <QString>
#include <utility>

class QPainter;

class CTwistPlot : public CPlotPicture {
public:
    static constexpr int kDefaultWidth = CTwistChart::kDefaultWidth;
    static constexpr int kDefaultHeight = CTwistChart::kDefaultHeight;
    static constexpr int kMaxSide = CTwistChart::kMaxSide;

    // strName goes in the title when the survey names no borehole; the
    // caller passes the file name.
    explicit CTwistPlot(CTwistProfile profile, const QString& strName = QString());

    const CTwistChart& Chart() const { return m_chart; }
    const CTwistProfile& Profile() const { return m_chart.Profile(); }
    QString Title() const override;

    // The largest interval and the limit the plot marks; none at first.
    void SetMarks(TwistMarks marks) { m_chart.SetMarks(std::move(marks)); }

    // Draws the whole picture, background included, into rect. On screens
    // and images a series keeps only the points that change a pixel row;
    // PDF and any other vector output get every station. dTextSize is the
    // labels' size in the painter's units (a window passes its font's); 0
    // takes that of a picture of rect at 96 units an inch.
    void Draw(QPainter& painter, const QRectF& rect, double dTextSize = 0.0) const;

private:
    QString Problem() const override;
    void DrawPicture(QPainter& painter, const QRectF& rect, double dTextSize) const override;
    std::string Svg(int nWidth, int nHeight) const override;

    CTwistChart m_chart;
};
