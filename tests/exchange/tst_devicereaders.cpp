#include "exchange/DeviceReaders.h"
#include "exchange/DeviceTime.h"
#include "records/Store.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;

namespace {

// A store in a temporary folder, with the staging copy of a document beside it.
struct Folder
{
    QTemporaryDir dir;
    std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(dir.path()));

    QString stage(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        test::writeFile(path, bytes);
        return path;
    }
    QString stageFixture(const QString &fixture, const QString &name)
    {
        return stage(name, test::readFile(test::dataPath("import/" + fixture)));
    }
    QVariant value(const QString &table, qint64 id, const QString &field)
    {
        return store->scalar(QString("SELECT \"%1\" FROM \"%2\" WHERE ID = ?").arg(field, table), {id});
    }
    QString text(const QString &table, qint64 id, const QString &field) { return value(table, id, field).toString(); }
    QList<qint64> ids(const QString &table)
    {
        QList<qint64> all;
        Store::Query q(*store, QString("SELECT ID FROM \"%1\" ORDER BY ID").arg(table));
        while (q.next())
            all << q.value(0).toLongLong();
        return all;
    }
    QStringList files() { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
};

QByteArray addressbook(const QByteArray &contacts)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE Addressbook ><AddressBook>\n<Groups>\n</Groups>\n"
           "<Contacts>\n" +
           contacts + "</Contacts>\n</AddressBook>\n";
}

QByteArray datebook(const QByteArray &events)
{
    return "<!DOCTYPE DATEBOOK>\n<events>\n" + events + "</events>\n";
}

QByteArray todolist(const QByteArray &tasks)
{
    return "<!DOCTYPE Tasks>\n<Tasks>\n" + tasks + "</Tasks>\n";
}

// Every row of a kind's table in ID order, nulls told from blanks.
QList<QVariantList> rowsOf(Store &store, RecordKind kind)
{
    QList<QVariantList> rows;
    const QString table = QLatin1String(kindInfo(kind).table);
    Store::Query q(store, QString("SELECT * FROM \"%1\" ORDER BY ID").arg(table));
    while (q.next()) {
        QVariantList row;
        for (int c = 0; c < q.columnCount(); ++c)
            row << (q.isNull(c) ? QVariant() : QVariant(q.text(c)));
        rows << row;
    }
    return rows;
}

} // namespace

class DeviceReadersTest : public QObject
{
    Q_OBJECT

private slots:
    void readsTheHandheldsAddressbook()
    {
        Folder f;
        ReadResult r =
            ContactsFromAddressbookXml(*f.store, f.stageFixture("addressbook-qtopia2.xml", "addressbook.xml"));
        QVERIFY(r.ok);
        QCOMPARE(r.merged, 2);
        QCOMPARE(r.skipped, 0);
        QCOMPARE(f.ids("Contacts"), (QList<qint64>{-1104328971, 7}));
        const qint64 kim = -1104328971;
        QCOMPARE(f.text("Contacts", kim, "FirstName"), QString("철수"));
        QCOMPARE(f.text("Contacts", kim, "FileAs"), QString("김, 철수"));
        QCOMPARE(f.text("Contacts", kim, "O_Title"), QString("과장"));
        QCOMPARE(f.text("Contacts", kim, "Title"), QString()); // JobTitle is not Title
        QCOMPARE(f.text("Contacts", kim, "O_Company"), QString("Norvel &amp; Co"));
        QCOMPARE(f.text("Contacts", kim, "O_Street"), QString("테헤란로 123\n5층"));
        QCOMPARE(f.text("Contacts", kim, "Notes"), QString("첫 줄\n둘째 줄 &lt;중요&gt; &quot;인용&quot;\n셋째 줄"));
        QCOMPARE(f.text("Contacts", kim, "LastPronunciation"), QString("kim"));
        QCOMPARE(f.text("Contacts", kim, "O_Pronunciation"), QString("norvel"));
        QCOMPARE(f.text("Contacts", kim, "Emails"), QString("cs@example.kr kim@example.com"));
        QCOMPARE(f.text("Contacts", kim, "H_Gender"), QString("1"));
        QCOMPARE(f.text("Contacts", kim, "H_Birthday"), QString("19700315"));
        QCOMPARE(f.text("Contacts", kim, "BusinessContact"), QString("0"));
        QCOMPARE(f.text("Contacts", kim, "BusinessCard"), QString("0"));
        QVERIFY(f.value("Contacts", kim, "Photo").toString().isEmpty());
        QVERIFY(!f.value("Contacts", kim, "Photo").isNull());
        QVERIFY(f.value("Contacts", kim, "application").isNull()); // nothing sets it

        const QStringList fields{
            "Title",   "MiddleName", "Suffix",       "Nickname",    "H_Spouse",  "H_Children",        "H_Anniv",
            "H_Phone", "H_Street",   "H_City",       "H_State",     "H_Zip",     "H_Country",         "H_URL",
            "H_Fax",   "O_Fax",      "O_Mobile",     "O_State",     "O_Zip",     "O_Country",         "O_Pager",
            "O_URL",   "O_Office",   "O_Profession", "O_Assistant", "O_Manager", "FirstPronunciation"};
        const QStringList values{"Dr.",          "M",
                                 "Jr.",          "yh",
                                 "Min",          "Ara",
                                 "20001010",     "031-222-3333",
                                 "Main St 1",    "Suwon",
                                 "Gyeonggi",     "16000",
                                 "Korea",        "http://lee.example",
                                 "031-222-3334", "02-1",
                                 "010-9",        "Seoul",
                                 "06000",        "Korea",
                                 "012",          "http://w.example",
                                 "301",          "Doctor",
                                 "Park",         "Choi",
                                 "yeonghui"};
        for (int i = 0; i < fields.size(); ++i)
            QCOMPARE(f.text("Contacts", 7, fields[i]), values[i]);
        QCOMPARE(f.text("Contacts", 7, "H_Gender"), QString("0"));

        // Older devices put the identity last.
        r = ContactsFromAddressbookXml(*f.store, f.stageFixture("addressbook-qtopia1.xml", "addressbook.xml"));
        QVERIFY(r.ok);
        QCOMPARE(r.merged, 2);
        QCOMPARE(f.text("Contacts", -1038920014, "O_Company"), QString("K7M Lab"));
        QCOMPARE(f.text("Contacts", 42, "LastName"), QString("박"));
        QCOMPARE(f.files(), (QStringList{"Qtdata.mdb", "addressbook.xml"}));
    }

