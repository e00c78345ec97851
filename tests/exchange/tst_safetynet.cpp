#include "cli/ConsoleMessages.h"
#include "exchange/DeviceExport.h"
#include "exchange/DeviceGuard.h"
#include "exchange/DeviceLocation.h"
#include "exchange/DryRun.h"
#include "exchange/ImportFromDevice.h"
#include "exchange/Snapshots.h"
#include "exchange/Undo.h"
#include "exchange/ui/ExportWindow.h"
#include "exchange/ui/ImportWindow.h"
#include "outlook/FakeOutlook.h"
#include "outlook/OutlookImport.h"
#include "records/Clock.h"
#include "records/DataFolderLock.h"
#include "records/DataSource.h"
#include "records/Schema.h"
#include "records/Store.h"
#include "support/DeviceWindowDriver.h"
#include "support/RecordingLists.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <QDirIterator>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;
using pimdesk::test::readFile;
using pimdesk::test::writeFile;

namespace {

using Files = QMap<QString, QByteArray>;

// Every file below a folder with its bytes, by relative path.
Files filesBelow(const QString &folder)
{
    Files files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), readFile(path));
    }
    return files;
}

// The whole content of the store, row by row, through the connection the program uses.
QStringList storeContent(Store &store)
{
    QStringList rows;
    for (const TableSchema *table : schema::tables()) {
        Store::Query query(store, QString("SELECT * FROM \"%1\" ORDER BY ID").arg(table->name));
        while (query.next()) {
            QStringList values{table->name};
            for (int c = 0; c < query.columnCount(); ++c)
                values << (query.isNull(c) ? QString("<null>") : query.text(c));
            rows << values.join('|');
        }
    }
    return rows;
}

QString documentOnHandheld(const QString &root, RecordKind kind)
{
    return handheldDocumentPath(root, kind);
}

} // namespace

class TestSafetyNet : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void importThenUndoRestoresTheStore_data();
    void importThenUndoRestoresTheStore();
    void importStopsWhenNoSnapshotCanBeMade();
    void undoLeavesALockedDataFolderAlone();
    void exportThenUndoRestoresTheHandheld();
    void keptCopiesSurviveTheNextExport();
    void guardAsksAboutChangesOnTheHandheld_data();
    void guardAsksAboutChangesOnTheHandheld();
    void dryRunsCountAndChangeNothing();
    void backupsOrderedBySequenceNotByClock();
    void failedExportPrunesNothing();
    void consoleAnswersThreeWayQuestions_data();
    void consoleAnswersThreeWayQuestions();

private:
    Store &store() { return *m_store; }
    ExportOutcome exportKinds(const QList<RecordKind> &kinds)
    {
        return exportToDevice(store(), m_data, m_root, kinds, m_messages, &m_lists, {});
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;
    QString m_root;
    ScriptedMessages m_messages;
    test::RecordingLists m_lists;
    std::unique_ptr<FixedClock> m_clock;
    std::shared_ptr<Store> m_store; // the program's connection, shared with the windows
};

void TestSafetyNet::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_data = m_dir->filePath("DATA");
    m_root = m_dir->filePath("k7m");
    QVERIFY(QDir().mkpath(m_root + "/Qtopia/Applications"));
    m_messages = ScriptedMessages();
    m_lists.calls.clear();
    m_clock = std::make_unique<FixedClock>(QDateTime(QDate(2026, 12, 8), QTime(1, 2, 3)));
    Clock::setCurrent(m_clock.get());
    m_store = Store::shared(Store::pathInDirectory(m_data));
    store().exec("INSERT INTO Contacts (ID, FileAs, FirstName) VALUES (42, 'old', 'Minji')");
    store().exec("INSERT INTO Contacts (ID, FileAs) VALUES (7, '홍길동')");
    store().exec("INSERT INTO Todo (ID, Description) VALUES (1, 'report')");
}

