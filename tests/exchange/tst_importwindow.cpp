#include "exchange/ui/DriveListWidget.h"
#include "exchange/ui/ImportWindow.h"
#include "records/DataFolderLock.h"
#include "records/Store.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "support/DeviceWindowDriver.h"
#include "support/RecordingLists.h"

using namespace pimdesk;
using pimdesk::test::readFile;
using pimdesk::test::writeFile;

namespace {

using FakeLists = pimdesk::test::RecordingLists;

const QString notFoundText = "파일을 찾을수 없습니다.\rNorvel(K7M)가 연결된 디렉토리가 맞는지 확인 하십시요.";
const QString contactsDone = "연락처 가져오기가 완료되었습니다.";
const QString eventsDone = "일정 가져오기가 완료되었습니다.";
const QString tasksDone = "작업 가져오기가 완료되었습니다.";
const QStringList enabledAll{"Contacts enabled", "Datebook enabled", "Todo enabled"};

} // namespace

class TestImportWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void windowHasItsControls();
    void loadAsksWhenNoHandheldIsFound();
    void nothingTickedDoesNothing();
    void importsAllThreeKinds();
    void aListWithItsEditorOpenStaysDisabled();
    void missingDocumentsAreReportedPerKind();
    void damagedRecordsAreCountedOnASecondLine();
    void failuresEndTheImport();
    void anotherWriterKeepsTheImportOut();

private:
    std::unique_ptr<ImportWindow> makeWindow(const QString &root);
    void click(ImportWindow &window);
    void putOnHandheld(RecordKind kind, const QByteArray &bytes, const QString &name = QString());
    QString documentPath(RecordKind kind, const QString &name = QString()) const;
    QStringList dataFiles() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;
    QString m_root;
    ScriptedMessages m_messages;
    FakeLists m_lists;
};

void TestImportWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_data = m_dir->filePath("DATA");
    m_root = m_dir->filePath("k7m");
    QVERIFY(QDir().mkpath(m_root + "/Qtopia/Applications"));
    m_messages = ScriptedMessages();
    m_lists.calls.clear();
    m_lists.inUse.clear();
}

void TestImportWindow::cleanup()
{
    m_dir.reset();
}

std::unique_ptr<ImportWindow> TestImportWindow::makeWindow(const QString &root)
{
    const QList<DriveEntry> drives{{"/", "system"}, {"/media/cd", std::nullopt}, {root, "NRV_ORB"}};
    auto window = std::make_unique<ImportWindow>(m_data, m_messages, &m_lists, nullptr, [drives] { return drives; });
    window->show();
    return window;
}

void TestImportWindow::click(ImportWindow &window)
{
    QTest::mouseClick(window.findChild<QPushButton *>("Command1"), Qt::LeftButton);
}

QString TestImportWindow::documentPath(RecordKind kind, const QString &name) const
{
    return m_root + "/" + kindInfo(kind).handheldFolder + "/" +
           (name.isEmpty() ? QString(kindInfo(kind).documentName) : name);
}

void TestImportWindow::putOnHandheld(RecordKind kind, const QByteArray &bytes, const QString &name)
{
    QVERIFY(writeFile(documentPath(kind, name), bytes));
}

QStringList TestImportWindow::dataFiles() const
{
    // The store's backups and the guard's copies have tests of their own (tst_safetynet).
    QStringList files =
        QDir(m_data).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    files.removeAll("backup");
    files.removeAll("sync");
    return files;
}

void TestImportWindow::windowHasItsControls()
{
    const auto window = makeWindow(m_root);
    QCOMPARE(window->objectName(), QString("SUB1_1"));
    QCOMPARE(window->windowTitle(), QString("Norvel 에서 가져오기"));
    const QStringList captions{"주소록(Contacts)", "일정(Calendar)", "작업(Todo List)"};
    for (int i = 0; i < 3; ++i) {
        auto *box = window->findChild<QCheckBox *>(QString("Check%1").arg(i + 1));
        QVERIFY(box);
        QCOMPARE(box->text(), captions.at(i));
        QVERIFY(!box->isChecked());
        QVERIFY(box->isEnabled()); // the calendar box too
    }
    QCOMPARE(window->findChild<QLabel *>("Label1")->text(), QString("Norvel 연결 Drive :"));
    auto *button = window->findChild<QPushButton *>("Command1");
    QCOMPARE(button->text(), QString("가져오기"));
    QVERIFY(!button->icon().isNull());
    auto *drive = window->findChild<DriveListWidget *>("Drive1");
    QVERIFY(drive);
    QCOMPARE(drive->selectedRoot(), m_root);
    QVERIFY(!drive->isEnabled());
    QVERIFY(m_messages.shown().isEmpty());
    QCOMPARE(m_lists.calls, QStringList{"Contacts disabled"});
    window->grab().save("/tmp/import-window.png");

    m_lists.calls.clear();
    window->close();
    QCOMPARE(m_lists.calls, enabledAll);
}

