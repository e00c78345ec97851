#include "outlook/OutlookImport.h"
#include "outlook/pst/PstOutlook.h"
#include "records/DataSource.h"
#include "records/Store.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>

using namespace pimdesk;
using namespace pimdesk::outlook;

namespace {

QString sample(const QString &name)
{
    return test::sharedTestdataPath("pst/" + name);
}

const RangeBoxes allTasks{"0000", "00", "00", "9999", "12", "31"};
const RangeBoxes allEvents{"1970", "01", "02", "2038", "01", "18"};

// A store in a temporary folder and the import sequence over one data file.
struct Fixture
{
    QTemporaryDir dir;
    QString path = Store::pathInDirectory(dir.path());
    std::shared_ptr<Store> store = Store::shared(path);
    DataSource data1, data2;
    ScriptedMessages messages;

    SequenceOutcome import(const QString &file, bool contacts, bool tasks, bool calendar,
                           const RangeBoxes &taskRange = allTasks, const RangeBoxes &calendarRange = allEvents)
    {
        ImportRequest request;
        request.contacts = contacts;
        request.tasks = tasks;
        request.calendar = calendar;
        request.taskRange = taskRange;
        request.calendarRange = calendarRange;
        request.showAccessMessage = false;
        return importFromOutlook(request, {dataFileSource(file), path, &data1, &data2, &messages, {}});
    }

    // A record's fields by the value of one of them.
    QVariantMap record(const QString &table, const QString &keyField, const QString &key)
    {
        QVariantMap fields;
        Store::Query q(*store, QString("SELECT * FROM \"%1\" WHERE \"%2\" = ?").arg(table, keyField), {key});
        if (q.next())
            for (int c = 0; c < q.columnCount(); ++c)
                fields.insert(q.columnName(c), q.isNull(c) ? QVariant() : QVariant(q.text(c)));
        return fields;
    }

    // Every row of every table, to show that a failed import changed nothing.
    QStringList dump()
    {
        QStringList rows;
        for (const char *table : {"Contacts", "Todo", "Datebook"}) {
            Store::Query q(*store, QString("SELECT * FROM %1 ORDER BY ID").arg(table));
            while (q.next()) {
                QStringList values;
                for (int c = 0; c < q.columnCount(); ++c)
                    values << q.text(c);
                rows << values.join('|');
            }
        }
        return rows;
    }
};

void compareFields(const QVariantMap &actual, const QVariantMap &expected)
{
    QVERIFY2(!actual.isEmpty(), "no such record");
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QCOMPARE(actual.value(it.key()).toString() + " (" + it.key() + ")",
                 it.value().toString() + " (" + it.key() + ")");
}

} // namespace

// The shared sample files may be absent (a clone outside the team): the tests then skip.
#define REQUIRE_SAMPLES()                                                                                              \
    if (!QFileInfo::exists(sample("SOURCES.md")))                                                                      \
    QSKIP("the shared Outlook data files (testdata/pst) are not here")

