// The twist chart for Qt: drawn with QPainter on any paint device (a window,
// an image, a PDF page) and saved as a picture file. It needs Qt GUI only, so
// a command line without a display can save pictures through the offscreen
// platform.
#pragma once

#include "plot/TwistChart.h"

#include <QRectF>
#include <QSize>
#include <QString>
#include <utility>

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

    // The largest interval and the limit the plot marks; none at first.
    void SetMarks(TwistMarks marks) { m_chart.SetMarks(std::move(marks)); }

    // Draws the whole picture, background included, into rect. On screens
    // and images a series keeps only the points that change a pixel row;
    // PDF and any other vector output get every station. dTextSize is the
    // labels' size in the painter's units (a window passes its font's); 0
    // takes that of a picture of rect at 96 units an inch.
    void Draw(QPainter& painter, const QRectF& rect, double dTextSize = 0.0) const;

    // Saves the picture as the extension of strPath says: .png, .svg or
    // .pdf (any letter case), of the size format asks for, or the type's
    // default (a PDF: a page of format's paper). The picture is made under a
    // temporary name beside the target and renamed over it only when
    // complete, so an earlier picture is never left half-written. On failure
    // it returns false and, when pError is given, a sentence saying why.
    bool Save(const QString& strPath, QString* pError = nullptr,
              const PictureFormat& format = PictureFormat()) const;

private:
    CTwistChart m_chart;
};
