#include "plot/PictureSize.h"

#include "survey/NumberText.h"

#include <algorithm>

namespace {

// Portrait pages in points, as PDF writers round them.
constexpr PictureExtent kA4{595.0, 842.0};
constexpr PictureExtent kLetter{612.0, 792.0};

// The share of a chart's width (of a 4:3 chart) the labels take at most, and
// at least where the smallest size allows.
constexpr double kTextShare = 1.0 / 80.0;
constexpr double kMostTextShare = 1.0 / 20.0;

std::string Lower(std::string strText) {
    for (char& ch : strText) {
        if (ch >= 'A' && ch <= 'Z') {
            ch = static_cast<char>(ch - 'A' + 'a');
        }
    }
    return strText;
}

// A side without its sign or blanks: digits only.
bool ScanSide(const char*& pText, int& nSide) {
    return *pText >= '0' && *pText <= '9' && ScanWhole(pText, nSide);
}

} // namespace

bool CPictureSize::KindOf(const std::string& strExtension, PictureKind& nKind) {
    const std::string strKind = Lower(strExtension);
    for (const auto& [pszName, nNamed] : {std::pair{"png", PictureKind::png},
                                          {"svg", PictureKind::svg},
                                          {"pdf", PictureKind::pdf}}) {
        if (strKind == pszName) {
            nKind = nNamed;
            return true;
        }
    }
    return false;
}

bool CPictureSize::PaperOf(const std::string& strName, PicturePaper& nPaper) {
    const std::string strPaper = Lower(strName);
    if (strPaper == "a4" || strPaper == "letter") {
        nPaper = strPaper == "a4" ? PicturePaper::a4 : PicturePaper::letter;
        return true;
    }
    return false;
}

PictureExtent CPictureSize::Extent(PictureKind nKind, const PictureFormat& format) {
    if (format.HasSize()) {
        return PictureExtent{static_cast<double>(format.nWidth),
                             static_cast<double>(format.nHeight)};
    }
    switch (nKind) {
    case PictureKind::png:
        return PictureExtent{kPngWidth, kPngHeight};
    case PictureKind::svg:
        return PictureExtent{kSvgWidth, kSvgHeight};
    case PictureKind::pdf:
        return PaperExtent(format.nPaper);
    }
    return PictureExtent{kPngWidth, kPngHeight};
}

PictureExtent CPictureSize::PaperExtent(PicturePaper nPaper) {
    return nPaper == PicturePaper::letter ? kLetter : kA4;
}

double CPictureSize::Margin(PictureKind nKind, const PictureFormat& format) {
    return nKind == PictureKind::pdf && !format.HasSize() ? kPaperMargin : 0.0;
}

double CPictureSize::UnitsPerPoint(PictureKind nKind) {
    return nKind == PictureKind::png ? kPngDpi / kPointsPerInch : 1.0;
}

double CPictureSize::TextPoints(double dWidthPoints, double dHeightPoints) {
    const double dSpan = std::max(0.0, std::min(dWidthPoints, dHeightPoints * 4.0 / 3.0));
    const double dText = std::clamp(dSpan * kTextShare, kMinTextPoints, kMaxTextPoints);
    return std::min(dText, dSpan * kMostTextShare);
}

bool CPictureSize::IsValid(int nWidth, int nHeight) {
    return nWidth >= 1 && nHeight >= 1 && nWidth <= kMaxSide && nHeight <= kMaxSide;
}

bool CPictureSize::Parse(const std::string& strText, int& nWidth, int& nHeight) {
    const char* p = strText.c_str();
    int nW = 0;
    int nH = 0;
    if (!ScanSide(p, nW) || (*p != 'x' && *p != 'X') || !ScanSide(++p, nH) || *p != '\0' ||
        !IsValid(nW, nH)) {
        return false;
    }
    nWidth = nW;
    nHeight = nH;
    return true;
}

std::string CPictureSize::Rule() {
    std::string strRule = "WIDTHxHEIGHT, each 1 to ";
    AppendWhole(strRule, kMaxSide);
    return strRule + " (pixels for PNG, points for SVG and PDF)";
}
