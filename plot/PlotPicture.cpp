#include "plot/PlotPicture.h"

#include "plot/TwistChart.h"

#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QImage>
#include <QMarginsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <cmath>

namespace {

// PDF pictures are drawn at 96 units an inch, the CSS pixel of SVG viewers;
// their pages are given in points.
constexpr int kPdfDpi = 96;
constexpr double kMetresPerInch = 0.0254;

// The label size of a picture of rect, whose units count dUnitsPerPoint a point.
double TextSizeOf(const QRectF& rect, double dUnitsPerPoint) {
    return CTwistChart::PictureTextSize(ChartRect{0, 0, rect.width(), rect.height()},
                                        dUnitsPerPoint);
}

QPageSize PageOf(PictureKind nKind, const PictureFormat& format) {
    if (!format.HasSize()) {
        return QPageSize(format.nPaper == PicturePaper::letter ? QPageSize::Letter : QPageSize::A4);
    }
    const PictureExtent extent = CPictureSize::Extent(nKind, format);
    return QPageSize(QSizeF(extent.dWidth, extent.dHeight), QPageSize::Point, QString(),
                     QPageSize::ExactMatch);
}

} // namespace

// The whole picture file in memory. The PNG encoder in particular must not
// write to the disk itself: a write failing inside it leaves its buffers
// behind.
class CPictureEncoder {
public:
    explicit CPictureEncoder(const CPlotPicture& picture) : m_picture(picture) {}

    bool Encode(PictureKind nKind, const PictureFormat& format, QByteArray& bytes) const {
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly)) {
            return false;
        }
        switch (nKind) {
        case PictureKind::png:
            return Png(format, buffer);
        case PictureKind::svg: {
            // Our own SVG, the same bytes as veltrane-convert writes anywhere.
            const PictureExtent extent = CPictureSize::Extent(PictureKind::svg, format);
            const std::string svg =
                m_picture.Svg(static_cast<int>(extent.dWidth), static_cast<int>(extent.dHeight));
            return buffer.write(svg.data(), static_cast<qint64>(svg.size())) ==
                   static_cast<qint64>(svg.size());
        }
        case PictureKind::pdf:
            return Pdf(format, buffer);
        }
        return false;
    }

private:
    bool Png(const PictureFormat& format, QBuffer& buffer) const {
        const PictureExtent extent = CPictureSize::Extent(PictureKind::png, format);
        const QSize size(static_cast<int>(extent.dWidth), static_cast<int>(extent.dHeight));
        QImage image(size, QImage::Format_RGB32);
        QPainter painter;
        if (image.isNull() || !painter.begin(&image)) {
            return false;
        }
        // The resolution the text was sized for goes into the file, so that
        // a report or a printer places the picture at its size.
        const int nDotsPerMetre =
            static_cast<int>(std::lround(CPictureSize::kPngDpi / kMetresPerInch));
        image.setDotsPerMeterX(nDotsPerMetre);
        image.setDotsPerMeterY(nDotsPerMetre);
        const QRectF rect(QPointF(0, 0), QSizeF(size));
        m_picture.DrawPicture(painter, rect,
                              TextSizeOf(rect, CPictureSize::UnitsPerPoint(PictureKind::png)));
        painter.end();
        return image.save(&buffer, "PNG");
    }

    bool Pdf(const PictureFormat& format, QBuffer& buffer) const {
        QPdfWriter writer(&buffer);
        writer.setResolution(kPdfDpi);
        writer.setPageSize(PageOf(PictureKind::pdf, format));
        writer.setPageOrientation(QPageLayout::Portrait);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(m_picture.Title());
        writer.setCreator(QStringLiteral("Veltrane"));
        QPainter painter;
        if (!painter.begin(&writer)) {
            return false;
        }
        const double dUnitsPerPoint = kPdfDpi / CPictureSize::kPointsPerInch;
        const double dMargin = CPictureSize::Margin(PictureKind::pdf, format) * dUnitsPerPoint;
        const QRectF rect = QRectF(0, 0, writer.width(), writer.height())
                                .adjusted(dMargin, dMargin, -dMargin, -dMargin);
        m_picture.DrawPicture(painter, rect, TextSizeOf(rect, dUnitsPerPoint));
        return painter.end();
    }

    const CPlotPicture& m_picture;
};

bool CPlotPicture::Save(const QString& strPath, QString* pError,
                        const PictureFormat& format) const {
    auto fail = [pError](const QString& strWhy) {
        if (pError) {
            *pError = strWhy;
        }
        return false;
    };
    if (const QString strProblem = Problem(); !strProblem.isEmpty()) {
        return fail(strProblem);
    }
    if (format.HasSize() && !CPictureSize::IsValid(format.nWidth, format.nHeight)) {
        return fail(QStringLiteral("A picture's size must be %1.")
                        .arg(QString::fromStdString(CPictureSize::Rule())));
    }
    PictureKind nKind = PictureKind::png;
    if (!CPictureSize::KindOf(QFileInfo(strPath).suffix().toStdString(), nKind)) {
        return fail(QStringLiteral("%1: the picture type is not known; name it .png, .svg or .pdf.")
                        .arg(strPath));
    }

    QSaveFile file(strPath);
    if (!file.open(QIODevice::WriteOnly)) {
        return fail(QStringLiteral("%1: %2").arg(strPath, file.errorString()));
    }
    QByteArray bytes;
    if (!CPictureEncoder(*this).Encode(nKind, format, bytes)) {
        file.cancelWriting();
        return fail(QStringLiteral("%1: the picture could not be drawn.").arg(strPath));
    }
    // The whole picture in one write, and every byte on its way to the disk
    // before the commit: a short write (a full disk, a size limit) is caught
    // here, where the commit alone would put the truncated file in place.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return fail(
            QStringLiteral("%1: the picture could not be written completely.").arg(strPath));
    }
    if (!file.commit()) {
        return fail(QStringLiteral("%1: %2").arg(strPath, file.errorString()));
    }
    return true;
}
