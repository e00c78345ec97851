#include "shell/Geometry.h"

#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace pimdesk {

namespace {

constexpr double twipsPerInch = 1440.0;

double logicalDpi(const QWidget *widget, Qt::Orientation direction)
{
    if (widget)
        return direction == Qt::Horizontal ? widget->logicalDpiX() : widget->logicalDpiY();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        return direction == Qt::Horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return 96.0;
}

} // namespace

int twipsToPixels(int twips, const QWidget *widget, Qt::Orientation direction)
{
    return int(std::lround(twips * logicalDpi(widget, direction) / twipsPerInch));
}

QSize twipsToPixels(const QSize &twips, const QWidget *widget)
{
    return {twipsToPixels(twips.width(), widget, Qt::Horizontal), twipsToPixels(twips.height(), widget, Qt::Vertical)};
}

QRect twipsToPixels(const QRect &twips, const QWidget *widget)
{
    return {QPoint(twipsToPixels(twips.x(), widget, Qt::Horizontal), twipsToPixels(twips.y(), widget, Qt::Vertical)),
            twipsToPixels(twips.size(), widget)};
}

QMdiSubWindow *mdiFrame(const QWidget *window)
{
    return window ? qobject_cast<QMdiSubWindow *>(window->parentWidget()) : nullptr;
}

void placeWindow(QWidget *window, const QRect &geometry)
{
    if (!window)
        return;
    if (QMdiSubWindow *frame = mdiFrame(window))
        frame->setGeometry(geometry);
    else
        window->setGeometry(geometry);
}

} // namespace pimdesk