void TestSafetyNet::cleanup()
{
    Clock::setCurrent(nullptr);
    m_store.reset();
    m_dir.reset();
}

void TestSafetyNet::importThenUndoRestoresTheStore_data()
{
    QTest::addColumn<bool>("fromOutlook");
    QTest::newRow("handheld, through the import window") << false;
    QTest::newRow("Outlook, with its test back end") << true;
}

void TestSafetyNet::importThenUndoRestoresTheStore()
{
    QFETCH(bool, fromOutlook);
    if (fromOutlook)
        store().exec("UPDATE Contacts SET outlook_index = 'x42' WHERE ID = 42");
    const QStringList before = storeContent(store());
    ImportWindow window(m_data, m_messages, &m_lists, nullptr, [this] { return QList<DriveEntry>{{m_root, "K7M"}}; });
    if (fromOutlook) {
        // The Outlook import with Outlook's test back end: one new contact, one known one updated.
        auto fake = std::make_shared<test::FakeOutlook>();
        for (const char *entryId : {"x42", "x1"}) {
            auto contact = std::make_shared<test::FakeContact>();
            contact->texts["EntryID"] = entryId;
            contact->texts["FileAs"] = QString("from Outlook ") + entryId;
            fake->contacts << contact;
        }
        DataSource data1, data2;
        const outlook::RangeBoxes everything{"0000", "00", "00", "9999", "12", "31"};
        outlook::ImportRequest request{true, true, false, everything, everything, false};
        QVERIFY(outlook::importFromOutlook(
                    request, {fake->source(), Store::pathInDirectory(m_data), &data1, &data2, &m_messages, {}})
                    .ok);
        QCOMPARE(store().count("Contacts"), 3);
    } else {
        for (const char *name : {"addressbook", "datebook", "todolist"})
            QVERIFY(writeFile(QString("%1/Qtopia/Applications/%2/%2.xml").arg(m_root, name),
                              readFile(test::dataPath(QString("import/%1-qtopia1.xml").arg(name)))));
        test::tickKinds(window, true, true, true);
        QTest::mouseClick(window.findChild<QPushButton *>("Command1"), Qt::LeftButton);
        QCOMPARE(m_messages.shown().size(), 3);
    }
    QVERIFY(storeContent(store()) != before);

    const QList<BackupEntry> history = listBackups(m_data);
    QCOMPARE(history.size(), 1);
    QCOMPARE(history.first().manifest.operation, fromOutlook ? operations::outlookImport : operations::deviceImport);
    QCOMPARE(history.first().manifest.counts,
             (QList<QPair<QString, qint64>>{{"Contacts", 2}, {"Datebook", 0}, {"Todo", 1}}));

    // A cancelled question changes nothing; OK puts the store back, seen through the same connection.
    auto *undoButton = window.findChild<QPushButton *>("Command2");
    QCOMPARE(undoButton->text(), QString("되돌리기"));
    const QStringList imported = storeContent(store());
    m_messages.clear();
    m_messages.answerNext(Answer::Cancel);
    QTest::mouseClick(undoButton, Qt::LeftButton);
    QCOMPARE(storeContent(store()), imported);
    m_messages.clear();
    m_lists.calls.clear();
    QTest::mouseClick(undoButton, Qt::LeftButton);
    QCOMPARE(storeContent(store()), before);
    QCOMPARE(m_messages.shown().first().title, QString("되돌리기"));
    QCOMPARE(m_messages.shown().first().buttons, Buttons::OkCancel);
    QCOMPARE(m_lists.calls, (QStringList{"Contacts reloaded", "Datebook reloaded", "Todo reloaded"}));
    // The store as it was before the undo is kept too; another undo finds nothing left to take back.
    const QList<BackupEntry> after = listBackups(m_data);
    QCOMPARE(after.size(), 2);
    QCOMPARE(after.first().manifest.operation, operations::undo);
    QVERIFY(after.last().manifest.undone.isValid());
    m_messages.clear();
    QVERIFY(!window.runUndo().found);
    QCOMPARE(m_messages.texts(), QStringList{"되돌릴 작업이 없습니다."});
    {
        const std::shared_ptr<Store> kept = Store::open(Store::pathInDirectory(after.first().folder));
        QCOMPARE(storeContent(*kept), imported);
    }
}

