// Dialog units: the layout grid of the window and the About box. One
// horizontal unit is a quarter of the font's average character width, one
// vertical unit an eighth of its height, so the arrangement keeps its
// proportions whatever font and screen the desktop uses.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font);

    // A rectangle given in dialog units, in pixels. Its edges are mapped one
    // by one, so controls that touch in units touch in pixels.
    QRect MapRect(int x, int y, int cx, int cy) const;
    QSize MapSize(int cx, int cy) const;

    int BaseX() const { return m_nBaseX; }
    int BaseY() const { return m_nBaseY; }

private:
    int MapX(int x) const;
    int MapY(int y) const;

    int m_nBaseX;
    int m_nBaseY;
};
