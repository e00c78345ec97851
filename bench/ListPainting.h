#pragma once

// The list benchmarks time a list until its grid has shown its first rows: the posted layout and
// paint requests run, so the grid reads and draws its visible rows once, as the user waits for them.
// A grid that had nothing posted (nothing changed since its last paint) is painted once now.

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>

namespace pimdesk::bench {

inline void showFirstRows(QAbstractScrollArea *grid)
{
    struct PaintCounter : QObject
    {
        int paints = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                ++paints;
            return false;
        }
    } counter;
    grid->viewport()->installEventFilter(&counter);
    QCoreApplication::processEvents();
    grid->viewport()->removeEventFilter(&counter);
    if (counter.paints == 0)
        grid->viewport()->repaint();
}

} // namespace pimdesk::bench
