#include "plot/TwistPlot.h"

#include "plot/QtChartPainter.h"
#include "plot/SvgChartPainter.h"

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
#include <string>
#include <utility>

namespace {

// PDF pictures are drawn at 96 units an inch, the CSS pixel of SVG viewers;
// their pages are given in points.
constexpr int kPdfDpi = 96;
constexpr double kMetresPerInch = 0.0254;

QPageSize PageOf(PictureKind nKind, const PictureFormat& format) {
    if (!format.HasSize()) {
        return QPageSize(format.nPaper == PicturePaper::letter ? QPageSize::Letter : QPageSize::A4);
    }
    const PictureExtent extent = CPictureSize::Extent(nKind, format);
    return QPageSize(QSizeF(extent.dWidth, extent.dHeight), QPageSize::Point, QString(),
                     QPageSize::ExactMatch);
}

bool EncodePng(const CTwistPlot& plot, const PictureFormat& format, QBuffer& buffer) {
    const PictureExtent extent = CPictureSize::Extent(PictureKind::png, format);
    const QSize size(static_cast<int>(extent.dWidth), static_cast<int>(extent.dHeight));
    QImage image(size, QImage::Format_RGB32);
    QPainter painter;
    if (image.isNull() || !painter.begin(&image)) {
        return false;
    }
    // The resolution the text was sized for goes into the file, so that a
    // report or a printer places the picture at its size.
    const int nDotsPerMetre = static_cast<int>(std::lround(CPictureSize::kPngDpi / kMetresPerInch));
    image.setDotsPerMeterX(nDotsPerMetre);
    image.setDotsPerMeterY(nDotsPerMetre);
    const QRectF rect(QPointF(0, 0), QSizeF(size));
    plot.Draw(painter, rect,
              CTwistChart::PictureTextSize(ChartRect{0, 0, rect.width(), rect.height()},
                                           CPictureSize::UnitsPerPoint(PictureKind::png)));
    painter.end();
    return image.save(&buffer, "PNG");
}

bool EncodePdf(const CTwistPlot& plot, const PictureFormat& format, QBuffer& buffer) {
    QPdfWriter writer(&buffer);
    writer.setResolution(kPdfDpi);
    writer.setPageSize(PageOf(PictureKind::pdf, format));
    writer.setPageOrientation(QPageLayout::Portrait);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(plot.Title());
    writer.setCreator(QStringLiteral("Veltrane"));
    QPainter painter;
    if (!painter.begin(&writer)) {
        return false;
    }
    const double dUnitsPerPoint = kPdfDpi / CPictureSize::kPointsPerInch;
    const double dMargin = CPictureSize::Margin(PictureKind::pdf, format) * dUnitsPerPoint;
    const QRectF rect = QRectF(0, 0, writer.width(), writer.height())
                            .adjusted(dMargin, dMargin, -dMargin, -dMargin);
    plot.Draw(
        painter, rect,
        CTwistChart::PictureTextSize(ChartRect{0, 0, rect.width(), rect.height()}, dUnitsPerPoint));
    return painter.end();
}

// The whole picture file in memory. The PNG encoder in particular must not
// write to the disk itself: a write failing inside it leaves its buffers
// behind.
bool Encode(const CTwistPlot& plot, PictureKind nKind, const PictureFormat& format,
            QByteArray& bytes) {
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) {
        return false;
    }
    switch (nKind) {
    case PictureKind::png:
        return EncodePng(plot, format, buffer);
    case PictureKind::svg: {
        // Our own SVG, the same bytes as veltrane-convert writes anywhere.
        const PictureExtent extent = CPictureSize::Extent(PictureKind::svg, format);
        const std::string svg = CSvgChartPainter::Picture(
            plot.Chart(), static_cast<int>(extent.dWidth), static_cast<int>(extent.dHeight));
        return buffer.write(svg.data(), static_cast<qint64>(svg.size())) ==
               static_cast<qint64>(svg.size());
    }
    case PictureKind::pdf:
        return EncodePdf(plot, format, buffer);
    }
    return false;
}

} // namespace

CTwistPlot::CTwistPlot(CTwistProfile profile, const QString& strName)
    : m_chart(std::move(profile), strName.toStdString()) {}

QString CTwistPlot::Title() const {
    return QString::fromStdString(m_chart.Title());
}

void CTwistPlot::Draw(QPainter& painter, const QRectF& rect, double dTextSize) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const CQtTextMetrics metrics(painter.device());
    CQtChartPainter(painter).Paint(
        m_chart.Steps(ChartRect{rect.x(), rect.y(), rect.width(), rect.height()}, metrics,
                      CQtChartPainter::PixelRatio(painter), dTextSize));
    painter.restore();
}

bool CTwistPlot::Save(const QString& strPath, QString* pError, const PictureFormat& format) const {
    auto fail = [pError](const QString& strWhy) {
        if (pError) {
            *pError = strWhy;
        }
        return false;
    };
    if (Profile().m_nStatus != profileReady) {
        return fail(QString::fromLatin1(CTwistProfile::StatusText(Profile().m_nStatus)));
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
    if (!Encode(*this, nKind, format, bytes)) {
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
