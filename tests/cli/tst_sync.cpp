#include "exchange/DeviceGuard.h"
#include "exchange/DeviceLocation.h"
#include "exchange/DocumentWriters.h"
#include "records/DocumentLayouts.h"
#include "records/Kinds.h"
#include "records/Store.h"
#include "support/TestSupport.h"

#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace pimdesk;
using test::readFile;
using test::writeFile;
using Run = test::CliRun;

namespace {

// How each kind's records look in the store and in its document, for edits made "on the handheld".
struct KindCase
{
    RecordKind kind;
    QString option;  // --contacts
    QString table;   // Contacts
    QString field;   // the text field the tests change
    QString text;    // its attribute
    QString field2;  // a second text field
    QString text2;   // its attribute
    QString element; // Contact
    QString uid;     // the identity attribute
    QString closer;  // the end of the records' container
    QString extra;   // further attributes a new record needs
};

const QList<KindCase> &kindCases()
{
    static const QList<KindCase> cases{
        {RecordKind::Contacts, "--contacts", "Contacts", "FileAs", "FileAs", "Notes", "Notes", "Contact", "uid",
         "</Contacts>", ""},
        {RecordKind::Events, "--events", "Datebook", "Description", "description", "Location", "location", "event",
         "uid", "</events>", " start=\"1767607200\""},
        {RecordKind::Tasks, "--tasks", "Todo", "Description", "Description", "Notes", "Notes", "Task", "Uid",
         "</Tasks>", ""},
    };
    return cases;
}

using Files = QMap<QString, QByteArray>;

Files filesBelow(const QString &folder)
{
    Files files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = QDir(folder).relativeFilePath(it.next());
        files.insert(path, readFile(QDir(folder).filePath(path)));
    }
    return files;
}

// What a row of the decision table does on each side, and what both sides hold afterwards.
struct Edits
{
    QStringList pc;                 // SQL on the store (%T table, %F field, %G second field)
    QList<std::function<void(QString &document, const KindCase &k)>> handheld;
};

// An edit of the handheld's document: a field of a record changed, a record deleted or added.
auto changeOnHandheld(int id, bool second, const QString &value)
{
    return [=](QString &document, const KindCase &k) {
        const QString attribute = second ? k.text2 : k.text;
        const QString old = QString("%1=\"%2%3\"").arg(attribute, second ? "s" : "r").arg(id);
        QVERIFY2(document.contains(old), qPrintable(old));
        document.replace(old, QString("%1=\"%2\"").arg(attribute, value));
    };
}

auto deleteOnHandheld(int id)
{
    return [=](QString &document, const KindCase &k) {
        const QRegularExpression element(QString("<%1 %2=\"%3\"[^>]*/>").arg(k.element, k.uid).arg(id));
        QVERIFY(document.contains(element));
        document.remove(element);
    };
}

auto addOnHandheld(int id, const QString &value)
{
    return [=](QString &document, const KindCase &k) {
        document.replace(k.closer, QString("<%1 %2=\"%3\" %4=\"%5\"%6 />")
                                       .arg(k.element, k.uid)
                                       .arg(id)
                                       .arg(k.text, value, k.extra) +
                                       k.closer);
    };
}

} // namespace

Q_DECLARE_METATYPE(Edits)

class TestSync : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void decisionTable_data();
    void decisionTable();
    void conflictChoices_data();
    void conflictChoices();
    void massDeletionGuard_data();
    void massDeletionGuard();
    void firstSyncIsAUnion_data();
    void firstSyncIsAUnion();
    void undoTakesBothSidesBack();
    void killedSyncIsFinishedByTheNext_data();
    void killedSyncIsFinishedByTheNext();
    void usageErrors();

