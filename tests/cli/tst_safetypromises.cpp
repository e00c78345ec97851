#include "exchange/DeviceLocation.h"
#include "records/Kinds.h"
#include "records/Schema.h"
#include "records/Store.h"
#include "support/TestSupport.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sys/stat.h>

using namespace pimdesk;
using test::readFile;
using test::writeFile;
using Run = test::CliRun;

namespace {

// How each kind's records look in its document and in the store, for edits made "on the handheld".
struct KindCase
{
    RecordKind kind;
    QString option;  // --contacts
    QString table;   // Contacts
    QString field;   // the text field the tests change
    QString element; // Contact
    QString uid;     // its identity attribute
    QString text;    // the attribute of that field
    QString closer;  // the end of the records' container
    QString extra;   // further attributes a new record needs
};

const QList<KindCase> &kindCases()
{
    static const QList<KindCase> cases{
        {RecordKind::Contacts, "--contacts", "Contacts", "FileAs", "Contact", "uid", "FileAs", "</Contacts>", ""},
        {RecordKind::Events, "--events", "Datebook", "Description", "event", "uid", "description", "</events>",
         " start=\"1767607200\""},
        {RecordKind::Tasks, "--tasks", "Todo", "Description", "Task", "Uid", "Description", "</Tasks>", ""},
    };
    return cases;
}

void addKindRows()
{
    QTest::addColumn<int>("kindIndex");
    for (int i = 0; i < kindCases().size(); ++i)
        QTest::newRow(qPrintable(kindKey(kindCases().at(i).kind))) << i;
}

using Files = QMap<QString, QByteArray>;

// Every file below a folder with its bytes, by relative path, leaving out the folders named.
Files filesBelow(const QString &folder, const QStringList &leaveOut = {})
{
    Files files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = QDir(folder).relativeFilePath(it.next());
        if (std::none_of(leaveOut.begin(), leaveOut.end(), [&](const QString &p) { return path.startsWith(p); }))
            files.insert(path, readFile(QDir(folder).filePath(path)));
    }
    return files;
}

QStringList folderNames(const QString &folder)
{
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

// Runs pimdesk-cli with extra environment variables; started, not waited for.
std::unique_ptr<QProcess> startCli(const QStringList &args, const QMap<QString, QString> &environment = {})
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (auto it = environment.begin(); it != environment.end(); ++it)
        env.insert(it.key(), it.value());
    process->setProcessEnvironment(env);
    process->start(test::cliPath(), args);
    process->closeWriteChannel();
    return process;
}

Run finish(QProcess &process)
{
    if (!process.waitForFinished(60000))
        return {-1, QString(), "timed out"};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

Run runWith(const QStringList &args, const QMap<QString, QString> &environment)
{
    auto process = startCli(args, environment);
    return finish(*process);
}

// Waits until the process says on its error stream that it holds the data folder's lock.
bool waitUntilLocked(QProcess &process)
{
    QByteArray seen;
    process.setReadChannel(QProcess::StandardError);
    while (!seen.contains("pimdesk: data folder locked")) {
        if (!process.waitForReadyRead(20000))
            return false;
        seen += process.readAllStandardError();
    }
    return true;
}

} // namespace

class TestSafetyPromises : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void keptDeviceChangesAreOnlyWhatChanged_data() { addKindRows(); }
    void keptDeviceChangesAreOnlyWhatChanged();
    void undoOfAnImportLetsTheGuardAskAgain_data() { addKindRows(); }
    void undoOfAnImportLetsTheGuardAskAgain();
    void importExportUndoUndoIsTheStateBefore_data() { addKindRows(); }
    void importExportUndoUndoIsTheStateBefore();
    void backupsFollowTheirOrderWhateverTheClock();
    void operationsThatChangeNothingLeaveNoBackup();
    void twoUndosAtOnceUndoOneOperation();
    void whatTheGuardCannotReadCountsAsChanged_data();
    void whatTheGuardCannotReadCountsAsChanged();
    void aLockFileHoldsOnlyWhileItsHolderLives();

