// The twist chart for Qt: drawn with QPainter on any paint device (a window,
// an image, a PDF page) and saved as a picture file. It needs Qt GUI only, so
// a command line without a display can save pictures through the offscreen
// platform.
#pragma once

#include "plot/TwistChart.h"

#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;

class CTwistPlot {
public:
    static constexpr int kDefaultWidth = CTwistChart::kDefaultWidth;
    static constexpr int kDefaultHeight = CTwistChart::kDefaultHeight;
    static constexpr int kMaxSide = CTwistChart::kMaxSide;

    // strName goes in the title when the survey names no borehole; the
    // caller passes the file name.
    explicit CTwistPlot(CTwistProfile profile, const QString& strName = QString());

    const CTwistChart& Chart() const { return m_chart; }
    const CTwistProfile& Profile() const { return m_chart.Profile(); }
    QString Title() const;

    // Draws the whole picture, background included, into rect. On screens
    // and images a series keeps only the points that change a pixel row;
    // PDF and any other vector output get every station.
    void Draw(QPainter& painter, const QRectF& rect) const;

    // Saves the picture as the extension of strPath says: .png, .svg or
    // .pdf (any letter case). The picture is made under a temporary name
    // beside the target and renamed over it only when complete, so an
    // earlier picture is never left half-written. On failure it returns false
    // and, when pError is given, a sentence saying why.
    bool Save(const QString& strPath, QString* pError = nullptr,
              QSize size = QSize(kDefaultWidth, kDefaultHeight)) const;

private:
    CTwistChart m_chart;
};
