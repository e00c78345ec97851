// The real Outlook data files on their way to the handheld, in two time zones: what the store keeps
// means what the handheld shows, and the exported documents are ones an XML reader accepts.
#include "records/Store.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QXmlStreamReader>
#include <ctime>

using namespace pimdesk;

namespace {

QString sample(const QString &name)
{
    return test::sharedTestdataPath("pst/" + name);
}

// The computer's zone for the rest of a test.
void useZone(const QByteArray &zone)
{
    qputenv("TZ", zone);
    tzset();
}

// The handheld's count of seconds for a stored wall-clock time (read at nine hours east of UTC).
QString deviceSeconds(const QString &stored)
{
    const QDateTime wall = QDateTime::fromString(stored, "yyyy-MM-dd HH:mm:ss");
    return QString::number(QDateTime(wall.date(), wall.time(), QTimeZone(9 * 3600)).toSecsSinceEpoch());
}

// The attributes of every record element of a document, by the value of one attribute.
QHash<QString, QVariantMap> records(const QByteArray &document, const QString &element, const QString &key)
{
    QHash<QString, QVariantMap> found;
    QXmlStreamReader xml(document);
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (xml.isStartElement() && xml.name() == element) {
            QVariantMap attributes;
            for (const QXmlStreamAttribute &a : xml.attributes())
                attributes.insert(a.name().toString(), a.value().toString());
            found.insert(attributes.value(key).toString(), attributes);
        }
        if (xml.hasError())
            break;
    }
    return found;
}

QString xmllint(const QString &path)
{
    QProcess lint;
    lint.start("xmllint", {"--noout", path});
    if (!lint.waitForFinished(60000))
        return "xmllint did not finish";
    const QString said = QString::fromUtf8(lint.readAllStandardError());
    return lint.exitCode() == 0 ? said : said + QString(" (exit %1)").arg(lint.exitCode());
}

// A data folder, filled by pimdesk-cli from Outlook data files and exported to a folder standing in
// for the handheld.
struct Folder
{
    QTemporaryDir dir;
    QString data = dir.filePath("DATA");
    QString drive = dir.filePath("K7M");

    test::CliRun import(const QString &file, const QStringList &kinds)
    {
        return test::runCli(QStringList{"--data", data, "outlook-import", "--pst", file} + kinds);
    }
    bool exportAll()
    {
        QDir().mkpath(drive + "/Qtopia/Applications");
        return test::runCli({"--data", data, "export", "--drive", drive, "--contacts", "--events", "--yes"}).status ==
               0;
    }
    QString documentPath(const QString &name) const
    {
        return drive + "/Qtopia/Applications/" + name + "/" + name + ".xml";
    }
    QVariantMap record(const QString &table, const QString &keyField, const QString &key)
    {
        const auto store = Store::open(Store::pathInDirectory(data));
        QVariantMap fields;
        Store::Query q(*store, QString("SELECT * FROM \"%1\" WHERE \"%2\" = ?").arg(table, keyField), {key});
        if (q.next())
            for (int c = 0; c < q.columnCount(); ++c)
                fields.insert(q.columnName(c), q.isNull(c) ? QString() : q.text(c));
        return fields;
    }
};

void compareFields(const QVariantMap &actual, const QVariantMap &expected)
{
    QVERIFY2(!actual.isEmpty(), "no such record");
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QCOMPARE(actual.value(it.key()).toString() + " (" + it.key() + ")",
                 it.value().toString() + " (" + it.key() + ")");
}

// Attributes that must be absent from an element.
void compareAbsent(const QVariantMap &element, const QStringList &names)
{
    for (const QString &name : names)
        QVERIFY2(!element.contains(name), qPrintable(name + " should be absent"));
}

} // namespace

#define REQUIRE_SAMPLES()                                                                                              \
    if (!QFileInfo::exists(sample("SOURCES.md")))                                                                      \
    QSKIP("the shared Outlook data files (testdata/pst) are not here")

class TestPstFidelity : public QObject
{
    Q_OBJECT