private:
    QString document(const KindCase &k) const { return handheldDocumentPath(m_drive, k.kind); }
    Run cli(const QStringList &args, const QByteArray &input = QByteArray())
    {
        return test::runCli(QStringList{"--data", m_data} + args, input);
    }
    void storeExec(const KindCase &k, QString sql)
    {
        sql.replace("%T", '"' + k.table + '"').replace("%F", '"' + k.field + '"').replace("%G", '"' + k.field2 + '"');
        Store::open(Store::pathInDirectory(m_data))->exec(sql);
    }
    void insertRecord(const KindCase &k, int id, const QString &value, const QString &value2)
    {
        storeExec(k, k.kind == RecordKind::Events
                         ? QString("INSERT INTO %T (ID, %F, %G, Start) VALUES (%1, '%2', '%3', '2026-01-05 19:00:00')")
                               .arg(id)
                               .arg(value, value2)
                         : QString("INSERT INTO %T (ID, %F, %G) VALUES (%1, '%2', '%3')").arg(id).arg(value, value2));
    }
    // Records 1 to 4 (r1/s1 ...) in the store, brought to the handheld by a first sync.
    void syncFourRecords(const KindCase &k)
    {
        for (int id = 1; id <= 4; ++id)
            insertRecord(k, id, QString("r%1").arg(id), QString("s%1").arg(id));
        const Run run = cli({"sync", "--drive", m_drive, k.option, "--yes"});
        QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
        QVERIFY(readFile(document(k)).contains(QString("%1=\"r4\"").arg(k.text).toUtf8()));
    }
    void editHandheld(const KindCase &k, const Edits &edits)
    {
        if (edits.handheld.isEmpty())
            return;
        QString text = QString::fromUtf8(readFile(document(k)));
        for (const auto &edit : edits.handheld)
            edit(text, k);
        QVERIFY(writeFile(document(k), text.toUtf8()));
    }
    void editBoth(const KindCase &k, const Edits &edits)
    {
        for (const QString &sql : edits.pc)
            storeExec(k, sql);
        editHandheld(k, edits);
    }
    QStringList storeRecords(const KindCase &k)
    {
        QStringList rows;
        const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(m_data));
        Store::Query query(*store,
                           QString("SELECT ID, \"%1\", \"%2\" FROM \"%3\" ORDER BY ID").arg(k.field, k.field2, k.table));
        while (query.next())
            rows << QString("%1=%2|%3").arg(query.text(0), query.text(1), query.text(2));
        return rows;
    }
    // After a sync both sides hold the same: the handheld's document is what an export of the store
    // writes, the kept copy is that document, and a second sync finds nothing to do.
    void verifyInSync(const KindCase &k)
    {
        const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(m_data));
        QByteArray exported = handheldDocument(k.kind, *store);
        // A table left empty: the handheld gets a document without records.
        if (exported.isEmpty())
            exported = QByteArray("\xEF\xBB\xBF") + kindInfo(k.kind).document->prologue +
                       kindInfo(k.kind).document->epilogue;
        QCOMPARE(readFile(document(k)), exported);
        QCOMPARE(readFile(syncReferencePath(m_data, k.kind)), exported);
        const Files drive = filesBelow(m_drive);
        const Files data = filesBelow(m_data);
        const Run again = cli({"sync", "--drive", m_drive, k.option});
        QVERIFY2(again.status == 0, qPrintable(again.out + again.err));
        QVERIFY2(again.out.contains("이미 동기화되어 있습니다"), qPrintable(again.out));
        QCOMPARE(filesBelow(m_drive), drive);
        QCOMPARE(filesBelow(m_data), data);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;
    QString m_drive;
};

void TestSync::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_data = m_dir->filePath("DATA");
    m_drive = m_dir->filePath("k7m");
    QVERIFY(QDir().mkpath(m_drive + "/Qtopia/Applications"));
}

void TestSync::cleanup()
{
    m_dir.reset();
}

