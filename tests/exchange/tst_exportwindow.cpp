#include "exchange/DeviceExport.h"
#include "exchange/DocumentWriters.h"
#include "exchange/ui/DriveListWidget.h"
#include "exchange/ui/ExportWindow.h"
#include "records/Clock.h"
#include "records/Store.h"
#include "records/TextConversion.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QDir>
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

const QString warningText = "내보내기 실행시 기존 K7M(Norvel)의\r연락처,작업,일정에 저장된 정보는 모두 사라집니다.\r"
                            "계속하시겠습니까?";
const QString notFoundText = "파일을 찾을수 없습니다.\rNorvel(K7M)가 연결된 디렉토리가 맞는지 확인 하십시요.";

const QStringList enabledAll{"Contacts enabled", "Datebook enabled", "Todo enabled"};

QString contactsPath(const QString &root)
{
    return root + "/Qtopia/Applications/addressbook/addressbook.xml";
}
QString datebookPath(const QString &root)
{
    return root + "/Qtopia/Applications/datebook/datebook.xml";
}
QString todolistPath(const QString &root)
{
    return root + "/Qtopia/Applications/todolist/todolist.xml";
}

} // namespace

class TestExportWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void windowHasItsControls();
    void loadAsksWhenNoHandheldIsFound();
    void exportsAllThreeKinds();
    void aListWithItsEditorOpenStaysDisabled();
    void cancelOrNothingTickedExportsNothing();
    void handheldWithoutApplicationsFolder();
    void pathsThatCannotBeUsed();
    void replacedDocumentsAreKeptAsBackups();
    void failedWriteLeavesOldDocumentWhole();
    void backupsKeepTheTenNewest();
    void backupThatCannotBeMadeStopsTheExport();
    void emptyTableLeavesTheHandheldsDocument();
    void storeThatCannotBeUsed();

private:
    std::unique_ptr<ExportWindow> makeWindow(const QString &root);
    void fillStore();

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;
    QString m_root;
    ScriptedMessages m_messages;
    FakeLists m_lists;
    std::unique_ptr<FixedClock> m_clock;
};

void TestExportWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_data = m_dir->filePath("DATA");
    m_root = m_dir->filePath("k7m");
    QVERIFY(QDir().mkpath(m_root + "/Qtopia/Applications"));
    m_messages = ScriptedMessages();
    m_lists.calls.clear();
    m_lists.inUse.clear();
    m_clock = std::make_unique<FixedClock>(QDateTime(QDate(2026, 12, 8), QTime(1, 2, 3)));
    Clock::setCurrent(m_clock.get());
}

void TestExportWindow::cleanup()
{
    Clock::setCurrent(nullptr);
    m_dir.reset();
}

std::unique_ptr<ExportWindow> TestExportWindow::makeWindow(const QString &root)
{
    const QList<DriveEntry> drives{{"/", "system"}, {"/media/cd", std::nullopt}, {root, "K7M"}};
    auto window = std::make_unique<ExportWindow>(m_data, m_messages, &m_lists, nullptr, [drives] { return drives; });
    window->show();
    return window;
}

void TestExportWindow::fillStore()
{
    const std::shared_ptr<Store> store = Store::shared(Store::pathInDirectory(m_data));
    store->exec("INSERT INTO Contacts (ID, FileAs, O_Company) VALUES (1, '홍길동', 'A & \"B\"')");
    store->exec("INSERT INTO Contacts (ID, FileAs) VALUES (2, 'Kim')");
    store->exec("INSERT INTO Datebook (ID, Description, Start) VALUES (4, '회의', '2006-01-01 00:00:00')");
    store->exec("INSERT INTO Todo (ID, Description) VALUES (9, '보고서')");
}