void TestSafetyNet::importStopsWhenNoSnapshotCanBeMade()
{
    QVERIFY(writeFile(m_data + "/backup", "a file where the backup folder belongs"));
    QVERIFY(writeFile(documentOnHandheld(m_root, RecordKind::Contacts),
                      readFile(test::dataPath("import/addressbook-qtopia1.xml"))));
    const QStringList before = storeContent(store());
    const ImportOutcome outcome =
        importFromDevice(store(), m_data, m_root, {RecordKind::Contacts}, m_messages, nullptr);
    QVERIFY(outcome.completed.isEmpty());
    QCOMPARE(m_messages.shown().size(), 1);
    QVERIFY(m_messages.texts().first().startsWith("레코드 저장소의 백업을 만들 수 없어 가져오기를 멈췄습니다."));
    QCOMPARE(storeContent(store()), before);
}

void TestSafetyNet::undoLeavesALockedDataFolderAlone()
{
    QVERIFY(takeSnapshot(m_data, store(), operations::deviceImport, {RecordKind::Tasks}).ok);
    store().exec("DELETE FROM Todo");
    const std::unique_ptr<DataFolderLock> other = DataFolderLock::acquire(m_data, m_messages);
    QVERIFY(other);
    const UndoOutcome outcome = undoLastExchange(m_data, m_root, m_messages, nullptr);
    QVERIFY(outcome.confirmed && !outcome.complete());
    QCOMPARE(store().count("Todo"), 0);
    QVERIFY(listBackups(m_data).first().manifest.canUndo());
}

void TestSafetyNet::exportThenUndoRestoresTheHandheld()
{
    const QByteArray oldContacts =
        "\xEF\xBB\xBF<AddressBook><Contacts><Contact uid=\"5\" /></Contacts></AddressBook>\r\n";
    const QByteArray oldTasks = "<!DOCTYPE Tasks><Tasks><Task Uid=\"-5\" Description=\"old\" /></Tasks>";
    QVERIFY(writeFile(documentOnHandheld(m_root, RecordKind::Contacts), oldContacts));
    QVERIFY(writeFile(documentOnHandheld(m_root, RecordKind::Tasks), oldTasks));
    store().exec("INSERT INTO Datebook (ID, Description) VALUES (3, 'meeting')");
    const Files before = filesBelow(m_root);
    QCOMPARE(exportKinds({RecordKind::Contacts, RecordKind::Events, RecordKind::Tasks}).completed.size(), 3);
    QVERIFY(filesBelow(m_root) != before);

    // Without the handheld nothing can go back, and the message names every document.
    m_messages.clear();
    UndoOutcome outcome = undoLastExchange(m_data, m_dir->filePath("unplugged"), m_messages, nullptr);
    QCOMPARE(outcome.notRestored.size(), 3);
    QVERIFY(m_messages.texts().last().contains("addressbook.xml: Norvel(K7M)이 연결되어 있지 않아"));
    QVERIFY(m_messages.texts().last().contains("백업 폴더: "));

    // A document changed on the handheld since the export is left alone; the others go back.
    const QByteArray editedOnHandheld = "edited on the handheld";
    const QByteArray exportedTasks = readFile(documentOnHandheld(m_root, RecordKind::Tasks));
    QVERIFY(writeFile(documentOnHandheld(m_root, RecordKind::Tasks), editedOnHandheld));
    outcome = undoLastExchange(m_data, m_root, m_messages, nullptr);
    QCOMPARE(outcome.documentsRestored, (QList<RecordKind>{RecordKind::Contacts, RecordKind::Events}));
    QCOMPARE(outcome.notRestored, QStringList{"todolist.xml: 내보낸 뒤 Norvel(K7M)에서 바뀌어 되돌리지 않았습니다."});
    QCOMPARE(readFile(documentOnHandheld(m_root, RecordKind::Tasks)), editedOnHandheld);

    // Once it is as exported again, the next undo takes back the rest: byte for byte as before.
    QVERIFY(writeFile(documentOnHandheld(m_root, RecordKind::Tasks), exportedTasks));
    outcome = undoLastExchange(m_data, m_root, m_messages, nullptr);
    QVERIFY(outcome.complete());
    QCOMPARE(outcome.documentsRestored, QList<RecordKind>{RecordKind::Tasks});
    QCOMPARE(filesBelow(m_root), before);
    QVERIFY(!QFileInfo::exists(syncReferencePath(m_data, RecordKind::Contacts)));
    QVERIFY(!undoLastExchange(m_data, m_root, m_messages, nullptr).found);
}

