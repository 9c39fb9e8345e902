#include "frame/ToolBarImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
constexpr int kWidth = 19;
constexpr int kHeight = 18;

void DrawPage(QPainter& p, bool lines)
{
    QPainterPath page;
    page.moveTo(4, 1);
    page.lineTo(11, 1);
    page.lineTo(15, 5);
    page.lineTo(15, 16);
    page.lineTo(4, 16);
    page.closeSubpath();
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(11, 1, 11, 5);
    p.drawLine(11, 5, 15, 5);
    if (lines) {
        p.setPen(QColor(0, 0, 128));
        for (int y = 7; y <= 14; y += 2)
            p.drawLine(6, y, 13, y);
    }
}

void DrawFolder(QPainter& p)
{
    p.setPen(Qt::black);
    p.setBrush(QColor(255, 255, 0));
    p.drawRect(1, 5, 13, 10);
    p.drawRect(1, 3, 5, 2);
    p.setBrush(QColor(128, 128, 0));
    QPolygon flap;
    flap << QPoint(3, 8) << QPoint(17, 8) << QPoint(14, 15) << QPoint(1, 15);
    p.drawPolygon(flap);
}

void DrawDisk(QPainter& p)
{
    p.setPen(Qt::black);
    p.setBrush(QColor(0, 0, 128));
    p.drawRect(2, 1, 14, 15);
    p.setBrush(Qt::white);
    p.drawRect(5, 2, 8, 6);
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(5, 11, 8, 5);
}

void DrawSend(QPainter& p)
{
    // A device box with an arrow going into it.
    p.setPen(Qt::black);
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(10, 3, 7, 12);
    p.setBrush(QColor(0, 255, 0));
    p.drawRect(12, 5, 3, 2);
    p.setBrush(QColor(255, 0, 0));
    QPolygon arrow;
    arrow << QPoint(1, 7) << QPoint(5, 7) << QPoint(5, 4) << QPoint(10, 9) << QPoint(5, 14) << QPoint(5, 11)
          << QPoint(1, 11);
    p.drawPolygon(arrow);
}

void DrawAbout(QPainter& p)
{
    p.setPen(Qt::black);
    p.setBrush(QColor(255, 255, 192));
    p.drawEllipse(2, 1, 15, 15);
    // The question mark as strokes: text would load a bold face of the
    // font before the first frame, for this one glyph.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 128), 2, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath hook;
    hook.moveTo(7, 6);
    hook.arcTo(QRectF(7, 3.5, 5, 5), 180, -270);
    hook.lineTo(9.5, 11);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 128));
    p.drawEllipse(QPointF(9.5, 13), 1.2, 1.2);
}
} // namespace

QIcon ToolBarImage(int index)
{
    // The drawings are vectors on the 19 by 18 grid: besides the image of
    // that size, a twice as large one drawn from them keeps the buttons sharp
    // on screens that scale by 1.25 and more.
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(kWidth * scale, kHeight * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        switch (index) {
        case 0: DrawPage(p, false); break;
        case 1: DrawFolder(p); break;
        case 2: DrawDisk(p); break;
        case 3: DrawPage(p, true); break;
        case 4: DrawSend(p); break;
        default: DrawAbout(p); break;
        }
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