void TestExportWindow::windowHasItsControls()
{
    const auto window = makeWindow(m_root);
    QCOMPARE(window->objectName(), QString("SUB1_2"));
    QCOMPARE(window->windowTitle(), QString("Norvel로 내보내기"));
    const QStringList captions{"주소록(Contacts)", "일정(Calendar)", "작업(Todo List)"};
    for (int i = 0; i < 3; ++i) {
        auto *box = window->findChild<QCheckBox *>(QString("Check%1").arg(i + 1));
        QVERIFY(box);
        QCOMPARE(box->text(), captions.at(i));
        QVERIFY(!box->isChecked());
    }
    QCOMPARE(window->findChild<QLabel *>("Label1")->text(), QString("Norvel 연결 Drive :"));
    QCOMPARE(window->findChild<QPushButton *>("Command1")->text(), QString("내보내기"));
    // The handheld was recognised: selected, list disabled, no question; the contacts list is disabled.
    auto *drive = window->findChild<DriveListWidget *>("Drive1");
    QVERIFY(drive);
    QCOMPARE(drive->selectedRoot(), m_root);
    QVERIFY(!drive->isEnabled());
    QVERIFY(m_messages.shown().isEmpty());
    QCOMPARE(m_lists.calls, QStringList{"Contacts disabled"});

    m_lists.calls.clear();
    window->close();
    QCOMPARE(m_lists.calls, enabledAll);
    window->grab().save("/tmp/export-window.png");
}

void TestExportWindow::loadAsksWhenNoHandheldIsFound()
{
    for (const Answer answer : {Answer::Ok, Answer::Cancel}) {
        m_messages.clear();
        m_messages.answerNext(answer);
        const QList<DriveEntry> drives{{"/", "system"}, {m_root, "nrv_orb"}};
        ExportWindow window(m_data, m_messages, nullptr, nullptr, [drives] { return drives; });
        QCOMPARE(m_messages.shown().size(), 1);
        QCOMPARE(m_messages.shown().at(0).title, QString("K7M(Norvel)를 찾을수 없습니다."));
        QCOMPARE(m_messages.shown().at(0).text,
                 QString("자동으로 찾을수가 없습니다.\r연결이 되어있다면 직접 선택 하시겠습니까?"));
        QCOMPARE(m_messages.shown().at(0).buttons, Buttons::OkCancel);
        // The list starts enabled on the current drive; the answer does not take that away.
        QVERIFY(window.driveList()->isDriveListEnabled());
        window.driveList()->selectFolder(m_root);
        QCOMPARE(window.driveList()->selectedRoot(), m_root);
    }
}

void TestExportWindow::aListWithItsEditorOpenStaysDisabled()
{
    fillStore();
    const auto window = makeWindow(m_root);
    test::tickKinds(*window, true, false, false);
    // The task list's editor holds a task: neither a finished export nor closing the window
    // enables that list.
    m_lists.inUse = {RecordKind::Tasks};
    m_lists.calls.clear();
    QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QVERIFY(window->isHidden());
    const QStringList enabledFree{"Contacts enabled", "Datebook enabled"};
    QCOMPARE(m_lists.calls, QStringList{"Contacts reloaded"} + enabledFree);
    m_lists.calls.clear();
    window->close();
    QCOMPARE(m_lists.calls, enabledFree);
}