private:
    QString document(const KindCase &k) const { return handheldDocumentPath(m_drive, k.kind); }
    Run cli(const QStringList &args, const QByteArray &input = QByteArray())
    {
        return test::runCli(QStringList{"--data", m_data} + args, input);
    }
    // Records 1 to 4 of the kind in the store, exported to the handheld, so that the guard's copy is
    // what the handheld holds.
    void exportFourRecords(const KindCase &k);
    void storeExec(const QString &sql)
    {
        Store::open(Store::pathInDirectory(m_data))->exec(sql);
    }
    QStringList storeRecords(const KindCase &k)
    {
        QStringList rows;
        const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(m_data));
        Store::Query query(*store, QString("SELECT ID, \"%1\" FROM \"%2\" ORDER BY ID").arg(k.field, k.table));
        while (query.next())
            rows << query.text(0) + "=" + query.text(1);
        return rows;
    }
    QStringList storeContent()
    {
        QStringList rows;
        const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(m_data));
        for (const TableSchema *table : schema::tables()) {
            Store::Query query(*store, QString("SELECT * FROM \"%1\" ORDER BY ID").arg(table->name));
            while (query.next()) {
                QStringList values{table->name};
                for (int c = 0; c < query.columnCount(); ++c)
                    values << (query.isNull(c) ? QString("<null>") : query.text(c));
                rows << values.join('|');
            }
        }
        return rows;
    }
    // Edits the handheld's document: a record added, one changed and one deleted.
    void editOnHandheld(const KindCase &k, const QString &add, int change, int remove)
    {
        QByteArray bytes = readFile(document(k));
        QString text = QString::fromUtf8(bytes);
        if (!add.isEmpty())
            text.replace(k.closer, add + k.closer);
        if (change > 0)
            text.replace(QString("%1=\"r%2\"").arg(k.text).arg(change),
                         QString("%1=\"r%2 on the handheld\"").arg(k.text).arg(change));
        if (remove > 0)
            text.remove(QRegularExpression(QString("<%1 %2=\"%3\"[^>]*/>").arg(k.element, k.uid).arg(remove)));
        QVERIFY(text.toUtf8() != bytes);
        QVERIFY(writeFile(document(k), text.toUtf8()));
    }
    QString newRecord(const KindCase &k, int id, const QString &value) const
    {
        return QString("<%1 %2=\"%3\" %4=\"%5\"%6 />").arg(k.element, k.uid).arg(id).arg(k.text, value, k.extra);
    }
    QStringList history()
    {
        return cli({"history"}).out.split('\n', Qt::SkipEmptyParts);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;
    QString m_drive;
};

void TestSafetyPromises::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_data = m_dir->filePath("DATA");
    m_drive = m_dir->filePath("k7m");
    QVERIFY(QDir().mkpath(m_drive + "/Qtopia/Applications"));
}

void TestSafetyPromises::cleanup()
{
    m_dir.reset();
}

void TestSafetyPromises::exportFourRecords(const KindCase &k)
{
    for (int id = 1; id <= 4; ++id)
        storeExec(k.kind == RecordKind::Events
                      ? QString("INSERT INTO Datebook (ID, Description, Start) VALUES (%1, 'r%1', '2026-01-05 10:00:00')")
                            .arg(id)
                      : QString("INSERT INTO \"%1\" (ID, \"%2\") VALUES (%3, 'r%3')").arg(k.table, k.field).arg(id));
    const Run run = cli({"export", "--drive", m_drive, k.option, "--yes"});
    QCOMPARE(run.status, 0);
    QVERIFY(readFile(document(k)).contains(QString("%1=\"r4\"").arg(k.text).toUtf8()));
}

