// vCard and iCalendar files through pimdesk-cli: every field there and back, identity (a second
// import adds nothing, a foreign UID updates its record, --merge-by-name), dry runs, undo, and every
// public sample file imported or refused with a message.
#include "exchange/Snapshots.h"
#include "records/DataFolderLock.h"
#include "records/Schema.h"
#include "records/Store.h"
#include "support/FormatSamples.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;

namespace {

using test::CliRun;
using test::runCli;
using Record = test::SampleRecord;
using test::everyContactField;
using test::everyEventField;
using test::everyTaskField;

// What each kind puts in the store: the record with every field, and plainer ones beside it.
QList<Record> recordsOf(const QString &table)
{
    if (table == "Contacts")
        return {everyContactField(),
                {{"ID", "3"}, {"FileAs", "홍길동"}, {"H_Mobile", "010-1234-5678"}},
                {{"ID", "4"}, {"LastName", "Lee"}, {"FirstName", "Ann &amp; Bo"}, {"FileAs", "Ann &amp; Bo Lee"}, {"Emails", "ann@example.com"},
                 {"H_Birthday", "31 Dec 1999"}}};
    if (table == "Datebook")
        return {everyEventField(),
                {{"ID", "2"}, {"Description", "설날"}, {"Start", "2025-01-28 00:00:00"},
                 {"End", "2025-01-30 23:59:00"}, {"Type", "AllDay"}},
                {{"ID", "5"}, {"Description", "치과"}, {"Start", "2024-12-10 15:00:00"}, {"End", "2024-12-10 16:00:00"},
                 {"Type", "Timed"},
                 {"balarm", "true"}, {"alarm", "30"}, {"sound", "loud"}}};
    return {everyTaskField(),
            {{"ID", "1"}, {"Description", "보고서"}, {"Priority", "5"}, {"Status", "Completed"}, {"Hasdate", "0"},
             {"Completed", "1"}, {"PercentCompleted", "100"}}};
}

void insert(Store &store, const QString &table, const Record &record)
{
    QStringList names, marks;
    QVariantList values;
    for (auto it = record.cbegin(); it != record.cend(); ++it) {
        names << '"' + it.key() + '"';
        marks << "?";
        values << it.value();
    }
    store.exec(QString("INSERT INTO \"%1\" (%2) VALUES (%3)").arg(table, names.join(", "), marks.join(", ")), values);
}

// Every stored field of every record of a table, by ID; a null field reads as empty.
QMap<qint64, Record> dump(const QString &data, const QString &table)
{
    const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(data));
    QMap<qint64, Record> rows;
    Store::Query q(*store, QString("SELECT * FROM \"%1\"").arg(table));
    while (q.next()) {
        Record r;
        for (int c = 0; c < q.columnCount(); ++c)
            r.insert(q.columnName(c), q.text(c));
        rows.insert(q.value(0).toLongLong(), r);
    }
    return rows;
}

int backups(const QString &data)
{
    return listBackups(data).size();
}

CliRun cli(const QString &data, const QStringList &args, const QByteArray &input = {})
{
    return runCli(QStringList{"--data", data} + args, input);
}

QString vcardFile(const QString &name = QString())
{
    return test::sharedTestdataPath("formats/vcard/" + name);
}

QString icalFile(const QString &name = QString())
{
    return test::sharedTestdataPath("formats/ical/" + name);
}

} // namespace