void TestExportWindow::exportsAllThreeKinds()
{
    fillStore();
    const auto window = makeWindow(m_root);
    test::tickKinds(*window, true, true, true);
    m_lists.calls.clear();
    QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);

    const QVector<ScriptedMessages::Shown> &shown = m_messages.shown();
    QCOMPARE(shown.size(), 4);
    QCOMPARE(shown.at(0).title, QString("반드시확인하세요"));
    QCOMPARE(shown.at(0).text, warningText);
    QCOMPARE(shown.at(0).buttons, Buttons::OkCancel);
    QCOMPARE(shown.at(0).icon, Icon::None);
    const QStringList done{"연락처 내보내기가 완료되었습니다.", "일정 내보내기가 완료되었습니다.",
                           "작업 내보내기가 완료되었습니다."};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(shown.at(i + 1).text, done.at(i));
        QCOMPARE(shown.at(i + 1).title, QString());
        QCOMPARE(shown.at(i + 1).buttons, Buttons::Ok);
    }
    QVERIFY(window->isHidden());
    QCOMPARE(m_lists.calls, QStringList{"Contacts reloaded"} + enabledAll + QStringList{"Datebook reloaded"} +
                                enabledAll + QStringList{"Todo reloaded"} + enabledAll);

    const QByteArray contacts = readFile(contactsPath(m_root));
    QVERIFY(contacts.startsWith("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE Addressbook >"));
    QVERIFY(contacts.endsWith("<Contact uid=\"1\" FileAs=\"\xED\x99\x8D\xEA\xB8\xB8\xEB\x8F\x99\" "
                              "Company=\"A &amp; &quot;B&quot;\" /><Contact uid=\"2\" FileAs=\"Kim\" />"
                              "</Contacts></AddressBook>"));
    QCOMPARE(readFile(datebookPath(m_root)),
             QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE DATEBOOK><events>"
                        "<event uid=\"4\" description=\"\xED\x9A\x8C\xEC\x9D\x98\" start=\"1136041200\" /></events>"));
    QCOMPARE(readFile(todolistPath(m_root)),
             QByteArray("\xEF\xBB\xBF<!DOCTYPE Tasks><Tasks><Task Uid=\"9\" "
                        "Description=\"\xEB\xB3\xB4\xEA\xB3\xA0\xEC\x84\x9C\" /></Tasks>"));
    // The staging files in DATA hold the same bytes; nothing else was left on the handheld or in DATA.
    QCOMPARE(readFile(m_data + "/addressbook.xml"), contacts);
    QCOMPARE(readFile(m_data + "/datebook.xml"), readFile(datebookPath(m_root)));
    QCOMPARE(readFile(m_data + "/todolist.xml"), readFile(todolistPath(m_root)));
    QCOMPARE(QDir(m_root + "/Qtopia/Applications/addressbook").entryList(QDir::Files), {"addressbook.xml"});
    // Nothing was replaced: the backup folder only notes what an undo would remove, beside what was
    // written (for the undo to see whether the handheld changed it since).
    const QString folder = m_data + "/backup/20261208-010203";
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name),
             (QStringList{"manifest.json", "written-addressbook.xml", "written-datebook.xml", "written-todolist.xml"}));
    QCOMPARE(readFile(folder + "/written-addressbook.xml"), contacts);
    QCOMPARE(readFile(folder + "/written-todolist.xml"), readFile(todolistPath(m_root)));
}

void TestExportWindow::cancelOrNothingTickedExportsNothing()
{
    fillStore();
    const auto window = makeWindow(m_root);
    test::tickKinds(*window, true, true, true);
    m_messages.answerNext(Answer::Cancel);
    m_lists.calls.clear();
    QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QCOMPARE(m_messages.texts(), QStringList{warningText});
    QVERIFY(!QFileInfo::exists(contactsPath(m_root)));
    QVERIFY(!QFileInfo::exists(m_data + "/addressbook.xml"));
    QVERIFY(window->isVisible());
    QVERIFY(m_lists.calls.isEmpty());

    m_messages.clear();
    test::tickKinds(*window, false, false, false);
    QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QCOMPARE(m_messages.texts(), QStringList{warningText});
    QVERIFY(window->isVisible());
    QCOMPARE(QDir(m_root + "/Qtopia/Applications").entryList(QDir::AllEntries | QDir::NoDotAndDotDot), {});
}

void TestExportWindow::handheldWithoutApplicationsFolder()
{
    fillStore();
    const QString bare = m_dir->filePath("bare");
    QVERIFY(QDir().mkpath(bare + "/Qtopia"));
    const auto window = makeWindow(bare);
    test::tickKinds(*window, true, true, true);
    m_lists.calls.clear();
    QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    // The first kind stops the export: one not-found message, later kinds are not tried.
    QCOMPARE(m_messages.texts(), (QStringList{warningText, notFoundText}));
    QCOMPARE(m_messages.shown().at(1).title, QString());
    QVERIFY(window->isVisible());
    QCOMPARE(m_lists.calls, QStringList{"Contacts reloaded"});
    QCOMPARE(QDir(bare + "/Qtopia").entryList(QDir::AllEntries | QDir::NoDotAndDotDot), {});
    // DATA keeps copies of documents that reached the handheld only; this one did not.
    QCOMPARE(QDir(m_data).entryList({"*.xml*"}, QDir::Files), QStringList());
}