void TestSafetyPromises::keptDeviceChangesAreOnlyWhatChanged()
{
    QFETCH(int, kindIndex);
    const KindCase &k = kindCases().at(kindIndex);
    exportFourRecords(k);
    // On the desktop: record 1 changed, record 2 deleted. On the handheld: 77 added, 3 changed, 4 deleted.
    storeExec(QString("UPDATE \"%1\" SET \"%2\" = 'r1 on the desktop' WHERE ID = 1").arg(k.table, k.field));
    storeExec(QString("DELETE FROM \"%1\" WHERE ID = 2").arg(k.table));
    editOnHandheld(k, newRecord(k, 77, "r77"), 3, 4);
    const Files handheld = filesBelow(m_drive);
    const Files data = filesBelow(m_data);

    // The dry run names what the merge brings in and what the export then writes; it changes nothing.
    Run run = cli({"export", "--drive", m_drive, k.option, "--dry-run", "--keep-device-changes"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out.split('\n').first(),
             kindLabel(k.kind) + ": 먼저 Norvel(K7M)에서 바뀐 것을 가져옵니다: 저장소에 추가 1건, 변경 1건, 삭제 1건. "
                                 "Norvel(K7M)에 추가 0건, 변경 1건, 그대로 2건, Norvel(K7M)에서 삭제 1건");
    QCOMPARE(filesBelow(m_drive), handheld);
    QCOMPARE(filesBelow(m_data), data);

    run = cli({"export", "--drive", m_drive, k.option, "--yes", "--keep-device-changes"});
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains("추가된 레코드 1건, 바뀐 레코드 1건"), qPrintable(run.out));
    // The desktop's newer record 1 stays, its deletion of 2 stands, the handheld's 3 and 77 come in,
    // and 4, deleted on the handheld, is not brought back.
    QCOMPARE(storeRecords(k), (QStringList{"1=r1 on the desktop", "3=r3 on the handheld", "77=r77"}));
    const QByteArray exported = readFile(document(k));
    QVERIFY(exported.contains("r1 on the desktop"));
    QVERIFY(exported.contains("r3 on the handheld"));
    QVERIFY(exported.contains("\"r77\""));
    QVERIFY(!exported.contains("\"r2\"") && !exported.contains("\"r4\""));

    // Once merged, nothing is left to ask about.
    run = cli({"export", "--drive", m_drive, k.option, "--dry-run", "--keep-device-changes"});
    QCOMPARE(run.out.split('\n').first(),
             kindLabel(k.kind) + ": Norvel(K7M)에 추가 0건, 변경 0건, 그대로 3건, Norvel(K7M)에서 삭제 0건");
}

void TestSafetyPromises::undoOfAnImportLetsTheGuardAskAgain()
{
    QFETCH(int, kindIndex);
    const KindCase &k = kindCases().at(kindIndex);
    exportFourRecords(k);
    editOnHandheld(k, newRecord(k, 77, "r77"), 3, 0);
    QCOMPARE(cli({"import", "--drive", m_drive, k.option}).status, 0);
    QCOMPARE(cli({"undo", "--drive", m_drive, "--yes"}).status, 0);
    QCOMPARE(storeRecords(k), (QStringList{"1=r1", "2=r2", "3=r3", "4=r4"}));

    // The guard sees the handheld's changes as before the import: it asks, and they are kept.
    const Run run = cli({"export", "--drive", m_drive, k.option, "--yes", "--keep-device-changes"});
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains("추가된 레코드 1건, 바뀐 레코드 1건"), qPrintable(run.out));
    QCOMPARE(storeRecords(k), (QStringList{"1=r1", "2=r2", "3=r3 on the handheld", "4=r4", "77=r77"}));
    QVERIFY(readFile(document(k)).contains("\"r77\""));
}

