#include "app/LauncherPictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace pimdesk {

namespace {

// Every picture is drawn on a 128 x 128 canvas and scaled.
constexpr qreal canvas = 128.0;

void drawShadow(QPainter &p, const QRectF &rect, qreal radius)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawRoundedRect(rect.translated(3, 4), radius, radius);
}

void drawContacts(QPainter &p)
{
    const QRectF book(24, 10, 84, 108);
    drawShadow(p, book, 8);
    QLinearGradient cover(book.topLeft(), book.bottomRight());
    cover.setColorAt(0, QColor(0x4a, 0x8d, 0xe6));
    cover.setColorAt(1, QColor(0x23, 0x58, 0xb0));
    p.setPen(QPen(QColor(0x1b, 0x45, 0x8c), 2));
    p.setBrush(cover);
    p.drawRoundedRect(book, 8, 8);

    // Index tabs on the right edge.
    const QColor tabs[] = {QColor(0xe8, 0x4c, 0x3d), QColor(0x3c, 0xb3, 0x71), QColor(0xf2, 0xc1, 0x2e)};
    for (int i = 0; i < 3; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(tabs[i]);
        p.drawRoundedRect(QRectF(104, 24 + i * 22, 12, 16), 3, 3);
    }

    // Spine and rings.
    p.setBrush(QColor(0x1b, 0x45, 0x8c));
    p.drawRect(QRectF(24, 12, 12, 104));
    p.setPen(QPen(QColor(0xe6, 0xe9, 0xef), 4, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 5; ++i)
        p.drawLine(QPointF(16, 24 + i * 20), QPointF(34, 24 + i * 20));

    // A person on the cover.
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(70, 48), 15, 15);
    QPainterPath shoulders;
    shoulders.moveTo(44, 96);
    shoulders.cubicTo(44, 68, 96, 68, 96, 96);
    shoulders.closeSubpath();
    p.drawPath(shoulders);
}

void drawCalendar(QPainter &p)
{
    const QRectF page(14, 20, 100, 96);
    drawShadow(p, page, 10);
    p.setPen(QPen(QColor(0xb8, 0xbe, 0xc8), 2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(page, 10, 10);

    // Red band at the top of the page.
    QPainterPath band;
    band.addRoundedRect(page, 10, 10);
    QPainterPath top;
    top.addRect(QRectF(page.left(), page.top(), page.width(), 26));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xdb, 0x44, 0x37));
    p.drawPath(band.intersected(top));

    // Binding rings.
    p.setBrush(QColor(0x4a, 0x4f, 0x5a));
    p.drawRoundedRect(QRectF(36, 10, 8, 22), 4, 4);
    p.drawRoundedRect(QRectF(84, 10, 8, 22), 4, 4);

    // Days: four weeks of five, one of them marked.
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 5; ++col) {
            const QRectF day(24 + col * 17, 56 + row * 14, 12, 9);
            const bool marked = row == 1 && col == 3;
            p.setBrush(marked ? QColor(0x2f, 0x6f, 0xd6) : QColor(0xd5, 0xd9, 0xe0));
            p.drawRoundedRect(marked ? day.adjusted(-2, -2, 2, 2) : day, 2, 2);
        }
    }
}

void drawTasks(QPainter &p)
{
    const QRectF board(20, 16, 88, 104);
    drawShadow(p, board, 8);
    p.setPen(QPen(QColor(0x8a, 0x5a, 0x2b), 2));
    p.setBrush(QColor(0xc0, 0x84, 0x4a));
    p.drawRoundedRect(board, 8, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(28, 28, 72, 84));

    // The clip.
    p.setPen(QPen(QColor(0x5f, 0x66, 0x72), 2));
    p.setBrush(QColor(0xa7, 0xae, 0xba));
    p.drawRoundedRect(QRectF(46, 8, 36, 18), 5, 5);

    for (int i = 0; i < 3; ++i) {
        const qreal y = 40 + i * 24;
        p.setPen(QPen(QColor(0x6b, 0x72, 0x80), 2));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(36, y, 15, 15), 3, 3);
        p.setPen(QPen(QColor(0xc5, 0xca, 0xd3), 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(60, y + 7.5), QPointF(92, y + 7.5));
        if (i < 2) {
            p.setPen(QPen(QColor(0x2e, 0xa4, 0x4f), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            QPainterPath tick;
            tick.moveTo(38, y + 7);
            tick.lineTo(43, y + 13);
            tick.lineTo(54, y - 2);
            p.drawPath(tick);
        }
    }
}

void drawOutlook(QPainter &p)
{
    const QRectF envelope(38, 38, 82, 60);
    drawShadow(p, envelope, 6);
    p.setPen(QPen(QColor(0x6f, 0x8f, 0xbf), 2));
    p.setBrush(QColor(0xe8, 0xf1, 0xfd));
    p.drawRoundedRect(envelope, 6, 6);
    p.setPen(QPen(QColor(0x6f, 0x8f, 0xbf), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath flap;
    flap.moveTo(envelope.left() + 4, envelope.top() + 4);
    flap.lineTo(envelope.center().x() + 8, envelope.top() + 36);
    flap.lineTo(envelope.right() - 4, envelope.top() + 4);
    p.drawPath(flap);

    // The tile with its "O".
    const QRectF tile(8, 30, 60, 72);
    drawShadow(p, tile, 8);
    QLinearGradient blue(tile.topLeft(), tile.bottomRight());
    blue.setColorAt(0, QColor(0x1e, 0x7c, 0xe8));
    blue.setColorAt(1, QColor(0x0b, 0x4f, 0xa8));
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawRoundedRect(tile, 8, 8);
    p.setPen(QPen(Qt::white, 9));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(tile.center(), 15, 20);
}

} // namespace

QPixmap launcherPicture(LauncherPicture picture, int side, qreal devicePixelRatio)
{
    const int device = qMax(1, qRound(side * devicePixelRatio));
    QPixmap pixmap(device, device);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(device / canvas, device / canvas);
    switch (picture) {
    case LauncherPicture::Contacts:
        drawContacts(p);
        break;
    case LauncherPicture::Calendar:
        drawCalendar(p);
        break;
    case LauncherPicture::Tasks:
        drawTasks(p);
        break;
    case LauncherPicture::Outlook:
        drawOutlook(p);
        break;
    }
    p.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

} // namespace pimdesk