void TestImportWindow::loadAsksWhenNoHandheldIsFound()
{
    m_messages.answerNext(Answer::Ok);
    const QList<DriveEntry> drives{{"/", "system"}, {m_root, "k7m"}};
    ImportWindow window(m_data, m_messages, nullptr, nullptr, [drives] { return drives; });
    QCOMPARE(m_messages.shown().size(), 1);
    QCOMPARE(m_messages.shown().at(0).title, QString("K7M(Norvel)를 찾을수 없습니다."));
    QCOMPARE(m_messages.shown().at(0).text,
             QString("자동으로 찾을수가 없습니다.\r연결이 되어있다면 직접 선택 하시겠습니까?"));
    QCOMPARE(m_messages.shown().at(0).buttons, Buttons::OkCancel);
    QVERIFY(window.driveList()->isDriveListEnabled());

    // The user picks the handheld's folder by hand and imports from it.
    putOnHandheld(RecordKind::Tasks, "<!DOCTYPE Tasks>\n<Tasks>\n<Task Uid=\"1\" Description=\"x\" />\n</Tasks>\n");
    window.driveList()->selectFolder(m_root);
    test::tickKinds(window, false, false, true);
    m_messages.clear();
    click(window);
    QCOMPARE(m_messages.texts(), QStringList{tasksDone});
}

void TestImportWindow::nothingTickedDoesNothing()
{
    const auto window = makeWindow(m_root);
    m_lists.calls.clear();
    click(*window);
    QVERIFY(m_messages.shown().isEmpty());
    QVERIFY(m_lists.calls.isEmpty());
    QVERIFY(window->isVisible());
    QVERIFY(!QFileInfo::exists(m_data)); // not even the store was touched
}

void TestImportWindow::importsAllThreeKinds()
{
    putOnHandheld(RecordKind::Contacts, readFile(test::dataPath("import/addressbook-qtopia2.xml")));
    putOnHandheld(RecordKind::Events, readFile(test::dataPath("import/datebook-qtopia1.xml")));
    putOnHandheld(RecordKind::Tasks, readFile(test::dataPath("import/todolist-qtopia2.xml")));
    QVERIFY(writeFile(m_data + "/addressbook.xml", "an earlier copy"));

    const auto window = makeWindow(m_root);
    test::tickKinds(*window, true, true, true);
    m_lists.calls.clear();
    click(*window);

    const QVector<ScriptedMessages::Shown> &shown = m_messages.shown();
    QCOMPARE(m_messages.texts(), (QStringList{contactsDone, eventsDone, tasksDone}));
    for (const ScriptedMessages::Shown &s : shown) {
        QCOMPARE(s.title, QString());
        QCOMPARE(s.buttons, Buttons::Ok);
        QCOMPARE(s.icon, Icon::None);
    }
    QVERIFY(window->isHidden());
    QCOMPARE(m_lists.calls, QStringList{"Contacts reloaded"} + enabledAll + QStringList{"Datebook reloaded"} +
                                enabledAll + QStringList{"Todo reloaded"} + enabledAll);

    const std::shared_ptr<Store> store = Store::shared(Store::pathInDirectory(m_data));
    QCOMPARE(store->count("Contacts"), 2);
    QCOMPARE(store->count("Datebook"), 2);
    QCOMPARE(store->count("Todo"), 2);
    // The staging copies replace earlier ones and stay; nothing else is left in the data folder.
    QCOMPARE(dataFiles(), (QStringList{"Qtdata.mdb", "addressbook.xml", "datebook.xml", "todolist.xml"}));
    for (RecordKind kind : allKinds)
        QCOMPARE(readFile(m_data + "/" + kindInfo(kind).documentName), readFile(documentPath(kind)));

    // Hidden, not closed: shown again it keeps its ticks, and importing again changes nothing.
    window->show();
    QVERIFY(window->findChild<QCheckBox *>("Check2")->isChecked());
    m_messages.clear();
    click(*window);
    QCOMPARE(m_messages.texts(), (QStringList{contactsDone, eventsDone, tasksDone}));
    QCOMPARE(store->count("Contacts"), 2);
}