void TestSafetyPromises::importExportUndoUndoIsTheStateBefore()
{
    QFETCH(int, kindIndex);
    const KindCase &k = kindCases().at(kindIndex);
    exportFourRecords(k);
    editOnHandheld(k, newRecord(k, 77, "r77"), 3, 0);
    const QStringList store = storeContent();
    const QStringList leaveOut{"backup/", "pimdesk.lock", "Qtdata.mdb"};
    const Files data = filesBelow(m_data, leaveOut);
    const Files handheld = filesBelow(m_drive);

    QCOMPARE(cli({"import", "--drive", m_drive, k.option}).status, 0);
    storeExec(QString("UPDATE \"%1\" SET \"%2\" = 'r1 on the desktop' WHERE ID = 1").arg(k.table, k.field));
    QCOMPARE(cli({"export", "--drive", m_drive, k.option, "--yes"}).status, 0);
    QVERIFY(filesBelow(m_data, leaveOut) != data);
    QCOMPARE(cli({"undo", "--drive", m_drive, "--yes"}).status, 0);
    QCOMPARE(filesBelow(m_drive), handheld);
    QCOMPARE(cli({"undo", "--drive", m_drive, "--yes"}).status, 0);
    QCOMPARE(storeContent(), store);
    QCOMPARE(filesBelow(m_data, leaveOut), data);
    QCOMPARE(filesBelow(m_drive), handheld);
}

void TestSafetyPromises::backupsFollowTheirOrderWhateverTheClock()
{
    const KindCase &k = kindCases().first();
    exportFourRecords(k); // an export, at the machine's time
    // An import fourteen hours east of UTC, then an export twelve hours west: its local time is a
    // day earlier than the import's.
    QCOMPARE(runWith({"--data", m_data, "import", "--drive", m_drive, "--contacts"}, {{"TZ", "EAST-14"}}).status, 0);
    storeExec("UPDATE Contacts SET FileAs = 'r1 on the desktop' WHERE ID = 1");
    const QByteArray beforeExport = readFile(document(k));
    QCOMPARE(runWith({"--data", m_data, "export", "--drive", m_drive, "--contacts", "--yes"}, {{"TZ", "WEST+12"}})
                 .status,
             0);
    QStringList lines = history();
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines.at(0).contains("  export  "), qPrintable(lines.join('\n')));
    QVERIFY(lines.at(1).contains("  device-import  "));
    QVERIFY(lines.at(2).contains("  export  "));

    // The undo takes back the newest operation, the export, and not the import.
    const Run run = cli({"undo", "--drive", m_drive, "--yes"});
    QCOMPARE(run.status, 0);
    QCOMPARE(readFile(document(k)), beforeExport);
    QCOMPARE(storeRecords(k).first(), QString("1=r1 on the desktop"));
    lines = history();
    QVERIFY(lines.at(0).contains("[undone "));
    QVERIFY(!lines.at(1).contains("[undone "));
    // Every folder's name is its own.
    const QStringList names = folderNames(m_data + "/backup");
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), 3);
}

