// The twist profile drawn as a borehole log: depth down the left side, a
// wide track with the cumulative twist and a narrow one with the twist of
// each interval, under a title with the borehole and the reading date. It
// paints with QPainter on any paint device (a window, an image, an SVG or PDF
// generator) and needs Qt GUI only, so a command line without a display can
// save pictures through the offscreen platform.
#pragma once

#include "survey/TwistProfile.h"

#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;
class QPaintDevice;

// An axis at round numbers from dMin to dMax with ticks at the multiples of
// dStep, the step 1, 2 or 5 times a power of ten.
struct TwistAxis {
    double dMin = 0.0;
    double dMax = 1.0;
    double dStep = 1.0;
    int nDecimals = 0; // decimals the tick labels need
};

class CTwistPlot {
public:
    static constexpr int kDefaultWidth = 1200;
    static constexpr int kDefaultHeight = 900;
    // Larger pictures are refused rather than risk an image of gigabytes.
    static constexpr int kMaxSide = 16384;

    // Where the parts of the picture go in a rectangle on a device.
    struct Layout {
        QRectF rectTitle;      // the title and the legend
        QRectF rectCumulative; // the cumulative twist track
        QRectF rectInterval;   // the twist-per-interval track
        TwistAxis depthAxis;   // shared by both tracks, dMin at the top
        TwistAxis cumulativeAxis;
        TwistAxis intervalAxis;
    };

    // strName goes in the title when the survey names no borehole; the
    // caller passes the file name.
    explicit CTwistPlot(CTwistProfile profile, QString strName = QString());

    const CTwistProfile& Profile() const { return m_profile; }
    // "B12 - 02/12/2010 20:28": the borehole (or the name given) and the date.
    QString Title() const;

    // The layout Draw uses for this rectangle on this device (its fonts are
    // measured there).
    Layout LayoutFor(const QRectF& rect, const QPaintDevice* pDevice) const;

    // Draws the whole picture, background included, into rect. On screens
    // and images a series keeps only the points that change a pixel row, and
    // one with more stations than pixel rows is drawn without antialiasing;
    // SVG, PDF and any other vector output get every station.
    void Draw(QPainter& painter, const QRectF& rect) const;

    // Saves the picture as the extension of strPath says: .png, .svg or
    // .pdf (any letter case). The picture is made under a temporary name
    // beside the target and renamed over it only when complete, so an
    // earlier picture is never left half-written. On failure it returns false
    // and, when pError is given, a sentence saying why.
    bool Save(const QString& strPath, QString* pError = nullptr,
              QSize size = QSize(kDefaultWidth, kDefaultHeight)) const;

    // Round-number ticks covering dLow to dHigh in at most nMaxTicks steps
    // (at least 1). The axis ends on ticks, except where that would leave
    // more than a tenth of it empty: that end stops at the next fifth of a
    // step. An empty span is widened around its value; bounds that are not
    // finite give 0 to 1.
    static TwistAxis NiceAxis(double dLow, double dHigh, int nMaxTicks);

private:
    struct Fonts;

    CTwistProfile m_profile;
    QString m_strName;
};
