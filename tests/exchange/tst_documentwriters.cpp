#include "exchange/DeviceTime.h"
#include "exchange/DocumentWriters.h"
#include "records/Store.h"
#include "records/StoreError.h"
#include "records/TextConversion.h"

#include <QTemporaryDir>
#include <QTest>

#include <ctime>

using namespace pimdesk;

namespace {

// Adds one record; fields not named stay null.
void insert(Store &store, const QString &table, const QList<std::pair<QString, QVariant>> &fields)
{
    QStringList names, marks;
    QVariantList values;
    for (const auto &[name, value] : fields) {
        names << "\"" + name + "\"";
        marks << "?";
        values << value;
    }
    store.exec(QString("INSERT INTO %1 (%2) VALUES (%3)").arg(table, names.join(", "), marks.join(", ")), values);
}

const QString addressbookPrologue = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE Addressbook >"
                                    "<AddressBook><Groups></Groups><Contacts>";
const QString datebookPrologue = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE DATEBOOK><events>";

} // namespace

class TestDocumentWriters : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void emptyTablesGiveEmptyTexts();
    void addressbookWritesEveryFieldInOrder();
    void addressbookValues();
    void addressbookBytesAreUtf8WithMark();
    void todolistValues();
    void deviceTimeBounds();
    void deviceTimeReadsOnlyWallClockDates();
    void datebookTimesAndEndDateRule();
    void datebookValues();
    void handheldBytesMatchTheWritersText();
    void largeDocumentsComeInPieces();
    void largeTablesWrittenInPartsGiveTheSameBytes();
    void damageFoundByEitherThreadIsReported();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<Store> m_store;
};

void TestDocumentWriters::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_store = Store::open(Store::pathInDirectory(m_dir->path()));
}

void TestDocumentWriters::cleanup()
{
    m_store.reset();
    m_dir.reset();
}

void TestDocumentWriters::emptyTablesGiveEmptyTexts()
{
    QCOMPARE(AddressbookXmlFromContacts(*m_store), QString());
    QCOMPARE(TodolistXmlFromTodo(*m_store), QString());
    QCOMPARE(DatebookXmlFromDatebook(*m_store), QString());
    // The conversion of an empty document is empty too: no lone mark.
    QCOMPARE(UTF8FromUTF16withMark(utf16Bytes(QString())), QByteArray());
}

void TestDocumentWriters::addressbookWritesEveryFieldInOrder()
{
    insert(*m_store, "Contacts",
           {{"ID", 12},
            {"application", "Outlook"},
            {"FileAs", "f08"},
            {"H_Phone", "h16"},
            {"H_Mobile", "h18"},
            {"O_Phone", "o12"},
            {"Title", "t02"},
            {"FirstName", "f03"},
            {"FirstPronunciation", "f04"},
            {"MiddleName", "m05"},
            {"LastName", "l06"},
            {"LastPronunciation", "l43"},
            {"Suffix", "s07"},
            {"Nickname", "n40"},
            {"O_Title", "o09"},
            {"O_Department", "o10"},
            {"O_Company", "o11"},
            {"O_Pronunciation", "o44"},
            {"O_Fax", "o13"},
            {"O_Mobile", "o14"},
            {"O_Pager", "o24"},
            {"O_Street", "o19"},
            {"O_City", "o20"},
            {"O_State", "o21"},
            {"O_Zip", "o22"},
            {"O_Country", "o23"},
            {"O_URL", "o25"},
            {"O_Office", "o26"},
            {"O_Profession", "o27"},
            {"O_Assistant", "o28"},
            {"O_Manager", "o29"},
            {"Emails", "e15"},
            {"H_Fax", "h17"},
            {"H_Street", "h30"},
            {"H_City", "h31"},
            {"H_State", "h32"},
            {"H_Zip", "h33"},
            {"H_Country", "h34"},
            {"H_URL", "h35"},
            {"H_Spouse", "h36"},
            {"H_Children", "h41"},
            {"H_Gender", "h37"},
            {"H_Birthday", "5 Jan 2004"},
            {"H_Anniv", "h39"},
            {"Notes", "n42"},
            {"BusinessContact", "b45"},
            {"Photo", "photo"},
            {"Category", "cat"},
            {"BusinessCard", "card"},
            {"outlook_index", "0000ABCD"}});
    const QString expected =
        addressbookPrologue +
        "<Contact uid=\"12\" title=\"t02\" FirstName=\"f03\" FirstNamePronunciation=\"f04\" MiddleName=\"m05\" "
        "LastName=\"l06\" Suffix=\"s07\" FileAs=\"f08\" JobTitle=\"o09\" Department=\"o10\" Company=\"o11\" "
        "BusinessPhone=\"o12\" BusinessFax=\"o13\" BusinessMobile=\"o14\" Emails=\"e15\" HomePhone=\"h16\" "
        "HomeFax=\"h17\" HomeMobile=\"h18\" BusinessStreet=\"o19\" BusinessCity=\"o20\" BusinessState=\"o21\" "
        "BusinessZip=\"o22\" BusinessCountry=\"o23\" BusinessPager=\"o24\" BusinessWebPage=\"o25\" Office=\"o26\" "
        "Profession=\"o27\" Assistant=\"o28\" Manager=\"o29\" HomeStreet=\"h30\" HomeCity=\"h31\" "
        "HomeState=\"h32\" HomeZip=\"h33\" HomeCountry=\"h34\" HomeWebPage=\"h35\" Spouse=\"h36\" Gender=\"h37\" "
        "Birthday=\"5 Jan 2004\" Anniversary=\"h39\" Nickname=\"n40\" Children=\"h41\" Notes=\"n42\" "
        "LastNamePronunciation=\"l43\" CompanyPronunciation=\"o44\" BUSINESS_CONTACT=\"b45\" />"
        "</Contacts></AddressBook>";
    QCOMPARE(AddressbookXmlFromContacts(*m_store), expected);
}