void TestSync::decisionTable_data()
{
    QTest::addColumn<int>("kindIndex");
    QTest::addColumn<Edits>("edits");
    QTest::addColumn<QStringList>("expected");   // the store's records afterwards: ID=field|field2
    QTest::addColumn<QString>("dryRun");         // the dry run's first line after the kind's label
    QTest::addColumn<QString>("message");        // a text the sync's output contains

    const QString unchanged = "저장소에 추가 0건, 변경 0건, 삭제 0건, 병합 0건. Norvel(K7M)에 추가 0건, 변경 0건, "
                              "삭제 0건, 병합 0건. 충돌 0건";
    struct Row
    {
        const char *name;
        Edits edits;
        QStringList expected;
        QString dryRun;
        QString message;
    };
    const QList<Row> rows{
        {"changed on the pc",
         {{"UPDATE %T SET %F = 'r1 pc' WHERE ID = 1"}, {}},
         {"1=r1 pc|s1", "2=r2|s2", "3=r3|s3", "4=r4|s4"},
         "저장소에 추가 0건, 변경 0건, 삭제 0건, 병합 0건. Norvel(K7M)에 추가 0건, 변경 1건, 삭제 0건, 병합 0건. 충돌 0건",
         "동기화가 완료되었습니다"},
        {"changed on the handheld",
         {{}, {changeOnHandheld(1, false, "r1 hh")}},
         {"1=r1 hh|s1", "2=r2|s2", "3=r3|s3", "4=r4|s4"},
         "저장소에 추가 0건, 변경 1건, 삭제 0건, 병합 0건. Norvel(K7M)에 추가 0건, 변경 0건, 삭제 0건, 병합 0건. 충돌 0건",
         "동기화가 완료되었습니다"},
        {"changed on both in different fields",
         {{"UPDATE %T SET %F = 'r1 pc' WHERE ID = 1"}, {changeOnHandheld(1, true, "s1 hh")}},
         {"1=r1 pc|s1 hh", "2=r2|s2", "3=r3|s3", "4=r4|s4"},
         "저장소에 추가 0건, 변경 0건, 삭제 0건, 병합 1건. Norvel(K7M)에 추가 0건, 변경 0건, 삭제 0건, 병합 1건. 충돌 0건",
         "동기화가 완료되었습니다"},
        {"changed on both to the same values",
         {{"UPDATE %T SET %F = 'r1 both' WHERE ID = 1"}, {changeOnHandheld(1, false, "r1 both")}},
         {"1=r1 both|s1", "2=r2|s2", "3=r3|s3", "4=r4|s4"},
         unchanged,
         ""},
        {"added on the pc",
         {{"INSERT INTO %T (ID, %F, %G) VALUES (5, 'r5', 's5')"}, {}},
         {"1=r1|s1", "2=r2|s2", "3=r3|s3", "4=r4|s4", "5=r5|s5"},
         "저장소에 추가 0건, 변경 0건, 삭제 0건, 병합 0건. Norvel(K7M)에 추가 1건, 변경 0건, 삭제 0건, 병합 0건. 충돌 0건",
         "동기화가 완료되었습니다"},
        {"added on the handheld",
         {{}, {addOnHandheld(77, "r77")}},
         {"1=r1|s1", "2=r2|s2", "3=r3|s3", "4=r4|s4", "77=r77|"},
         "저장소에 추가 1건, 변경 0건, 삭제 0건, 병합 0건. Norvel(K7M)에 추가 0건, 변경 0건, 삭제 0건, 병합 0건. 충돌 0건",
         "동기화가 완료되었습니다"},
        {"deleted on the pc, unchanged on the handheld",
         {{"DELETE FROM %T WHERE ID = 2"}, {}},
         {"1=r1|s1", "3=r3|s3", "4=r4|s4"},
         "저장소에 추가 0건, 변경 0건, 삭제 0건, 병합 0건. Norvel(K7M)에 추가 0건, 변경 0건, 삭제 1건, 병합 0건. 충돌 0건",
         "동기화가 완료되었습니다"},
        {"deleted on the handheld, unchanged on the pc",
         {{}, {deleteOnHandheld(2)}},
         {"1=r1|s1", "3=r3|s3", "4=r4|s4"},
         "저장소에 추가 0건, 변경 0건, 삭제 1건, 병합 0건. Norvel(K7M)에 추가 0건, 변경 0건, 삭제 0건, 병합 0건. 충돌 0건",
         "동기화가 완료되었습니다"},
        {"deleted on the pc, changed on the handheld",
         {{"DELETE FROM %T WHERE ID = 3"}, {changeOnHandheld(3, false, "r3 hh")}},
         {"1=r1|s1", "2=r2|s2", "3=r3 hh|s3", "4=r4|s4"},
         "저장소에 추가 1건, 변경 0건, 삭제 0건, 병합 0건. Norvel(K7M)에 추가 0건, 변경 0건, 삭제 0건, 병합 0건. 충돌 0건",
         "저장소에 되살렸습니다: ID 3"},
        {"deleted on the handheld, changed on the pc",
         {{"UPDATE %T SET %F = 'r3 pc' WHERE ID = 3"}, {deleteOnHandheld(3)}},
         {"1=r1|s1", "2=r2|s2", "3=r3 pc|s3", "4=r4|s4"},
         "저장소에 추가 0건, 변경 0건, 삭제 0건, 병합 0건. Norvel(K7M)에 추가 1건, 변경 0건, 삭제 0건, 병합 0건. 충돌 0건",
         "Norvel(K7M)에 되살렸습니다: ID 3"},
        {"deleted on both",
         {{"DELETE FROM %T WHERE ID = 4"}, {deleteOnHandheld(4)}},
         {"1=r1|s1", "2=r2|s2", "3=r3|s3"},
         unchanged,
         ""},
    };
    for (int i = 0; i < kindCases().size(); ++i)
        for (const Row &row : rows)
            QTest::newRow(qPrintable(kindKey(kindCases().at(i).kind) + ": " + row.name))
                << i << row.edits << row.expected << row.dryRun << row.message;
}

