// The size of a picture file of a chart and the size of its text. A picture
// is made to be printed or put in a report, so its text follows its physical
// size: points, whatever the picture counts in.
#pragma once

#include <string>

enum class PictureKind { png, svg, pdf };
enum class PicturePaper { a4, letter };

// What a picture is asked to be: its size in the kind's units (pixels for
// PNG, points for SVG and PDF), 0 x 0 for the kind's default; and the paper
// of a PDF picture given no size.
struct PictureFormat {
    int nWidth = 0;
    int nHeight = 0;
    PicturePaper nPaper = PicturePaper::a4;

    bool HasSize() const { return nWidth > 0 || nHeight > 0; }
};

// A picture's width and height in its kind's units.
struct PictureExtent {
    double dWidth = 0.0;
    double dHeight = 0.0;
};

class CPictureSize {
public:
    // Larger pictures are refused rather than risk an image of gigabytes.
    static constexpr int kMaxSide = 16384;
    // PNG pictures count 96 pixels an inch, the CSS pixel: the default
    // 1200 x 900 pixels are the 900 x 675 points of the default SVG picture.
    static constexpr double kPngDpi = 96.0;
    static constexpr double kPointsPerInch = 72.0;
    static constexpr int kPngWidth = 1200;
    static constexpr int kPngHeight = 900;
    static constexpr int kSvgWidth = 900;
    static constexpr int kSvgHeight = 675;
    // A page of paper keeps this margin, in points, for the printer.
    static constexpr double kPaperMargin = 36.0;
    // The labels are never smaller than this in a picture of the default
    // size or a page, and never larger than the largest.
    static constexpr double kMinTextPoints = 9.0;
    static constexpr double kMaxTextPoints = 16.0;

    // The kind an extension names ("png", "SVG"); false for any other.
    static bool KindOf(const std::string& strExtension, PictureKind& nKind);
    // The paper a name says ("a4", "letter", any letter case); false for any other.
    static bool PaperOf(const std::string& strName, PicturePaper& nPaper);

    // The whole picture, in the kind's units.
    static PictureExtent Extent(PictureKind nKind, const PictureFormat& format);
    // A page of paper, portrait, in points.
    static PictureExtent PaperExtent(PicturePaper nPaper);
    // The margin around the chart, in the kind's units: a page of paper has
    // one, a picture of a size asked for is chart to its edges.
    static double Margin(PictureKind nKind, const PictureFormat& format);
    // The kind's units in a point: 96/72 for PNG, 1 for SVG and PDF.
    static double UnitsPerPoint(PictureKind nKind);

    // The size of the labels, in points, of a chart of this size in points:
    // an 80th of its width (of a 4:3 chart), from 9 to 16 points, but never
    // more than a 20th of it, so that a small picture still holds its labels.
    static double TextPoints(double dWidthPoints, double dHeightPoints);

    // True for a size each side of which is 1 to kMaxSide.
    static bool IsValid(int nWidth, int nHeight);
    // Reads "WIDTHxHEIGHT" ("800x600"); false, with nothing set, for any
    // other text or a size that is not valid.
    static bool Parse(const std::string& strText, int& nWidth, int& nHeight);
    // What a size must be, for a refusal: "WIDTHxHEIGHT, each 1 to 16384 ...".
    static std::string Rule();
};