void TestImportWindow::aListWithItsEditorOpenStaysDisabled()
{
    putOnHandheld(RecordKind::Tasks, readFile(test::dataPath("import/todolist-qtopia2.xml")));
    const auto window = makeWindow(m_root);
    test::tickKinds(*window, false, false, true);
    // The contacts list's editor holds a contact: the import does not enable that list.
    m_lists.inUse = {RecordKind::Contacts};
    m_lists.calls.clear();
    click(*window);
    QCOMPARE(m_messages.texts(), QStringList{tasksDone});
    const QStringList enabledFree{"Datebook enabled", "Todo enabled"};
    QCOMPARE(m_lists.calls, QStringList{"Todo reloaded"} + enabledFree);
    m_lists.calls.clear();
    window->close();
    QCOMPARE(m_lists.calls, enabledFree);
}

void TestImportWindow::missingDocumentsAreReportedPerKind()
{
    // Only the task list is there; the addressbook has a name in other letter case.
    putOnHandheld(RecordKind::Contacts, readFile(test::dataPath("import/addressbook-qtopia1.xml")), "AddressBook.xml");
    putOnHandheld(RecordKind::Tasks, readFile(test::dataPath("import/todolist-qtopia1.xml")));
    auto window = makeWindow(m_root);
    test::tickKinds(*window, true, true, true);
    m_lists.calls.clear();
    click(*window);
    QCOMPARE(m_messages.texts(), (QStringList{notFoundText, notFoundText, tasksDone}));
    QCOMPARE(m_lists.calls, QStringList{"Todo reloaded"} + enabledAll);
    QVERIFY(window->isHidden());
    QCOMPARE(dataFiles(), (QStringList{"Qtdata.mdb", "todolist.xml"}));

    // A drive path that is not there (the handheld was unplugged): not found for every kind.
    m_messages.clear();
    window = makeWindow(m_dir->filePath("gone"));
    m_messages.clear();
    window->driveList()->selectFolder(m_dir->filePath("gone"));
    test::tickKinds(*window, true, true, true);
    click(*window);
    QCOMPARE(m_messages.texts(), (QStringList{notFoundText, notFoundText, notFoundText}));
    QVERIFY(window->isVisible());
}

void TestImportWindow::damagedRecordsAreCountedOnASecondLine()
{
    putOnHandheld(RecordKind::Contacts,
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE Addressbook ><AddressBook>\n"
                  "<Groups>\n</Groups>\n<Contacts>\n"
                  "<Contact FirstName=\"No identity\" />\n"
                  "<Contact Uid=\"1\" FirstName=\"Good\" />\n"
                  "<Contact Uid=\"x2\" FirstName=\"Bad identity\" />\n"
                  "<Contact Uid=\"3\" FirstName=\"Trunc");
    const auto window = makeWindow(m_root);
    test::tickKinds(*window, true, false, false);
    click(*window);
    QCOMPARE(m_messages.texts(), QStringList{contactsDone + "\r손상된 레코드 3건은 가져오지 못했습니다."});
    const std::shared_ptr<Store> store = Store::shared(Store::pathInDirectory(m_data));
    QCOMPARE(store->scalar("SELECT FirstName FROM Contacts WHERE ID = 1").toString(), QString("Good"));
    QCOMPARE(store->count("Contacts"), 1);
    QCOMPARE(dataFiles(), (QStringList{"Qtdata.mdb", "addressbook.xml"}));
}