class TestFileCli : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The store's wall-clock times are in the zone of the machine: fixed, so that the files are.
        qputenv("TZ", "Asia/Seoul");
    }

    void roundTripsChangeNoField_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("tables");
        QTest::addColumn<QString>("file");
        QTest::newRow("vCard 3.0") << "vcard" << QStringList{} << QStringList{"Contacts"} << "c.vcf";
        QTest::newRow("vCard 2.1") << "vcard" << QStringList{"--version", "2.1"} << QStringList{"Contacts"} << "c.vcf";
        QTest::newRow("vCard 4.0") << "vcard" << QStringList{"--version=4.0"} << QStringList{"Contacts"} << "c.vcf";
        QTest::newRow("iCalendar, both") << "ical" << QStringList{} << QStringList{"Datebook", "Todo"} << "a.ics";
        QTest::newRow("iCalendar, events") << "ical" << QStringList{"--events"} << QStringList{"Datebook"} << "e.ics";
        QTest::newRow("iCalendar, tasks") << "ical" << QStringList{"--tasks"} << QStringList{"Todo"} << "t.ics";
    }

    void roundTripsChangeNoField()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, options);
        QFETCH(QStringList, tables);
        QFETCH(QString, file);
        QTemporaryDir dir;
        const QString from = dir.filePath("from"), to = dir.filePath("to");
        {
            const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(from));
            for (const QString table : {"Contacts", "Datebook", "Todo"})
                for (const Record &r : recordsOf(table))
                    insert(*store, table, r);
        }
        const QString path = dir.filePath(file);
        CliRun run = cli(from, QStringList{"export-" + command, path} + options);
        QCOMPARE(run.err, QString());
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains("내보내기를 마쳤습니다.\n"), qPrintable(run.out));
        QVERIFY2(run.out.contains(QDir::toNativeSeparators(path)), qPrintable(run.out));
        // Characters in the file, the store's form left behind.
        const QByteArray written = test::readFile(path);
        QVERIFY(!written.contains("&amp;"));
        QVERIFY(!written.contains("&quot;"));

        run = cli(to, {"import-" + command, path});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.status, 0);
        for (const QString &table : tables) {
            const QMap<qint64, Record> before = dump(from, table), after = dump(to, table);
            QCOMPARE(after.keys(), before.keys());
            for (qint64 id : before.keys())
                for (const QString &field : schema::table(table)->fields)
                    QVERIFY2(after[id].value(field) == before[id].value(field),
                             qPrintable(QString("%1 %2 %3: %4 became %5")
                                            .arg(table)
                                            .arg(id)
                                            .arg(field, before[id].value(field), after[id].value(field))));
        }
        // The kinds left out stay out.
        for (const QString table : {"Contacts", "Datebook", "Todo"})
            if (!tables.contains(table))
                QVERIFY(dump(to, table).isEmpty());
        const QString kindLabel = tables.first() == "Contacts" ? "연락처" : tables.first() == "Datebook" ? "일정" : "작업";
        QVERIFY2(run.out.contains(QString("%1: 추가 %2, 수정 0, 변경 없음 0").arg(kindLabel).arg(recordsOf(tables.first()).size())),
                 qPrintable(run.out));
        QCOMPARE(backups(to), 1);

        // The same file again adds nothing, into either store, and takes no backup.
        for (const QString &data : {to, from}) {
            const int kept = backups(data);
            run = cli(data, {"import-" + command, path});
            QCOMPARE(run.status, 0);
            QVERIFY2(run.out.contains("가져올 새 내용이 없어 레코드 저장소를 바꾸지 않았습니다."), qPrintable(run.out));
            for (const QString &table : tables)
                QCOMPARE(dump(data, table).size(), recordsOf(table).size());
            QCOMPARE(backups(data), kept);
        }
    }

    // Items of other programs: their UID is kept beside the record; the next import of the item
    // updates that record, and the export gives it back under that UID.
    void foreignItemsAreUpdatedByTheirUid()
    {
        QTemporaryDir dir;
        const QString data = dir.filePath("DATA");
        const QString cards = dir.filePath("phone.vcf");
        const QByteArray phone = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:phone-1\r\nFN:박영희\r\nN:박;영희;;;\r\n"
                                 "TEL;TYPE=CELL:010-1111-2222\r\nEND:VCARD\r\n"
                                 "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:No Uid\r\nEMAIL:no@uid.example\r\nEND:VCARD\r\n";
        QVERIFY(test::writeFile(cards, phone));
        CliRun run = cli(data, {"import-vcard", cards});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains("연락처: 추가 2, 수정 0, 변경 없음 0"), qPrintable(run.out));
        QMap<qint64, Record> stored = dump(data, "Contacts");
        QCOMPARE(stored.keys(), (QList<qint64>{1, 2}));
        QCOMPARE(stored[1]["foreign_uid"], QString("phone-1"));
        QCOMPARE(stored[1]["H_Mobile"], QString("010-1111-2222"));
        QCOMPARE(stored[2]["foreign_uid"], QString());

        // The phone changed the number: the same contact is updated, the other stays.
        QByteArray changed = phone;
        changed.replace("010-1111-2222", "010-3333-4444");
        QVERIFY(test::writeFile(cards, changed));
        run = cli(data, {"import-vcard", cards});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains("연락처: 추가 0, 수정 1, 변경 없음 1"), qPrintable(run.out));
        QCOMPARE(dump(data, "Contacts")[1]["H_Mobile"], QString("010-3333-4444"));
        QCOMPARE(backups(data), 2);

        const QString out = dir.filePath("back.vcf");
        QCOMPARE(cli(data, {"export-vcard", out}).status, 0);
        const QByteArray back = test::readFile(out);
        QVERIFY(back.contains("UID:phone-1\r\n"));
        QVERIFY(back.contains("UID:pimdesk-contact-2\r\n"));

        // Calendar items alike.
        const QString ics = dir.filePath("other.ics");
        const QByteArray calendar = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//other//EN\r\n"
                                    "BEGIN:VEVENT\r\nUID:ev-1@other\r\nDTSTAMP:20240101T000000Z\r\n"
                                    "DTSTART;VALUE=DATE:20240501\r\nDTEND;VALUE=DATE:20240502\r\nSUMMARY:근로자의 날\r\n"
                                    "END:VEVENT\r\nBEGIN:VTODO\r\nUID:todo-1@other\r\nDTSTAMP:20240101T000000Z\r\n"
                                    "SUMMARY:장보기\r\nPRIORITY:1\r\nEND:VTODO\r\nEND:VCALENDAR\r\n";
        QVERIFY(test::writeFile(ics, calendar));
        run = cli(data, {"import-ical", ics});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains("일정: 추가 1, 수정 0, 변경 없음 0\n작업: 추가 1, 수정 0, 변경 없음 0"), qPrintable(run.out));
        QByteArray renamed = calendar;
        renamed.replace("SUMMARY:장보기", "SUMMARY:장보기 (우유)");
        QVERIFY(test::writeFile(ics, renamed));
        run = cli(data, {"import-ical", ics});
        QVERIFY2(run.out.contains("일정: 추가 0, 수정 0, 변경 없음 1\n작업: 추가 0, 수정 1, 변경 없음 0"), qPrintable(run.out));
        const QMap<qint64, Record> events = dump(data, "Datebook"), tasks = dump(data, "Todo");
        QCOMPARE(events.size(), 1);
        QCOMPARE(events.first()["foreign_uid"], QString("ev-1@other"));
        QCOMPARE(events.first()["Start"], QString("2024-05-01 00:00:00"));
        QCOMPARE(tasks.first()["Description"], QString("장보기 (우유)"));
        QCOMPARE(cli(data, {"export-ical", dir.filePath("back.ics")}).status, 0);
        QVERIFY(test::readFile(dir.filePath("back.ics")).contains("UID:todo-1@other\r\n"));
    }

    // A card without UID that names a stored contact and shares a phone with it is that contact
    // only when the user says so.
    void mergeByNameNeedsTheUsersWord()
    {
        QTemporaryDir dir;
        const QString data = dir.filePath("DATA");
        {
            const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(data));
            insert(*store, "Contacts", {{"ID", "5"}, {"FileAs", "홍길동"}, {"H_Mobile", "010-1234-5678"}, {"Notes", "남길 메모"}});
        }
        const QString cards = dir.filePath("old-phone.vcf");
        QVERIFY(test::writeFile(cards, "BEGIN:VCARD\r\nVERSION:2.1\r\nN:홍;길동\r\nFN:홍길동\r\nTEL;CELL:01012345678\r\n"
                                       "EMAIL;INTERNET:hong@example.com\r\nEND:VCARD\r\n"));
        const QMap<qint64, Record> before = dump(data, "Contacts");

        // The dry run counts it as an update with --merge-by-name, as an addition without.
        CliRun run = cli(data, {"import-vcard", cards, "--dry-run", "--merge-by-name"});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains("미리 보기") && run.out.contains("연락처: 추가 0, 수정 1, 변경 없음 0"), qPrintable(run.out));
        run = cli(data, {"import-vcard", cards, "--dry-run"});
        QVERIFY2(run.out.contains("연락처: 추가 1, 수정 0, 변경 없음 0"), qPrintable(run.out));
        QCOMPARE(dump(data, "Contacts"), before);
        QCOMPARE(backups(data), 0);

        // Asked, and answered no: a new contact.
        run = cli(data, {"import-vcard", cards, "--merge-by-name"}, "n\n");
        QCOMPARE(run.status, 0);
        QVERIFY2(run.err.contains("이름과 전화번호 또는 전자우편이 같은 연락처와 맞습니다"), qPrintable(run.err));
        QVERIFY2(run.out.contains("연락처: 추가 1, 수정 0, 변경 없음 0"), qPrintable(run.out));
        QCOMPARE(dump(data, "Contacts").size(), 2);
        QCOMPARE(cli(data, {"undo", "--yes"}).status, 0);
        QCOMPARE(dump(data, "Contacts"), before);

        // Answered yes (--yes): the contact takes the card's fields and keeps its others.
        run = cli(data, {"import-vcard", cards, "--merge-by-name", "--yes"});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains("연락처: 추가 0, 수정 1, 변경 없음 0"), qPrintable(run.out));
        QMap<qint64, Record> merged = dump(data, "Contacts");
        QCOMPARE(merged.keys(), QList<qint64>{5});
        QCOMPARE(merged[5]["Emails"], QString("hong@example.com"));
        QCOMPARE(merged[5]["H_Mobile"], QString("01012345678"));
        QCOMPARE(merged[5]["Notes"], QString("남길 메모"));
        // Now the card is what the contact holds: nothing to ask, nothing to add.
        run = cli(data, {"import-vcard", cards});
        QVERIFY2(run.out.contains("연락처: 추가 0, 수정 0, 변경 없음 1"), qPrintable(run.out));
        QVERIFY(!run.err.contains("맞습니다"));

        // Without the option it is added, and the tool says how to merge it instead.
        QCOMPARE(cli(data, {"undo", "--yes"}).status, 0);
        run = cli(data, {"import-vcard", cards});
        QVERIFY2(run.out.contains("새 연락처로 추가했습니다") && run.out.contains("--merge-by-name"), qPrintable(run.out));
        QCOMPARE(dump(data, "Contacts").size(), 2);
    }

    // A dry run writes nothing anywhere; a real import is taken back by undo.
    void dryRunChangesNothingAndUndoTakesAnImportBack_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("operation");
        QTest::newRow("vCard") << "import-vcard"
                               << QByteArray("BEGIN:VCARD\nVERSION:3.0\nFN:A\nEND:VCARD\nBEGIN:VCARD\nVERSION:3.0\n"
                                             "FN:B\nEND:VCARD\n")
                               << "vcard-import";
        QTest::newRow("iCalendar") << "import-ical"
                                   << QByteArray("BEGIN:VCALENDAR\nVERSION:2.0\nBEGIN:VEVENT\nUID:x\nDTSTART:20240102T100000\n"
                                                 "SUMMARY:A\nEND:VEVENT\nEND:VCALENDAR\n")
                                   << "ical-import";
    }

    void dryRunChangesNothingAndUndoTakesAnImportBack()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, content);
        QFETCH(QString, operation);
        QTemporaryDir dir;
        const QString data = dir.filePath("DATA");
        const QString file = dir.filePath("items");
        QVERIFY(test::writeFile(file, content));
        QCOMPARE(cli(data, {"info"}).status, 0);
        const QByteArray store = test::readFile(Store::pathInDirectory(data));
        const QStringList folder = QDir(data).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        const CliRun dry = cli(data, {command, file, "--dry-run"});
        QCOMPARE(dry.status, 0);
        QVERIFY2(dry.out.contains("아무것도 바꾸지 않았습니다") && dry.out.contains(": 추가 "), qPrintable(dry.out));
        QCOMPARE(test::readFile(Store::pathInDirectory(data)), store);
        QCOMPARE(QDir(data).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), folder);

        CliRun run = cli(data, {command, file});
        QCOMPARE(run.status, 0);
        const QList<BackupEntry> kept = listBackups(data);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(kept.first().manifest.operation, operation);
        QVERIFY(kept.first().manifest.hasStore);
        QVERIFY(cli(data, {"history"}).out.contains("  " + operation + "  "));
        QVERIFY(dump(data, "Contacts").size() + dump(data, "Datebook").size() > 0);

        run = cli(data, {"undo", "--yes"});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains(command == "import-vcard" ? "vCard 가져오기" : "iCalendar 가져오기"), qPrintable(run.out));
        QCOMPARE(dump(data, "Contacts").size() + dump(data, "Datebook").size(), 0);
    }

    // Whatever the public sample files hold, each is imported or refused with a message, and a
    // second import of it adds nothing.
    void everyPublicFileImportsOrIsRefused_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("folder");
        QTest::newRow("vcard") << "import-vcard" << vcardFile();
        QTest::newRow("ical") << "import-ical" << icalFile();
    }

    void everyPublicFileImportsOrIsRefused()
    {
        QFETCH(QString, command);
        QFETCH(QString, folder);
        if (!QDir(folder).exists())
            QSKIP("the shared files (testdata/formats) are not here");
        const QStringList files = QDir(folder).entryList(QDir::Files);
        QVERIFY(files.size() > 40);
        QTemporaryDir dir;
        const QString data = dir.filePath("DATA");
        int imported = 0;
        for (const QString &name : files) {
            const QString path = QDir(folder).filePath(name);
            CliRun run = cli(data, {command, path});
            QVERIFY2(run.status == 0 || run.status == 1, qPrintable(name + ": " + run.err));
            if (run.status == 1) {
                QVERIFY2(run.err.contains(name), qPrintable(name + ": " + run.err));
                continue;
            }
            ++imported;
            QVERIFY2(run.out.contains("가져오기를 마쳤습니다") || run.out.contains("바꾸지 않았습니다"),
                     qPrintable(name + ": " + run.out));
            run = cli(data, {command, path});
            QCOMPARE(run.status, 0);
            static const QRegularExpression added(": 추가 [1-9]");
            QVERIFY2(!run.out.contains(added), qPrintable(name + ": " + run.out));
        }
        QVERIFY(imported > files.size() / 2);
    }

    // Old Korean phones: 2.1, quoted-printable with soft breaks, EUC-KR; the store gets its own
    // form of the text, and the export gives characters back.
    void textIsCharactersInFilesAndTheStoresFormInTheStore()
    {
        QTemporaryDir dir;
        const QString data = dir.filePath("DATA");
        const QString file = dir.filePath("k.vcf");
        // "김 & 이" in EUC-KR, quoted-printable, broken after the first byte of a character.
        QVERIFY(test::writeFile(file, "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=EUC-KR;ENCODING=QUOTED-PRINTABLE:=B1=E8 & =C0=\r\n"
                                      "=CC\r\nNOTE;CHARSET=EUC-KR;ENCODING=QUOTED-PRINTABLE:<=C1=A4>\r\nEND:VCARD\r\n"));
        QCOMPARE(cli(data, {"import-vcard", file}).status, 0);
        const Record contact = dump(data, "Contacts").first();
        QCOMPARE(contact["FileAs"], QString("김 &amp; 이"));
        QCOMPARE(contact["Notes"], QString("&lt;정&gt;"));
        const QString out = dir.filePath("out.vcf");
        QCOMPARE(cli(data, {"export-vcard", out}).status, 0);
        const QString text = QString::fromUtf8(test::readFile(out));
        QVERIFY2(text.contains("FN:김 & 이\r\n") && text.contains("NOTE:<정>\r\n"), qPrintable(text));
    }

    // Another writer at work: the import waits, then stops with a message and changes nothing.
    void importWaitsForTheDataFoldersLock()
    {
        QTemporaryDir dir;
        const QString data = dir.filePath("DATA");
        QCOMPARE(cli(data, {"info"}).status, 0);
        QVERIFY(test::writeFile(dir.filePath("a.vcf"), "BEGIN:VCARD\nVERSION:3.0\nFN:A\nEND:VCARD\n"));
        QString problem;
        {
            const auto held = DataFolderLock::tryAcquire(data, std::chrono::milliseconds(0), &problem);
            QVERIFY2(held, qPrintable(problem));
            const CliRun run = cli(data, {"import-vcard", dir.filePath("a.vcf")});
            QCOMPARE(run.status, 1);
            QVERIFY2(run.err.contains(DataFolderLock::heldElsewhereText(QCoreApplication::applicationPid()).section(u'\r', 0, 0)),
                     qPrintable(run.err));
            QCOMPARE(dump(data, "Contacts").size(), 0);
            QCOMPARE(backups(data), 0);
        }
        QCOMPARE(cli(data, {"import-vcard", dir.filePath("a.vcf")}).status, 0);
        QCOMPARE(dump(data, "Contacts").size(), 1);
    }

    void badInputGetsAMessage()
    {
        QTemporaryDir dir;
        const QString data = dir.filePath("DATA");
        QVERIFY(test::writeFile(dir.filePath("good.vcf"), "BEGIN:VCARD\nVERSION:3.0\nFN:Good\nEND:VCARD\n"));
        QVERIFY(test::writeFile(dir.filePath("text.vcf"), "just some words\n"));
        // A missing file and a file of another kind are refused by name; the good one is imported.
        CliRun run = cli(data, {"import-vcard", dir.filePath("missing.vcf"), dir.filePath("text.vcf"), dir.filePath("good.vcf")});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains("missing.vcf: 파일이 없습니다."), qPrintable(run.err));
        QVERIFY2(run.err.contains("text.vcf: "), qPrintable(run.err));
        QVERIFY2(run.out.contains("연락처: 추가 1"), qPrintable(run.out));
        run = cli(data, {"import-ical", dir.filePath("good.vcf")});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains("good.vcf: "), qPrintable(run.err));
        QCOMPARE(dump(data, "Datebook").size(), 0);

        // Nothing to export: said, and no file.
        run = cli(data, {"export-ical", dir.filePath("none.ics")});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains("내보낼 일정이나 작업이(가) 없습니다."), qPrintable(run.err));
        QVERIFY(!QFile::exists(dir.filePath("none.ics")));
        // A folder that cannot be written: said, and the store as it was.
        run = cli(data, {"export-vcard", dir.filePath("no/such/folder/x.vcf")});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains("x.vcf에 쓸 수 없습니다."), qPrintable(run.err));

        for (const QStringList &args :
             {QStringList{"export-vcard"}, QStringList{"export-vcard", "x.vcf", "--version", "5.0"},
              QStringList{"import-vcard"}, QStringList{"import-ical", "x.ics", "--merge-by-name"},
              QStringList{"export-ical", "x.ics", "--contacts"}}) {
            run = cli(data, args);
            QCOMPARE(run.status, 2);
            QVERIFY2(run.err.startsWith("pimdesk-cli: " + args.first()), qPrintable(run.err));
        }
    }
};

QTEST_GUILESS_MAIN(TestFileCli)
#include "tst_filecli.moc"