    QTemporaryDir m_unpacked;
    QString m_ost;

private slots:
    void initTestCase()
    {
        const QString archive = sample("pst-extractor-mtnman1965.ost.tar.xz");
        if (!QFileInfo::exists(archive))
            return;
        QProcess tar;
        tar.start("tar", {"-xJf", archive, "-C", m_unpacked.path()});
        const QString unpacked = m_unpacked.filePath("pst-extractor-mtnman1965.ost");
        if (tar.waitForFinished(120000) && tar.exitCode() == 0 && QFileInfo::exists(unpacked))
            m_ost = unpacked;
    }
    void cleanupTestCase() { useZone("UTC"); }

    void seriesReachTheHandheldAsMeant_data()
    {
        QTest::addColumn<QByteArray>("zone");
        // The weekly series: every Tuesday 08:00 Pacific time = 15:00 UTC = Wednesday 00:00 in Seoul.
        QTest::addColumn<QString>("weeklyStart");
        QTest::addColumn<QString>("weekday"); // the handheld's bit
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QString>("moved");
        // The daily workout: 10:00 Mountain time = 17:00 UTC = 02:00 next day in Seoul, to 2018-05-28.
        QTest::addColumn<QString>("dailyStart");
        QTest::addColumn<QString>("dailyEnd");
        QTest::newRow("UTC") << QByteArray("UTC") << "2016-08-02 15:00:00"
                             << "2"
                             << "20160809"
                             << "2016-08-23, 2016-08-30"
                             << "2018-03-05 17:00:00"
                             << "2018-05-28 00:00:00";
        QTest::newRow("Seoul") << QByteArray("Asia/Seoul") << "2016-08-03 00:00:00"
                               << "4"
                               << "20160810"
                               << "2016-08-24, 2016-08-31"
                               << "2018-03-06 02:00:00"
                               << "2018-05-29 00:00:00";
    }
    void seriesReachTheHandheldAsMeant()
    {
        REQUIRE_SAMPLES();
        if (m_ost.isEmpty())
            QSKIP("the sample offline store could not be unpacked (tar with xz needed)");
        QFETCH(QByteArray, zone);
        QFETCH(QString, weeklyStart);
        QFETCH(QString, weekday);
        QFETCH(QString, removed);
        QFETCH(QString, moved);
        QFETCH(QString, dailyStart);
        QFETCH(QString, dailyEnd);
        useZone(zone);
        Folder f;
        const QStringList allEvents{"--events", "1970-01-02", "2038-01-18"};
        const test::CliRun weekly = f.import(sample("java-libpst-dist-list.pst"), allEvents);
        QCOMPARE(weekly.status, 0);
        // The two occurrences moved in Outlook stay where the pattern puts them, and the message
        // says so.
        QVERIFY2(weekly.out.contains("Test appointment (" + weeklyStart.left(16) + "): 따로 바뀐 " + moved +
                                     "의 일정은 반복대로 남겼습니다."),
                 qPrintable(weekly.out));
        QCOMPARE(f.import(m_ost, allEvents).status, 0);

        const QVariantMap tuesdays = f.record("Datebook", "Description", "Test appointment");
        compareFields(tuesdays, {{"Start", weeklyStart},
                                 {"Rtype", "Weekly"},
                                 {"Rfreq", "1"},
                                 {"Rweekdays", weekday},
                                 {"Rhasenddate", "0"},
                                 {"Enddt", ""},
                                 {"Exceptions", removed},
                                 {"balarm", "true"},
                                 {"alarm", "15"},
                                 {"sound", "loud"}});
        // The daily series has no reminder: its repetition is there, no alarm.
        const QVariantMap workout = f.record("Datebook", "Description", "workout");
        compareFields(workout, {{"Start", dailyStart},
                                {"Rtype", "Daily"},
                                {"Rfreq", "1"},
                                {"Rweekdays", ""},
                                {"Rhasenddate", "1"},
                                {"Enddt", dailyEnd},
                                {"Exceptions", ""},
                                {"balarm", ""},
                                {"alarm", ""},
                                {"sound", ""}});

        QVERIFY(f.exportAll());
        const QString datebook = f.documentPath("datebook");
        QCOMPARE(xmllint(datebook), QString());
        const auto events = records(test::readFile(datebook), "event", "description");
        QCOMPARE(events.size(), 3);
        const QVariantMap weeklyEvent = events.value("Test appointment");
        compareFields(weeklyEvent, {{"start", deviceSeconds(weeklyStart)},
                                    {"rtype", "Weekly"},
                                    {"rfreq", "1"},
                                    {"rweekdays", weekday},
                                    {"rhasenddate", "0"},
                                    {"exceptions", removed},
                                    {"balarm", "true"},
                                    {"alarm", "15"},
                                    {"sound", "loud"}});
        compareAbsent(weeklyEvent, {"enddt"});
        const QVariantMap dailyEvent = events.value("workout");
        compareFields(dailyEvent, {{"start", deviceSeconds(dailyStart)},
                                   {"rtype", "Daily"},
                                   {"rfreq", "1"},
                                   {"rhasenddate", "1"},
                                   {"enddt", deviceSeconds(dailyEnd)}});
        compareAbsent(dailyEvent, {"rweekdays", "exceptions", "balarm", "alarm", "sound"});
        // The single appointment beside them repeats never and rings never.
        for (const auto &[description, event] : events.asKeyValueRange())
            if (description != "Test appointment" && description != "workout")
                compareAbsent(event, {"rtype", "rfreq", "rweekdays", "rhasenddate", "enddt", "exceptions", "balarm"});
    }

