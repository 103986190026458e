#include "plot/TwistPlot.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QMarginsF>
#include <QPageSize>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include <QPolygonF>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Okabe-Ito blue and orange: apart for readers with any common colour-vision
// deficiency; the series differ in line width and marker as well.
constexpr QRgb kCumulativeRgb = 0xFF0072B2;
constexpr QRgb kIntervalRgb = 0xFFE69F00;
constexpr QRgb kTextRgb = 0xFF222222;
constexpr QRgb kFrameRgb = 0xFF666666;
constexpr QRgb kZeroRgb = 0xFF333333;
constexpr QRgb kGridRgb = 0xFFDDDDDD;

constexpr const char* kCumulativeLegend = "Cumulative twist";
constexpr const char* kIntervalLegend = "Twist per interval";
constexpr const char* kCumulativeTitle = "Cumulative twist (degrees)";
constexpr const char* kIntervalTitle = "Twist per interval (degrees)";
constexpr const char* kDepthTitle = "Depth";
constexpr const char* kNoStations = "The survey has no measured stations.";

// The cumulative track's share of the width both tracks have.
constexpr double kCumulativeShare = 0.68;
// Tick labels a track or the depth axis holds at most.
constexpr int kMaxHorizontalTicks = 10;
constexpr int kMaxVerticalTicks = 12;
// SVG and PDF pictures count one unit a pixel at 96 per inch, the CSS pixel
// of SVG viewers: 1200 x 900 is 12.5 x 9.375 inches.
constexpr int kPictureDpi = 96;
// The largest axis bound, twice which is still a number, and the narrowest
// span, a tenth of which is still a normal number.
constexpr double kFarthest = 1e300;
constexpr double kNearest = 1e-290;
// Bounds a hair beyond a tick (a sum of tenths) count as on it.
constexpr double kFuzz = 1e-9;
// More ticks than this only come from an axis that is not meant to be drawn.
constexpr int kMaxTicks = 1000;
// An axis ending on a tick may leave this share of its span empty; beyond
// it the axis ends on the next fifth of a step.
constexpr double kMaxEmpty = 0.1;
constexpr double kMinorSteps = 5.0;
// Decimals beyond which tick labels stop being useful.
constexpr int kMaxDecimals = 9;

// Picture sizes are in device units; every length of the picture follows
// the text size, which follows the picture size.
double TextPixels(const QRectF& rect) {
    return std::clamp(std::round(std::min(rect.width(), rect.height() * 4.0 / 3.0) / 80.0), 8.0,
                      16.0);
}

QString FromBytes(const CString& str) {
    return QString::fromLocal8Bit(str, str.GetLength());
}

// The ticks are the multiples of the step from dMin to dMax. As multiples
// they hit zero exactly, so no label reads "-0.0".
double FirstTick(const TwistAxis& axis) {
    return std::ceil(axis.dMin / axis.dStep - kFuzz);
}

int TickCount(const TwistAxis& axis) {
    const double dCount = std::floor(axis.dMax / axis.dStep + kFuzz) - FirstTick(axis) + 1;
    return dCount > 0 && dCount <= kMaxTicks ? static_cast<int>(dCount) : 0;
}

double TickValue(const TwistAxis& axis, int i) {
    return (FirstTick(axis) + i) * axis.dStep;
}

QString TickText(const TwistAxis& axis, int i) {
    return QString::number(TickValue(axis, i), 'f', axis.nDecimals);
}

double WidestTick(const TwistAxis& axis, const QFontMetricsF& metrics) {
    double dWidest = 0.0;
    for (int i = 0; i < TickCount(axis); ++i) {
        dWidest = std::max(dWidest, metrics.horizontalAdvance(TickText(axis, i)));
    }
    return dWidest;
}

// As many ticks as fit along a width with their labels a space apart.
TwistAxis FitHorizontal(double dLow, double dHigh, double dWidth, const QFontMetricsF& metrics) {
    const double dSpace = metrics.height();
    for (int nTicks = std::clamp(static_cast<int>(dWidth / (4.0 * dSpace)), 1, kMaxHorizontalTicks);
         ; --nTicks) {
        const TwistAxis axis = CTwistPlot::NiceAxis(dLow, dHigh, nTicks);
        const double dPerStep = dWidth * axis.dStep / (axis.dMax - axis.dMin);
        if (nTicks == 1 || dPerStep >= WidestTick(axis, metrics) + dSpace) {
            return axis;
        }
    }
}