void TestSafetyNet::keptCopiesSurviveTheNextExport()
{
    const QString document = documentOnHandheld(m_root, RecordKind::Contacts);
    const QString reference = syncReferencePath(m_data, RecordKind::Contacts);
    QCOMPARE(exportKinds({RecordKind::Contacts}).completed.size(), 1);
    const QByteArray first = readFile(document);
    QCOMPARE(readFile(reference), first);
    QCOMPARE(readFile(m_data + "/addressbook.xml"), first);
    QVERIFY(writeFile(reference + ".Ab12Cd", "left by a run that was killed"));

    // The copies in the data folder are replaced, never written over: each keeps its bytes.
    store().exec("UPDATE Contacts SET FirstName = 'Minjae' WHERE ID = 42");
    QCOMPARE(exportKinds({RecordKind::Contacts}).completed.size(), 1);
    const QByteArray second = readFile(document);
    QVERIFY(second.contains("Minjae") && !first.contains("Minjae"));
    QCOMPARE(readFile(reference), second);
    QCOMPARE(readFile(m_data + "/addressbook.xml"), second);
    const Files data = filesBelow(m_data);
    QStringList keptReferences;
    for (auto it = data.begin(); it != data.end(); ++it) {
        QVERIFY2(!QRegularExpression("\\.[A-Za-z0-9]{6}$").match(it.key()).hasMatch(), qPrintable(it.key()));
        if (it.key().endsWith("/sync-addressbook.xml")) {
            keptReferences << it.key();
            QCOMPARE(it.value(), first);
        }
    }
    QCOMPARE(keptReferences.size(), 1);

    // Undo compares the handheld's document with what the export wrote: the export's copy kept in
    // the backup folder, or (in a folder of an older version) its digest.
    BackupEntry newest = listBackups(m_data).first();
    QCOMPARE(newest.manifest.documents.size(), 1);
    const QString written = QDir(newest.folder).filePath(newest.manifest.documents.first().writtenCopy);
    QCOMPARE(readFile(written), second);
    QVERIFY(QFile::remove(written));
    newest.manifest.documents.first().writtenCopy.clear();
    newest.manifest.documents.first().writtenSha256 = fileSha256(document);
    QString error;
    QVERIFY(writeManifest(newest.folder, newest.manifest, &error));
    QVERIFY(undoLastExchange(m_data, m_root, m_messages, nullptr).complete());
    QCOMPARE(readFile(document), first);
    QCOMPARE(readFile(reference), first);
}

void TestSafetyNet::guardAsksAboutChangesOnTheHandheld_data()
{
    QTest::addColumn<bool>("exportedBefore");
    QTest::addColumn<bool>("changedOnHandheld");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("keptOnHandheld"); // the handheld's new record is there after the export

    QTest::newRow("unchanged") << true << false << Answer::Ok << false << false;
    QTest::newRow("no earlier export") << false << true << Answer::Ok << false << false;
    QTest::newRow("changed, import first") << true << true << Answer::Ok << true << true;
    QTest::newRow("changed, replace anyway") << true << true << Answer::Other << true << false;
    QTest::newRow("changed, cancel") << true << true << Answer::Cancel << true << true;
}