void TestDocumentWriters::addressbookValues()
{
    insert(*m_store, "Contacts", {{"ID", 7}, {"FileAs", "Kim"}});
    insert(*m_store, "Contacts",
           {{"ID", 3},
            {"FileAs", "  홍 길동  "},
            {"Title", "   "},
            {"FirstName", ""},
            {"O_Company", " A \"B\" <C> & D&lt; "},
            {"Notes", "first line\r\nsecond 'line'"},
            {"H_Street", "\t12  Main St \t"},
            {"Emails", "a@b.kr c@d.kr"}});
    insert(*m_store, "Contacts", {{"Title", "Dr"}});
    insert(*m_store, "Contacts", {{"outlook_index", "X"}});
    const QString expected = addressbookPrologue + "<Contact uid=\"7\" FileAs=\"Kim\" />" +
                             "<Contact uid=\"3\" FileAs=\"홍 길동\" Company=\"A &quot;B&quot; &lt;C&gt; &amp; D&lt;\" "
                             "Emails=\"a@b.kr c@d.kr\" HomeStreet=\"\t12  Main St \t\" "
                             "Notes=\"first line\r\nsecond 'line'\" />"
                             "<Contact title=\"Dr\" />"
                             "<Contact />"
                             "</Contacts></AddressBook>";
    QCOMPARE(AddressbookXmlFromContacts(*m_store), expected);
}

void TestDocumentWriters::addressbookBytesAreUtf8WithMark()
{
    insert(*m_store, "Contacts", {{"ID", 1}, {"FileAs", "한글"}});
    const QByteArray bytes = UTF8FromUTF16withMark(utf16Bytes(AddressbookXmlFromContacts(*m_store)));
    const QByteArray expected = QByteArray("\xEF\xBB\xBF") + addressbookPrologue.toLatin1() +
                                "<Contact uid=\"1\" FileAs=\"\xED\x95\x9C\xEA\xB8\x80\" /></Contacts></AddressBook>";
    QCOMPARE(bytes, expected);
}

