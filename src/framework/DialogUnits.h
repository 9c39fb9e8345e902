#pragma once

#include <QFont>
#include <QRect>

// Converts dialog units of a template font to pixels: the horizontal base is
// the average width of "A".."Z" "a".."z", the vertical base the font height.
class CDialogUnits
{
public:
    explicit CDialogUnits(const QFont& font);

    int X(int dlu) const;
    int Y(int dlu) const;
    QRect Rect(int x, int y, int width, int height) const;

private:
    int m_baseX;
    int m_baseY;
};