    void readsTheHandheldsDatebook()
    {
        Folder f;
        ReadResult r = DatebookFromDatebookXml(*f.store, f.stageFixture("datebook-qtopia2.xml", "datebook.xml"));
        QVERIFY(r.ok);
        QCOMPARE(r.merged, 2);
        const qint64 meeting = -1099512000;
        QCOMPARE(f.text("Datebook", meeting, "Categories"), QString("4"));
        QCOMPARE(f.text("Datebook", meeting, "Description"), QString("주간 회의"));
        QCOMPARE(f.text("Datebook", meeting, "Location"), QString("3층 회의실"));
        QCOMPARE(f.text("Datebook", meeting, "Timezone"), QString("Asia/Seoul"));
        QCOMPARE(f.text("Datebook", meeting, "Note"), QString("안건:\n1. 예산\n2. 일정"));
        QCOMPARE(f.text("Datebook", meeting, "Start"), QString("2006-01-01 11:00:00"));
        QCOMPARE(f.text("Datebook", meeting, "End"), QString("2006-01-01 12:00:00"));
        QCOMPARE(f.text("Datebook", meeting, "Enddt"), QString("2006-12-31 12:00:00"));
        QCOMPARE(f.text("Datebook", meeting, "Type"), QString("Timed"));
        QCOMPARE(f.text("Datebook", meeting, "balarm"), QString("true"));
        QCOMPARE(f.text("Datebook", meeting, "alarm"), QString("15")); // not balarm's value
        QCOMPARE(f.text("Datebook", meeting, "sound"), QString("loud"));
        QCOMPARE(f.text("Datebook", meeting, "Rtype"), QString("Weekly"));
        QCOMPARE(f.text("Datebook", meeting, "Rweekdays"), QString("1"));
        QCOMPARE(f.text("Datebook", meeting, "Rhasenddate"), QString("1"));
        QCOMPARE(f.text("Datebook", meeting, "Exceptions"), QString("20060109"));
        QCOMPARE(f.text("Datebook", 12, "Start"), QString("2006-01-01 00:00:00"));
        QCOMPARE(f.text("Datebook", 12, "End"), QString("2006-01-01 23:59:59"));
        QVERIFY(f.value("Datebook", 12, "Enddt").isNull()); // absent time: null
        QCOMPARE(f.text("Datebook", 12, "alarm"), QString());
        QVERIFY(!f.value("Datebook", 12, "alarm").isNull()); // absent text: empty
        QCOMPARE(f.text("Datebook", 12, "application"), QString(""));
        QVERIFY(!f.value("Datebook", 12, "outlook_index").isNull());

        r = DatebookFromDatebookXml(*f.store, f.stageFixture("datebook-qtopia1.xml", "datebook.xml"));
        QVERIFY(r.ok);
        QCOMPARE(r.merged, 2);
        QCOMPARE(f.text("Datebook", -1000000001, "Start"), QString("2006-02-15 19:40:00"));
        QCOMPARE(f.text("Datebook", -1000000001, "alarm"), QString("10"));
        QCOMPARE(f.text("Datebook", -1000000001, "Type"), QString()); // rtype is not type
        QCOMPARE(f.text("Datebook", 3, "Type"), QString("AllDay"));
        QCOMPARE(f.text("Datebook", 3, "End"), QString("2006-02-17 08:59:59"));
        QCOMPARE(f.text("Datebook", 3, "Rfreq"), QString("2"));
    }

    void readsTheHandheldsTaskList()
    {
        Folder f;
        ReadResult r = TodoFromTodolistXml(*f.store, f.stageFixture("todolist-qtopia2.xml", "todolist.xml"));
        QVERIFY(r.ok);
        QCOMPARE(r.merged, 2);
        const qint64 report = -1088001122;
        QCOMPARE(f.text("Todo", report, "Categories"), QString("5"));
        QCOMPARE(f.text("Todo", report, "Hasdate"), QString("1"));
        QCOMPARE(f.text("Todo", report, "Description"), QString("보고서 작성\n초안"));
        QCOMPARE(f.text("Todo", report, "Dateyear"), QString("2006"));
        QCOMPARE(f.text("Todo", report, "Datemonth"), QString("3"));
        QCOMPARE(f.text("Todo", report, "Dateday"), QString("15"));
        QCOMPARE(f.text("Todo", report, "PercentCompleted"), QString("40"));
        QCOMPARE(f.text("Todo", report, "Status"), QString("InProgress"));
        QCOMPARE(f.text("Todo", report, "Starteddate"), QString("20060301"));
        QCOMPARE(f.text("Todo", report, "Notes"), QString("참고: &quot;A&quot; &amp; B"));
        QCOMPARE(f.text("Todo", 9, "Completeddate"), QString("20060302"));
        QCOMPARE(f.text("Todo", 9, "application"), QString(""));

        r = TodoFromTodolistXml(*f.store, f.stageFixture("todolist-qtopia1.xml", "todolist.xml"));
        QVERIFY(r.ok);
        QCOMPARE(r.merged, 2);
        QCOMPARE(f.text("Todo", -1000000002, "Description"), QString("Call Kim"));
        QCOMPARE(f.text("Todo", -1000000002, "Dateday"), QString("24"));
        QCOMPARE(f.text("Todo", 21, "Description"), QString("청소"));
    }