void TestExportWindow::pathsThatCannotBeUsed()
{
    fillStore();
    // A drive folder that does not exist, an empty selection: not found.
    for (const QString &root : {m_dir->filePath("gone"), QString()}) {
        m_messages.clear();
        const ExportOutcome outcome = exportToDevice(*Store::shared(Store::pathInDirectory(m_data)), m_data, root,
                                                     {RecordKind::Tasks}, m_messages, nullptr, {});
        QCOMPARE(m_messages.texts(), (QStringList{warningText, notFoundText}));
        QVERIFY(outcome.stopped);
        QVERIFY(outcome.completed.isEmpty());
    }

    // A file standing where the kind's folder belongs: the folder cannot be made, not found.
    QVERIFY(writeFile(m_root + "/Qtopia/Applications/addressbook", "not a folder"));
    // A folder standing where the document belongs: it cannot be replaced, drive error.
    QVERIFY(QDir().mkpath(datebookPath(m_root) + "/inside"));
    m_messages.clear();
    const auto window = makeWindow(m_root);
    test::tickKinds(*window, true, false, false);
    QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QCOMPARE(m_messages.texts(), (QStringList{warningText, notFoundText}));
    QCOMPARE(readFile(m_root + "/Qtopia/Applications/addressbook"), QByteArray("not a folder"));

    m_messages.clear();
    test::tickKinds(*window, false, true, true);
    QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QCOMPARE(m_messages.texts(), (QStringList{warningText, "드라이브 오류입니다."}));
    QVERIFY(QFileInfo(datebookPath(m_root) + "/inside").isDir());
    QVERIFY(!QFileInfo::exists(todolistPath(m_root)));
    QVERIFY(window->isVisible());
}

