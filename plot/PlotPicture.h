// A chart drawn with Qt and saved as a picture file: PNG at 96 pixels an
// inch, our own SVG, or a PDF on a page of paper. The twist plot and the
// comparison of repeat surveys save through it, so that both honour the same
// sizes, papers and text sizes, and both replace an earlier picture whole.
#pragma once

#include "plot/PictureSize.h"

#include <QRectF>
#include <QString>
#include <string>

class QPainter;

class CPlotPicture {
public:
    virtual ~CPlotPicture() = default;

    virtual QString Title() const = 0;

    // Saves the picture as the extension of strPath says: .png, .svg or
    // .pdf (any letter case), of the size format asks for, or the type's
    // default (a PDF: a page of format's paper). The picture is made under a
    // temporary name beside the target and renamed over it only when
    // complete, so an earlier picture is never left half-written. On failure
    // it returns false and, when pError is given, a sentence saying why.
    bool Save(const QString& strPath, QString* pError = nullptr,
              const PictureFormat& format = PictureFormat()) const;

protected:
    friend class CPictureEncoder;

    CPlotPicture() = default;
    CPlotPicture(const CPlotPicture&) = default;
    CPlotPicture& operator=(const CPlotPicture&) = default;

    // Why there is nothing to draw; empty when the chart can be drawn.
    virtual QString Problem() const = 0;
    // The whole picture in rect, with labels dTextSize units high.
    virtual void DrawPicture(QPainter& painter, const QRectF& rect, double dTextSize) const = 0;
    // Our own SVG picture of the size, in points.
    virtual std::string Svg(int nWidth, int nHeight) const = 0;
};
