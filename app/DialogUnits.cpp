#include "app/DialogUnits.h"

#include <QFontMetrics>

CDialogUnits::CDialogUnits(const QFont& font) {
    QFontMetrics metrics(font);
    // The average width of the 52 letters, rounded half up.
    int nLetters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_nBaseX = (nLetters / 26 + 1) / 2;
    m_nBaseY = metrics.height();
}

QRect CDialogUnits::MapRect(int x, int y, int cx, int cy) const {
    int nLeft = MapX(x);
    int nTop = MapY(y);
    return QRect(nLeft, nTop, MapX(x + cx) - nLeft, MapY(y + cy) - nTop);
}

QSize CDialogUnits::MapSize(int cx, int cy) const {
    return QSize(MapX(cx), MapY(cy));
}

// Rounded to the nearest pixel.
int CDialogUnits::MapX(int x) const {
    return (x * m_nBaseX + 2) / 4;
}

int CDialogUnits::MapY(int y) const {
    return (y * m_nBaseY + 4) / 8;
}
