// The exchange windows as the program registers them: built on first use inside the main window,
// disabling the contacts list while open, and unloaded by closing, so the next opening loads anew.
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "exchange/ui/DriveListWidget.h"
#include "exchange/ui/ExportWindow.h"
#include "exchange/ui/ImportWindow.h"
#include "records/DataSource.h"
#include "records/Store.h"
#include "shell/ListWindow.h"
#include "shell/WindowRegistry.h"
#include "support/ScriptedMessages.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;

namespace {

class StandInContacts : public ListWindow
{
public:
    StandInContacts() : ListWindow(RecordKind::Contacts) {}
    DataSource &dataSource() override { return m_data; }

private:
    DataSource m_data;
};

} // namespace

class TestProgramWindows : public QObject
{
    Q_OBJECT
private slots:
    void exchangeWindowsOpenInsideTheMainWindowAndUnloadOnClose()
    {
        QTemporaryDir dir;
        const QString storePath = Store::pathInDirectory(dir.filePath("DATA"));
        ScriptedMessages messages;
        messages.setDefaultAnswer(Answer::Cancel);
        MainWindow main(storePath, messages, Store::open(storePath));
        registerProgramWindows(main.windows());
        main.windows().registerListWindow(RecordKind::Contacts, [](ProgramContext &) { return new StandInContacts; });
        main.resize(900, 700);
        main.show();
        main.windows().openList(RecordKind::Contacts);
        QWidget *contacts = main.windows().listWindow(RecordKind::Contacts);
        QVERIFY(contacts && contacts->isEnabled());

        for (const char *name : {windowNames::exportToDevice, windowNames::importFromDevice}) {
            QVERIFY(main.windows().isRegistered(name));
            QVERIFY(!main.windows().isLoaded(name));
            QWidget *window = main.windows().showWindow(name);
            QVERIFY(window);
            QCOMPARE(window->objectName(), QString::fromLatin1(name));
            QVERIFY(qobject_cast<DeviceWindow *>(window));
            QVERIFY(main.mdiArea()->subWindowList().contains(qobject_cast<QMdiSubWindow *>(window->parentWidget())));
            QVERIFY(window->isVisible());
            // Its load disabled the contacts list; the drive list is where the device search left it.
            QVERIFY(!contacts->isEnabled());
            auto *drives = window->findChild<DriveListWidget *>("Drive1");
            QVERIFY(drives);
            QVERIFY(drives->isDriveListEnabled()); // no handheld here: the list stays open for a choice by hand
            QCOMPARE(messages.shown().last().title, QStringLiteral("K7M(Norvel)를 찾을수 없습니다."));

            // Closing unloads the window and enables the lists again.
            QPointer<QWidget> alive(window);
            qobject_cast<QMdiSubWindow *>(window->parentWidget())->close();
            QTRY_VERIFY(alive.isNull());
            QVERIFY(!main.windows().isLoaded(name));
            QVERIFY(contacts->isEnabled());

            // Opening it again runs its load again: one more device search.
            const int asked = int(messages.shown().size());
            QVERIFY(main.windows().showWindow(name));
            QCOMPARE(int(messages.shown().size()), asked + 1);
            qobject_cast<QMdiSubWindow *>(main.windows().window(name)->parentWidget())->close();
        }
    }
};

QTEST_MAIN(TestProgramWindows)
#include "tst_programwindows.moc"
