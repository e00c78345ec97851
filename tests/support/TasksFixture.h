#pragma once

// The task windows as the program builds them: a main window on a store in a temporary folder with
// every window registered, a fixed clock and scripted messages. Header only: it needs the GUI library,
// which the shared support library does not link.
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "records/Clock.h"
#include "records/RecordSet.h"
#include "records/Store.h"
#include "shell/WindowRegistry.h"
#include "support/ScriptedMessages.h"
#include "windows/tasks/TaskEditor.h"
#include "windows/tasks/TaskListWindow.h"
#include "windows/tasks/TaskWindows.h"

#include <QAbstractButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVariantMap>

namespace pimdesk::test {

class TasksFixture
{
public:
    // "Today" for the task windows.
    static QDate today() { return QDate(2026, 12, 8); }

    void setUp()
    {
        dir = std::make_unique<QTemporaryDir>();
        storePath = Store::pathInDirectory(dir->filePath("DATA"));
        store = Store::shared(storePath);
        Clock::setCurrent(&clock);
        messages = ScriptedMessages();
        main = std::make_unique<MainWindow>(storePath, messages, store);
        registerProgramWindows(main->windows());
        main->resize(1000, 760);
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    }

    void tearDown()
    {
        main.reset();
        Clock::setCurrent(nullptr);
        store.reset();
        dir.reset();
    }

    void addTask(const QVariantMap &fields)
    {
        RecordSet todo(store, "Todo");
        todo.addNew();
        for (auto it = fields.cbegin(); it != fields.cend(); ++it)
            todo.setField(it.key(), it.value());
        todo.update();
    }

    // A stored task's fields by name, or an empty map when there is no such task.
    QVariantMap task(qint64 id)
    {
        QVariantMap fields;
        RecordSet records(store, "SELECT * FROM Todo WHERE ID = " + QString::number(id));
        if (records.eof())
            return fields;
        for (const QString &name : records.fieldNames())
            fields.insert(name, records.field(name));
        return fields;
    }

    TaskListWindow *openList()
    {
        main->windows().openList(RecordKind::Tasks);
        return main->findChild<TaskListWindow *>(kindInfo(RecordKind::Tasks).listWindow);
    }
    TaskEditor *editor() { return main->findChild<TaskEditor *>(taskWindowNames::editor); }

    template <class T = QWidget> T *child(const char *window, const char *name)
    {
        auto *w = main->findChild<QWidget *>(window);
        return w ? w->findChild<T *>(name) : nullptr;
    }
    void click(const char *window, const char *name)
    {
        auto *button = child<QAbstractButton>(window, name);
        QVERIFY2(button, name);
        QVERIFY2(button->isEnabled(), name);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    std::unique_ptr<QTemporaryDir> dir;
    QString storePath;
    std::shared_ptr<Store> store;
    FixedClock clock{QDateTime(today(), QTime(9, 30))};
    ScriptedMessages messages;
    std::unique_ptr<MainWindow> main;
};

} // namespace pimdesk::test