void TestImportWindow::failuresEndTheImport()
{
    // A document that is not one of the handheld's: its message, and the later kinds are not tried.
    putOnHandheld(RecordKind::Contacts, "PK\x03\x04 not an addressbook at all");
    putOnHandheld(RecordKind::Tasks, readFile(test::dataPath("import/todolist-qtopia1.xml")));
    {
        const auto window = makeWindow(m_root);
        test::tickKinds(*window, true, false, true);
        m_lists.calls.clear();
        click(*window);
        QCOMPARE(m_messages.texts(),
                 QStringList{QDir::toNativeSeparators(m_data + "/addressbook.xml") +
                             " 파일은 Qtopia 주소록 문서가 아닙니다.\r레코드를 하나도 가져오지 않았습니다."});
        QVERIFY(window->isVisible());
        QVERIFY(m_lists.calls.isEmpty());
        QCOMPARE(Store::shared(Store::pathInDirectory(m_data))->count("Todo"), 0);
        QCOMPARE(dataFiles(), (QStringList{"Qtdata.mdb", "addressbook.xml"}));
    }

    // A drive that cannot be read: the drive-error message, once, and the import ends.
    const QString notAFolder = m_dir->filePath("plain-file");
    QVERIFY(writeFile(notAFolder, "x"));
    {
        m_messages.clear();
        const auto window = makeWindow(notAFolder);
        test::tickKinds(*window, false, true, true);
        click(*window);
        QCOMPARE(m_messages.texts(), QStringList{"드라이브 오류입니다."});
        QVERIFY(window->isVisible());
    }

    // Reading the document fails half-way through the copy.
    QFile::remove(documentPath(RecordKind::Contacts));
    QVERIFY(QFile::link("/proc/self/mem", documentPath(RecordKind::Contacts)));
    {
        m_messages.clear();
        const auto window = makeWindow(m_root);
        test::tickKinds(*window, true, false, true);
        click(*window);
        QCOMPARE(m_messages.texts(), QStringList{"드라이브 오류입니다."});
        QCOMPARE(dataFiles(), (QStringList{"Qtdata.mdb", "addressbook.xml"})); // the earlier copy, whole
    }

    // The staging copy cannot be written: a folder stands in its place.
    QVERIFY(QDir().mkpath(m_data + "/todolist.xml"));
    {
        m_messages.clear();
        const auto window = makeWindow(m_root);
        test::tickKinds(*window, false, false, true);
        click(*window);
        QCOMPARE(m_messages.texts().size(), 1);
        QVERIFY(m_messages.texts().at(0).startsWith(
            "가져온 문서를 " + QDir::toNativeSeparators(m_data + "/todolist.xml") + "에 저장할 수 없습니다.\r"));
        QCOMPARE(dataFiles(), (QStringList{"Qtdata.mdb", "addressbook.xml", "todolist.xml"}));
    }

    // A store that is not ours: its message, and nothing is read.
    QTemporaryDir other;
    QVERIFY(writeFile(other.filePath("Qtdata.mdb"), "not a database"));
    m_messages.clear();
    ImportWindow window(other.path(), m_messages, nullptr, nullptr, [this] {
        return QList<DriveEntry>{{m_root, "K7M"}};
    });
    test::tickKinds(window, false, false, true);
    window.runImport();
    QCOMPARE(m_messages.texts().size(), 1);
    QVERIFY(m_messages.texts().at(0).startsWith("레코드 저장소를 사용할 수 없습니다."));
    QCOMPARE(readFile(other.filePath("Qtdata.mdb")), QByteArray("not a database"));
}

void TestImportWindow::anotherWriterKeepsTheImportOut()
{
    putOnHandheld(RecordKind::Tasks, readFile(test::dataPath("import/todolist-qtopia1.xml")));
    const auto window = makeWindow(m_root);
    test::tickKinds(*window, false, false, true);
    {
        // Another import or export of this data folder is under way (here: in this very process).
        ScriptedMessages quiet;
        const auto other = DataFolderLock::acquire(m_data, quiet, std::chrono::milliseconds(0));
        QVERIFY(other);
        m_lists.calls.clear();
        click(*window);
        QCOMPARE(m_messages.texts(),
                 QStringList{DataFolderLock::heldElsewhereText(QCoreApplication::applicationPid())});
        QVERIFY(window->isVisible());
        QVERIFY(m_lists.calls.isEmpty());
        QCOMPARE(Store::shared(Store::pathInDirectory(m_data))->count("Todo"), 0);
        QVERIFY(!dataFiles().contains("todolist.xml"));
    }
    // Once it has finished, the same press goes through.
    m_messages.clear();
    click(*window);
    QCOMPARE(m_messages.texts(), QStringList{tasksDone});
    QVERIFY(Store::shared(Store::pathInDirectory(m_data))->count("Todo") > 0);
}

QTEST_MAIN(TestImportWindow)
#include "tst_importwindow.moc"
