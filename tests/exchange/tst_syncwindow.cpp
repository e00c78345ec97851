#include "exchange/DeviceGuard.h"
#include "exchange/DocumentWriters.h"
#include "exchange/ui/DriveListWidget.h"
#include "exchange/ui/SyncWindow.h"
#include "records/Store.h"
#include "support/RecordingLists.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace pimdesk;
using pimdesk::test::readFile;
using pimdesk::test::writeFile;

class TestSyncWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void windowHasItsControls();
    void previewShowsEachKindAndSide();
    void conflictDialogChoices_data();
    void conflictDialogChoices();
    void cancelInTheDialogChangesNothing();

private:
    std::unique_ptr<SyncWindow> makeWindow();
    void storeExec(const QString &sql) { Store::open(Store::pathInDirectory(m_data))->exec(sql); }
    QStringList contacts()
    {
        QStringList rows;
        const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(m_data));
        Store::Query query(*store, "SELECT ID, FileAs FROM Contacts ORDER BY ID");
        while (query.next())
            rows << query.text(0) + "=" + query.text(1);
        return rows;
    }
    // Contact 1 "r1" synced, then changed to "pc" in the store and to "hh" on the handheld.
    void makeConflict(SyncWindow &window);
    QString document() const { return m_root + "/Qtopia/Applications/addressbook/addressbook.xml"; }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;
    QString m_root;
    ScriptedMessages m_messages;
    pimdesk::test::RecordingLists m_lists;
};

void TestSyncWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_data = m_dir->filePath("DATA");
    m_root = m_dir->filePath("k7m");
    QVERIFY(QDir().mkpath(m_root + "/Qtopia/Applications"));
    m_messages = ScriptedMessages();
    m_lists.calls.clear();
}

void TestSyncWindow::cleanup()
{
    m_dir.reset();
}

std::unique_ptr<SyncWindow> TestSyncWindow::makeWindow()
{
    const QList<DriveEntry> drives{{"/", "system"}, {m_root, "K7M"}};
    auto window = std::make_unique<SyncWindow>(m_data, m_messages, &m_lists, nullptr, [drives] { return drives; });
    window->show();
    return window;
}

void TestSyncWindow::makeConflict(SyncWindow &window)
{
    storeExec("INSERT INTO Contacts (ID, FileAs) VALUES (1, 'r1')");
    storeExec("INSERT INTO Contacts (ID, FileAs) VALUES (2, 'r2')");
    window.findChild<QCheckBox *>("Check2")->setChecked(false);
    window.findChild<QCheckBox *>("Check3")->setChecked(false);
    QVERIFY(window.runSync().inSync(1));
    storeExec("UPDATE Contacts SET FileAs = 'pc' WHERE ID = 1");
    QByteArray bytes = readFile(document());
    bytes.replace("FileAs=\"r1\"", "FileAs=\"hh\"");
    QVERIFY(writeFile(document(), bytes));
}

void TestSyncWindow::windowHasItsControls()
{
    const auto window = makeWindow();
    QCOMPARE(window->objectName(), QString("SUB1_4"));
    QCOMPARE(window->windowTitle(), QString("Norvel과 동기화"));
    QCOMPARE(window->findChild<QPushButton *>("Command1")->text(), QString("동기화"));
    QCOMPARE(window->findChild<QPushButton *>("Command2")->text(), QString("되돌리기"));
    QCOMPARE(window->findChild<QPushButton *>("Command3")->text(), QString("미리 보기"));
    for (const char *box : {"Check1", "Check2", "Check3"})
        QVERIFY(window->findChild<QCheckBox *>(box)->isChecked());
    QVERIFY(window->findChild<QWidget *>("Drive1"));
    // The device search picked the handheld's drive.
    QCOMPARE(window->driveList()->selectedRoot(), m_root);
    const QImage picture = window->grab().toImage();
    QVERIFY(picture.save("/tmp/s25-syncwindow.png"));
}

void TestSyncWindow::previewShowsEachKindAndSide()
{
    storeExec("INSERT INTO Contacts (ID, FileAs) VALUES (1, 'r1')");
    const auto window = makeWindow();
    QTest::mouseClick(window->findChild<QPushButton *>("Command3"), Qt::LeftButton);
    auto *table = window->findChild<QTableWidget *>("Grid1");
    QCOMPARE(table->rowCount(), 6);
    QCOMPARE(table->item(0, 0)->text(), QString("연락처"));
    QCOMPARE(table->item(0, 1)->text(), QString("PC"));
    QCOMPARE(table->item(1, 1)->text(), QString("Norvel"));
    QCOMPARE(table->item(1, 2)->text(), QString("1")); // added on the handheld
    QCOMPARE(table->item(0, 2)->text(), QString("0"));
    QVERIFY(!QFileInfo::exists(document())); // a preview changes nothing
    QVERIFY(window->grab().toImage().save("/tmp/s25-syncpreview.png"));
}

void TestSyncWindow::conflictDialogChoices_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("PC 것으로") << "Command1" << QStringList{"1=pc", "2=r2"};
    QTest::newRow("Norvel 것으로") << "Command2" << QStringList{"1=hh", "2=r2"};
    QTest::newRow("둘 다 두기") << "Command3" << QStringList{"1=pc", "2=r2", "3=hh"};
}

void TestSyncWindow::conflictDialogChoices()
{
    QFETCH(QString, button);
    QFETCH(QStringList, expected);
    const auto window = makeWindow();
    makeConflict(*window);
    m_lists.calls.clear();
    // The dialog is driven once it is on show.
    QString shownField, shownPc, shownHandheld, caption;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = window->findChild<SyncConflictDialog *>("SyncConflicts");
        QVERIFY(dialog);
        auto *fields = dialog->findChild<QTableWidget *>("Grid1");
        shownField = fields->item(0, 0)->text();
        shownPc = fields->item(0, 1)->text();
        shownHandheld = fields->item(0, 2)->text();
        caption = dialog->findChild<QPushButton *>(button)->text();
        QVERIFY(dialog->grab().toImage().save("/tmp/s25-syncconflict.png"));
        QTest::mouseClick(dialog->findChild<QPushButton *>(button), Qt::LeftButton);
    });
    const SyncOutcome outcome = window->runSync();
    QVERIFY(outcome.inSync(1));
    QCOMPARE(shownField, QString("FileAs"));
    QCOMPARE(shownPc, QString("pc"));
    QCOMPARE(shownHandheld, QString("hh"));
    QCOMPARE(caption, QString(QTest::currentDataTag()));
    QCOMPARE(contacts(), expected);
    const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(m_data));
    QCOMPARE(readFile(document()), handheldDocument(RecordKind::Contacts, *store));
    QVERIFY(m_lists.calls.contains("Contacts reloaded"));
}

void TestSyncWindow::cancelInTheDialogChangesNothing()
{
    const auto window = makeWindow();
    makeConflict(*window);
    const QByteArray handheld = readFile(document());
    QTimer::singleShot(0, this, [&] {
        auto *dialog = window->findChild<SyncConflictDialog *>("SyncConflicts");
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QPushButton *>("Command4")->text(), QString("취소"));
        QTest::mouseClick(dialog->findChild<QPushButton *>("Command4"), Qt::LeftButton);
    });
    const SyncOutcome outcome = window->runSync();
    QVERIFY(outcome.stopped);
    QCOMPARE(contacts(), (QStringList{"1=pc", "2=r2"}));
    QCOMPARE(readFile(document()), handheld);
}

QTEST_MAIN(TestSyncWindow)
#include "tst_syncwindow.moc"
