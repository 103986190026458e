#include "plot/FixedTextMetrics.h"

namespace {

// Advances of the printable ASCII characters, space to tilde, in thousandths
// of an em: regular, then bold.
constexpr short kRegular[95] = {
    278,  278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278, // ' ' to /
    556,  556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, // 0 to ?
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778, // @ to O
    667,  778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556, // P to _
    333,  556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556, // ` to o
    556,  556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};     // p to ~
constexpr short kBold[95] = {
    278, 333, 474, 556, 556, 889, 722, 238, 333, 333, 389, 584, 278, 333, 278, 278, // ' ' to /
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 333, 333, 584, 584, 584, 611, // 0 to ?
    975, 722, 722, 722, 722, 667, 611, 778, 722, 278, 556, 722, 611, 833, 722, 778, // @ to O
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 333, 278, 333, 584, 556, // P to _
    333, 556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556, 278, 889, 611, 611, // ` to o
    611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500, 389, 280, 389, 584};     // p to ~
// Any other character: the width of a digit; the ellipsis its own.
constexpr int kOther = 556;
constexpr int kEllipsis = 1000;
// Ascent and descent of the face, in thousandths of an em.
constexpr int kLine = 1150;

} // namespace

double CFixedTextMetrics::Advance(const std::string& strText, const ChartFont& font) const {
    const short* pTable = font.bBold ? kBold : kRegular;
    long nWidth = 0;
    for (size_t i = 0; i < strText.size(); ++i) {
        const unsigned char ch = static_cast<unsigned char>(strText[i]);
        if (ch >= 32 && ch < 127) {
            nWidth += pTable[ch - 32];
        } else if (ch == 0xE2 && strText.compare(i, 3, "\xE2\x80\xA6") == 0) {
            nWidth += kEllipsis;
            i += 2;
        } else if (ch >= 0xC0) {
            nWidth += kOther; // a character starts; its other bytes and controls take no room
        }
    }
    return static_cast<double>(nWidth) * font.dPixels / 1000.0;
}

double CFixedTextMetrics::LineHeight(const ChartFont& font) const {
    return kLine * font.dPixels / 1000.0;
}

const char* CFixedTextMetrics::FontFamilies() {
    return "Arial, 'Liberation Sans', Helvetica, sans-serif";
}