TwistAxis FitVertical(double dLow, double dHigh, double dHeight, const QFontMetricsF& metrics) {
    const int nTicks =
        std::clamp(static_cast<int>(dHeight / (2.5 * metrics.height())), 1, kMaxVerticalTicks);
    return CTwistPlot::NiceAxis(dLow, dHigh, nTicks);
}

double MapX(const TwistAxis& axis, const QRectF& track, double dValue) {
    return track.left() + (dValue - axis.dMin) / (axis.dMax - axis.dMin) * track.width();
}

double MapY(const TwistAxis& axis, const QRectF& track, double dDepth) {
    return track.top() + (dDepth - axis.dMin) / (axis.dMax - axis.dMin) * track.height();
}

// Whether the painter fills pixels (a window or an image) rather than
// recording shapes (SVG, PDF, a picture).
bool PaintsPixels(const QPainter& painter) {
    const QPaintEngine* pEngine = painter.paintEngine();
    if (!pEngine) {
        return false;
    }
    switch (pEngine->type()) {
    case QPaintEngine::Raster:
    case QPaintEngine::OpenGL:
    case QPaintEngine::OpenGL2:
        return true;
    default:
        return false;
    }
}

// Keeps, of each run of consecutive points in one device pixel row, the
// first, the leftmost, the rightmost and the last. The line then covers the
// same pixels with at most four points a row, whatever the station count.
QPolygonF KeepPixelRows(const QPolygonF& points, const QTransform& toDevice) {
    const double dScale = toDevice.m22();
    const double dShift = toDevice.dy();
    auto row = [&](int i) { return std::floor(points[i].y() * dScale + dShift); };
    QPolygonF kept;
    const int nCount = static_cast<int>(points.size());
    for (int i = 0; i < nCount;) {
        const double dRow = row(i);
        int nLast = i, nLeft = i, nRight = i;
        while (nLast + 1 < nCount && row(nLast + 1) == dRow) {
            ++nLast;
            if (points[nLast].x() < points[nLeft].x()) {
                nLeft = nLast;
            }
            if (points[nLast].x() > points[nRight].x()) {
                nRight = nLast;
            }
        }
        const int keep[] = {i, std::min(nLeft, nRight), std::max(nLeft, nRight), nLast};
        int nPrevious = -1;
        for (int k : keep) {
            if (k != nPrevious) {
                kept.append(points[k]);
                nPrevious = k;
            }
        }
        i = nLast + 1;
    }
    return kept;
}

enum class Marker { circle, square };

void DrawMarker(QPainter& painter, Marker marker, const QPointF& at, double dRadius) {
    const QRectF box(at.x() - dRadius, at.y() - dRadius, 2 * dRadius, 2 * dRadius);
    if (marker == Marker::circle) {
        painter.drawEllipse(box);
    } else {
        painter.drawRect(box);
    }
}

struct SeriesStyle {
    QPen pen;
    Marker marker;
};

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
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setResolution(kPictureDpi);
        generator.setSize(size);
        generator.setViewBox(rect);
        generator.setTitle(plot.Title());
        if (!painter.begin(&generator)) {
            return false;
        }
        plot.Draw(painter, rect);
        return painter.end();
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

struct CTwistPlot::Fonts {
    explicit Fonts(const QRectF& rect, const QPaintDevice* pDevice)
        : dPixels(TextPixels(rect)), base(MakeFont(dPixels, false)),
          title(MakeFont(std::round(dPixels * 1.25), true)), metrics(base, pDevice),
          titleMetrics(title, pDevice) {}

    // The generic family: SVG viewers know "sans-serif", and Qt maps it to
    // the system's sans-serif font.
    static QFont MakeFont(double dPixels, bool bBold) {
        QFont font(QStringLiteral("sans-serif"));
        font.setStyleHint(QFont::SansSerif);
        font.setPixelSize(static_cast<int>(dPixels));
        font.setBold(bBold);
        return font;
    }

    double dPixels;
    QFont base;
    QFont title;
    QFontMetricsF metrics;
    QFontMetricsF titleMetrics;
};

