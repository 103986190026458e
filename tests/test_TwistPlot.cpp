// The twist plot, drawn offscreen: pixels of images, the text of SVG files,
// saving, and pictures left in the build folder for a person to look at.
#include "formats/twi/TwiDataFile.h"
#include "plot/QtChartPainter.h"
#include "plot/TwistPlot.h"
#include "survey/PlotDataObj.h"

#include "TestSupport.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>
#include <vector>

using testing_support::ReadBytes;
using testing_support::TempDir;

namespace {

CTwistProfile ProfileOf(const std::vector<double>& twist, double interval = 2.0) {
    CPlotDataObj data;
    data.m_nFileType = 1;
    data.m_dBottomDepth = interval * static_cast<double>(twist.size());
    data.m_dInterval = interval;
    data.m_strBorehole = "B12";
    data.m_strDepthUnits = "feet";
    data.m_timeReading = CTime(2010, 2, 12, 20, 28, 45);
    data.AllocateGrid();
    for (double value : twist) {
        data.AddReading(value, 0.0, 0.0, 0.0);
    }
    return CTwistProfile::FromSurvey(data);
}

// Twist swinging from -0.6 to 0.6 degrees between intervals, plus a turn.
std::vector<double> Ragged(int count, double turn = 0.0) {
    std::vector<double> twist(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        twist[static_cast<size_t>(i)] = ((i * 7919) % 13) * 0.1 - 0.6 + turn;
    }
    return twist;
}

QImage DrawImage(const CTwistPlot& plot, int width = 900, int height = 700) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    plot.Draw(painter, image.rect());
    return image;
}

// The series' colours, antialiased edges included, and dark text.
using PixelTest = bool (*)(QRgb);
constexpr PixelTest IsBlue = [](QRgb c) { return qBlue(c) > qRed(c) + 60; };
constexpr PixelTest IsOrange = [](QRgb c) {
    return qRed(c) > qBlue(c) + 80 && qGreen(c) > qBlue(c) + 40;
};
constexpr PixelTest IsDark = [](QRgb c) { return qGray(c) < 110; };

int Count(const QImage& image, QRectF area, PixelTest test) {
    const QRect r = area.toAlignedRect() & image.rect();
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            n += test(image.pixel(x, y)) ? 1 : 0;
        }
    }
    return n;
}

QRectF Q(const ChartRect& r) {
    return QRectF(r.x, r.y, r.w, r.h);
}

TwistChartLayout LayoutOf(const CTwistPlot& plot, const QImage& image) {
    return plot.Chart().Layout(ChartRect{0, 0, double(image.width()), double(image.height())},
                               CQtTextMetrics(&image));
}

// Where a value at a depth lies in a track.
QPointF At(const TwistAxis& axis, const TwistAxis& depth, const QRectF& track, double value,
           double atDepth) {
    return {track.left() + (value - axis.dMin) / (axis.dMax - axis.dMin) * track.width(),
            track.top() + (atDepth - depth.dMin) / (depth.dMax - depth.dMin) * track.height()};
}

bool Near(const QImage& image, QPointF at, PixelTest test) {
    return Count(image, QRectF(at.x() - 3, at.y() - 3, 6, 6), test) > 0;
}

} // namespace

TEST(TwistPlot, SteadyTwistRunsFromTheTopLeftZeroDownWithItsLabels) {
    // One degree a station, two feet apart: station k at k degrees, 2k feet.
    const CTwistPlot plot(ProfileOf(std::vector<double>(50, 1.0)));
    const QImage image = DrawImage(plot);
    const TwistChartLayout l = LayoutOf(plot, image);
    const QRectF track = Q(l.rectCumulative);
    EXPECT_EQ(l.cumulativeAxis.dMin, 0.0);
    EXPECT_EQ(l.depthAxis.dMin, 0.0);
    for (int k : {0, 10, 25, 50}) {
        EXPECT_TRUE(Near(image, At(l.cumulativeAxis, l.depthAxis, track, k, 2.0 * k), IsBlue)) << k;
        EXPECT_TRUE(Near(image, At(l.intervalAxis, l.depthAxis, Q(l.rectInterval), 1, 2 + 1.9 * k),
                         IsOrange))
            << k;
    }
    // Title, depth labels, and tick labels with axis titles below the tracks,
    // none running into the picture's edge.
    EXPECT_GT(Count(image, Q(l.rectTitle), IsDark), 200);
    EXPECT_GT(Count(image, QRectF(0, track.top(), track.left() - 2, track.height()), IsDark), 200);
    EXPECT_GT(Count(image, QRectF(0, track.bottom() + 2, image.width(), 200), IsDark), 400);
    EXPECT_EQ(Count(image, image.rect(), IsDark),
              Count(image, QRectF(image.rect()).adjusted(3, 3, -3, -3), IsDark));
}