class TestPstImport : public QObject
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

    void contacts_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QVariantMap>("fields");
        const QVariantMap japanese{{"Title", "Mr."},
                                   {"FirstName", "コム"},
                                   {"LastName", "イグザンプル"},
                                   {"Suffix", "殿"},
                                   {"FileAs", "イグザンプル, コム ドット"},
                                   {"O_Company", "My work company"},
                                   {"O_Title", "My position"},
                                   {"O_Department", "My division"},
                                   {"H_Phone", "06-0001-0001"},
                                   {"O_Mobile", "080-0001-0001"},
                                   {"H_Mobile", "080-0001-0001"},
                                   {"O_Phone", "06-0001-0002"},
                                   {"O_Fax", "06-0001-0003"},
                                   {"H_Birthday", "2000-01-01 00:00:00"},
                                   {"application", "Outlook"}};
        QTest::newRow("Unicode file, Japanese") << "hiraoka-contacts.pst" << 1 << "test@example.com" << japanese;
        // The same contact in an old ANSI file: its texts are in code page 932, which the item declares.
        QTest::newRow("ANSI file, Japanese") << "hiraoka-contacts97-2002.pst" << 1 << "test@example.com" << japanese;
        QTest::newRow("distribution list beside the contact")
            << "java-libpst-dist-list.pst" << 1 << "contact1@rjohnson.id.au"
            << QVariantMap{{"FirstName", "contact"},
                           {"MiddleName", "name"},
                           {"LastName", "1"},
                           {"FileAs", "1, contact name"},
                           {"H_Birthday", "4501-01-01 00:00:00"},
                           {"outlook_index", "00000000A41D63DBC53B8E4AB8071E15E55750CE64002000"}};
        QTest::newRow("six contacts") << "aspose-SampleContacts.pst" << 6 << "MargaretJTolle@dayrep.com"
                                      << QVariantMap{
                                             {"FirstName", "Margaret"},
                                             {"LastName", "Tolle"},
                                             {"FileAs", "Tolle, Margaret J."},
                                             {"O_Company", "Adaptaz"},
                                             {"O_Title", "Recording engineer"},
                                             {"O_Phone", "(08)9080-1183"},
                                             {"H_Gender", "2"}, // Outlook's 1, female
                                             {"outlook_index", "0000000006AF532EFFACB14C8735B425197F58F284002000"}};
        QTest::newRow("mail file") << "aspose-Outlook_1.pst" << 1 << "saqib.razzaq@xp.local"
                                   << QVariantMap{{"FirstName", "Saqib"},      {"LastName", "Razzaq"},
                                                  {"FileAs", "Razzaq, Saqib"}, {"O_Company", "Aspose"},
                                                  {"O_Title", "Developer"},    {"H_Phone", "1112223333"},
                                                  {"O_Mobile", "3334443333"},  {"O_Phone", "1110001234"}};
        // Contacts outside any contacts folder are not Outlook's contacts.
        QTest::newRow("contacts in a mail folder")
            << "aspose-PersonalStorageFile1.pst" << 0 << QString() << QVariantMap();
    }

    void contacts()
    {
        REQUIRE_SAMPLES();
        QFETCH(QString, file);
        QFETCH(int, count);
        QFETCH(QString, email);
        QFETCH(QVariantMap, fields);
        Fixture f;
        QVERIFY(f.import(sample(file), true, false, false).ok);
        QCOMPARE(f.messages.texts(), QStringList{completionText(RecordKind::Contacts)});
        QCOMPARE(f.store->count("Contacts"), count);
        if (!email.isEmpty())
            compareFields(f.record("Contacts", "Emails", email), fields);

        // A second import finds every contact again and adds none.
        const QStringList before = f.dump();
        QVERIFY(f.import(sample(file), true, false, false).ok);
        QCOMPARE(f.dump(), before);
    }

    void weeklySeries()
    {
        REQUIRE_SAMPLES();
        Fixture f;
        QVERIFY(f.import(sample("java-libpst-dist-list.pst"), false, true, true).ok);
        QCOMPARE(f.store->count("Todo"), 0);
        QCOMPARE(f.store->count("Datebook"), 1);
        // Every Tuesday from 8:00 Pacific time, without end, with a reminder; this computer is on
        // Mountain time (see main()), where the occurrences fall on Tuesdays too.
        compareFields(f.record("Datebook", "Description", "Test appointment"),
                      {{"Start", "2016-08-02 09:00:00"},
                       {"End", "2016-08-02 09:30:00"},
                       {"Type", "Timed"},
                       {"Rtype", "Weekly"},
                       {"Rweekdays", "2"},
                       {"Rfreq", "1"},
                       {"Rhasenddate", "0"},
                       {"Enddt", ""},
                       {"Exceptions", "20160809"},
                       {"balarm", "true"},
                       {"alarm", "15"},
                       {"sound", "loud"},
                       {"Note", "This is a complete test\r\n"}, // the plain body as stored
                       {"outlook_index", "00000000A41D63DBC53B8E4AB8071E15E55750CEC4002000"}});
    }

    void offlineStore()
    {
        REQUIRE_SAMPLES();
        if (m_ost.isEmpty())
            QSKIP("the sample offline store could not be unpacked (tar with xz needed)");
        const QString file = m_ost;
        Fixture f;
        // Its items keep no modification time: their creation stands in, so the ranges still work.
        QVERIFY(f.import(file, true, true, true, {"2018", "03", "06", "2018", "03", "06"}, allEvents).ok);
        QCOMPARE(f.store->count("Contacts"), 2); // "Contacts", not "Skype Contacts"; the list skipped
        compareFields(
            f.record("Contacts", "Emails", "epfromer@gmail.com"),
            {{"FirstName", "Ed"}, {"LastName", "Pfromer"}, {"O_Company", "Klonzo, LLC"}, {"O_Title", "President"}});
        compareFields(f.record("Contacts", "Emails", "kpfromer2@gmail.com"), {{"O_Title", "Softare Engineer"}});

        QCOMPARE(f.store->count("Todo"), 2);
        compareFields(f.record("Todo", "Description", "basic task"), {{"Hasdate", "1"},
                                                                      {"Dateyear", "2018"},
                                                                      {"Datemonth", "3"},
                                                                      {"Dateday", "6"},
                                                                      {"Status", "NotStarted"},
                                                                      {"Priority", "3"},
                                                                      {"Completed", "0"},
                                                                      {"Starteddate", "2018-03-06 00:00:00"},
                                                                      {"Completeddate", "4501-01-01 00:00:00"},
                                                                      {"Notes", "Vanilla task, not started"}});
        compareFields(f.record("Todo", "Description", "fully loaded task"), {{"Dateyear", "2018"},
                                                                             {"Datemonth", "4"},
                                                                             {"Dateday", "1"},
                                                                             {"Status", "InProgress"},
                                                                             {"Priority", "1"},
                                                                             {"Categories", "Blue category"}});

        // The default calendar holds two appointments (the holidays are a folder of their own).
        QCOMPARE(f.store->count("Datebook"), 2);
        // The daily series has no reminder; its repetition is stored all the same.
        compareFields(f.record("Datebook", "Description", "workout"), {{"Start", "2018-03-05 10:00:00"},
                                                                       {"End", "2018-03-05 11:00:00"},
                                                                       {"Rtype", "Daily"},
                                                                       {"Rfreq", "1"},
                                                                       {"Rhasenddate", "1"},
                                                                       {"Enddt", "2018-05-28 00:00:00"},
                                                                       {"balarm", ""}});
        const auto items = attachDataFile(file)->GetNamespace("MAPI")->GetDefaultFolder(olFolderCalendar)->Items();
        int series = 0;
        for (int i = 1; i <= items->Count(); ++i) {
            auto appointment = std::dynamic_pointer_cast<AppointmentItem>(items->Item(i));
            QVERIFY(appointment);
            if (appointment->RecurrenceState() != olApptMaster)
                continue;
            ++series;
            QCOMPARE(appointment->Subject(), QString("workout"));
            QCOMPARE(appointment->EntryID(), QString("000000007F58D8A4068BA144857E1B3B6B8443D1641E2000"));
            const auto pattern = appointment->GetRecurrencePattern();
            QCOMPARE(pattern->RecurrenceType(), int(olRecursDaily));
            QCOMPARE(pattern->Occurrences(), 85);
            QCOMPARE(pattern->NoEndDate(), false);
            QCOMPARE(pattern->PatternEndDate(), QDateTime(QDate(2018, 5, 28), QTime(0, 0)));
        }
        QCOMPARE(series, 1);

        // Today's range (the window's default) admits none of them.
        const RangeBoxes today{"2030", "01", "01", "2030", "01", "01"};
        const QStringList before = f.dump();
        QVERIFY(f.import(file, true, true, true, today, today).ok);
        QCOMPARE(f.dump(), before);
    }

    void badFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // the file's content; empty: take the named sample
        QTest::addColumn<QString>("reason");
        QTest::addColumn<qint64>("cutAt");    // -1: whole
        QTest::addColumn<qint64>("damageAt"); // -1: no damage
        const QString notOutlook = "Outlook 데이터 파일(.pst, .ost)이 아닙니다.";
        const QString damaged = "Outlook 데이터 파일이 손상되어 읽을 수 없습니다.";
        QTest::newRow("not Outlook") << "notes.pst" << QByteArray("Dear diary,\r\n") << notOutlook << -1LL << -1LL;
        QTest::newRow("empty") << "empty.pst" << QByteArray() << "Outlook 데이터 파일이 비어 있습니다." << -1LL << -1LL;
        QTest::newRow("missing") << "gone.pst" << QByteArray() << "Outlook 데이터 파일을 찾을 수 없습니다." << -1LL
                                 << -1LL;
        QTest::newRow("password")
            << "java-libpst-passworded.pst" << QByteArray()
            << "암호로 보호된 Outlook 데이터 파일입니다. Outlook에서 암호를 없앤 뒤 다시 가져오십시오." << -1LL << -1LL;
        QTest::newRow("cut short") << "java-libpst-dist-list.pst" << QByteArray() << damaged << 100000LL << -1LL;
        for (qint64 at : {20000LL, 60000LL, 100000LL, 140000LL})
            QTest::addRow("damaged at %lld", at)
                << "java-libpst-dist-list.pst" << QByteArray() << damaged << -1LL << at;
    }

    void badFiles()
    {
        REQUIRE_SAMPLES();
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QFETCH(qint64, cutAt);
        QFETCH(qint64, damageAt);
        Fixture f;
        QVERIFY(f.import(sample("aspose-SampleContacts.pst"), true, false, false).ok);
        const QStringList before = f.dump();
        f.messages.clear();

        const QString file = f.dir.filePath(name);
        if (QFileInfo::exists(sample(name))) {
            bytes = test::readFile(sample(name));
            if (cutAt >= 0)
                bytes.truncate(cutAt);
            if (damageAt >= 0)
                bytes.replace(damageAt, 4096, QByteArray(4096, char(0xAA)));
        }
        if (name != "gone.pst")
            QVERIFY(test::writeFile(file, bytes));

        const SequenceOutcome outcome = f.import(file, true, true, true);
        QVERIFY(!outcome.ok);
        QCOMPARE(f.messages.shown().size(), 1); // the first kind stops the sequence
        const QString text = f.messages.shown().first().text;
        QVERIFY2(text.contains(reason + "\r" + file), qPrintable(text));
        QCOMPARE(f.dump(), before);
    }

    void commandLine()
    {
        REQUIRE_SAMPLES();
        QTemporaryDir dir;
        auto run = [&](const QStringList &args, QString *out = nullptr, QString *err = nullptr) {
            QProcess process;
            process.start(test::cliPath(), QStringList{"--data", dir.path(), "outlook-import"} + args);
            process.closeWriteChannel();
            if (!process.waitForFinished(60000))
                return -1;
            if (out)
                *out = QString::fromUtf8(process.readAllStandardOutput());
            if (err)
                *err = QString::fromUtf8(process.readAllStandardError());
            return process.exitCode();
        };
        QString out;
        QCOMPARE(run({"--pst", sample("java-libpst-dist-list.pst"), "--contacts", "--events", "2016-08-01",
                      "2030-12-31", "--tasks"},
                     &out),
                 0);
        // The series' two moved occurrences are listed after the calendar's completion.
        QCOMPARE(out.split('\n', Qt::SkipEmptyParts).mid(2),
                 QStringList({"주소록: " + completionText(RecordKind::Contacts),
                              "주소록: " + completionText(RecordKind::Tasks),
                              "주소록: " + completionText(RecordKind::Events),
                              "휴대기기가 OUTLOOK과 같이 나타낼 수 없는 것은 가장 가깝게 저장했습니다:",
                              "Test appointment (2016-08-02 09:00): "
                              "따로 바뀐 2016-08-23, 2016-08-30의 일정은 반복대로 남겼습니다."}));
        {
            const auto store = Store::open(Store::pathInDirectory(dir.path()));
            QCOMPARE(store->count("Contacts"), 1);
            QCOMPARE(store->count("Datebook"), 1);
        }
        // Without a range a kind takes today only: the appointment of 2016 is not read again.
        QCOMPARE(run({"--events", "--pst=" + sample("java-libpst-dist-list.pst")}), 0);

        QString err;
        QCOMPARE(run({"--pst", sample("java-libpst-passworded.pst"), "--contacts"}, &out, &err), 1);
        QVERIFY(err.contains("암호로 보호된 Outlook 데이터 파일입니다."));
        QVERIFY(!out.contains("암호로 보호된 Outlook 데이터 파일입니다."));

        for (const QStringList &args : {QStringList{"--contacts"}, QStringList{"--pst", "x.pst"},
                                        QStringList{"--pst", "x.pst", "--tasks", "2018-3-6", "2018-03-07"},
                                        QStringList{"--pst", "x.pst", "--events", "2018-03-06"},
                                        QStringList{"--pst", "x.pst", "--contacts", "--all"}})
            QCOMPARE(run(args), 2);
    }
};

int main(int argc, char **argv)
{
    // Outlook shows stored instants in the computer's zone: the tests run on Mountain time, west
    // of Greenwich, where a wrongly converted date would fall on the day before.
    qputenv("TZ", "America/Denver");
    tzset();
    QCoreApplication app(argc, argv);
    TestPstImport test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pstimport.moc"