void TestSafetyNet::guardAsksAboutChangesOnTheHandheld()
{
    QFETCH(bool, exportedBefore);
    QFETCH(bool, changedOnHandheld);
    QFETCH(Answer, answer);
    QFETCH(bool, asked);
    QFETCH(bool, keptOnHandheld);

    const QString document = documentOnHandheld(m_root, RecordKind::Contacts);
    if (exportedBefore)
        QCOMPARE(exportKinds({RecordKind::Contacts}).completed.size(), 1);
    else
        QVERIFY(writeFile(document,
                          "\xEF\xBB\xBF<AddressBook><Contacts><Contact uid=\"42\" FileAs=\"old\" "
                          "FirstName=\"Minji\" /><Contact uid=\"7\" FileAs=\"x\" /></Contacts></AddressBook>"));
    if (changedOnHandheld) {
        QByteArray bytes = readFile(document);
        bytes.replace("FirstName=\"Minji\"", "FirstName=\"Minjae\"");
        bytes.replace("</Contacts>", "<Contact uid=\"77\" FileAs=\"new\" /></Contacts>");
        QVERIFY(writeFile(document, bytes));
    }
    const QByteArray onHandheld = readFile(document);

    m_messages.clear();
    m_messages.answerNext(Answer::Ok); // the warning
    m_messages.answerNext(answer);
    const ExportOutcome outcome = exportKinds({RecordKind::Contacts});
    const bool questionShown =
        m_messages.shown().size() > 1 && m_messages.shown().at(1).buttons == Buttons::OkOtherCancel;
    QCOMPARE(questionShown, asked);
    if (asked) {
        QCOMPARE(m_messages.shown().at(1).text, guardTexts::question(RecordKind::Contacts, {1, 1, 0, 0}));
        QVERIFY(m_messages.shown().at(1).text.contains("추가된 레코드 1건, 바뀐 레코드 1건"));
    }
    const bool cancelled = asked && answer == Answer::Cancel;
    QCOMPARE(outcome.stopped, cancelled);
    if (cancelled)
        QCOMPARE(readFile(document), onHandheld);
    QCOMPARE(readFile(document).contains("uid=\"77\""), keptOnHandheld);
    const bool importedFirst = asked && answer == Answer::Ok;
    QCOMPARE(store().count("Contacts"), importedFirst ? 3 : 2);
    QCOMPARE(store().scalar("SELECT FirstName FROM Contacts WHERE ID = 42").toString(),
             importedFirst ? QString("Minjae") : QString("Minji"));
    if (importedFirst) {
        // One undo takes back both: the store before the import and the handheld before the export.
        QVERIFY(undoLastExchange(m_data, m_root, m_messages, nullptr).complete());
        QCOMPARE(store().count("Contacts"), 2);
        QCOMPARE(readFile(document), onHandheld);
    }
}