CTwistPlot::CTwistPlot(CTwistProfile profile, QString strName)
    : m_profile(std::move(profile)), m_strName(std::move(strName)) {}

QString CTwistPlot::Title() const {
    const QString strName =
        m_profile.m_strTitle.IsEmpty() ? m_strName.trimmed() : FromBytes(m_profile.m_strTitle);
    const QString strDate = FromBytes(m_profile.DateText());
    return strName.isEmpty() ? strDate : strName + QStringLiteral(" - ") + strDate;
}

TwistAxis CTwistPlot::NiceAxis(double dLow, double dHigh, int nMaxTicks) {
    if (!std::isfinite(dLow) || !std::isfinite(dHigh)) {
        dLow = 0.0;
        dHigh = 1.0;
    }
    // Bounds this far out still leave a span and a step that are numbers.
    dLow = std::clamp(dLow, -kFarthest, kFarthest);
    dHigh = std::clamp(dHigh, -kFarthest, kFarthest);
    if (dLow > dHigh) {
        std::swap(dLow, dHigh);
    }
    if (!(dHigh - dLow > kNearest)) {
        // A flat series, or one too narrow for its step to be a number, still
        // gets a span, with its value in the middle.
        const double dHalf = std::max(std::fabs(dLow) * 0.5, 1.0);
        dLow -= dHalf;
        dHigh += dHalf;
    }
    nMaxTicks = std::max(1, nMaxTicks);
    const double dSpan = dHigh - dLow;
    const double dMagnitude = std::pow(10.0, std::floor(std::log10(dSpan / nMaxTicks)));
    TwistAxis axis;
    for (double dFactor : {1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0}) {
        axis.dStep = dFactor * dMagnitude;
        axis.dMin = std::floor(dLow / axis.dStep + kFuzz) * axis.dStep;
        axis.dMax = std::ceil(dHigh / axis.dStep - kFuzz) * axis.dStep;
        if (std::lround((axis.dMax - axis.dMin) / axis.dStep) <= nMaxTicks) {
            break;
        }
    }
    // A small excursion past a tick (a survey that dips just below zero)
    // would cost a whole step of empty track: that end stops at the next
    // fifth of a step instead, as long as two ticks remain.
    const double dMinor = axis.dStep / kMinorSteps;
    TwistAxis trimmed = axis;
    if (dLow - axis.dMin > kMaxEmpty * dSpan) {
        trimmed.dMin = std::floor(dLow / dMinor + kFuzz) * dMinor;
    }
    if (axis.dMax - dHigh > kMaxEmpty * dSpan) {
        trimmed.dMax = std::ceil(dHigh / dMinor - kFuzz) * dMinor;
    }
    if (TickCount(trimmed) >= 2) {
        axis = trimmed;
    }
    if (!(axis.dMax > axis.dMin)) {
        axis.dMax = axis.dMin + axis.dStep; // only when the span is lost to rounding
    }
    axis.nDecimals =
        std::clamp(static_cast<int>(-std::floor(std::log10(axis.dStep) + kFuzz)), 0, kMaxDecimals);
    return axis;
}