TEST(TwistPlot, TextStandsWhereItsAnchorSays) {
    // "Depth" at (200, 100): its dark pixels' box, by anchor and turn.
    struct {
        ChartAnchor anchor;
        bool upright;
        double left, right, top, bottom; // where the box's edges may lie, +-3
    } cases[] = {
        {ChartAnchor::left, false, 200, -1, -1, -1},  {ChartAnchor::right, false, -1, 200, -1, -1},
        {ChartAnchor::centre, false, -1, -1, -1, -1}, {ChartAnchor::centre, true, -1, -1, -1, -1},
        {ChartAnchor::left, true, -1, -1, -1, 100}, // read upwards from the anchor
    };
    for (const auto& c : cases) {
        QImage image(400, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        ChartStep step;
        step.nKind = ChartStepKind::text;
        step.points = {ChartPoint{200, 100}};
        step.strText = "Depth";
        step.font = ChartFont{20, false};
        step.nAnchor = c.anchor;
        step.bUpright = c.upright;
        CQtChartPainter(painter).Paint({step});
        painter.end();
        QRect box;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                box |= IsDark(image.pixel(x, y)) ? QRect(x, y, 1, 1) : QRect();
            }
        }
        ASSERT_FALSE(box.isEmpty());
        const auto near = [](double edge, double want) {
            return want < 0 || std::fabs(edge - want) <= 3;
        };
        EXPECT_TRUE(near(box.left(), c.left) && near(box.right(), c.right))
            << box.left() << " " << box.right();
        EXPECT_TRUE(near(box.top(), c.top) && near(box.bottom(), c.bottom))
            << box.top() << " " << box.bottom();
        EXPECT_EQ(box.height() > box.width(), c.upright);
        // Centred on the anchor across the line, and along it when centred.
        const QPointF mid = QRectF(box).center();
        const double across = c.upright ? mid.x() - 200 : mid.y() - 100;
        const double along = c.upright ? mid.y() - 100 : mid.x() - 200;
        EXPECT_NEAR(across, 0, 4) << int(c.anchor);
        if (c.anchor == ChartAnchor::centre) {
            EXPECT_NEAR(along, 0, 2);
        }
    }
}

TEST(TwistPlot, TitleAndLabelWords) {
    testing_support::ScopedTimeZone tz(testing_support::kZoneUtc);
    CTwistProfile profile = ProfileOf({1.0, 2.0});
    EXPECT_EQ(CTwistPlot(profile, "x.twi").Title().toStdString(), "B12 - 2010-02-12 20:28:45");
    profile.m_strTitle.Empty(); // no borehole: the file name the caller gives
    TempDir dir;
    ASSERT_TRUE(CTwistPlot(profile, " BH-07.twi").Save(QString::fromStdString(dir / "b.svg")));
    const std::string svg = ReadBytes(dir / "b.svg");
    for (const char* text :
         {">BH-07.twi - 2010-02-12 20:28:45<", ">Depth (feet)<",
          ">Cumulative twist from the top (degrees)<", ">Twist per interval (degrees)<",
          ">Cumulative twist<", ">Twist per interval<"}) {
        EXPECT_NE(svg.find(text), std::string::npos) << text;
    }
}

TEST(TwistPlot, SvgHoldsEveryStation) {
    TempDir dir;
    for (int count : {3, 1000, 100000}) {
        ASSERT_TRUE(
            CTwistPlot(ProfileOf(Ragged(count), 0.5)).Save(QString::fromStdString(dir / "p.svg")));
        // The points of each polyline; the cumulative one starts at the top.
        const std::string svg = ReadBytes(dir / "p.svg");
        std::vector<long> points;
        for (size_t at = svg.find(" points=\""); at != std::string::npos;
             at = svg.find(" points=\"", at + 1)) {
            points.push_back(std::count(svg.begin() + static_cast<long>(at),
                                        svg.begin() + static_cast<long>(svg.find("/>", at)), ','));
        }
        EXPECT_EQ(std::count(points.begin(), points.end(), count + 1), 1) << count;
        EXPECT_EQ(std::count(points.begin(), points.end(), count), 1) << count;
    }
}