void TestSafetyNet::dryRunsCountAndChangeNothing()
{
    // The handheld holds 42, 7 and 9 as exported; the store then changes 42, drops 9 and adds 8.
    store().exec("INSERT INTO Contacts (ID, FileAs) VALUES (9, 'nine')");
    // The fields the addressbook reader fills with fixed values, as an import leaves them; without
    // them the import would change every record, and the preview would rightly say so.
    store().exec("UPDATE Contacts SET H_Gender = '0', BusinessContact = '0', BusinessCard = '0'");
    QCOMPARE(exportKinds({RecordKind::Contacts}).completed.size(), 1);
    store().exec("UPDATE Contacts SET FileAs = 'OLD' WHERE ID = 42"); // a change of case is a change
    store().exec("DELETE FROM Contacts WHERE ID = 9");
    store().exec("INSERT INTO Contacts (ID, FileAs, H_Gender, BusinessContact, BusinessCard) "
                 "VALUES (8, 'eight', '0', '0', '0')");
    store().exec("DELETE FROM Todo");
    const Files data = filesBelow(m_data);
    const Files handheld = filesBelow(m_root);
    const QList<RecordKind> all{RecordKind::Contacts, RecordKind::Events, RecordKind::Tasks};

    const QList<KindPreview> imports = previewImport(store(), m_root, all);
    QCOMPARE(imports.size(), 3);
    QVERIFY(imports.at(0).failure.isEmpty());
    QCOMPARE(imports.at(0).records.added, 1);     // 9
    QCOMPARE(imports.at(0).records.changed, 1);   // 42
    QCOMPARE(imports.at(0).records.unchanged, 2); // 7, and 8 that the handheld does not have
    QVERIFY(!imports.at(1).documentFound);

    const QList<KindPreview> exports = previewExport(store(), m_data, m_root, all);
    QCOMPARE(exports.at(0).records.added, 1);   // 8
    QCOMPARE(exports.at(0).records.changed, 1); // 42
    QCOMPARE(exports.at(0).records.unchanged, 1);
    QCOMPARE(exports.at(0).records.removed, 1); // 9
    QVERIFY(!exports.at(0).deviceChanges);      // the handheld holds what was exported
    QVERIFY(exports.at(1).emptyTable);
    QVERIFY(exports.at(2).emptyTable);

    // The command-line tool prints the same counts.
    QProcess cli;
    cli.start(test::cliPath(), {"--data", m_data, "export", "--drive", m_root, "--contacts", "--tasks", "--dry-run"});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(cli.readAllStandardOutput()).split('\n'),
             (QStringList{"연락처: Norvel(K7M)에 추가 1건, 변경 1건, 그대로 1건, Norvel(K7M)에서 삭제 1건",
                          "작업: " + exportTexts::emptyTable(RecordKind::Tasks),
                          "미리 보기입니다. 아무것도 바꾸지 않았습니다.", ""}));
    cli.start(test::cliPath(), {"--data", m_data, "import", "--drive", m_root, "--contacts", "--dry-run"});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    QVERIFY(QString::fromUtf8(cli.readAllStandardOutput()).startsWith("연락처: 추가 1건, 변경 1건, 그대로 2건\n"));

    QCOMPARE(filesBelow(m_data), data);
    QCOMPARE(filesBelow(m_root), handheld);
}

void TestSafetyNet::backupsOrderedBySequenceNotByClock()
{
    // Twelve exports within one second of the program's clock, then the clock set back a day.
    QStringList names;
    for (int i = 0; i < 13; ++i) {
        if (i == 12)
            m_clock->set(m_clock->now().addDays(-1));
        store().exec(QString("UPDATE Contacts SET FirstName = 'export %1' WHERE ID = 42").arg(i));
        QCOMPARE(exportKinds({RecordKind::Contacts}).completed.size(), 1);
        const QList<BackupEntry> history = listBackups(m_data);
        QVERIFY(readFile(QDir(history.first().folder).filePath("data-addressbook.xml")).contains(
                    i == 0 ? QByteArray() : QString("export %1").arg(i - 1).toUtf8()));
        names << QFileInfo(history.first().folder).fileName();
    }
    // No name was given twice, even to a folder made after the one of that name was pruned.
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
    const QList<BackupEntry> history = listBackups(m_data);
    QCOMPARE(history.size(), exportBackupsKept);
    QCOMPARE(QFileInfo(history.first().folder).fileName(), names.last());
    for (qsizetype i = 1; i < history.size(); ++i)
        QVERIFY(history.at(i - 1).manifest.sequence > history.at(i).manifest.sequence);
    QCOMPARE(history.first().manifest.when.date(), QDate(2026, 12, 7)); // the label only

    // The undo takes back the newest export, whatever its time says.
    const QByteArray beforeLast = readFile(QDir(history.first().folder).filePath("addressbook.xml"));
    QVERIFY(undoLastExchange(m_data, m_root, m_messages, nullptr).complete());
    QCOMPARE(readFile(documentOnHandheld(m_root, RecordKind::Contacts)), beforeLast);
    QVERIFY(beforeLast.contains("export 11"));
}