    void mergesByIdentityWithoutDeleting()
    {
        Folder f;
        f.store->exec("INSERT INTO Contacts (ID, application, Title, FirstName, Notes, Photo, Category, H_Gender, "
                      "BusinessCard, outlook_index) VALUES (7, 'app', 'Old', 'Old', 'old note', 'me.jpg', 'x', "
                      "'2', '1', 'OI7')");
        f.store->exec("INSERT INTO Contacts (ID, FirstName) VALUES (100, 'Untouched')");
        const ReadResult r = ContactsFromAddressbookXml(
            *f.store, f.stage("addressbook.xml", addressbook("<Contact Uid=\"007\" FirstName=\"New\" />\n"
                                                             "<Contact Uid=\"8\" FirstName=\"Added\" />\n")));
        QVERIFY(r.ok);
        QCOMPARE(r.merged, 2);
        QCOMPARE(f.ids("Contacts"), (QList<qint64>{7, 8, 100}));
        QCOMPARE(f.text("Contacts", 7, "FirstName"), QString("New"));
        QCOMPARE(f.text("Contacts", 7, "Title"), QString("")); // absent: emptied
        QCOMPARE(f.text("Contacts", 7, "Notes"), QString("")); // absent: emptied
        QCOMPARE(f.text("Contacts", 7, "H_Gender"), QString("0"));
        QCOMPARE(f.text("Contacts", 7, "BusinessCard"), QString("0"));
        QCOMPARE(f.text("Contacts", 7, "Photo"), QString(""));
        QCOMPARE(f.text("Contacts", 7, "Category"), QString(""));
        QCOMPARE(f.text("Contacts", 7, "application"), QString("app"));   // not fed by the document
        QCOMPARE(f.text("Contacts", 7, "outlook_index"), QString("OI7")); // idem
        QCOMPARE(f.text("Contacts", 100, "FirstName"), QString("Untouched"));

        f.store->exec("INSERT INTO Datebook (ID, application, outlook_index, Description, Start) VALUES "
                      "(5, 'Outlook', 'OI5', 'old', '2001-01-01 00:00:00')");
        QVERIFY(DatebookFromDatebookXml(*f.store, f.stage("datebook.xml", datebook("<event uid=\"5\" "
                                                                                   "description=\"new\" />\n")))
                    .ok);
        QCOMPARE(f.text("Datebook", 5, "Description"), QString("new"));
        QCOMPARE(f.text("Datebook", 5, "application"), QString(""));
        QCOMPARE(f.text("Datebook", 5, "outlook_index"), QString(""));
        QVERIFY(f.value("Datebook", 5, "Start").isNull());

        f.store->exec("INSERT INTO Todo (ID, application, outlook_index, Description) VALUES "
                      "(5, 'Outlook', 'OI5', 'old')");
        QVERIFY(TodoFromTodolistXml(*f.store, f.stage("todolist.xml", todolist("<Task Uid=\"5\" Description=\"new\" "
                                                                               "/>\n")))
                    .ok);
        QCOMPARE(f.text("Todo", 5, "Description"), QString("new"));
        QCOMPARE(f.text("Todo", 5, "application"), QString(""));
        QCOMPARE(f.text("Todo", 5, "outlook_index"), QString("OI5"));
    }

    // A record the store holds as the document has it is not written again; one that differs, if
    // only in letter case or by a field gone from the document, is.
    void rewritesOnlyTheRecordsThatChanged()
    {
        Folder f;
        const auto writtenRows = [&] { return f.store->scalar("SELECT total_changes()").toLongLong(); };
        const QByteArray first = "<Contact Uid=\"1\" FirstName=\"kim\" Notes=\"메모\" />\n"
                                 "<Contact Uid=\"2\" FirstName=\"Lee\" Notes=\"note\" />\n"
                                 "<Contact Uid=\"3\" FirstName=\"Park\" />\n";
        QVERIFY(ContactsFromAddressbookXml(*f.store, f.stage("addressbook.xml", addressbook(first))).ok);
        const qint64 afterFirst = writtenRows();
        QCOMPARE(afterFirst, 3);

        const ReadResult again = ContactsFromAddressbookXml(*f.store, f.stage("addressbook.xml", addressbook(first)));
        QVERIFY(again.ok);
        QCOMPARE(again.merged, 3);
        QCOMPARE(writtenRows(), afterFirst);

        const QByteArray changed = "<Contact Uid=\"1\" FirstName=\"Kim\" Notes=\"메모\" />\n"
                                   "<Contact Uid=\"2\" FirstName=\"Lee\" />\n"
                                   "<Contact Uid=\"3\" FirstName=\"Park\" />\n"
                                   "<Contact Uid=\"4\" FirstName=\"Choi\" />\n";
        const ReadResult third = ContactsFromAddressbookXml(*f.store, f.stage("addressbook.xml", addressbook(changed)));
        QVERIFY(third.ok);
        QCOMPARE(third.merged, 4);
        QCOMPARE(writtenRows(), afterFirst + 3);
        QCOMPARE(f.ids("Contacts"), (QList<qint64>{1, 2, 3, 4}));
        QCOMPARE(f.text("Contacts", 1, "FirstName"), QString("Kim"));
        QCOMPARE(f.text("Contacts", 2, "Notes"), QString(""));
        QCOMPARE(f.text("Contacts", 3, "FirstName"), QString("Park"));
        QCOMPARE(f.text("Contacts", 4, "FirstName"), QString("Choi"));
    }

