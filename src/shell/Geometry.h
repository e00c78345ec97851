#pragma once

#include <QRect>
#include <QSize>

class QWidget;
class QMdiSubWindow;

namespace pimdesk {

// Window sizes and positions are designed in twips, 1440 to the logical inch. These turn them into
// pixels of the screen the widget is on (the primary screen for a null widget, 96 dpi without one).
int twipsToPixels(int twips, const QWidget *widget, Qt::Orientation direction = Qt::Horizontal);
QSize twipsToPixels(const QSize &twips, const QWidget *widget);
QRect twipsToPixels(const QRect &twips, const QWidget *widget);

// The frame a window of the main window lives in (its QMdiSubWindow), or null for a free window.
QMdiSubWindow *mdiFrame(const QWidget *window);

// Places a window, with its frame when it has one, at a position and outer size in pixels relative
// to the main window's work area.
void placeWindow(QWidget *window, const QRect &geometry);

} // namespace pimdesk