void TestSync::decisionTable()
{
    QFETCH(int, kindIndex);
    QFETCH(Edits, edits);
    QFETCH(QStringList, expected);
    QFETCH(QString, dryRun);
    QFETCH(QString, message);
    const KindCase &k = kindCases().at(kindIndex);
    syncFourRecords(k);
    if (k.kind == RecordKind::Events)
        for (QString &sql : edits.pc)
            sql.replace("(ID, %F, %G) VALUES (5, 'r5', 's5')",
                        "(ID, %F, %G, Start) VALUES (5, 'r5', 's5', '2026-01-05 19:00:00')");
    editBoth(k, edits);

    // The dry run says what would happen and changes nothing.
    const Files drive = filesBelow(m_drive);
    const Files data = filesBelow(m_data);
    Run run = cli({"sync", "--drive", m_drive, k.option, "--dry-run"});
    QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
    QCOMPARE(run.out.split('\n').first(), kindLabel(k.kind) + ": " + dryRun);
    QCOMPARE(filesBelow(m_drive), drive);
    QCOMPARE(filesBelow(m_data), data);

    run = cli({"sync", "--drive", m_drive, k.option, "--yes"});
    QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
    QVERIFY2(run.out.contains(message), qPrintable(run.out));
    QCOMPARE(storeRecords(k), expected);
    verifyInSync(k);
}

void TestSync::conflictChoices_data()
{
    QTest::addColumn<int>("kindIndex");
    QTest::addColumn<QString>("prefer");
    QTest::addColumn<QStringList>("expected");
    for (int i = 0; i < kindCases().size(); ++i) {
        const QString key = kindKey(kindCases().at(i).kind);
        QTest::newRow(qPrintable(key + ": pc")) << i << "pc" << QStringList{"1=r1 pc|s1 hh", "2=r2|s2"};
        QTest::newRow(qPrintable(key + ": handheld")) << i << "handheld" << QStringList{"1=r1 hh|s1 hh", "2=r2|s2"};
    }
}

