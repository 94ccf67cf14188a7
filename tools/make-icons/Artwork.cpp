#include "Artwork.h"

#include "Canvas.h"

#include <QBuffer>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QRegularExpression>
#include <QSvgGenerator>

namespace icons {

namespace {

constexpr auto kProductName = "Tallowbrook";

QLinearGradient brandGradient(const QRectF& rect)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
    gradient.setColorAt(0.0, palette::aqua);
    gradient.setColorAt(1.0, palette::blue.darker(115));
    return gradient;
}

// The brand mark on a unit square of side s at the painter's origin: phone, speech bubble and
// a green badge with a downward arrow (messages kept safe on the computer).
void drawBrandMark(QPainter& p, qreal s)
{
    const QRectF tile(0.03 * s, 0.03 * s, 0.94 * s, 0.94 * s);
    p.setPen(Qt::NoPen);
    p.setBrush(brandGradient(tile));
    p.drawRoundedRect(tile, 0.22 * s, 0.22 * s);

    const QColor screen = palette::blue.lighter(135);
    drawPhone(p, QRectF(0.17 * s, 0.2 * s, 0.34 * s, 0.6 * s), screen);

    const QPainterPath bubble = bubblePath(QRectF(0.4 * s, 0.16 * s, 0.44 * s, 0.3 * s), 0.09 * s);
    p.setPen(QPen(palette::blue, 0.03 * s));
    p.setBrush(palette::glyph);
    p.drawPath(bubble);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::blue);
    for (int i = 0; i < 3; ++i) {
        p.drawEllipse(QPointF((0.52 + 0.1 * i) * s, 0.31 * s), 0.035 * s, 0.035 * s);
    }

    const QPointF badge(0.7 * s, 0.7 * s);
    p.setPen(QPen(palette::glyph, 0.03 * s));
    p.setBrush(palette::green);
    p.drawEllipse(badge, 0.16 * s, 0.16 * s);
    p.setPen(glyphPen(0.045 * s));
    drawArrow(p, badge - QPointF(0, 0.08 * s), badge + QPointF(0, 0.075 * s), 0.065 * s);
}

void drawWordmark(QPainter& p, QPointF baseline, int pixelSize, const QColor& color)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setLetterSpacing(QFont::PercentageSpacing, 101);
    p.setFont(font);
    p.setPen(color);
    p.drawText(baseline, QString::fromLatin1(kProductName));
}

} // namespace

QImage applicationIcon(int size)
{
    QImage image = blankImage(size, size);
    QPainter painter(&image);
    prepare(painter);
    drawBrandMark(painter, size);
    return image;
}

QByteArray applicationIconSvg()
{
    constexpr int size = 256;
    QBuffer buffer;
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(size, size));
    svg.setViewBox(QRect(0, 0, size, size));
    svg.setTitle(QString::fromLatin1(kProductName));
    svg.setDescription(QStringLiteral("The %1 application icon").arg(kProductName));
    QPainter painter(&svg);
    prepare(painter);
    drawBrandMark(painter, size);
    painter.end();
    // The generator gives the size in millimetres; an icon's is in pixels.
    QString document = QString::fromUtf8(buffer.data());
    document.replace(QRegularExpression(QStringLiteral("width=\"[0-9.]+mm\" height=\"[0-9.]+mm\"")),
                     QStringLiteral("width=\"%1\" height=\"%1\"").arg(size));
    return document.toUtf8();
}

QImage accountBanner()
{
    constexpr int width = 400;
    constexpr int height = 70;
    QImage image = blankImage(width, height);
    QPainter p(&image);
    prepare(p);

    QLinearGradient sky(0, 0, width, 0);
    sky.setColorAt(0.0, palette::navy);
    sky.setColorAt(1.0, palette::navyLight);
    p.fillRect(image.rect(), sky);

    // Two faint outlined message bubbles at the right.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 34), 1.5));
    p.drawPath(bubblePath(QRectF(322, 12, 56, 30), 10));
    p.setPen(QPen(QColor(255, 255, 255, 22), 1.5));
    p.drawPath(bubblePath(QRectF(290, 34, 36, 20), 7));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 40));
    for (int i = 0; i < 3; ++i) {
        p.drawEllipse(QPointF(338 + 12 * i, 27), 2.6, 2.6);
    }

    p.save();
    p.translate(14, 11);
    drawBrandMark(p, 48);
    p.restore();

    drawWordmark(p, QPointF(74, 37), 25, palette::glyph);
    QFont tagFont(QStringLiteral("DejaVu Sans"));
    tagFont.setPixelSize(11);
    p.setFont(tagFont);
    p.setPen(palette::sky);
    p.drawText(QPointF(75, 55), QStringLiteral("Your Android SMS, kept safe on your computer"));

    QLinearGradient accent(0, 0, width, 0);
    accent.setColorAt(0.0, palette::aqua);
    accent.setColorAt(0.7,
                      QColor(palette::aqua.red(), palette::aqua.green(), palette::aqua.blue(), 0));
    p.fillRect(QRectF(0, height - 2, width, 2), accent);
    return image;
}

QImage toolbarBackground()
{
    constexpr int width = 1000;
    constexpr int height = 52;
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(palette::navy);
    QPainter p(&image);
    prepare(p);

    // A soft light from the upper left; it fades into the plain navy the style sheet paints
    // beyond the picture, so no edge shows on wider windows.
    QRadialGradient glow(QPointF(120, -30), 420);
    glow.setColorAt(0.0, QColor(0x2D, 0x7F, 0xF9, 46));
    glow.setColorAt(1.0, QColor(0x2D, 0x7F, 0xF9, 0));
    p.fillRect(image.rect(), glow);

    QLinearGradient line(0, 0, width, 0);
    line.setColorAt(0.0, QColor(0x1C, 0xC2, 0xD8, 150));
    line.setColorAt(0.6, QColor(0x1C, 0xC2, 0xD8, 0));
    p.fillRect(QRectF(0, 0, width, 1.5), line);

    // The product's name, quiet, at the right end where no button stands.
    p.setOpacity(0.35);
    p.save();
    p.translate(800, 13);
    drawBrandMark(p, 26);
    p.restore();
    drawWordmark(p, QPointF(834, 33), 18, palette::sky);
    return image;
}

QImage databaseIcon()
{
    QImage image = blankImage(32, 32);
    QPainter p(&image);
    prepare(p);
    QLinearGradient body(4, 0, 28, 0);
    body.setColorAt(0.0, palette::blue.lighter(110));
    body.setColorAt(1.0, palette::blue.darker(125));
    p.setPen(QPen(palette::blue.darker(160), 1.5));
    drawCylinder(p, QRectF(5, 3, 22, 26), body);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::blue.lighter(150));
    p.drawEllipse(QRectF(6, 4, 20, 5.2));
    return image;
}

QImage contactIcon()
{
    QImage image = blankImage(32, 32);
    QPainter p(&image);
    prepare(p);
    const QRectF disc(1.5, 1.5, 29, 29);
    p.setPen(Qt::NoPen);
    p.setBrush(brandGradient(disc));
    p.drawEllipse(disc);
    // Head and shoulders, clipped to the disc.
    QPainterPath clip;
    clip.addEllipse(disc);
    p.setClipPath(clip);
    p.setBrush(palette::glyph);
    p.drawEllipse(QPointF(16, 12.5), 5.5, 5.5);
    p.drawEllipse(QRectF(6, 20, 20, 18));
    return image;
}

} // namespace icons