TEST(TwistPlot, ImagesDrawnFromFewerPointsKeepTheShape) {
    const CTwistPlot plot(ProfileOf(Ragged(100000), 0.1));
    const QImage thin = DrawImage(plot, 800, 600);
    QPicture picture; // records every point, as vector output does
    QPainter recorder(&picture);
    plot.Draw(recorder, QRectF(0, 0, 800, 600));
    recorder.end();
    QImage exact(800, 600, QImage::Format_RGB32);
    QPainter player(&exact);
    player.drawPicture(0, 0, picture);
    player.end();

    QImage diff = thin;
    QPainter differ(&diff);
    differ.setCompositionMode(QPainter::CompositionMode_Difference);
    differ.drawImage(0, 0, exact);
    differ.end();
    const TwistChartLayout l = LayoutOf(plot, thin);
    const QRectF track = Q(l.rectCumulative);
    EXPECT_GT(Count(thin, track, IsBlue), 1000);
    // An image puts the grey lines on whole pixels, PDF where they fall: the
    // difference is in grey, except under the series where it runs along
    // the zero line.
    const PixelTest coloured = [](QRgb c) { return std::abs(qRed(c) - qBlue(c)) > 60; };
    const double zero = At(l.cumulativeAxis, l.depthAxis, track, 0.0, 0.0).x();
    EXPECT_LT(Count(diff, track, coloured) -
                  Count(diff, QRectF(zero - 2, track.top(), 4, track.height()), coloured),
              track.width() * track.height() / 1000);
}

TEST(TwistPlot, OddSurveysAndSizesDrawWithoutHarm) {
    for (const auto& profile :
         {ProfileOf({}), ProfileOf(std::vector<double>(40, 0.0)), ProfileOf({2.5}),
          ProfileOf({-1.0, -3.0, -0.5}), ProfileOf({1e9, -3e9}, 1e6)}) {
        for (QSize size : {QSize(1200, 900), QSize(160, 120), QSize(1, 1)}) {
            const QImage image = DrawImage(CTwistPlot(profile), size.width(), size.height());
            if (size.width() == 1200 && !profile.m_stations.empty()) {
                EXPECT_GT(Count(image, image.rect(), IsBlue), 20) << profile.m_stations.size();
            }
        }
    }
}

TEST(TwistPlot, SaveWritesTheTypeItsNameSaysOrLeavesTheEarlierFile) {
    const std::string earlier = "an earlier picture";
    const CTwistPlot plot(ProfileOf({1.0, 0.5, -0.2}));
    const CTwistPlot nothing(ProfileOf({}));
    struct {
        std::string name;
        const CTwistPlot& plot;
        QSize size;
        bool limited; // the file-size limit stops the write partway
        std::string after;
    } cases[] = {
        {"a.png", plot, {1200, 900}, false, "\x89PNG"},
        {"b.SVG", plot, {400, 300}, false, "<?xml"},
        {"c.pdf", plot, {1200, 900}, false, "%PDF"},
        {"d.bmp", plot, {1200, 900}, false, earlier},
        {"no/e.png", plot, {1200, 900}, false, ""},
        {"f.png", nothing, {1200, 900}, false, earlier},
        {"g.png", plot, {0, 900}, false, earlier},
        {"h.png", plot, {1200, 100000}, false, earlier},
        {"i.png", plot, {1200, 900}, true, earlier},
        {"j.svg", plot, {1200, 900}, true, earlier},
        {"k.pdf", plot, {1200, 900}, true, earlier},
    };
    TempDir dir;
    for (const auto& c : cases) {
        testing_support::WriteBytes(dir / c.name, earlier);
        struct rlimit old, limit;
        ::getrlimit(RLIMIT_FSIZE, &old);
        limit = {c.limited ? 1024 : old.rlim_cur, old.rlim_max};
        auto previous = std::signal(SIGXFSZ, SIG_IGN); // a failed write, not a killed test
        ::setrlimit(RLIMIT_FSIZE, &limit);
        QString error;
        const bool saved = c.plot.Save(QString::fromStdString(dir / c.name), &error,
                                       PictureFormat{c.size.width(), c.size.height()});
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);
        EXPECT_EQ(saved, c.after != earlier && !c.after.empty()) << c.name;
        EXPECT_EQ(error.isEmpty(), saved) << c.name;
        EXPECT_EQ(ReadBytes(dir / c.name).substr(0, c.after.size()), c.after) << c.name;
    }
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 10);
}