void TestSync::conflictChoices()
{
    QFETCH(int, kindIndex);
    QFETCH(QString, prefer);
    QFETCH(QStringList, expected);
    const KindCase &k = kindCases().at(kindIndex);
    syncFourRecords(k);
    // Record 1's field changed differently on both sides (a conflict), its second field on the
    // handheld only (merged whatever the choice); 3 and 4 deleted on the pc (not too many).
    editBoth(k, {{"UPDATE %T SET %F = 'r1 pc' WHERE ID = 1", "DELETE FROM %T WHERE ID > 2"},
                 {changeOnHandheld(1, false, "r1 hh"), changeOnHandheld(1, true, "s1 hh")}});
    const Files drive = filesBelow(m_drive);
    const Files data = filesBelow(m_data);

    // Without a choice the sync lists the conflict with both values and changes nothing.
    Run run = cli({"sync", "--drive", m_drive, k.option, "--yes"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(QString("ID 1 %1: PC \"r1 pc\" / Norvel \"r1 hh\"").arg(k.field)), qPrintable(run.err));
    QVERIFY(!run.err.contains(k.field2 + ':'));
    QCOMPARE(filesBelow(m_drive), drive);
    QCOMPARE(filesBelow(m_data), data);
    run = cli({"sync", "--drive", m_drive, k.option, "--dry-run"});
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.split('\n').first().endsWith("충돌 1건"));
    QVERIFY(run.out.contains(QString("ID 1 %1: PC \"r1 pc\" / Norvel \"r1 hh\"").arg(k.field)));

    // The question before the sync changes anything is not answered by an empty input: nothing changes.
    run = cli({"sync", "--drive", m_drive, k.option, "--prefer", prefer});
    QCOMPARE(run.status, 1);
    QCOMPARE(filesBelow(m_drive), drive);

    run = cli({"sync", "--drive", m_drive, k.option, "--prefer", prefer, "--yes"});
    QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
    QCOMPARE(storeRecords(k), expected);
    verifyInSync(k);
}

void TestSync::massDeletionGuard_data()
{
    QTest::addColumn<int>("kindIndex");
    QTest::addColumn<bool>("onHandheld"); // the records go on the handheld, else in the store
    QTest::addColumn<int>("deleted");     // of the four
    QTest::addColumn<bool>("guarded");
    for (int i = 0; i < kindCases().size(); ++i) {
        const QString key = kindKey(kindCases().at(i).kind);
        QTest::newRow(qPrintable(key + ": half of the store")) << i << false << 2 << false;
        QTest::newRow(qPrintable(key + ": three of the store")) << i << false << 3 << true;
        QTest::newRow(qPrintable(key + ": all of the handheld")) << i << true << 4 << true;
        QTest::newRow(qPrintable(key + ": three of the handheld")) << i << true << 3 << true;
    }
}

void TestSync::massDeletionGuard()
{
    QFETCH(int, kindIndex);
    QFETCH(bool, onHandheld);
    QFETCH(int, deleted);
    QFETCH(bool, guarded);
    const KindCase &k = kindCases().at(kindIndex);
    syncFourRecords(k);
    Edits edits;
    if (onHandheld) {
        for (int id = 1; id <= deleted; ++id)
            edits.handheld << deleteOnHandheld(id);
    } else {
        edits.pc << QString("DELETE FROM %T WHERE ID <= %1").arg(deleted);
    }
    editBoth(k, edits);
    const Files drive = filesBelow(m_drive);
    const Files data = filesBelow(m_data);
    Run run = cli({"sync", "--drive", m_drive, k.option, "--yes"});
    if (guarded) {
        QCOMPARE(run.status, 1);
        // The pc's deletions would empty the handheld; the handheld's would empty the store.
        QVERIFY2(run.err.contains(QString("%1 4건 중 %2건").arg(kindLabel(k.kind)).arg(deleted)), qPrintable(run.err));
        QVERIFY(run.err.contains("--allow-deletions"));
        QCOMPARE(filesBelow(m_drive), drive);
        QCOMPARE(filesBelow(m_data), data);
        run = cli({"sync", "--drive", m_drive, k.option, "--yes", "--allow-deletions"});
    }
    QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
    QCOMPARE(storeRecords(k).size(), 4 - deleted);
    verifyInSync(k);
}