    void findsAttributesByWholeNameInAnyCase()
    {
        Folder f;
        // Whole names only: Title is not found inside JobTitle, alarm not inside balarm, type not
        // inside rtype. Any letter case, the identity's too. White space of any kind between attributes.
        ReadResult r = ContactsFromAddressbookXml(
            *f.store,
            f.stage("addressbook.xml",
                    addressbook(
                        "<Contact JobTitle=\"Boss\" UID=\"1\" firstname=\"Ann\" />\n"
                        "<Contact\tuid=\"2\"\nTitle=\"Ms\"\r\ntitle=\"Mrs\" gender=\"2\" business_contact=\"1\" />\n"
                        "<Contact Uid=\"-5\" uid=\"3\" FirstName=\"ours wins\" />\n"
                        "<Contact uid=\"4\" Uid=\"-6\" FirstName=\"ours wins again\" />\n"
                        "<Contact title=\"Prof\" uid=\"5\" />\n")));
        QVERIFY(r.ok);
        QCOMPARE(r.merged, 5);
        QCOMPARE(f.ids("Contacts"), (QList<qint64>{1, 2, 3, 4, 5}));
        QCOMPARE(f.text("Contacts", 1, "Title"), QString(""));
        QCOMPARE(f.text("Contacts", 1, "O_Title"), QString("Boss"));
        QCOMPARE(f.text("Contacts", 1, "FirstName"), QString("Ann"));
        QCOMPARE(f.text("Contacts", 2, "Title"), QString("Ms")); // the handheld's spelling is the live one
        QCOMPARE(f.text("Contacts", 2, "H_Gender"), QString("2"));
        QCOMPARE(f.text("Contacts", 2, "BusinessContact"), QString("1"));
        QCOMPARE(f.text("Contacts", 3, "FirstName"), QString("ours wins"));
        QCOMPARE(f.text("Contacts", 4, "FirstName"), QString("ours wins again"));
        QCOMPARE(f.text("Contacts", 5, "Title"), QString("Prof"));

        r = DatebookFromDatebookXml(
            *f.store, f.stage("datebook.xml",
                              datebook("<event uid=\"1\" balarm=\"true\" alarm=\"30\" rtype=\"Daily\" Notes=\"old "
                                       "name\" Categories=\"7\" />\n"
                                       "<event UID=\"2\" alarm=\"5\" balarm=\"false\" Type=\"AllDay\" Notes=\"x\" "
                                       "note=\"kept\" START=\"0\" />\n")));
        QVERIFY(r.ok);
        QCOMPARE(f.text("Datebook", 1, "alarm"), QString("30"));
        QCOMPARE(f.text("Datebook", 1, "balarm"), QString("true"));
        QCOMPARE(f.text("Datebook", 1, "Type"), QString(""));
        QCOMPARE(f.text("Datebook", 1, "Note"), QString("old name"));
        QCOMPARE(f.text("Datebook", 1, "Categories"), QString("7"));
        QCOMPARE(f.text("Datebook", 2, "alarm"), QString("5"));
        QCOMPARE(f.text("Datebook", 2, "Type"), QString("AllDay"));
        QCOMPARE(f.text("Datebook", 2, "Note"), QString("kept"));
        QCOMPARE(f.text("Datebook", 2, "Start"), QString("1970-01-01 09:00:00"));

        // This program's task writer spells some names differently from the handheld.
        r = TodoFromTodolistXml(*f.store,
                                f.stage("todolist.xml", todolist("<Task uid=\"1\" Hasdate=\"1\" Dateyear=\"2007\" "
                                                                 "Datemonth=\"1\" Dateday=\"2\" Starteddate=\"x\" "
                                                                 "Completeddate=\"y\" categories=\"3\" />\n")));
        QVERIFY(r.ok);
        QCOMPARE(f.text("Todo", 1, "Hasdate"), QString("1"));
        QCOMPARE(f.text("Todo", 1, "Dateyear"), QString("2007"));
        QCOMPARE(f.text("Todo", 1, "Datemonth"), QString("1"));
        QCOMPARE(f.text("Todo", 1, "Dateday"), QString("2"));
        QCOMPARE(f.text("Todo", 1, "Starteddate"), QString("x"));
        QCOMPARE(f.text("Todo", 1, "Completeddate"), QString("y"));
        QCOMPARE(f.text("Todo", 1, "Categories"), QString("3"));
    }

    void keepsTextWholeAndUnchanged()
    {
        Folder f;
        // Characters no legacy code page holds, a line far beyond 32,767 characters, CR LF and a
        // lone CR inside values, an apostrophe-quoted value, a byte-order mark.
        const QString rare = QString::fromUtf8("ภาษาไทย 𝄞 € ✓ 中文");
        const QByteArray longNote(100000, 'n');
        const QByteArray doc =
            "\xEF\xBB\xBF" + addressbook("<Contact uid=\"1\" FirstName=\"" + rare.toUtf8() + "\" Notes=\"" + longNote +
                                         "\" HomeStreet=\"a\r\nb\rc\" "
                                         "LastName='O\"Neil' />\n");
        QVERIFY(doc.size() > 100000);
        const ReadResult r = ContactsFromAddressbookXml(*f.store, f.stage("addressbook.xml", doc));
        QVERIFY(r.ok);
        QCOMPARE(r.merged, 1);
        QCOMPARE(f.text("Contacts", 1, "FirstName"), rare);
        QCOMPARE(f.text("Contacts", 1, "Notes"), QString::fromLatin1(longNote));
        QCOMPARE(f.text("Contacts", 1, "H_Street"), QString("a\r\nb\rc"));
        QCOMPARE(f.text("Contacts", 1, "LastName"), QString("O\"Neil"));
    }