TEST(TwistPlot, LinesStaySharpAtAnyScale) {
    // An image two device pixels a unit, as a window at 200% paints: the
    // frame of each track lies on whole device pixels, in its own colour.
    const CTwistPlot plot(ProfileOf({0.3, -0.2, 0.5, 0.1}, 1.7));
    for (double scale : {1.0, 1.5, 2.0}) {
        QImage image(qRound(800 * scale), qRound(600 * scale), QImage::Format_RGB32);
        image.setDevicePixelRatio(scale);
        QPainter painter(&image);
        plot.Draw(painter, QRectF(0, 0, 800, 600), 13.0);
        painter.end();
        const TwistChartLayout l =
            plot.Chart().Layout(ChartRect{0, 0, 800, 600}, CQtTextMetrics(&image), 13.0);
        for (const ChartRect& track : {l.rectCumulative, l.rectInterval}) {
            int sharpest = 0; // frame-coloured pixels in the best device column
            for (int x = int(track.x * scale) - 2; x <= int(track.x * scale) + 2; ++x) {
                int n = 0;
                for (int y = int(track.y * scale) + 4; y < int(track.Bottom() * scale) - 4; ++y) {
                    n += image.pixel(x, y) == qRgb(0x66, 0x66, 0x66);
                }
                sharpest = std::max(sharpest, n);
            }
            EXPECT_GT(sharpest, 0.9 * (track.h * scale - 8)) << scale;
        }
    }
}

// The first page's MediaBox of a PDF file, "0 0 W H".
std::string MediaBox(const std::string& pdf) {
    const size_t at = pdf.find("/MediaBox [");
    if (at == std::string::npos) {
        return std::string();
    }
    std::istringstream numbers(pdf.substr(at + 11, pdf.find(']', at) - at - 11));
    std::string box;
    for (double value; numbers >> value;) {
        box += (box.empty() ? "" : " ") + std::to_string(std::lround(value));
    }
    return box;
}

TEST(TwistPlot, PicturesHaveTheSizeAskedFor) {
    const CTwistPlot plot(ProfileOf({1.0, 0.5, -0.2}));
    struct {
        std::string name;
        PictureFormat format;
        std::string size; // PNG: pixels; PDF: the MediaBox in points; SVG: its size
    } cases[] = {
        {"a.png", {}, "1200x900"},
        {"b.png", {640, 480}, "640x480"},
        {"c.pdf", {}, "0 0 595 842"}, // A4, portrait
        {"d.pdf", {0, 0, PicturePaper::letter}, "0 0 612 792"},
        {"e.pdf", {300, 200}, "0 0 300 200"},
        {"f.svg", {}, "width=\"900pt\" height=\"675pt\""},
        {"g.svg", {400, 500}, "width=\"400pt\" height=\"500pt\""},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const QString path = QString::fromStdString(dir / c.name);
        ASSERT_TRUE(plot.Save(path, nullptr, c.format)) << c.name;
        const std::string bytes = ReadBytes(dir / c.name);
        if (c.name.back() == 'g' && c.name[2] == 'p') {
            const QImage png(path);
            EXPECT_EQ(std::to_string(png.width()) + "x" + std::to_string(png.height()), c.size);
            EXPECT_EQ(png.dotsPerMeterX(), 3780); // 96 an inch
        } else if (c.name.back() == 'f') {
            EXPECT_EQ(MediaBox(bytes), c.size) << c.name;
        } else {
            EXPECT_NE(bytes.find(c.size), std::string::npos) << c.name;
        }
    }
}

TEST(TwistPlot, PicturesForReview) {
    CPlotDataObj data;
    ASSERT_EQ(CTwiDataFile().ReadSurvey(VELTRANE_SAMPLE_DIR "/BH-07.twi", &data), 0);
    const QString folder = QStringLiteral(VELTRANE_PICTURE_DIR "/twist-");
    const std::pair<CTwistPlot, QString> pictures[] = {
        {CTwistPlot(CTwistProfile::FromSurvey(data), "BH-07.twi"), "BH-07"},
        {CTwistPlot(ProfileOf(std::vector<double>(60, 0.0), 0.5)), "flat"},
        {CTwistPlot(ProfileOf(Ragged(100000, 0.005), 0.5)), "100000"},
        {CTwistPlot(ProfileOf({-2.5})), "one"}};
    // Each picture is checked as a person would look at it: the PNG at the
    // default size with the series drawn, the SVG titled, the PDF a PDF.
    for (const auto& [plot, name] : pictures) {
        for (const char* type : {".png", ".svg", ".pdf"}) {
            EXPECT_TRUE(plot.Save(folder + name + type)) << name.toStdString() << type;
        }
        const QImage png(folder + name + ".png");
        EXPECT_EQ(png.size(), QSize(CTwistPlot::kDefaultWidth, CTwistPlot::kDefaultHeight));
        EXPECT_GT(Count(png, png.rect(), IsBlue), 100) << name.toStdString();
        const std::string svg = ReadBytes((folder + name + ".svg").toStdString());
        EXPECT_NE(svg.find("<title>" + plot.Title().toHtmlEscaped().toStdString() + "</title>"),
                  std::string::npos)
            << name.toStdString();
        EXPECT_EQ(ReadBytes((folder + name + ".pdf").toStdString()).substr(0, 4), "%PDF");
    }
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
