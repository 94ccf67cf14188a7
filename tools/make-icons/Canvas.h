#pragma once

// Shared palette, metrics and drawing primitives, so that every picture has the same look:
// rounded shapes, white glyphs of one stroke width on coloured tiles.

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPen>
#include <QRectF>

class QPainter;

namespace icons {

namespace palette {
inline const QColor navy{0x01, 0x02, 0x30};
inline const QColor navyLight{0x0B, 0x1F, 0x5C};
inline const QColor aqua{0x1C, 0xC2, 0xD8};
inline const QColor blue{0x2D, 0x7F, 0xF9};
inline const QColor teal{0x12, 0xA8, 0x96};
inline const QColor green{0x23, 0xA6, 0x5A};
inline const QColor orange{0xF0, 0x8A, 0x2C};
inline const QColor violet{0x7A, 0x5C, 0xF0};
inline const QColor red{0xE0, 0x48, 0x4D};
inline const QColor slate{0x50, 0x63, 0x82};
inline const QColor amber{0xE3, 0x9E, 0x12};
inline const QColor indigo{0x44, 0x55, 0xD6};
inline const QColor pink{0xD9, 0x46, 0x8A};
inline const QColor glyph{0xFF, 0xFF, 0xFF};
inline const QColor sky{0x9E, 0xC9, 0xFF};
} // namespace palette

// Metrics of the 64 x 64 icon grid.
inline constexpr int kIconSize = 64;
inline constexpr qreal kStroke = 4.0;
inline constexpr qreal kTileRadius = 13.0;
inline const QRectF kTileRect{4.0, 4.0, 56.0, 56.0};

QImage blankImage(int width, int height);
void prepare(QPainter& painter);

// A round-capped, round-joined pen in the glyph colour.
QPen glyphPen(qreal width = kStroke, const QColor& color = palette::glyph);

// The coloured rounded square every toolbar icon stands on.
void drawTile(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color);

// An open arrow head (two strokes) whose tip is at tip, pointing along angleDegrees
// (0 = right, 90 = down, screen coordinates).
void drawArrowHead(QPainter& painter, QPointF tip, qreal angleDegrees, qreal size);

// A straight arrow from 'from' to 'to' with an open head at 'to'.
void drawArrow(QPainter& painter, QPointF from, QPointF to, qreal headSize);

// A circular arc around center with an arrow head at its end; angles in degrees, counter-clockwise
// positive as in QPainterPath::arcTo.
void drawArcArrow(QPainter& painter, QPointF center, qreal radius, qreal startDegrees,
                  qreal sweepDegrees, qreal headSize);

// A white phone with a screen cut out in screenColor.
void drawPhone(QPainter& painter, const QRectF& body, const QColor& screenColor);

// A database cylinder drawn in strokes of the current pen, filled with fill.
void drawCylinder(QPainter& painter, const QRectF& rect, const QBrush& fill);

// A rounded speech bubble with its tail at the lower left.
QPainterPath bubblePath(const QRectF& rect, qreal radius);

// A pencil lying along the line from tip to end, with the given body width.
QPainterPath pencilPath(QPointF tip, QPointF end, qreal width);

} // namespace icons
