#pragma once

// The program's main window with every window registered, on a store of its own in a temporary
// folder, for the tests of the contacts windows: they open the list as the user does and find every
// window and control by its name.
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "records/RecordSet.h"
#include "records/Store.h"
#include "shell/Geometry.h"
#include "shell/RecordGrid.h"
#include "shell/WindowRegistry.h"
#include "support/ScriptedMessages.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace pimdesk::test {

class ContactsFixture
{
public:
    bool setUp()
    {
        dir = std::make_unique<QTemporaryDir>();
        if (!dir->isValid())
            return false;
        storePath = Store::pathInDirectory(dir->filePath("DATA"));
        store = Store::shared(storePath);
        messages = ScriptedMessages();
        main = std::make_unique<MainWindow>(storePath, messages, store);
        registerProgramWindows(main->windows());
        main->show();
        return QTest::qWaitForWindowExposed(main.get());
    }

    void tearDown()
    {
        main.reset();
        store.reset();
        dir.reset();
    }

    // A contact with the given fields (name to value); ID is added.
    void addContact(qint64 id, const QVariantMap &fields = {})
    {
        QStringList names{"ID"};
        QStringList marks{"?"};
        QVariantList values{id};
        for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
            names << '"' + it.key() + '"';
            marks << "?";
            values << it.value();
        }
        store->exec("INSERT INTO Contacts (" + names.join(", ") + ") VALUES (" + marks.join(", ") + ")", values);
    }

    // One field of the stored contact (null when the contact or the value is absent).
    QVariant stored(qint64 id, const QString &field)
    {
        return store->scalar(QString("SELECT \"%1\" FROM Contacts WHERE ID = ?").arg(field), {id});
    }

    QList<qint64> storedIds()
    {
        QList<qint64> ids;
        Store::Query q(*store, "SELECT ID FROM Contacts ORDER BY ID");
        while (q.next())
            ids << q.value(0).toLongLong();
        return ids;
    }

    // Opens the contacts list from the main menu.
    QWidget *openList()
    {
        main->findChild<QAction *>("PRG_CONTACTS")->trigger();
        return widget("SUB2_1");
    }

    template <class T = QWidget> T *find(const char *name) const { return main->findChild<T *>(name); }
    QWidget *widget(const char *name) const { return find<QWidget>(name); }
    // A control inside a window (names such as Command1 recur from window to window).
    template <class T = QWidget> T *control(const char *window, const char *name) const
    {
        QWidget *w = widget(window);
        return w ? w->findChild<T *>(name) : nullptr;
    }
    RecordGrid *grid() const { return control<RecordGrid>("SUB2_1", "MSFlexGrid1"); }
    QString listSource() const { return control<DataSource>("SUB2_1", "Data1")->recordSource(); }

    // Types text into a box key by key, as the user would (Hangul included, which keyClicks refuses).
    static void type(QWidget *box, const QString &text)
    {
        for (const QChar c : text) {
            if (c == '\n')
                QTest::keyClick(box, Qt::Key_Return);
            else
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }

    // Makes a row of the list current, as a click on it would.
    void selectRow(int row) const { grid()->setCurrentCell(row, 2); }

    std::unique_ptr<QTemporaryDir> dir;
    QString storePath;
    std::shared_ptr<Store> store;
    ScriptedMessages messages;
    std::unique_ptr<MainWindow> main;
};

} // namespace pimdesk::test