    void readsDocumentsLargerThanItsBuffer()
    {
        // Several megabytes, so elements and values straddle the reader's blocks.
        // Every 997th record is damaged (its value never closes) and counted, wherever it falls
        // among the pieces the document is read in.
        Folder f;
        QByteArray contacts;
        const int count = 20000;
        int damaged = 0;
        for (int i = 1; i <= count; ++i) {
            if (i % 997 == 0) {
                contacts += "<Contact Uid=\"" + QByteArray::number(-i) + "\" FirstName=\"깨짐 />\n";
                ++damaged;
                continue;
            }
            contacts += "<Contact Uid=\"" + QByteArray::number(-i) + "\" FirstName=\"이름" + QByteArray::number(i) +
                        "\" Notes=\"" + QByteArray(100 + i % 300, 'x') + "\n끝\" />\n";
        }
        QVERIFY(contacts.size() > 3 * (1 << 20));
        const QString path = f.stage("addressbook.xml", addressbook(contacts));
        const ReadResult r = ContactsFromAddressbookXml(*f.store, path);
        QVERIFY(r.ok);
        QCOMPARE(r.merged, count - damaged);
        QCOMPARE(r.skipped, damaged);
        QCOMPARE(f.store->count("Contacts"), count - damaged);
        // The room the merge took in the page cache is given back.
        const QVariant usualCache = -Store::pageCacheKilobytes;
        QCOMPARE(f.store->scalar("PRAGMA cache_size"), usualCache);
        for (int i : {1, 4321, 9999, 13000, count}) {
            QCOMPARE(f.text("Contacts", -i, "FirstName"), QString("이름%1").arg(i));
            QCOMPARE(f.text("Contacts", -i, "Notes"), QString(100 + i % 300, 'x') + "\n끝");
        }
        // A change in the first record, refused before anything is written: the reading ends
        // while most of the document is still to be read, and the store stays as it was.
        contacts.replace("FirstName=\"이름1\"", "FirstName=\"바뀜\"");
        const ReadResult refused =
            readDeviceDocument(RecordKind::Contacts, *f.store, f.stage("addressbook.xml", addressbook(contacts)),
                               [](QString *refusal) {
                                   *refusal = "no";
                                   return false;
                               });
        QVERIFY(!refused.ok);
        QCOMPARE(refused.failure, QString("no"));
        QCOMPARE(f.text("Contacts", -1, "FirstName"), QString("이름1"));
        QCOMPARE(f.store->count("Contacts"), count - damaged);
        QCOMPARE(f.store->scalar("PRAGMA cache_size"), usualCache);
    }

    void skipsDamagedRecordsAndKeepsTheRest_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("merged");
        QTest::addColumn<int>("skipped");
        QTest::addColumn<QList<qint64>>("ids");