void TestExportWindow::replacedDocumentsAreKeptAsBackups()
{
    fillStore();
    const QByteArray oldContacts = "\xEF\xBB\xBF<?xml version=\"1.0\"?><AddressBook>old \xED\x95\x9C</AddressBook>\n";
    const QByteArray oldTasks = "<!DOCTYPE Tasks><Tasks><Task Uid=\"-5\" /></Tasks>\n";
    QVERIFY(writeFile(contactsPath(m_root), oldContacts));
    QVERIFY(writeFile(todolistPath(m_root), oldTasks));
    const auto window = makeWindow(m_root);
    test::tickKinds(*window, true, true, true);
    QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QCOMPARE(m_messages.shown().size(), 4);

    const QString backup = m_data + "/backup/20261208-010203";
    QCOMPARE(readFile(backup + "/addressbook.xml"), oldContacts);
    QCOMPARE(readFile(backup + "/todolist.xml"), oldTasks);
    QVERIFY(!QFileInfo::exists(backup + "/datebook.xml")); // there was none to keep
    const QByteArray newContacts = readFile(contactsPath(m_root));
    QVERIFY(newContacts.startsWith("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));

    // A second export within the same second keeps its copies apart from the first one's.
    m_messages.clear();
    QVERIFY(window->runExport().completed.size() == 3);
    QCOMPARE(readFile(backup + "/addressbook.xml"), oldContacts);
    QCOMPARE(readFile(backup + "-2/addressbook.xml"), newContacts);
}

void TestExportWindow::failedWriteLeavesOldDocumentWhole()
{
    fillStore();
    const QByteArray oldContacts = QByteArray("\xEF\xBB\xBF<AddressBook>") + QByteArray(100000, 'x') + "</AddressBook>";
    QVERIFY(writeFile(contactsPath(m_root), oldContacts));
    const auto window = makeWindow(m_root);
    // The card fills up half-way through the new document.
    window->setExportOptions({[](QIODevice &file, const QByteArray &bytes) {
        file.write(bytes.left(bytes.size() / 2));
        return false;
    }});
    test::tickKinds(*window, true, true, false);
    m_lists.calls.clear();
    QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);

    QCOMPARE(m_messages.texts(), (QStringList{warningText, "드라이브 오류입니다."}));
    QCOMPARE(m_messages.shown().at(1).title, QString());
    QCOMPARE(readFile(contactsPath(m_root)), oldContacts);
    QCOMPARE(readFile(m_data + "/backup/20261208-010203/addressbook.xml"), oldContacts);
    // No half-written file is left beside the old one, and the export stopped before the events.
    QCOMPARE(QDir(m_root + "/Qtopia/Applications/addressbook").entryList(QDir::Files | QDir::Hidden),
             {"addressbook.xml"});
    QVERIFY(!QFileInfo::exists(datebookPath(m_root)));
    QVERIFY(window->isVisible());
    QCOMPARE(m_lists.calls, QStringList{"Contacts reloaded"});
}

void TestExportWindow::backupsKeepTheTenNewest()
{
    fillStore();
    QVERIFY(writeFile(contactsPath(m_root), "old"));
    // Twelve earlier backups, one of them newer than this export's clock, and a folder of the user's.
    QStringList earlier;
    for (int i = 0; i < 11; ++i)
        earlier << QString("202612%1-000000").arg(i + 1, 2, 10, QChar('0'));
    earlier << "20261231-235959-2"
            << "20261231-235959"
            << "my notes";
    for (const QString &name : earlier)
        QVERIFY(writeFile(m_data + "/backup/" + name + "/addressbook.xml", name.toUtf8()));
    const auto window = makeWindow(m_root);
    test::tickKinds(*window, true, false, false);
    QVERIFY(window->runExport().completed == QList<RecordKind>{RecordKind::Contacts});

    const QStringList left = QDir(m_data + "/backup").entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QCOMPARE(left, (QStringList{"20261205-000000", "20261206-000000", "20261207-000000", "20261208-000000",
                                "20261208-010203", "20261209-000000", "20261210-000000", "20261211-000000",
                                "20261231-235959", "20261231-235959-2", "my notes"}));
    QCOMPARE(readFile(m_data + "/backup/20261208-010203/addressbook.xml"), QByteArray("old"));
}

void TestExportWindow::backupThatCannotBeMadeStopsTheExport()
{
    fillStore();
    QVERIFY(writeFile(contactsPath(m_root), "old contacts"));
    QVERIFY(writeFile(m_data + "/backup", "a file where the backup folder belongs"));
    const auto window = makeWindow(m_root);
    test::tickKinds(*window, true, true, false);
    QCOMPARE(window->runExport().completed, QList<RecordKind>{});
    QCOMPARE(m_messages.shown().size(), 2);
    QVERIFY(m_messages.shown().at(1).text.startsWith(
        "Norvel(K7M)의 기존 파일을 백업할 수 없어 내보내기를 멈췄습니다.\r" + contactsPath(m_root) + "\r"));
    QCOMPARE(readFile(contactsPath(m_root)), QByteArray("old contacts"));
    QVERIFY(!QFileInfo::exists(datebookPath(m_root)));
    QVERIFY(window->isVisible());
}

void TestExportWindow::emptyTableLeavesTheHandheldsDocument()
{
    // The handheld's software cannot read an empty document: the old one stays, and the kind is
    // reported as left alone, not as exported.
    QVERIFY(writeFile(todolistPath(m_root), "old tasks"));
    const auto window = makeWindow(m_root);
    test::tickKinds(*window, false, false, true);
    const ExportOutcome outcome = window->runExport();
    QCOMPARE(outcome.completed, QList<RecordKind>{});
    QCOMPARE(outcome.leftAlone, QList<RecordKind>{RecordKind::Tasks});
    QCOMPARE(m_messages.texts(),
             (QStringList{warningText,
                          "작업 레코드가 없어 Norvel(K7M)의 todolist.xml 파일을 바꾸지 않고 그대로 두었습니다."}));
    QCOMPARE(readFile(todolistPath(m_root)), QByteArray("old tasks"));
    QVERIFY(!QFileInfo::exists(m_data + "/backup"));
    QVERIFY(window->isVisible());
}

void TestExportWindow::storeThatCannotBeUsed()
{
    QVERIFY(writeFile(Store::pathInDirectory(m_data), "not a record store"));
    QVERIFY(writeFile(contactsPath(m_root), "old contacts"));
    const auto window = makeWindow(m_root);
    test::tickKinds(*window, true, true, true);
    QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QCOMPARE(m_messages.shown().size(), 1);
    QVERIFY(m_messages.shown().at(0).text.startsWith("레코드 저장소를 사용할 수 없습니다."));
    QCOMPARE(readFile(Store::pathInDirectory(m_data)), QByteArray("not a record store"));
    QCOMPARE(readFile(contactsPath(m_root)), QByteArray("old contacts"));
    QVERIFY(!QFileInfo::exists(m_data + "/addressbook.xml"));
    QVERIFY(window->isVisible());
}

QTEST_MAIN(TestExportWindow)
#include "tst_exportwindow.moc"
