#include "plot/ComparePlot.h"

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

namespace {

// PDF pictures count one unit a pixel at 96 per inch, as the twist plot's do.
constexpr int kPictureDpi = 96;

bool EncodePng(const CComparePlot& plot, QSize size, QBuffer& buffer) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter;
    if (image.isNull() || !painter.begin(&image)) {
        return false;
    }
    plot.Draw(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image.save(&buffer, "PNG");
}

bool EncodePdf(const CComparePlot& plot, QSize size, QBuffer& buffer) {
    QPdfWriter writer(&buffer);
    writer.setResolution(kPictureDpi);
    writer.setPageSize(QPageSize(QSizeF(size) * 72.0 / kPictureDpi, QPageSize::Point, QString(),
                                 QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(plot.Title());
    writer.setCreator(QStringLiteral("Veltrane"));
    QPainter painter;
    if (!painter.begin(&writer)) {
        return false;
    }
    plot.Draw(painter, QRectF(0, 0, writer.width(), writer.height()));
    return painter.end();
}

// The whole picture in memory, of the type strType names; false for a type
// it does not know or a drawing that failed.
bool Encode(const CComparePlot& plot, const QString& strType, QSize size, QByteArray& bytes) {
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) {
        return false;
    }
    if (strType == QLatin1String("png")) {
        return EncodePng(plot, size, buffer);
    }
    if (strType == QLatin1String("pdf")) {
        return EncodePdf(plot, size, buffer);
    }
    // Our own SVG, the same bytes as veltrane-convert writes anywhere.
    const std::string svg = CSvgChartPainter::Picture(plot.Chart(), size.width(), size.height());
    return buffer.write(svg.data(), static_cast<qint64>(svg.size())) ==
           static_cast<qint64>(svg.size());
}

} // namespace

void CComparePlot::Draw(QPainter& painter, const QRectF& rect) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const CQtTextMetrics metrics(painter.device());
    CQtChartPainter(painter).Paint(
        m_chart.Steps(ChartRect{rect.x(), rect.y(), rect.width(), rect.height()}, metrics,
                      CQtChartPainter::PixelRatio(painter)));
    painter.restore();
}

bool CComparePlot::Save(const QString& strPath, QString* pError, QSize size) const {
    auto fail = [pError](const QString& strWhy) {
        if (pError) {
            *pError = strWhy;
        }
        return false;
    };
    if (!Comparison().IsReady()) {
        return fail(QString::fromStdString(Comparison().Problem()));
    }
    if (size.width() < 1 || size.height() < 1 || size.width() > CCompareChart::kMaxSide ||
        size.height() > CCompareChart::kMaxSide) {
        return fail(QStringLiteral("A picture must be 1 to %1 pixels wide and high.")
                        .arg(CCompareChart::kMaxSide));
    }
    const QString strType = QFileInfo(strPath).suffix().toLower();
    if (strType != QLatin1String("png") && strType != QLatin1String("svg") &&
        strType != QLatin1String("pdf")) {
        return fail(QStringLiteral("%1: the picture type is not known; name it .png, .svg or .pdf.")
                        .arg(strPath));
    }
    QSaveFile file(strPath);
    if (!file.open(QIODevice::WriteOnly)) {
        return fail(QStringLiteral("%1: %2").arg(strPath, file.errorString()));
    }
    QByteArray bytes;
    if (!Encode(*this, strType, size, bytes)) {
        file.cancelWriting();
        return fail(QStringLiteral("%1: the picture could not be drawn.").arg(strPath));
    }
    // One write, flushed before the commit, so a short write is caught here.
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