void TestDocumentWriters::todolistValues()
{
    insert(*m_store, "Todo",
           {{"ID", 5},
            {"Priority", "3"},
            {"Status", "InProgress"},
            {"Description", " 보고서 <초안> "},
            {"Completed", "0"},
            {"PercentCompleted", "40"},
            {"Hasdate", "1"},
            {"Dateyear", "2006"},
            {"Datemonth", "3"},
            {"Dateday", "14"},
            {"Starteddate", "2006-03-01"},
            {"Completeddate", "None"},
            {"Categories", "-1;2"},
            {"Notes", "say \"hi\"\r\nthen & go"},
            {"qdl-private-data", "  <x a=\"1\"/>  "},
            {"outlook_index", "abc"},
            {"application", "app"}});
    insert(*m_store, "Todo", {{"ID", 6}, {"Description", "plain"}, {"Hasdate", QVariant()}, {"Dateyear", " "}});
    insert(*m_store, "Todo", {{"ID", 8}, {"qdl-private-data", "   "}, {"Notes", "   "}});
    const QString expected =
        "<!DOCTYPE Tasks><Tasks>"
        "<Task Uid=\"5\" Categories=\"-1;2\" Hasdate=\"1\" Description=\"보고서 &lt;초안&gt;\" Priority=\"3\" "
        "Completed=\"0\" PercentCompleted=\"40\" Dateyear=\"2006\" Datemonth=\"3\" Dateday=\"14\" "
        "Status=\"InProgress\" Starteddate=\"2006-03-01\" Completeddate=\"None\" "
        "Notes=\"say &quot;hi&quot;\r\nthen &amp; go\" qdl-private-data=\"<x a=\"1\"/>\"/>"
        "<Task Uid=\"6\" Description=\"plain\" />"
        "<Task Uid=\"8\" />"
        "</Tasks>";
    QCOMPARE(TodolistXmlFromTodo(*m_store), expected);
}

void TestDocumentWriters::deviceTimeBounds()
{
    QCOMPARE(deviceTimeValue(u"1969-12-31 00:00:00"), std::optional<qint64>(0));
    QCOMPARE(deviceTimeValue(u"1970-01-01 08:59:59"), std::optional<qint64>(0));
    QCOMPARE(deviceTimeValue(u"1970-01-01 09:00:00"), std::optional<qint64>(0));
    QCOMPARE(deviceTimeValue(u"1970-01-01 09:00:01"), std::optional<qint64>(1));
    QCOMPARE(deviceTimeValue(u"2006-01-01 00:00:00"), std::optional<qint64>(1136041200));
    QCOMPARE(deviceTimeValue(u"2038-01-19 03:14:07"), std::optional<qint64>(2147451247));
    QCOMPARE(deviceTimeValue(u"2038-01-19 03:14:08"), std::optional<qint64>(2147483647));
    QCOMPARE(deviceTimeValue(u"9999-12-31 23:59:59"), std::optional<qint64>(2147483647));
    QCOMPARE(unboundedDeviceTimeValue(u"1969-12-31 00:00:00"), std::optional<qint64>(-118800));
    QCOMPARE(unboundedDeviceTimeValue(u"2038-01-19 12:14:06"), std::optional<qint64>(2147483646));
    QCOMPARE(unboundedDeviceTimeValue(u"2038-01-19 12:14:07"), std::optional<qint64>(2147483647));
    QCOMPARE(unboundedDeviceTimeValue(u"2038-01-19 12:14:08"), std::optional<qint64>(2147483647));
    QCOMPARE(unboundedDeviceTimeValue(u"0001-01-01 00:00:00"), std::optional<qint64>(-62135629200));
}

void TestDocumentWriters::deviceTimeReadsOnlyWallClockDates()
{
    // Daylight saving of the machine's zone never shifts a value: 2006-04-02 02:30 does not exist
    // in New York, and its stored text still counts as written.
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "America/New_York");
    tzset();
    QCOMPARE(deviceTimeValue(u"2006-04-02 02:30:00"), std::optional<qint64>(1143912600));
    QCOMPARE(deviceTimeValue(u"2006-07-01 12:00:00"), std::optional<qint64>(1151722800));
    if (oldTz.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", oldTz);
    tzset();

    QCOMPARE(secondsFrom2006(u"  2006-01-02 00:00:01 "), std::optional<qint64>(86401));
    QCOMPARE(secondsFrom2006(u"2006-01-02T00:01:00"), std::optional<qint64>(86460));
    QCOMPARE(secondsFrom2006(u"2006-01-02 00:01"), std::optional<qint64>(86460));
    QCOMPARE(secondsFrom2006(u"2005-12-31"), std::optional<qint64>(-86400));
    for (const char16_t *bad : {u"", u"   ", u"2006-02-30 00:00:00", u"2006-1-1 00:00:00", u"2006-01-01 24:00:00",
                                u"2006-01-01 23:60:00", u"2006-01-01 00:00:60", u"5 Jan 2004", u"2006/01/01 00:00:00",
                                u"2006-01-01 00:00:00.5", u"-006-01-01 00:00:00", u"2006-01-01x00:00:00"})
        QVERIFY2(!secondsFrom2006(bad), qPrintable(QString::fromUtf16(bad)));
}