        const QByteArray one = "<Contact Uid=\"1\" FirstName=\"A\" />\n";
        const QByteArray two = "<Contact Uid=\"2\" FirstName=\"B\" />\n";
        const QByteArray full = addressbook(one + two);
        QTest::newRow("empty") << QByteArray() << true << 0 << 0 << QList<qint64>{};
        QTest::newRow("mark and blanks only") << QByteArray("\xEF\xBB\xBF \n") << true << 0 << 0 << QList<qint64>{};
        QTest::newRow("no records") << addressbook("") << true << 0 << 0 << QList<qint64>{};
        QTest::newRow("truncated after the document type")
            << full.left(full.indexOf("<AddressBook>")) << true << 0 << 0 << QList<qint64>{};
        QTest::newRow("truncated after a record") << full.left(full.indexOf(two)) << true << 1 << 0 << QList<qint64>{1};
        QTest::newRow("truncated inside a value")
            << full.left(full.indexOf("B\"")) << true << 1 << 1 << QList<qint64>{1};
        QTest::newRow("truncated inside a tag")
            << full.left(full.indexOf("FirstName=\"B")) << true << 1 << 1 << QList<qint64>{1};
        QTest::newRow("not a Qtopia document")
            << QByteArray("Hello, this is a letter.\n") << false << 0 << 0 << QList<qint64>{};
        QTest::newRow("another XML document")
            << QByteArray("<html><body><p class=\"x\">hi</p></body></html>") << false << 0 << 0 << QList<qint64>{};
        QTest::newRow("a datebook instead")
            << datebook("<event uid=\"1\" description=\"x\" />\n") << false << 0 << 0 << QList<qint64>{};
        QByteArray noise(4096, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919) % 251);
        QTest::newRow("binary file") << noise << false << 0 << 0 << QList<qint64>{};
        QTest::newRow("zero bytes in a record")
            << addressbook(one + QByteArray("<Contact Uid=\"3\" FirstName=\"C\0\0\0\" />\n", 38) + two) << true << 2
            << 1 << QList<qint64>{1, 2};
        QTest::newRow("bytes that are not UTF-8")
            << addressbook(one + "<Contact Uid=\"3\" FirstName=\"\xFF\xFE\xC3\" />\n" + two) << true << 2 << 1
            << QList<qint64>{1, 2};
        QTest::newRow("garbage between records")
            << addressbook(one + "\xFF\xFF\xFF\xFF" + two) << true << 2 << 0 << QList<qint64>{1, 2};
        QTest::newRow("a record that lost its opening bracket")
            << addressbook(one + "Contact Uid=\"3\" />\n" + two) << true << 2 << 1 << QList<qint64>{1, 2};
        QTest::newRow("no identity") << addressbook(one + "<Contact FirstName=\"C\" />\n" + two) << true << 2 << 1
                                     << QList<qint64>{1, 2};
        QTest::newRow("empty identity") << addressbook(one + "<Contact Uid=\"\" FirstName=\"C\" />\n" + two) << true
                                        << 2 << 1 << QList<qint64>{1, 2};
        QTest::newRow("identities that are not numbers")
            << addressbook(one +
                           "<Contact Uid=\"12a\" />\n<Contact Uid=\"1.5\" />\n<Contact Uid=\"x\" />\n"
                           "<Contact Uid=\"99999999999999999999\" />\n" +
                           two)
            << true << 2 << 4 << QList<qint64>{1, 2};
        QTest::newRow("a value that never closes") << addressbook(one + "<Contact Uid=\"3\" FirstName=\"C />\n" + two)
                                                   << true << 2 << 1 << QList<qint64>{1, 2};
        QTest::newRow("a value that never closes before the end")
            << addressbook(one + two + "<Contact Uid=\"3\" FirstName=\"C />\n</Contacts>") << true << 2 << 1
            << QList<qint64>{1, 2};
        QTest::newRow("a tag that never closes")
            << addressbook(one + "<Contact Uid=\"3\" FirstName=\"C\"\n" + two) << true << 2 << 1 << QList<qint64>{1, 2};
        QTest::newRow("attributes run together")
            << addressbook(one + "<Contact Uid=\"3\"FirstName=\"C\" />\n<Contact Uid=\"4\" FirstName />\n" + two)
            << true << 2 << 2 << QList<qint64>{1, 2};
    }

    void skipsDamagedRecordsAndKeepsTheRest()
    {
        QFETCH(QByteArray, document);
        QFETCH(bool, ok);
        QFETCH(int, merged);
        QFETCH(int, skipped);
        QFETCH(QList<qint64>, ids);

        Folder f;
        f.store->exec("INSERT INTO Contacts (ID, FirstName) VALUES (3, 'kept')");
        const QString path = f.stage("addressbook.xml", document);
        const ReadResult r = ContactsFromAddressbookXml(*f.store, path);
        QCOMPARE(r.ok, ok);
        if (ok) {
            QCOMPARE(r.merged, merged);
            QCOMPARE(r.skipped, skipped);
        } else {
            QCOMPARE(r.failure, QDir::toNativeSeparators(path) +
                                    " 파일은 Qtopia 주소록 문서가 아닙니다.\r레코드를 하나도 가져오지 않았습니다.");
        }
        ids.append(3);
        std::sort(ids.begin(), ids.end());
        QCOMPARE(f.ids("Contacts"), ids);
        QCOMPARE(f.text("Contacts", 3, "FirstName"), QString("kept")); // a damaged record never half applies
        QCOMPARE(f.files(), (QStringList{"Qtdata.mdb", "addressbook.xml"}));
        QCOMPARE(test::readFile(path), document); // the staging copy stays as it was
    }

    // The records held in memory (what a comparison of documents reads) are the records the reader
    // merges into a store, document for document: the same records, values, counts and failures.
    void holdsInMemoryWhatItWouldMerge_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("document");
        for (const auto &[fixture, kind] : {std::pair("addressbook-qtopia1.xml", RecordKind::Contacts),
                                            std::pair("addressbook-qtopia2.xml", RecordKind::Contacts),
                                            std::pair("datebook-qtopia1.xml", RecordKind::Events),
                                            std::pair("datebook-qtopia2.xml", RecordKind::Events),
                                            std::pair("todolist-qtopia1.xml", RecordKind::Tasks),
                                            std::pair("todolist-qtopia2.xml", RecordKind::Tasks)})
            QTest::newRow(fixture) << int(kind) << test::readFile(test::dataPath(QString("import/") + fixture));
        QTest::newRow("one identity twice: the last counts")
            << int(RecordKind::Contacts)
            << addressbook("<Contact Uid=\"1\" FirstName=\"A\" />\n<Contact Uid=\"2\" FirstName=\"B\" />\n"
                           "<Contact Uid=\"1\" LastName=\"C\" />\n");
        QTest::newRow("blank, absent and Korean values")
            << int(RecordKind::Contacts)
            << addressbook(
                   "<Contact Uid=\"7\" FirstName=\"\" Notes=\"&amp;&lt;메모&quot;\" />\n<Contact Uid=\"8\" />\n");
        QTest::newRow("damaged records and one without identity")
            << int(RecordKind::Contacts)
            << addressbook("<Contact Uid=\"1\" FirstName=\"C />\n<Contact FirstName=\"x\" />\n<Contact Uid=\"x\" />\n"
                           "<Contact Uid=\"2\" FirstName=\"B\" />\n");
        QTest::newRow("events with times that are not numbers")
            << int(RecordKind::Events)
            << datebook("<event uid=\"1\" description=\"a\" start=\"12x\" />\n<event uid=\"2\" start=\"1136073600\" "
                        "end=\"\" />\n");
        QTest::newRow("not a document of its kind") << int(RecordKind::Tasks) << addressbook("<Contact Uid=\"1\" />\n");
        QTest::newRow("no records") << int(RecordKind::Tasks) << todolist("");
    }

    void holdsInMemoryWhatItWouldMerge()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, document);
        const RecordKind k = RecordKind(kind);
        Folder read, held;
        const QString path = read.stage(QLatin1String(kindInfo(k).documentName), document);
        const ReadResult r = readDeviceDocument(k, *read.store, path);
        const DocumentRecords records = readDocumentRecords(k, path);
        QCOMPARE(records.ok, r.ok);
        QCOMPARE(records.failure, r.failure);
        QCOMPARE(records.skipped, r.skipped);
        QSet<qint64> all;
        for (auto it = records.records.cbegin(); it != records.records.cend(); ++it)
            all.insert(it.key());
        QCOMPARE(qint64(all.size()), read.store->count(QLatin1String(kindInfo(k).table)));
        storeDocumentRecords(k, records, all, *held.store);
        QCOMPARE(rowsOf(*held.store, k), rowsOf(*read.store, k));
    }

    // Records compare as the reader reads them: spelling, order and spacing of the attributes, and
    // a blank value against an absent one, do not count; a value's bytes (letter case, blanks) do.
    void comparesRecordsAsTheReaderReadsThem()
    {
        Folder f;
        const DocumentRecords a = readDocumentRecords(
            RecordKind::Contacts,
            f.stage("a.xml",
                    addressbook("<Contact Uid=\"1\" FirstName=\"A\" LastName=\"L\" />\n"
                                "<Contact Uid=\"2\" FirstName=\"B\" />\n<Contact Uid=\"3\" FirstName=\"C\" />\n"
                                "<Contact Uid=\"4\" FirstName=\"D\" />\n")));
        const DocumentRecords b =
            readDocumentRecords(RecordKind::Contacts,
                                f.stage("b.xml", addressbook("<Contact  LASTNAME=\"L\"   firstname=\"A\" UID=\"1\"/>\n"
                                                             "<Contact Uid=\"2\" FirstName=\"b\" />\n"
                                                             "<Contact Uid=\"4\" FirstName=\"D \" />\n<Contact Uid=\"3\" FirstName=\"C\" LastName=\"\" />\n")));
        QVERIFY(a.sameRecord(1, b));
        QVERIFY(!a.sameRecord(2, b)); // letter case
        QVERIFY(a.sameRecord(3, b));  // a blank value against none
        QVERIFY(!a.sameRecord(4, b)); // a blank after the value
        QVERIFY(!a.sameRecord(5, a)); // in neither
    }

    // With a hook for the first change, a read writes nothing before it, and calls it only when a
    // record changes something; refused, the read stops with the hook's text and the store (its
    // indexes too) is as it was. Into an empty table the indexes are made again afterwards.
    void callsTheHookBeforeTheFirstChangeOnly()
    {
        Folder f;
        const auto indexes = [&f] {
            QStringList all;
            Store::Query q(*f.store, "SELECT name || ': ' || sql FROM sqlite_master WHERE type = 'index' AND "
                                     "tbl_name = 'Contacts' AND sql IS NOT NULL ORDER BY name");
            while (q.next())
                all << q.text(0);
            return all;
        };
        const QStringList before = indexes();
        QVERIFY(before.size() >= 3);
        const QString path = f.stage("addressbook.xml", addressbook("<Contact Uid=\"1\" FirstName=\"A\" />\n"
                                                                    "<Contact Uid=\"2\" FirstName=\"B\" />\n"));
        int calls = 0;
        QString seen;
        const FirstChange refuse = [&](QString *refusal) {
            ++calls;
            *refusal = "no backup";
            return false;
        };
        const FirstChange allow = [&](QString *) {
            ++calls;
            seen = f.text("Contacts", 2, "FirstName"); // nothing written yet
            return true;
        };
        ReadResult r = readDeviceDocument(RecordKind::Contacts, *f.store, path, refuse);
        QVERIFY(!r.ok);
        QCOMPARE(r.failure, QString("no backup"));
        QCOMPARE(calls, 1);
        QCOMPARE(f.store->count("Contacts"), 0);
        QCOMPARE(indexes(), before);

        QVERIFY(readDeviceDocument(RecordKind::Contacts, *f.store, path, allow).ok);
        QCOMPARE(calls, 2);
        QCOMPARE(f.ids("Contacts"), (QList<qint64>{1, 2}));
        QCOMPARE(indexes(), before);

        // The same document again changes nothing and asks nothing; a changed record asks once.
        QVERIFY(readDeviceDocument(RecordKind::Contacts, *f.store, path, refuse).ok);
        QCOMPARE(calls, 2);
        f.store->exec("UPDATE Contacts SET FirstName = 'old' WHERE ID = 2");
        r = readDeviceDocument(RecordKind::Contacts, *f.store, path, allow);
        QVERIFY(r.ok);
        QCOMPARE(r.merged, 2);
        QCOMPARE(calls, 3);
        QCOMPARE(seen, QString("old"));
        QCOMPARE(f.text("Contacts", 2, "FirstName"), QString("B"));
    }

    void neverHalfAppliesARecordWhereverTheDocumentEnds()
    {
        // Cut the document after every byte: each record is either absent or whole, and every
        // record that ends before the cut is there.
        const QList<QByteArray> records{
            "<Contact Uid=\"-11\" FirstName=\"가나\" Notes=\"a\nb &amp; c\" LastName=\"Kim\" />\n",
            "<Contact LastName=\"Lee\" Notes=\"x\ny\" FirstName=\"다라\" Uid=\"22\" />\n",
            "<Contact Uid=\"33\" FirstName=\"Park\" LastName=\"마바\" Notes=\"\" />\n"};
        const QList<qint64> ids{-11, 22, 33};
        const QList<QStringList> values{{"가나", "Kim", "a\nb &amp; c"}, {"다라", "Lee", "x\ny"}, {"Park", "마바", ""}};
        const QByteArray prologue = addressbook("").left(addressbook("").indexOf("</Contacts>"));
        const QByteArray document = prologue + records.join() + "</Contacts>\n</AddressBook>\n";

        Folder f;
        f.store->exec("PRAGMA synchronous = OFF"); // thousands of imports: spare the disk
        for (qsizetype cut = 0; cut <= document.size(); ++cut) {
            f.store->exec("DELETE FROM Contacts");
            const ReadResult r = ContactsFromAddressbookXml(*f.store, f.stage("addressbook.xml", document.left(cut)));
            QVERIFY2(r.ok || cut < prologue.size(), qPrintable(QString("cut at %1: %2").arg(cut).arg(r.failure)));
            qsizetype end = prologue.size();
            for (int i = 0; i < records.size(); ++i) {
                end += records[i].size();
                const bool complete = cut >= end - 1; // the line end after "/>" does not matter
                const bool present = f.store->scalar("SELECT count(*) FROM Contacts WHERE ID = ?", {ids[i]}).toInt();
                QVERIFY2(present == complete, qPrintable(QString("cut at %1, record %2").arg(cut).arg(i)));
                if (present) {
                    QCOMPARE(f.text("Contacts", ids[i], "FirstName"), values[i][0]);
                    QCOMPARE(f.text("Contacts", ids[i], "LastName"), values[i][1]);
                    QCOMPARE(f.text("Contacts", ids[i], "Notes"), values[i][2]);
                }
            }
            QVERIFY2(r.merged + r.skipped <= 3, qPrintable(QString("cut at %1: %2 + %3 [%4]")
                                                               .arg(cut)
                                                               .arg(r.merged)
                                                               .arg(r.skipped)
                                                               .arg(QString::fromUtf8(document.left(cut).right(20)))));
        }

        // Damage single bytes anywhere: the import never fails to finish, and records whose
        // bytes were not touched come through whole unless the damage swallowed them entirely.
        for (qsizetype at = 0; at < document.size(); ++at) {
            for (const char byte : {'\0', '"', '<', '>'}) {
                QByteArray damaged = document;
                damaged[at] = byte;
                f.store->exec("DELETE FROM Contacts");
                const ReadResult r = ContactsFromAddressbookXml(*f.store, f.stage("addressbook.xml", damaged));
                if (!r.ok)
                    continue; // the damage hit the document's own element names
                QVERIFY(r.merged <= 3);
                qsizetype begin = prologue.size();
                for (int i = 0; i < records.size(); ++i) {
                    const qsizetype end = begin + records[i].size();
                    const bool touched = at >= begin - 1 && at < end;
                    begin = end;
                    if (touched || !f.store->scalar("SELECT count(*) FROM Contacts WHERE ID = ?", {ids[i]}).toInt())
                        continue;
                    QCOMPARE(f.text("Contacts", ids[i], "FirstName"), values[i][0]);
                    QCOMPARE(f.text("Contacts", ids[i], "Notes"), values[i][2]);
                }
            }
        }
        QCOMPARE(f.files(), (QStringList{"Qtdata.mdb", "addressbook.xml"}));
    }

    void readsValuesWithQuotesThatWereNotEscaped()
    {
        // This program's writers leave qdl-private-data unescaped and write it last.
        Folder f;
        const ReadResult r = DatebookFromDatebookXml(
            *f.store,
            f.stage("datebook.xml", datebook("<event uid=\"1\" rtype=\"Weekly\" qdl-private-data=\"<x \"y\">\" />\n"
                                             "<event uid=\"2\" description=\"Kim\"x y=\"z\" location=\"L\" />\n"
                                             "<event uid=\"3\" qdl-private-data=\"q\"\"/>\n"
                                             "<event uid=\"4\" rtype=\"a\"b\" rfreq=\"2\" />\n"
                                             "<event uid=\"5\" qdl-private-data=\"k=\"v\"\"/>\n")));
        QVERIFY(r.ok);
        // Where an unescaped quote leaves it open which quote ends which value, nothing is guessed.
        QCOMPARE(r.merged, 2);
        QCOMPARE(r.skipped, 3);
        QCOMPARE(f.text("Datebook", 1, "qdl-private-data"), QString("<x \"y\">"));
        QCOMPARE(f.text("Datebook", 1, "Rtype"), QString("Weekly"));
        QCOMPARE(f.text("Datebook", 3, "qdl-private-data"), QString("q\""));
        QCOMPARE(f.ids("Datebook"), (QList<qint64>{1, 3}));
    }

    void skipsEventsWhoseTimesAreNotNumbers()
    {
        Folder f;
        const ReadResult r = DatebookFromDatebookXml(
            *f.store, f.stage("datebook.xml", datebook("<event uid=\"1\" start=\"soon\" />\n"
                                                       "<event uid=\"2\" start=\"\" end=\" \" enddt=\"-1\" />\n"
                                                       "<event uid=\"3\" end=\"99999999999999999\" />\n")));
        QVERIFY(r.ok);
        QCOMPARE(r.merged, 1);
        QCOMPARE(r.skipped, 2);
        QVERIFY(f.value("Datebook", 2, "Start").isNull());
        QVERIFY(f.value("Datebook", 2, "End").isNull());
        QCOMPARE(f.text("Datebook", 2, "Enddt"), QString("1970-01-01 08:59:59"));
    }

    void convertsDeviceTimesAtNineHoursEast()
    {
        QCOMPARE(dateTimeFromDeviceTime("0"), QString("1970-01-01 09:00:00"));
        QCOMPARE(dateTimeFromDeviceTime("-32400"), QString("1970-01-01 00:00:00"));
        QCOMPARE(dateTimeFromDeviceTime("-32401"), QString("1969-12-31 23:59:59"));
        QCOMPARE(dateTimeFromDeviceTime("1136041200"), QString("2006-01-01 00:00:00"));
        QCOMPARE(dateTimeFromDeviceTime("2147451247"), QString("2038-01-19 03:14:07"));
        QCOMPARE(dateTimeFromDeviceTime("2147483647"), QString("2038-01-19 12:14:07"));
        QCOMPARE(dateTimeFromDeviceTime("951782400"), QString("2000-02-29 09:00:00"));
        QCOMPARE(dateTimeFromDeviceTime(" 1136041200 "), QString("2006-01-01 00:00:00"));
        QCOMPARE(dateTimeFromDeviceTime("12:00"), QString());
        QCOMPARE(dateTimeFromDeviceTime("253402300800"), QString()); // beyond the year 9999
    }

    void mergesNothingWhenTheStoreFails()
    {
        Folder f;
        f.store->exec("CREATE TRIGGER refuse BEFORE INSERT ON Contacts WHEN NEW.ID = 3 "
                      "BEGIN SELECT RAISE(ABORT, 'refused'); END");
        const ReadResult r = ContactsFromAddressbookXml(
            *f.store, f.stage("addressbook.xml", addressbook("<Contact Uid=\"1\" />\n<Contact Uid=\"2\" />\n"
                                                             "<Contact Uid=\"3\" />\n<Contact Uid=\"4\" />\n")));
        QVERIFY(!r.ok);
        QVERIFY(r.failure.contains("refused"));
        QVERIFY(r.failure.endsWith("\r레코드를 하나도 가져오지 않았습니다."));
        QCOMPARE(f.store->count("Contacts"), 0); // one document, one transaction
        QCOMPARE(f.files(), (QStringList{"Qtdata.mdb", "addressbook.xml"}));
        QCOMPARE(f.store->scalar("PRAGMA cache_size"), QVariant(-Store::pageCacheKilobytes));

        // A missing staging copy is a failure too, not a crash.
        const ReadResult missing = TodoFromTodolistXml(*f.store, f.dir.filePath("todolist.xml"));
        QVERIFY(!missing.ok);
        QVERIFY(missing.failure.startsWith(QDir::toNativeSeparators(f.dir.filePath("todolist.xml")) +
                                           " 파일을 읽을 수 없습니다.\r"));
    }
};

QTEST_GUILESS_MAIN(DeviceReadersTest)
#include "tst_devicereaders.moc"
