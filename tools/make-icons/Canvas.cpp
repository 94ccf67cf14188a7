#include "Canvas.h"

#include <QLinearGradient>
#include <QPainter>
#include <QtMath>

namespace icons {

QImage blankImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void prepare(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::TextAntialiasing);
}

QPen glyphPen(qreal width, const QColor& color)
{
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void drawTile(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color)
{
    painter.save();
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    fill.setColorAt(0.0, color.lighter(118));
    fill.setColorAt(1.0, color.darker(108));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, radius, radius);
    // A thin light rim lifts the tile off a dark background without a shadow.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 48), 1.0));
    const QRectF rim = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    painter.drawRoundedRect(rim, radius - 0.5, radius - 0.5);
    painter.restore();
}

void drawArrowHead(QPainter& painter, QPointF tip, qreal angleDegrees, qreal size)
{
    const qreal angle = qDegreesToRadians(angleDegrees);
    const qreal spread = qDegreesToRadians(45.0);
    const QPointF left(tip.x() - size * qCos(angle - spread),
                       tip.y() - size * qSin(angle - spread));
    const QPointF right(tip.x() - size * qCos(angle + spread),
                        tip.y() - size * qSin(angle + spread));
    QPainterPath head;
    head.moveTo(left);
    head.lineTo(tip);
    head.lineTo(right);
    painter.drawPath(head);
}

void drawArrow(QPainter& painter, QPointF from, QPointF to, qreal headSize)
{
    painter.drawLine(from, to);
    const qreal angle = qRadiansToDegrees(qAtan2(to.y() - from.y(), to.x() - from.x()));
    drawArrowHead(painter, to, angle, headSize);
}

void drawArcArrow(QPainter& painter, QPointF center, qreal radius, qreal startDegrees,
                  qreal sweepDegrees, qreal headSize)
{
    const QRectF box(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);
    QPainterPath arc;
    arc.arcMoveTo(box, startDegrees);
    arc.arcTo(box, startDegrees, sweepDegrees);
    painter.drawPath(arc);
    // The head follows the tangent at the arc's end; arcTo angles run counter-clockwise on screen.
    const qreal end = qDegreesToRadians(startDegrees + sweepDegrees);
    const QPointF tip(center.x() + radius * qCos(end), center.y() - radius * qSin(end));
    const qreal tangent = startDegrees + sweepDegrees + (sweepDegrees > 0 ? 90.0 : -90.0);
    drawArrowHead(painter, tip, -tangent, headSize);
}

void drawPhone(QPainter& painter, const QRectF& body, const QColor& screenColor)
{
    painter.save();
    const qreal radius = body.width() * 0.24;
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::glyph);
    painter.drawRoundedRect(body, radius, radius);
    const qreal side = body.width() * 0.16;
    const QRectF screen(body.left() + side, body.top() + body.height() * 0.15,
                        body.width() - 2 * side, body.height() * 0.62);
    painter.setBrush(screenColor);
    painter.drawRoundedRect(screen, radius * 0.25, radius * 0.25);
    const qreal dot = body.width() * 0.075;
    const QPointF button(body.center().x(), body.bottom() - body.height() * 0.115);
    painter.drawEllipse(button, dot * 1.3, dot * 1.3);
    painter.restore();
}

void drawCylinder(QPainter& painter, const QRectF& rect, const QBrush& fill)
{
    const qreal capHeight = rect.height() * 0.28;
    const QRectF top(rect.left(), rect.top(), rect.width(), capHeight);
    QPainterPath body;
    body.moveTo(rect.left(), rect.top() + capHeight / 2);
    body.lineTo(rect.left(), rect.bottom() - capHeight / 2);
    body.arcTo(QRectF(rect.left(), rect.bottom() - capHeight, rect.width(), capHeight), 180, 180);
    body.lineTo(rect.right(), rect.top() + capHeight / 2);
    body.arcTo(top, 0, 180);
    painter.save();
    painter.setBrush(fill);
    painter.drawPath(body);
    painter.drawEllipse(top);
    QPainterPath band;
    const QRectF middle(rect.left(), rect.center().y() - capHeight / 2 + capHeight * 0.15,
                        rect.width(), capHeight);
    band.arcMoveTo(middle, 180);
    band.arcTo(middle, 180, 180);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(band);
    painter.restore();
}

QPainterPath bubblePath(const QRectF& rect, qreal radius)
{
    QPainterPath bubble;
    bubble.addRoundedRect(rect, radius, radius);
    QPainterPath tail;
    const qreal x = rect.left() + rect.width() * 0.22;
    tail.moveTo(x, rect.bottom() - 1);
    tail.lineTo(x - rect.width() * 0.12, rect.bottom() + rect.height() * 0.28);
    tail.lineTo(x + rect.width() * 0.16, rect.bottom() - 1);
    tail.closeSubpath();
    return bubble.united(tail).simplified();
}

QPainterPath pencilPath(QPointF tip, QPointF end, qreal width)
{
    const qreal dx = end.x() - tip.x();
    const qreal dy = end.y() - tip.y();
    const qreal length = qSqrt(dx * dx + dy * dy);
    const QPointF along(dx / length, dy / length);
    const QPointF across(-along.y() * width / 2, along.x() * width / 2);
    const QPointF shoulder = tip + along * (width * 1.1);
    QPainterPath pencil;
    pencil.moveTo(tip);
    pencil.lineTo(shoulder + across);
    pencil.lineTo(end + across);
    pencil.lineTo(end - across);
    pencil.lineTo(shoulder - across);
    pencil.closeSubpath();
    return pencil;
}

} // namespace icons