void TestDocumentWriters::datebookTimesAndEndDateRule()
{
    // Bounds of start and end.
    insert(*m_store, "Datebook", {{"ID", 1}, {"Start", "1969-12-31 00:00:00"}, {"End", "1970-01-01 09:00:00"}});
    insert(*m_store, "Datebook", {{"ID", 2}, {"Start", "2006-01-01 00:00:00"}, {"End", "2038-01-19 03:14:07"}});
    insert(*m_store, "Datebook", {{"ID", 3}, {"Start", "2038-01-19 03:14:08"}, {"End", "not a date"}});
    // The end-date rule: flag set, flag blank, flag null, no end date at all.
    insert(*m_store, "Datebook",
           {{"ID", 4}, {"Start", "2006-01-01 00:00:00"}, {"Rhasenddate", " 1 "}, {"Enddt", "2006-01-02 00:00:00"}});
    insert(*m_store, "Datebook",
           {{"ID", 5}, {"Start", "2006-01-01 00:00:00"}, {"Rhasenddate", "  "}, {"Enddt", "2006-01-02 00:00:00"}});
    insert(*m_store, "Datebook", {{"ID", 6}, {"Start", "1969-12-31 00:00:00"}, {"Enddt", "2006-01-02 00:00:00"}});
    insert(*m_store, "Datebook", {{"ID", 7}, {"Start", "2040-01-01 00:00:00"}, {"Enddt", "2040-01-02 00:00:00"}});
    insert(*m_store, "Datebook", {{"ID", 8}, {"Start", "2006-01-01 00:00:00"}, {"Rhasenddate", "1"}, {"Enddt", " "}});
    // Dates that cannot be read leave their attributes out.
    insert(*m_store, "Datebook",
           {{"ID", 9}, {"Start", "2006-13-01 00:00:00"}, {"Rhasenddate", "1"}, {"Enddt", "someday"}});
    insert(*m_store, "Datebook", {{"ID", 10}, {"Start", "garbage"}, {"Enddt", "2006-01-02 00:00:00"}});
    const QString expected = datebookPrologue +
                             "<event uid=\"1\" start=\"0\" end=\"0\" />"
                             "<event uid=\"2\" start=\"1136041200\" end=\"2147451247\" />"
                             "<event uid=\"3\" start=\"2147483647\" />"
                             "<event uid=\"4\" start=\"1136041200\" rhasenddate=\"1\" enddt=\"1136127600\" />"
                             "<event uid=\"5\" start=\"1136041200\" enddt=\"1136041200\" />"
                             "<event uid=\"6\" start=\"0\" enddt=\"-118800\" />"
                             "<event uid=\"7\" start=\"2147483647\" enddt=\"2147483647\" />"
                             "<event uid=\"8\" start=\"1136041200\" rhasenddate=\"1\" />"
                             "<event uid=\"9\" rhasenddate=\"1\" />"
                             "<event uid=\"10\" />"
                             "</events>";
    QCOMPARE(DatebookXmlFromDatebook(*m_store), expected);
}