void TestSync::firstSyncIsAUnion_data()
{
    QTest::addColumn<int>("kindIndex");
    for (int i = 0; i < kindCases().size(); ++i)
        QTest::newRow(qPrintable(kindKey(kindCases().at(i).kind))) << i;
}

void TestSync::firstSyncIsAUnion()
{
    QFETCH(int, kindIndex);
    const KindCase &k = kindCases().at(kindIndex);
    // The handheld holds 1 (as the store), 2 (different) and 7; the store 1, 2 and 5. No kept copy.
    insertRecord(k, 1, "r1", "s1");
    insertRecord(k, 2, "r2", "s2");
    insertRecord(k, 5, "r5", "s5");
    {
        const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(m_data));
        QByteArray bytes = handheldDocument(k.kind, *store);
        QString text = QString::fromUtf8(bytes);
        text.replace(QString("%1=\"r2\"").arg(k.text), QString("%1=\"r2 hh\"").arg(k.text));
        text.remove(QRegularExpression(QString("<%1 %2=\"5\"[^>]*/>").arg(k.element, k.uid)));
        addOnHandheld(7, "r7")(text, k);
        QVERIFY(writeFile(document(k), text.toUtf8()));
    }
    QVERIFY(!QFileInfo::exists(syncReferencePath(m_data, k.kind)));
    Run run = cli({"sync", "--drive", m_drive, k.option, "--dry-run"});
    QCOMPARE(run.out.split('\n').first(),
             kindLabel(k.kind) + ": 처음 동기화(합치기만 합니다). 저장소에 추가 1건, 변경 0건, 삭제 0건, 병합 0건. "
                                 "Norvel(K7M)에 추가 1건, 변경 0건, 삭제 0건, 병합 0건. 충돌 1건");
    // The record both hold with different values is a conflict; nothing is deleted.
    run = cli({"sync", "--drive", m_drive, k.option, "--yes"});
    QCOMPARE(run.status, 1);
    QVERIFY(run.err.contains(QString("ID 2 %1: PC \"r2\" / Norvel \"r2 hh\"").arg(k.field)));
    run = cli({"sync", "--drive", m_drive, k.option, "--yes", "--prefer", "handheld"});
    QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
    QCOMPARE(storeRecords(k), (QStringList{"1=r1|s1", "2=r2 hh|s2", "5=r5|s5", "7=r7|"}));
    verifyInSync(k);
}

void TestSync::undoTakesBothSidesBack()
{
    for (const KindCase &k : kindCases()) {
        init();
        syncFourRecords(k);
        editBoth(k, {{"UPDATE %T SET %F = 'r1 pc' WHERE ID = 1"}, {changeOnHandheld(2, false, "r2 hh")}});
        const QStringList storeBefore = storeRecords(k);
        const Files drive = filesBelow(m_drive);
        const QByteArray kept = readFile(syncReferencePath(m_data, k.kind));
        Run run = cli({"sync", "--drive", m_drive, k.option, "--yes"});
        QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
        QCOMPARE(storeRecords(k), (QStringList{"1=r1 pc|s1", "2=r2 hh|s2", "3=r3|s3", "4=r4|s4"}));
        QVERIFY(cli({"history"}).out.contains("  sync  "));
        run = cli({"undo", "--drive", m_drive, "--yes"});
        QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
        // The question names what the handheld goes back to.
        QVERIFY2(run.out.contains("Norvel(K7M)의 문서가 동기화 전의 상태로 돌아갑니다."), qPrintable(run.out));
        QCOMPARE(storeRecords(k), storeBefore);
        QCOMPARE(filesBelow(m_drive), drive);
        QCOMPARE(readFile(syncReferencePath(m_data, k.kind)), kept);
        // The next sync makes the same decisions again.
        run = cli({"sync", "--drive", m_drive, k.option, "--yes"});
        QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
        QCOMPARE(storeRecords(k), (QStringList{"1=r1 pc|s1", "2=r2 hh|s2", "3=r3|s3", "4=r4|s4"}));
        cleanup();
    }
}

