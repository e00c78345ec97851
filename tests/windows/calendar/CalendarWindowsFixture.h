#pragma once

// The program's main window over a store with the calendar fixture's events, with every window
// registered as the program registers them, and ways to reach the calendar windows by name.
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "records/Store.h"
#include "shell/ListWindow.h"
#include "shell/RecordGrid.h"
#include "shell/WindowRegistry.h"
#include "support/CalendarFixture.h"
#include "support/ScriptedMessages.h"

#include <QAction>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>

namespace pimdesk::test {

class CalendarWindowsFixture
{
public:
    CalendarWindowsFixture()
    {
        storePath = Store::pathInDirectory(dir.filePath("DATA"));
        store = Store::shared(storePath);
        addCalendarEvents(*store);
        main = std::make_unique<MainWindow>(storePath, messages, store);
        registerProgramWindows(main->windows());
        main->resize(1000, 700);
        main->show();
    }

    // Opens the calendar list from the main menu, as the user does.
    QWidget *openList()
    {
        main->findChild<QAction *>("prg_calendar")->trigger();
        return list();
    }
    QWidget *list() const { return main->findChild<QWidget *>("SUB4_1"); }
    QWidget *window(const char *name) const { return main->findChild<QWidget *>(name); }
    template <class T> T *control(const char *windowName, const char *name) const
    {
        QWidget *w = window(windowName);
        return w ? w->findChild<T *>(name) : nullptr;
    }
    RecordGrid *grid() const { return control<RecordGrid>("SUB4_1", "MSFlexGrid1"); }
    QMdiSubWindow *frame(const char *name) const
    {
        QWidget *w = window(name);
        return w ? qobject_cast<QMdiSubWindow *>(w->parentWidget()) : nullptr;
    }

    // The IDs the grid shows, top to bottom.
    QList<qint64> gridIds() const
    {
        QList<qint64> ids;
        const RecordGridModel &model = grid()->gridModel();
        for (int row = 0; row < model.rowCount(); ++row)
            ids << model.cellText(row, 0).toLongLong();
        return ids;
    }
    // Clicks the grid row that shows an event (on its visible description).
    bool selectEvent(qint64 id)
    {
        const int row = int(gridIds().indexOf(id));
        if (row < 0)
            return false;
        RecordGrid *g = grid();
        g->scrollTo(g->model()->index(row, 4));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(g->model()->index(row, 4)).center());
        return g->currentRow() == row;
    }

    QTemporaryDir dir;
    QString storePath;
    std::shared_ptr<Store> store;
    ScriptedMessages messages;
    std::unique_ptr<MainWindow> main;
};

} // namespace pimdesk::test