    void contactsReachTheHandheldAsMeant_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::newRow("UTC") << QByteArray("UTC");
        QTest::newRow("Seoul") << QByteArray("Asia/Seoul");
    }
    void contactsReachTheHandheldAsMeant()
    {
        REQUIRE_SAMPLES();
        QFETCH(QByteArray, zone);
        useZone(zone);
        Folder f;
        QCOMPARE(f.import(sample("aspose-SampleContacts.pst"), {"--contacts"}).status, 0);
        // Outlook's 1 (female) and 2 (male) are the handheld's 2 and 1.
        compareFields(f.record("Contacts", "LastName", "Tolle"),
                      {{"H_Gender", "2"},
                       {"FileAs", "Tolle, Margaret J."},
                       {"O_Street", "4 Darwinia Loop EIGHTY MILE BEACH WA 6725"}});
        compareFields(f.record("Contacts", "LastName", "Wilcox"),
                      {{"H_Gender", "1"}, {"O_Street", "Horner Strasse 12 4421 SAASS"}});
        compareFields(f.record("Contacts", "LastName", "Buell"),
                      {{"H_Gender", "0"}, {"O_Street", "Im Astenfeld 59 8580 EDELSCHROTT"}});
        // Three contacts without a file-as name are listed by their full names.
        for (const char *email :
             {"SebastianWright@dayrep.com", "WichertKroos@teleworm.us", "ChristoffervandeMeeberg@teleworm.us"}) {
            const QString fileAs = f.record("Contacts", "Emails", email).value("FileAs").toString();
            QVERIFY2(!fileAs.trimmed().isEmpty(), email);
        }
        QCOMPARE(f.record("Contacts", "Emails", "SebastianWright@dayrep.com").value("FileAs").toString(),
                 QString("Sebastian Wright"));

        QVERIFY(f.exportAll());
        const QString addressbook = f.documentPath("addressbook");
        QCOMPARE(xmllint(addressbook), QString());
        const auto contacts = records(test::readFile(addressbook), "Contact", "Emails");
        QCOMPARE(contacts.size(), 6); // Wilcox has no e-mail address: his key is empty
        QCOMPARE(contacts.value("MargaretJTolle@dayrep.com").value("Gender").toString(), QString("2"));
        QCOMPARE(contacts.value("SebastianWright@dayrep.com").value("FileAs").toString(), QString("Sebastian Wright"));
        QCOMPARE(contacts.value("BerthaABuell@armyspy.com").value("BusinessStreet").toString(),
                 QString("Im Astenfeld 59 8580 EDELSCHROTT"));
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestPstFidelity test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pstfidelity.moc"