void TestSafetyPromises::operationsThatChangeNothingLeaveNoBackup()
{
    const KindCase &k = kindCases().first();
    exportFourRecords(k);
    // Ten backups: the oldest is the export's. Each import takes back a change made in the store;
    // an import that changes nothing (the same document again) leaves none.
    for (int i = 0; i < 9; ++i) {
        storeExec(QString("UPDATE \"%1\" SET \"%2\" = 'changed %3' WHERE ID = 2").arg(k.table, k.field).arg(i));
        QCOMPARE(cli({"import", "--drive", m_drive, "--contacts"}).status, 0);
    }
    const QStringList folders = folderNames(m_data + "/backup");
    QCOMPARE(folders.size(), 10);
    QCOMPARE(cli({"import", "--drive", m_drive, "--contacts"}).status, 0);
    QCOMPARE(folderNames(m_data + "/backup"), folders);
    const QStringList lines = history();
    QVERIFY(writeFile(m_dir->filePath("damaged.pst"), QByteArray(4096, 'x')));

    const QList<QPair<QStringList, QByteArray>> nothingChanged{
        {{"outlook-import", "--pst", m_dir->filePath("missing.pst"), "--contacts"}, {}},
        {{"outlook-import", "--pst", m_dir->filePath("damaged.pst"), "--contacts"}, {}},
        {{"export", "--drive", m_drive, "--contacts"}, "n\n"},
        {{"undo", "--drive", m_drive}, "n\n"},
    };
    for (const auto &[args, input] : nothingChanged) {
        QCOMPARE(cli(args, input).status, 1);
        QCOMPARE(folderNames(m_data + "/backup"), folders);
        QCOMPARE(history(), lines);
    }

    // An undo while another program holds the store: it fails, and leaves no trace either.
    {
        const std::shared_ptr<Store> other = Store::open(Store::pathInDirectory(m_data));
        other->exec("BEGIN IMMEDIATE");
        other->exec("INSERT INTO Todo (ID, Description) VALUES (500, 'held')");
        for (int i = 0; i < 2; ++i) {
            const Run run = cli({"undo", "--drive", m_drive, "--yes"});
            QCOMPARE(run.status, 1);
            QVERIFY2(run.err.contains("다른 프로그램이 레코드 저장소를 사용하고 있습니다."), qPrintable(run.err));
            QCOMPARE(folderNames(m_data + "/backup"), folders);
            QCOMPARE(history(), lines);
        }
        other->exec("ROLLBACK");
    }
    // The import can still be undone, and the export before it.
    QCOMPARE(cli({"undo", "--drive", m_drive, "--yes"}).status, 0);
}

void TestSafetyPromises::twoUndosAtOnceUndoOneOperation()
{
    const KindCase &k = kindCases().first();
    exportFourRecords(k);
    const QByteArray first = readFile(document(k));
    storeExec("UPDATE Contacts SET FileAs = 'r1 again' WHERE ID = 1");
    QCOMPARE(cli({"export", "--drive", m_drive, "--contacts", "--yes"}).status, 0);

    // The first undo holds the lock until the gate opens; the second has asked and waits for it.
    const QString gate = m_dir->filePath("gate");
    auto holder = startCli({"--data", m_data, "undo", "--drive", m_drive, "--yes"},
                           {{"PIMDESK_TEST_HOLD_LOCK", gate}});
    QVERIFY(waitUntilLocked(*holder));
    auto waiter = startCli({"--data", m_data, "undo", "--drive", m_drive, "--yes"});
    QVERIFY(waiter->waitForStarted());
    QThread::msleep(700);
    QVERIFY(writeFile(gate, "open"));
    const Run held = finish(*holder);
    const Run waited = finish(*waiter);
    QCOMPARE(held.status, 0);
    QCOMPARE(waited.status, 1);
    QVERIFY2(waited.err.contains("묻는 사이에 다른 pimdesk가 백업을 바꾸었습니다."), qPrintable(waited.err));
    QCOMPARE(readFile(document(k)), first);

    // One undo, one operation: the newer export is undone, the older one is next.
    QStringList lines = history();
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.at(0).contains("[undone "));
    QVERIFY(!lines.at(1).contains("[undone "));
    QCOMPARE(cli({"undo", "--drive", m_drive, "--yes"}).status, 0);
    QVERIFY(!QFileInfo::exists(document(k)));
    lines = history();
    QVERIFY(lines.at(1).contains("[undone "));
    QCOMPARE(cli({"undo", "--drive", m_drive, "--yes"}).status, 1);
}

void TestSafetyPromises::whatTheGuardCannotReadCountsAsChanged_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("document in UTF-16") << "utf16";
    QTest::newRow("record without uid") << "no uid";
    QTest::newRow("record with a uid that is no number") << "bad uid";
}