void TestDocumentWriters::datebookValues()
{
    insert(*m_store, "Datebook",
           {{"ID", 21},
            {"application", "Outlook"},
            {"Start", "2006-01-01 09:00:00"},
            {"End", "2006-01-01 10:30:00"},
            {"Description", " 회의 \"A\" <B> & C "},
            {"Location", "서울  본사"},
            {"Categories", "1;2"},
            {"Timezone", "Asia/Seoul"},
            {"Note", "line 1\r\nline <2>"},
            {"Type", "Timed"},
            {"Rtype", " <Weekly> "},
            {"Rfreq", "1"},
            {"Rweekdays", "\"5\""},
            {"Rhasenddate", "1"},
            {"Enddt", "2006-02-01 00:00:00"},
            {"Recchildren", "3 4"},
            {"Exceptions", "20060108"},
            {"balarm", "true"},
            {"alarm", "15"},
            {"sound", "loud"},
            {"qdl-private-data", "<p q=\"&\"/>"},
            {"outlook_index", "xyz"}});
    insert(*m_store, "Datebook", {{"ID", 22}, {"Description", "   "}, {"Type", "AllDay"}});
    const QString expected =
        datebookPrologue +
        "<event uid=\"21\" categories=\"1;2\" description=\"회의 &quot;A&quot; &lt;B&gt; &amp; C\" "
        "location=\"서울  본사\" timezone=\"Asia/Seoul\" note=\"line 1\r\nline &lt;2&gt;\" start=\"1136073600\" "
        "end=\"1136079000\" type=\"Timed\" rtype=\"<Weekly>\" rfreq=\"1\" rweekdays=\"\"5\"\" rhasenddate=\"1\" "
        "enddt=\"1138719600\" recchildren=\"3 4\" exceptions=\"20060108\" balarm=\"true\" sound=\"loud\" "
        "alarm=\"15\" qdl-private-data=\"<p q=\"&\"/>\" />"
        "<event uid=\"22\" type=\"AllDay\" />"
        "</events>";
    QCOMPARE(DatebookXmlFromDatebook(*m_store), expected);
}

void TestDocumentWriters::handheldBytesMatchTheWritersText()
{
    for (RecordKind kind : allKinds)
        QCOMPARE(handheldDocument(kind, *m_store), QByteArray());
    insert(*m_store, "Contacts", {{"ID", 1}, {"FileAs", "한글 😀 <\"x\">"}, {"Notes", QString(QChar(0xD800)) + "lone"}});
    insert(*m_store, "Todo", {{"ID", 2}, {"Description", QString(QChar(0xFEFF)) + "mark"}});
    insert(*m_store, "Datebook", {{"ID", 3}, {"Description", "x"}, {"Start", " 2006-01-01 00:00:00 "}});
    // Bytes that are not UTF-8, put into the store by another program.
    m_store->exec("INSERT INTO Contacts (ID, FileAs) VALUES (4, CAST(x'41ff42' AS TEXT))");
    for (RecordKind kind : allKinds) {
        const QByteArray bytes = handheldDocument(kind, *m_store);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF<"));
        QCOMPARE(bytes, UTF8FromUTF16withMark(utf16Bytes(documentFromStore(kind, *m_store))));
    }
    QVERIFY(handheldDocument(RecordKind::Contacts, *m_store)
                .contains("FileAs=\"A\xEF\xBF\xBD"
                          "B\""));
}

void TestDocumentWriters::largeDocumentsComeInPieces()
{
    {
        Store::Transaction tx(*m_store);
        for (int i = 1; i <= 3000; ++i)
            insert(
                *m_store, "Contacts",
                {{"ID", i}, {"FileAs", QString("홍길동 %1").arg(i)}, {"Notes", QString(400, QChar(u'가' + i % 50))}});
        tx.commit();
    }
    QList<QByteArray> pieces;
    QVERIFY(writeHandheldDocument(RecordKind::Contacts, *m_store, [&pieces](QByteArrayView piece) {
        pieces.append(piece.toByteArray());
        return true;
    }));
    QVERIFY(pieces.size() >= 3);
    const QByteArray whole = handheldDocument(RecordKind::Contacts, *m_store);
    QCOMPARE(pieces.join(), whole);
    QCOMPARE(whole, UTF8FromUTF16withMark(utf16Bytes(AddressbookXmlFromContacts(*m_store))));
    // A receiver that refuses a piece ends the writing there.
    int offered = 0;
    QVERIFY(!writeHandheldDocument(RecordKind::Contacts, *m_store, [&offered](QByteArrayView) {
        ++offered;
        return false;
    }));
    QCOMPARE(offered, 1);
}