CTwistPlot::Layout CTwistPlot::LayoutFor(const QRectF& rect, const QPaintDevice* pDevice) const {
    const Fonts fonts(rect, pDevice);
    const double px = fonts.dPixels;
    const double dLine = fonts.metrics.height();
    const double dTick = 0.4 * px;
    const CTwistProfile& p = m_profile;

    Layout layout;
    layout.rectTitle = QRectF(rect.left() + px, rect.top() + 0.6 * px, rect.width() - 2 * px,
                              fonts.titleMetrics.height() + 0.3 * px + dLine);

    // Room above the tracks for half the top depth label, below them for the
    // tick labels and the axis titles.
    const double dTop = layout.rectTitle.bottom() + 1.2 * px;
    const double dBottom = rect.bottom() - (dTick + 0.2 * px + 2 * dLine + 0.3 * px + 0.6 * px);
    const double dHeight = std::max(1.0, dBottom - dTop);

    const double dDeepest = p.m_dDeepest > 0.0 ? p.m_dDeepest : 1.0;
    layout.depthAxis = FitVertical(0.0, dDeepest, dHeight, fonts.metrics);

    const double dLeft = rect.left() + 0.6 * px + dLine + 0.5 * px +
                         WidestTick(layout.depthAxis, fonts.metrics) + dTick + 0.2 * px;
    const double cumLow = std::min(0.0, p.m_dMinCumulative);
    const double cumHigh = std::max(0.0, p.m_dMaxCumulative);
    const double twistLow = std::min(0.0, p.m_dMinTwist);
    const double twistHigh = std::max(0.0, p.m_dMaxTwist);

    // Twice: the gap between the tracks and the right margin make room for
    // the outer tick labels, whose widths depend on the ticks chosen.
    double dGap = 4.0 * px;
    double dRight = rect.right() - px;
    for (int nPass = 0; nPass < 2; ++nPass) {
        const double dBoth = std::max(2.0, dRight - dLeft - dGap);
        const double dCumWidth = dBoth * kCumulativeShare;
        layout.rectCumulative = QRectF(dLeft, dTop, dCumWidth, dHeight);
        layout.rectInterval = QRectF(dLeft + dCumWidth + dGap, dTop, dBoth - dCumWidth, dHeight);
        layout.cumulativeAxis = FitHorizontal(cumLow, cumHigh, dCumWidth, fonts.metrics);
        layout.intervalAxis = FitHorizontal(twistLow, twistHigh, dBoth - dCumWidth, fonts.metrics);

        const TwistAxis& cum = layout.cumulativeAxis;
        const TwistAxis& twist = layout.intervalAxis;
        const double dCumLast =
            fonts.metrics.horizontalAdvance(TickText(cum, std::max(0, TickCount(cum) - 1)));
        const double dTwistFirst = fonts.metrics.horizontalAdvance(TickText(twist, 0));
        const double dTwistLast =
            fonts.metrics.horizontalAdvance(TickText(twist, std::max(0, TickCount(twist) - 1)));
        dGap = std::max(3.0 * px, (dCumLast + dTwistFirst) / 2 + 2.0 * px);
        dRight = rect.right() - std::max(px, dTwistLast / 2 + 0.5 * px);
    }
    return layout;
}