void TestSafetyPromises::whatTheGuardCannotReadCountsAsChanged()
{
    QFETCH(QString, damage);
    const KindCase &k = kindCases().first();
    exportFourRecords(k);
    const QString exported = QString::fromUtf8(readFile(document(k)));
    QByteArray onHandheld;
    if (damage == "utf16") {
        const QString text = exported.startsWith(QChar(0xFEFF)) ? exported : QChar(0xFEFF) + exported;
        onHandheld = QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    } else {
        QString text = exported;
        text.replace(k.closer, (damage == "no uid" ? QString("<Contact FileAs=\"kept only here\" />")
                                                   : QString("<Contact uid=\"x9\" FileAs=\"kept only here\" />")) +
                                   k.closer);
        onHandheld = text.toUtf8();
    }
    QVERIFY(writeFile(document(k), onHandheld));

    // The dry run says that the export would ask; the export asks, and stops unless --yes.
    Run run = cli({"export", "--drive", m_drive, "--contacts", "--dry-run"});
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.split('\n').first().endsWith("내보내기가 먼저 묻습니다)"), qPrintable(run.out));
    run = cli({"export", "--drive", m_drive, "--contacts"}, "y\n");
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains("바뀌었는지 알 수 없습니다"), qPrintable(run.err));
    QCOMPARE(readFile(document(k)), onHandheld);
    // Keeping the handheld's changes cannot be done: the export stops, and the dry run says so.
    run = cli({"export", "--drive", m_drive, "--contacts", "--dry-run", "--keep-device-changes"});
    QVERIFY2(run.out.split('\n').first().endsWith("가져올 수 없습니다: 내보내기가 여기서 멈춥니다"), qPrintable(run.out));
    run = cli({"export", "--drive", m_drive, "--contacts", "--yes", "--keep-device-changes"});
    QCOMPARE(run.status, 1);
    QVERIFY(run.err.contains("가져올 수 없습니다. 내보내기를 멈췄습니다."));
    QCOMPARE(readFile(document(k)), onHandheld);
    QCOMPARE(history().size(), 1);
    // --yes replaces it, as asked.
    run = cli({"export", "--drive", m_drive, "--contacts", "--yes"});
    QCOMPARE(run.status, 0);
    QCOMPARE(QString::fromUtf8(readFile(document(k))), exported);
}

void TestSafetyPromises::aLockFileHoldsOnlyWhileItsHolderLives()
{
    const KindCase &k = kindCases().first();
    exportFourRecords(k);
    const QString lockFile = m_data + "/pimdesk.lock";
    // What a power cut may leave: an empty file, a garbled one, one nobody may read.
    for (const QByteArray &left : {QByteArray(), QByteArray("\0\0\x01garbled", 10), QByteArray("12345\n")}) {
        QVERIFY(writeFile(lockFile, left));
        const Run run = cli({"import", "--drive", m_drive, "--contacts"});
        QCOMPARE(run.status, 0);
    }
    if (::geteuid() != 0) {
        QVERIFY(writeFile(lockFile, "1\n"));
        QVERIFY(::chmod(lockFile.toLocal8Bit().constData(), 0) == 0);
        QCOMPARE(cli({"import", "--drive", m_drive, "--contacts"}).status, 0);
    }

    // A live holder is named; a killed one frees the lock with its process.
    const QString gate = m_dir->filePath("gate");
    auto holder = startCli({"--data", m_data, "import", "--drive", m_drive, "--contacts"},
                           {{"PIMDESK_TEST_HOLD_LOCK", gate}});
    QVERIFY(waitUntilLocked(*holder));
    Run run = cli({"import", "--drive", m_drive, "--contacts"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(QString("다른 pimdesk(프로세스 %1)").arg(holder->processId())), qPrintable(run.err));
    ::kill(pid_t(holder->processId()), SIGKILL);
    QVERIFY(holder->waitForFinished(20000));
    run = cli({"import", "--drive", m_drive, "--contacts"});
    QCOMPARE(run.status, 0);
}

QTEST_GUILESS_MAIN(TestSafetyPromises)
#include "tst_safetypromises.moc"