// A large table is written by two threads, part by part; a table read inside a transaction of the
// store's connection is walked whole. Both give the same bytes, whatever the rows hold and however
// sparse their rowids are, and a receiver that refuses a piece still ends the writing there.
void TestDocumentWriters::largeTablesWrittenInPartsGiveTheSameBytes()
{
    struct Kind
    {
        RecordKind kind;
        const char *table;
        const char *text;
        const char *other;
    };
    const Kind kinds[] = {{RecordKind::Contacts, "Contacts", "FileAs", "Notes"},
                          {RecordKind::Tasks, "Todo", "Description", "Notes"},
                          {RecordKind::Events, "Datebook", "Description", "Start"}};
    {
        Store::Transaction tx(*m_store);
        for (const Kind &k : kinds)
            for (int i = 1; i <= 9000; ++i) {
                QVariant other = QString(i % 40, QChar(u'가' + i % 50));
                if (k.kind == RecordKind::Events)
                    other = i % 7 ? QVariant(QString("2006-01-%1 10:00:00").arg(1 + i % 28, 2, 10, QChar('0')))
                                  : QVariant();
                QVariant text = QString("홍길동 %1 <&\"x\">&amp;").arg(i);
                if (i % 101 == 0)
                    text = QByteArray("A\xff") + QByteArray::number(i); // not UTF-8, put there by another program
                else if (i % 13 == 0)
                    text = "   ";
                insert(*m_store, k.table, {{"ID", i}, {k.text, text}, {k.other, other}});
            }
        // Gaps: a whole part without rows, and rows far beyond the others.
        for (const Kind &k : kinds) {
            m_store->exec(QString("DELETE FROM %1 WHERE rowid BETWEEN 2000 AND 4200").arg(k.table));
            m_store->exec(QString("UPDATE %1 SET rowid = rowid + 500000 WHERE rowid > 8990").arg(k.table));
        }
        tx.commit();
    }

    for (const Kind &k : kinds) {
        QByteArray whole;
        {
            Store::Transaction tx(*m_store);
            whole = handheldDocument(k.kind, *m_store);
        }
        QVERIFY(whole.contains("id=\"1\" "));
        QVERIFY(whole.contains("\"9000\""));
        QVERIFY(whole.contains("A\xEF\xBF\xBD" "101"));
        QCOMPARE(handheldDocument(k.kind, *m_store), whole);
        QList<QByteArray> pieces;
        QVERIFY(writeHandheldDocument(k.kind, *m_store, [&pieces](QByteArrayView piece) {
            pieces.append(piece.toByteArray());
            return true;
        }));
        QCOMPARE(pieces.join(), whole);
        for (int refused : {1, 2, int(pieces.size())}) {
            int offered = 0;
            QVERIFY(!writeHandheldDocument(k.kind, *m_store, [&](QByteArrayView) { return ++offered < refused; }));
            QCOMPARE(offered, refused);
        }
    }
    // The store's connection can still write: the walk's read transaction has ended.
    insert(*m_store, "Todo", {{"ID", 9001}, {"Description", "after"}});
    QVERIFY(handheldDocument(RecordKind::Tasks, *m_store).contains("after"));
}

// A damaged page in the second of the table's parts (rowids 1001 to 2000 of 9,000, walked by the
// second thread) or in the third (the first thread's): either way the writing ends with the
// store's error, and does not hang waiting for the other thread.
void TestDocumentWriters::damageFoundByEitherThreadIsReported()
{
    for (const int damagedRow : {1500, 2500}) {
        init();
        {
            Store::Transaction tx(*m_store);
            for (int i = 1; i <= 9000; ++i)
                insert(*m_store, "Contacts", {{"ID", i}, {"FileAs", QString("row%1end").arg(i)}, {"Notes", QString(300, 'n')}});
            tx.commit();
        }
        const QString path = m_store->path();
        m_store.reset();
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            // The row's page of the table (and of the index on FileAs).
            const QByteArray bytes = file.readAll();
            const QByteArray marker = QString("row%1end").arg(damagedRow).toUtf8();
            for (qint64 at = bytes.indexOf(marker); at > 0; at = bytes.indexOf(marker, at + 1)) {
                file.seek(at / 4096 * 4096);
                file.write(QByteArray(4096, '\xff'));
            }
        }
        m_store = Store::open(path);
        bool failed = false;
        try {
            writeHandheldDocument(RecordKind::Contacts, *m_store, [](QByteArrayView) { return true; });
        } catch (const StoreError &) {
            failed = true;
        }
        QVERIFY(failed);
        cleanup();
    }
}

QTEST_GUILESS_MAIN(TestDocumentWriters)
#include "tst_documentwriters.moc"
