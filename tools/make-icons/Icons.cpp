#include "Icons.h"

#include "Canvas.h"

#include <QPainter>
#include <functional>

namespace icons {

namespace {

// Paints the tile, then hands the painter (glyph pen set, no brush) to the glyph.
QImage tileIcon(const QColor& color, const std::function<void(QPainter&, const QColor&)>& glyph)
{
    QImage image = blankImage(kIconSize, kIconSize);
    QPainter painter(&image);
    prepare(painter);
    drawTile(painter, kTileRect, kTileRadius, color);
    painter.setPen(glyphPen());
    painter.setBrush(Qt::NoBrush);
    glyph(painter, color);
    return image;
}

QPainterPath trayPath()
{
    QPainterPath tray;
    tray.moveTo(16, 36);
    tray.lineTo(16, 44);
    tray.quadTo(16, 48, 20, 48);
    tray.lineTo(44, 48);
    tray.quadTo(48, 48, 48, 44);
    tray.lineTo(48, 36);
    return tray;
}

// The colour of the tile under a point, used to cut a gap around overlapping shapes.
QColor tileShade(const QColor& color)
{
    return color.lighter(104);
}

} // namespace

QImage importIcon()
{
    return tileIcon(palette::teal, [](QPainter& p, const QColor&) {
        p.drawPath(trayPath());
        drawArrow(p, QPointF(32, 14), QPointF(32, 38), 9);
    });
}

QImage exportIcon()
{
    return tileIcon(palette::orange, [](QPainter& p, const QColor&) {
        p.drawPath(trayPath());
        drawArrow(p, QPointF(32, 38), QPointF(32, 14), 9);
    });
}

QImage printIcon()
{
    return tileIcon(palette::slate, [](QPainter& p, const QColor& tile) {
        QPainterPath paperIn;
        paperIn.moveTo(22, 24);
        paperIn.lineTo(22, 16);
        paperIn.quadTo(22, 14, 24, 14);
        paperIn.lineTo(40, 14);
        paperIn.quadTo(42, 14, 42, 16);
        paperIn.lineTo(42, 24);
        p.drawPath(paperIn);
        p.drawRoundedRect(QRectF(14, 24, 36, 18), 4, 4);
        // The printed sheet hides the body's lower edge behind it.
        p.save();
        p.setBrush(tileShade(tile));
        p.drawRect(QRectF(22, 34, 20, 16));
        p.setPen(glyphPen(2.5));
        p.drawLine(QPointF(26, 40), QPointF(38, 40));
        p.drawLine(QPointF(26, 45), QPointF(34, 45));
        p.restore();
        p.setPen(Qt::NoPen);
        p.setBrush(palette::glyph);
        p.drawEllipse(QPointF(44.5, 29.5), 2.2, 2.2);
    });
}

QImage syncIcon()
{
    return tileIcon(palette::blue, [](QPainter& p, const QColor&) {
        const QPointF center(32, 32);
        drawArcArrow(p, center, 14, 30, 130, 8.5);
        drawArcArrow(p, center, 14, 210, 130, 8.5);
    });
}

namespace {

// The three phone transfers share one layout: source on the left, target on the right and an
// arrow arching from one to the other.
const QRectF kLeftPhone(12, 26, 16, 25);
const QRectF kRightPhone(36, 26, 16, 25);
const QRectF kLeftStore(12, 30, 16, 21);
const QRectF kRightStore(36, 30, 16, 21);

void drawTransferArrow(QPainter& p)
{
    drawArcArrow(p, QPointF(32, 28), 13, 160, -140, 7.5);
}

void drawStore(QPainter& p, const QRectF& rect, const QColor& tile)
{
    p.save();
    p.setPen(glyphPen(3.5));
    drawCylinder(p, rect, tileShade(tile));
    p.restore();
}

} // namespace

QImage backupIcon()
{
    // From the phone into the computer's database.
    return tileIcon(palette::green, [](QPainter& p, const QColor& tile) {
        drawPhone(p, kLeftPhone, tileShade(tile));
        drawStore(p, kRightStore, tile);
        drawTransferArrow(p);
    });
}

QImage restoreIcon()
{
    // From the computer's database back onto the phone.
    return tileIcon(palette::violet, [](QPainter& p, const QColor& tile) {
        drawStore(p, kLeftStore, tile);
        drawPhone(p, kRightPhone, tileShade(tile));
        drawTransferArrow(p);
    });
}

QImage fromOtherIcon()
{
    // From another phone onto this one.
    return tileIcon(palette::amber, [](QPainter& p, const QColor& tile) {
        drawPhone(p, kLeftPhone, tileShade(tile));
        drawPhone(p, kRightPhone, tileShade(tile));
        drawTransferArrow(p);
    });
}

QImage searchIcon()
{
    return tileIcon(palette::aqua.darker(112), [](QPainter& p, const QColor&) {
        p.drawEllipse(QPointF(28.5, 28.5), 11, 11);
        p.setPen(glyphPen(6.5));
        p.drawLine(QPointF(37.5, 37.5), QPointF(46, 46));
    });
}

QImage composeIcon()
{
    return tileIcon(palette::pink, [](QPainter& p, const QColor& tile) {
        p.drawPath(bubblePath(QRectF(13, 14, 32, 24), 7));
        const QPainterPath pencil = pencilPath(QPointF(30, 47), QPointF(50, 27), 8);
        // A rim in the tile colour keeps the pencil apart from the bubble's outline.
        p.save();
        p.setPen(glyphPen(4.0, tileShade(tile)));
        p.setBrush(palette::glyph);
        p.drawPath(pencil);
        p.restore();
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(palette::glyph);
        p.drawPath(pencil);
        p.restore();
    });
}

QImage exitIcon()
{
    return tileIcon(palette::red, [](QPainter& p, const QColor&) {
        QPainterPath door;
        door.moveTo(30, 15);
        door.lineTo(20, 15);
        door.quadTo(15, 15, 15, 20);
        door.lineTo(15, 44);
        door.quadTo(15, 49, 20, 49);
        door.lineTo(30, 49);
        p.drawPath(door);
        drawArrow(p, QPointF(26, 32), QPointF(48, 32), 9);
    });
}

QImage helpIcon()
{
    return tileIcon(palette::indigo, [](QPainter& p, const QColor&) {
        p.setPen(glyphPen(5.0));
        QPainterPath mark;
        const QRectF bowl(24, 13, 16, 16);
        mark.arcMoveTo(bowl, 165);
        mark.arcTo(bowl, 165, -225);
        mark.quadTo(32, 32, 32, 38);
        p.drawPath(mark);
        p.setPen(Qt::NoPen);
        p.setBrush(palette::glyph);
        p.drawEllipse(QPointF(32, 47), 3.3, 3.3);
    });
}

} // namespace icons