void TestSafetyNet::failedExportPrunesNothing()
{
    for (int i = 0; i < exportBackupsKept; ++i)
        QCOMPARE(exportKinds({RecordKind::Contacts}).completed.size(), 1);
    const QString document = documentOnHandheld(m_root, RecordKind::Contacts);
    QByteArray bytes = readFile(document);
    bytes.replace("</Contacts>", "<Contact uid=\"77\" FileAs=\"new\" /></Contacts>");
    QVERIFY(writeFile(document, bytes));
    const QStringList folders = QDir(m_data + "/backup").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    const Files data = filesBelow(m_data);
    const QStringList before = storeContent(store());

    // "가져온 뒤 내보내기" while another program holds the store: the merge fails, the export stops,
    // and neither a folder nor a removed one says otherwise.
    const std::shared_ptr<Store> other = Store::open(Store::pathInDirectory(m_data));
    other->exec("BEGIN IMMEDIATE");
    other->exec("INSERT INTO Todo (ID, Description) VALUES (500, 'held')");
    m_messages.clear();
    m_messages.answerNext(Answer::Ok); // the warning
    m_messages.answerNext(Answer::Ok); // import first
    const ExportOutcome outcome = exportKinds({RecordKind::Contacts});
    other->exec("ROLLBACK");
    QVERIFY(outcome.stopped);
    QVERIFY(m_messages.texts().last().contains(storeBusyText()));
    QCOMPARE(QDir(m_data + "/backup").entryList(QDir::Dirs | QDir::NoDotAndDotDot), folders);
    QCOMPARE(filesBelow(m_data), data);
    QCOMPARE(storeContent(store()), before);
    QCOMPARE(readFile(document), bytes);
}

void TestSafetyNet::consoleAnswersThreeWayQuestions_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("assumeYes");
    QTest::addColumn<std::optional<Answer>>("preset");
    QTest::addColumn<Answer>("expected");

    QTest::newRow("typed o") << "o\n" << false << std::optional<Answer>() << Answer::Ok;
    QTest::newRow("typed r") << "r\n" << false << std::optional<Answer>() << Answer::Other;
    QTest::newRow("end of input") << "" << false << std::optional<Answer>() << Answer::Cancel;
    QTest::newRow("--yes replaces") << "" << true << std::optional<Answer>() << Answer::Other;
    QTest::newRow("--keep-device-changes") << "" << true << std::optional(Answer::Ok) << Answer::Ok;
}

void TestSafetyNet::consoleAnswersThreeWayQuestions()
{
    QFETCH(QString, input);
    QFETCH(bool, assumeYes);
    QFETCH(std::optional<Answer>, preset);
    QFETCH(Answer, expected);
    QString typed = input;
    QString printed, asked;
    QTextStream in(&typed);
    QTextStream out(&printed);
    QTextStream err(&asked);
    ConsoleMessages messages(out, err, in);
    messages.setAssumeYes(assumeYes);
    messages.setChoiceAnswer(preset);
    QCOMPARE(messages.choose("question", "title", "import first", "replace"), expected);
    // Asked on the error stream; answered on the command line, printed with the answer on the output.
    const bool answeredBefore = assumeYes || preset;
    QVERIFY((answeredBefore ? printed : asked).startsWith("title: question\n"));
    QCOMPARE((answeredBefore ? asked : printed), QString());
}

QTEST_MAIN(TestSafetyNet)
#include "tst_safetynet.moc"