void TestSync::killedSyncIsFinishedByTheNext_data()
{
    QTest::addColumn<int>("kindIndex");
    QTest::addColumn<QString>("stopAt");
    for (int i = 0; i < kindCases().size(); ++i)
        for (const char *point : {"before-rename", "before-commit", "before-kept-copy"})
            QTest::newRow(qPrintable(kindKey(kindCases().at(i).kind) + ": " + point)) << i << QString(point);
}

void TestSync::killedSyncIsFinishedByTheNext()
{
    QFETCH(int, kindIndex);
    QFETCH(QString, stopAt);
    const KindCase &k = kindCases().at(kindIndex);
    syncFourRecords(k);
    // Every kind of change at once, on both sides, and a conflict decided for the handheld.
    editBoth(k, {{"UPDATE %T SET %F = 'r1 pc' WHERE ID = 1", "DELETE FROM %T WHERE ID = 2",
                  "UPDATE %T SET %F = 'r4 pc' WHERE ID = 4", "UPDATE %T SET %G = 's3 pc' WHERE ID = 3"},
                 {changeOnHandheld(3, false, "r3 hh"), changeOnHandheld(4, false, "r4 hh"), addOnHandheld(77, "r77")}});
    const QStringList expected{"1=r1 pc|s1", "3=r3 hh|s3 pc", "4=r4 hh|s4", "77=r77|"};

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PIMDESK_TEST_STOP_AT", stopAt);
    // A killed run leaves its scratch folder behind: in the test's folder, not the machine's.
    env.insert("TMPDIR", m_dir->path());
    process.setProcessEnvironment(env);
    process.start(test::cliPath(),
                  {"--data", m_data, "sync", "--drive", m_drive, k.option, "--yes", "--prefer", "handheld"});
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 75); // stopped where it was told to

    const Run run = cli({"sync", "--drive", m_drive, k.option, "--yes", "--prefer", "handheld"});
    QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
    QCOMPARE(storeRecords(k), expected);
    verifyInSync(k);
    // Nothing half-written is left beside the handheld's document.
    QCOMPARE(QDir(handheldFolderPath(m_drive, k.kind)).entryList(QDir::Files),
             QStringList{QLatin1String(kindInfo(k.kind).documentName)});
}

void TestSync::usageErrors()
{
    QCOMPARE(cli({"sync"}).status, 2);
    QCOMPARE(cli({"sync", "--drive", m_drive, "--prefer", "both"}).status, 2);
    QCOMPARE(cli({"sync", "--drive", m_drive, "--frobnicate"}).status, 2);
    // A folder that is not a handheld: a failure, nothing made.
    const Run run = cli({"sync", "--drive", m_dir->filePath("nothing"), "--yes"});
    QCOMPARE(run.status, 1);
    QVERIFY(!QFileInfo::exists(m_dir->filePath("nothing")));
    // No kind named: all three, each in sync after a sync of an empty store and handheld.
    QCOMPARE(cli({"sync", "--drive", m_drive, "--yes"}).status, 0);
}

QTEST_GUILESS_MAIN(TestSync)
#include "tst_sync.moc"