void CTwistPlot::Draw(QPainter& painter, const QRectF& rect) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.fillRect(rect, Qt::white);

    const Fonts fonts(rect, painter.device());
    const double px = fonts.dPixels;
    const double dLine = fonts.metrics.height();
    const double dTick = 0.4 * px;
    const Layout layout = LayoutFor(rect, painter.device());
    const QRectF& cumTrack = layout.rectCumulative;
    const QRectF& twistTrack = layout.rectInterval;
    const TwistAxis& depth = layout.depthAxis;
    const QColor textColour = QColor::fromRgba(kTextRgb);

    const SeriesStyle cumulativeStyle{QPen(QColor::fromRgba(kCumulativeRgb),
                                           std::max(1.5, 0.14 * px), Qt::SolidLine, Qt::RoundCap,
                                           Qt::RoundJoin),
                                      Marker::circle};
    // The lighter series: one unit wide, square markers. Not dashed: dashes
    // break a ragged series into fragments that read as features. A line no
    // wider than a pixel also takes the raster engine's fast path, which
    // matters for a ragged series that crosses its track in every pixel row.
    const SeriesStyle twistStyle{
        QPen(QColor::fromRgba(kIntervalRgb), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin),
        Marker::square};
    const double dMarker = 0.26 * px;

    // Title, then the legend under it.
    painter.setPen(textColour);
    painter.setFont(fonts.title);
    const QRectF titleLine(layout.rectTitle.left(), layout.rectTitle.top(),
                           layout.rectTitle.width(), fonts.titleMetrics.height());
    painter.drawText(titleLine, Qt::AlignCenter,
                     fonts.titleMetrics.elidedText(Title(), Qt::ElideRight, titleLine.width()));
    painter.setFont(fonts.base);
    {
        const double dSample = 2.4 * px;
        const QString cumText = QString::fromLatin1(kCumulativeLegend);
        const QString twistText = QString::fromLatin1(kIntervalLegend);
        const double dItemGap = 2.0 * px;
        const double dWidth = 2 * (dSample + 0.5 * px) + fonts.metrics.horizontalAdvance(cumText) +
                              dItemGap + fonts.metrics.horizontalAdvance(twistText);
        double x = layout.rectTitle.center().x() - dWidth / 2;
        const double y = layout.rectTitle.bottom() - dLine / 2;
        for (const auto& [style, text] :
             {std::pair{cumulativeStyle, cumText}, std::pair{twistStyle, twistText}}) {
            painter.setPen(style.pen);
            painter.drawLine(QPointF(x, y), QPointF(x + dSample, y));
            painter.setBrush(style.pen.color());
            painter.setPen(QPen(style.pen.color(), 1.0));
            DrawMarker(painter, style.marker, QPointF(x + dSample / 2, y), dMarker);
            painter.setBrush(Qt::NoBrush);
            x += dSample + 0.5 * px;
            painter.setPen(textColour);
            const double dText = fonts.metrics.horizontalAdvance(text);
            painter.drawText(QRectF(x, y - dLine / 2, dText + 1, dLine),
                             Qt::AlignLeft | Qt::AlignVCenter, text);
            x += dText + dItemGap;
        }
    }

    // Both tracks: grid, zero line, frame, ticks and labels below.
    const QPen gridPen(QColor::fromRgba(kGridRgb), 1.0);
    const QPen zeroPen(QColor::fromRgba(kZeroRgb), std::max(1.0, 0.08 * px));
    const QPen framePen(QColor::fromRgba(kFrameRgb), 1.0);
    const struct {
        const QRectF& track;
        const TwistAxis& axis;
        const char* pszTitle;
    } tracks[] = {{cumTrack, layout.cumulativeAxis, kCumulativeTitle},
                  {twistTrack, layout.intervalAxis, kIntervalTitle}};
    const double dGap = twistTrack.left() - cumTrack.right();
    for (const auto& t : tracks) {
        painter.setPen(gridPen);
        for (int i = 0; i < TickCount(depth); ++i) {
            const double y = MapY(depth, t.track, TickValue(depth, i));
            painter.drawLine(QPointF(t.track.left(), y), QPointF(t.track.right(), y));
        }
        for (int i = 0; i < TickCount(t.axis); ++i) {
            const double x = MapX(t.axis, t.track, TickValue(t.axis, i));
            painter.drawLine(QPointF(x, t.track.top()), QPointF(x, t.track.bottom()));
        }
        if (t.axis.dMin <= 0.0 && t.axis.dMax >= 0.0) {
            painter.setPen(zeroPen);
            const double x = MapX(t.axis, t.track, 0.0);
            painter.drawLine(QPointF(x, t.track.top()), QPointF(x, t.track.bottom()));
        }
        painter.setPen(framePen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(t.track);
        for (int i = 0; i < TickCount(t.axis); ++i) {
            const double x = MapX(t.axis, t.track, TickValue(t.axis, i));
            painter.setPen(framePen);
            painter.drawLine(QPointF(x, t.track.bottom()), QPointF(x, t.track.bottom() + dTick));
            painter.setPen(textColour);
            const QString text = TickText(t.axis, i);
            const double dWidth = fonts.metrics.horizontalAdvance(text) + 2;
            painter.drawText(
                QRectF(x - dWidth / 2, t.track.bottom() + dTick + 0.2 * px, dWidth, dLine),
                Qt::AlignCenter, text);
        }
        const double dTitleWidth = t.track.width() + 0.8 * dGap;
        painter.drawText(
            QRectF(t.track.center().x() - dTitleWidth / 2,
                   t.track.bottom() + dTick + 0.5 * px + dLine, dTitleWidth, dLine),
            Qt::AlignCenter,
            fonts.metrics.elidedText(QString::fromLatin1(t.pszTitle), Qt::ElideRight, dTitleWidth));
    }

    // The depth axis on the left, labelled with its unit.
    for (int i = 0; i < TickCount(depth); ++i) {
        const double y = MapY(depth, cumTrack, TickValue(depth, i));
        painter.setPen(framePen);
        painter.drawLine(QPointF(cumTrack.left() - dTick, y), QPointF(cumTrack.left(), y));
        painter.setPen(textColour);
        const double dRight = cumTrack.left() - dTick - 0.2 * px;
        painter.drawText(QRectF(rect.left(), y - dLine / 2, dRight - rect.left(), dLine),
                         Qt::AlignRight | Qt::AlignVCenter, TickText(depth, i));
    }
    {
        QString strDepth = QString::fromLatin1(kDepthTitle);
        if (!m_profile.m_strDepthUnits.IsEmpty()) {
            strDepth +=
                QStringLiteral(" (") + FromBytes(m_profile.m_strDepthUnits) + QStringLiteral(")");
        }
        painter.save();
        painter.translate(rect.left() + 0.6 * px, cumTrack.center().y());
        painter.rotate(-90.0);
        const double dWidth = cumTrack.height();
        painter.drawText(QRectF(-dWidth / 2, 0, dWidth, dLine), Qt::AlignCenter,
                         fonts.metrics.elidedText(strDepth, Qt::ElideRight, dWidth));
        painter.restore();
    }

    if (m_profile.m_nStatus != profileReady || m_profile.m_stations.empty()) {
        const char* pszWhy = m_profile.m_nStatus != profileReady
                                 ? CTwistProfile::StatusText(m_profile.m_nStatus)
                                 : kNoStations;
        painter.setPen(textColour);
        painter.drawText(cumTrack.adjusted(px, px, -px, -px), Qt::AlignCenter | Qt::TextWordWrap,
                         QString::fromLatin1(pszWhy));
        painter.restore();
        return;
    }

    // The series: the cumulative twist from 0 at the top of the first
    // measured interval, the twist of each interval at its station.
    const auto& stations = m_profile.m_stations;
    QPolygonF cumulative;
    QPolygonF twist;
    cumulative.reserve(static_cast<qsizetype>(stations.size()) + 1);
    twist.reserve(static_cast<qsizetype>(stations.size()));
    cumulative.append(QPointF(MapX(layout.cumulativeAxis, cumTrack, 0.0),
                              MapY(depth, cumTrack, m_profile.m_dTopDepth)));
    for (const TwistStation& station : stations) {
        cumulative.append(QPointF(MapX(layout.cumulativeAxis, cumTrack, station.dCumulative),
                                  MapY(depth, cumTrack, station.dDepth)));
        twist.append(QPointF(MapX(layout.intervalAxis, twistTrack, station.dTwist),
                             MapY(depth, twistTrack, station.dDepth)));
    }

    // Markers only where stations lie well apart.
    const double dSpacing = stations.size() < 2
                                ? cumTrack.height()
                                : (twist.last().y() - twist.first().y()) / (stations.size() - 1);
    const bool bMarkers = dSpacing >= 3.5 * dMarker;

    const QTransform toDevice = painter.deviceTransform();
    const bool bPerPixelRow =
        PaintsPixels(painter) && toDevice.type() <= QTransform::TxScale && toDevice.m22() != 0.0;
    // With more stations than device pixel rows the line is ragged at pixel
    // size anyway; smoothing its edges changes nothing a reader can see but
    // makes the raster engine several times slower on wide lines.
    painter.setRenderHint(QPainter::Antialiasing, dSpacing * std::fabs(toDevice.m22()) >= 1.0);
    for (const auto& [style, points] :
         {std::pair{&cumulativeStyle, &cumulative}, std::pair{&twistStyle, &twist}}) {
        painter.setPen(style->pen);
        painter.setBrush(Qt::NoBrush);
        if (bPerPixelRow) {
            painter.drawPolyline(KeepPixelRows(*points, toDevice));
        } else {
            painter.drawPolyline(*points);
        }
        if (bMarkers || points->size() == 1) {
            painter.setPen(QPen(style->pen.color(), 1.0));
            painter.setBrush(style->pen.color());
            // The cumulative series' first point is the top, not a station.
            for (qsizetype i = points == &cumulative ? 1 : 0; i < points->size(); ++i) {
                DrawMarker(painter, style->marker, points->at(i), dMarker);
            }
        }
    }
    painter.restore();
}

bool CTwistPlot::Save(const QString& strPath, QString* pError, QSize size) const {
    auto fail = [pError](const QString& strWhy) {
        if (pError) {
            *pError = strWhy;
        }
        return false;
    };
    if (m_profile.m_nStatus != profileReady) {
        return fail(QString::fromLatin1(CTwistProfile::StatusText(m_profile.m_nStatus)));
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
