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

#include <string>
#include <utility>

namespace {

// PDF pictures count one unit a pixel at 96 per inch, the CSS pixel of SVG
// viewers: 1200 x 900 is 12.5 x 9.375 inches.
constexpr int kPictureDpi = 96;

enum class PictureType { png, svg, pdf };

// The whole picture file in memory. The PNG encoder in particular must not
// write to the disk itself: a write failing inside it leaves its buffers
// behind.
bool Encode(const CTwistPlot& plot, PictureType type, QSize size, QByteArray& bytes) {
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QRectF rect(QPointF(0, 0), QSizeF(size));
    QPainter painter;
    switch (type) {
    case PictureType::png: {
        QImage image(size, QImage::Format_RGB32);
        if (image.isNull() || !painter.begin(&image)) {
            return false;
        }
        plot.Draw(painter, rect);
        painter.end();
        return image.save(&buffer, "PNG");
    }
    case PictureType::svg: {
        // Our own SVG, the same bytes as veltrane-convert writes anywhere.
        const std::string svg =
            CSvgChartPainter::Picture(plot.Chart(), size.width(), size.height());
        return buffer.write(svg.data(), static_cast<qint64>(svg.size())) ==
               static_cast<qint64>(svg.size());
    }
    case PictureType::pdf: {
        QPdfWriter writer(&buffer);
        writer.setResolution(kPictureDpi);
        writer.setPageSize(QPageSize(QSizeF(size) * 72.0 / kPictureDpi, QPageSize::Point, QString(),
                                     QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(plot.Title());
        writer.setCreator(QStringLiteral("Veltrane"));
        if (!painter.begin(&writer)) {
            return false;
        }
        plot.Draw(painter, QRectF(0, 0, writer.width(), writer.height()));
        return painter.end();
    }
    }
    return false;
}

} // namespace

CTwistPlot::CTwistPlot(CTwistProfile profile, const QString& strName)
    : m_chart(std::move(profile), strName.toStdString()) {}

QString CTwistPlot::Title() const {
    return QString::fromStdString(m_chart.Title());
}

void CTwistPlot::Draw(QPainter& painter, const QRectF& rect) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const CQtTextMetrics metrics(painter.device());
    CQtChartPainter(painter).Paint(
        m_chart.Steps(ChartRect{rect.x(), rect.y(), rect.width(), rect.height()}, metrics,
                      CQtChartPainter::PixelRatio(painter)));
    painter.restore();
}

bool CTwistPlot::Save(const QString& strPath, QString* pError, QSize size) const {
    auto fail = [pError](const QString& strWhy) {
        if (pError) {
            *pError = strWhy;
        }
        return false;
    };
    if (Profile().m_nStatus != profileReady) {
        return fail(QString::fromLatin1(CTwistProfile::StatusText(Profile().m_nStatus)));
    }
    if (size.width() < 1 || size.height() < 1 || size.width() > kMaxSide ||
        size.height() > kMaxSide) {
        return fail(
            QStringLiteral("A picture must be 1 to %1 pixels wide and high.").arg(kMaxSide));
    }
    PictureType type;
    const QString strType = QFileInfo(strPath).suffix().toLower();
    if (strType == QLatin1String("png")) {
        type = PictureType::png;
    } else if (strType == QLatin1String("svg")) {
        type = PictureType::svg;
    } else if (strType == QLatin1String("pdf")) {
        type = PictureType::pdf;
    } else {
        return fail(QStringLiteral("%1: the picture type is not known; name it .png, .svg or .pdf.")
                        .arg(strPath));
    }

    QSaveFile file(strPath);
    if (!file.open(QIODevice::WriteOnly)) {
        return fail(QStringLiteral("%1: %2").arg(strPath, file.errorString()));
    }
    QByteArray bytes;
    if (!Encode(*this, type, size, bytes)) {
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
