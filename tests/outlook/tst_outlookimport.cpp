#include "outlook/FakeOutlook.h"
#include "outlook/OutlookImport.h"
#include "records/Clock.h"
#include "records/DataFolderLock.h"
#include "records/DataSource.h"
#include "records/Store.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace pimdesk;
using namespace pimdesk::outlook;
using pimdesk::test::FakeAppointment;
using pimdesk::test::FakeContact;
using pimdesk::test::FakeOther;
using pimdesk::test::FakeOutlook;
using pimdesk::test::FakeTask;

namespace {

const QDateTime now(QDate(2008, 3, 7), QTime(14, 5, 0));

// A store in a temporary folder, Outlook filled from code, and the import's context around them.
struct Fixture
{
    QTemporaryDir dir;
    QString path = Store::pathInDirectory(dir.path());
    std::shared_ptr<Store> store = Store::shared(path);
    std::shared_ptr<FakeOutlook> outlook = std::make_shared<FakeOutlook>();
    DataSource data1, data2;
    ScriptedMessages messages;
    QStringList progress;
    RangeBoxes everything{"0000", "00", "00", "9999", "12", "31"};

    ImportContext context()
    {
        return {outlook->source(), path, &data1, &data2, &messages, [this](RecordKind, const QString &label, double) {
                    progress << label;
                }};
    }

    QVariant value(const QString &table, const QString &entryId, const QString &field)
    {
        return store->scalar(QString("SELECT \"%1\" FROM \"%2\" WHERE outlook_index = ?").arg(field, table), {entryId});
    }
    QString text(const QString &table, const QString &entryId, const QString &field)
    {
        return value(table, entryId, field).toString();
    }
    QList<qint64> ids(const QString &table)
    {
        QList<qint64> all;
        Store::Query q(*store, QString("SELECT ID FROM \"%1\" ORDER BY ID").arg(table));
        while (q.next())
            all << q.value(0).toLongLong();
        return all;
    }
    qint64 count(const QString &table) { return store->count(table); }

    std::shared_ptr<FakeContact> contact(const QString &entryId)
    {
        auto c = std::make_shared<FakeContact>();
        c->texts["EntryID"] = entryId;
        c->texts["FileAs"] = "file as " + entryId;
        outlook->contacts << c;
        return c;
    }
    std::shared_ptr<FakeTask> task(const QString &entryId, const QDateTime &modified = now)
    {
        auto t = std::make_shared<FakeTask>();
        t->entryId = entryId;
        t->subject = "task " + entryId;
        t->modified = modified;
        outlook->tasks << t;
        return t;
    }
    std::shared_ptr<FakeAppointment> appointment(const QString &entryId, const QDateTime &modified = now)
    {
        auto a = std::make_shared<FakeAppointment>();
        a->entryId = entryId;
        a->subject = "event " + entryId;
        a->modified = modified;
        a->start = QDateTime(QDate(2008, 3, 10), QTime(9, 0));
        a->end = QDateTime(QDate(2008, 3, 10), QTime(10, 30));
        outlook->calendar << a;
        return a;
    }
};

struct UsingClock
{
    FixedClock clock;
    explicit UsingClock(const QDateTime &at) : clock(at) { Clock::setCurrent(&clock); }
    ~UsingClock() { Clock::setCurrent(nullptr); }
};

} // namespace

class OutlookImportTest : public QObject
{
    Q_OBJECT

private slots:
    void presetsSetTheRangeBoxes_data()
    {
        QTest::addColumn<QString>("preset");
        QTest::addColumn<bool>("calendar");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<RangeBoxes>("before");
        QTest::addColumn<RangeBoxes>("after");
        const RangeBoxes today{"2008", "03", "07", "2008", "03", "07"};
        const RangeBoxes wide{"0000", "00", "00", "9999", "12", "31"};
        QTest::newRow("week") << "최근일주일" << false << now << today
                              << RangeBoxes{"2008", "02", "29", "2008", "03", "07"};
        QTest::newRow("week keeps the end of 전체")
            << "최근일주일" << false << now << wide << RangeBoxes{"2008", "02", "29", "9999", "12", "31"};
        QTest::newRow("month") << "최근한달" << true << now << today
                               << RangeBoxes{"2008", "02", "07", "2008", "03", "07"};
        QTest::newRow("month ends on the last day") << "최근한달" << false << QDateTime(QDate(2008, 3, 31), QTime(8, 0))
                                                    << today << RangeBoxes{"2008", "02", "29", "2008", "03", "07"};
        QTest::newRow("all tasks") << "전체" << false << now << today << wide;
        QTest::newRow("all events") << "전체" << true << now << today
                                    << RangeBoxes{"1970", "01", "02", "2038", "01", "18"};
        QTest::newRow("custom text") << "사용자정의" << true << now << today << today;
    }
    void presetsSetTheRangeBoxes()
    {
        QFETCH(QString, preset);
        QFETCH(bool, calendar);
        QFETCH(QDateTime, now);
        QFETCH(RangeBoxes, before);
        QFETCH(RangeBoxes, after);
        FixedClock clock(now);
        applyPreset(before, preset, calendar, clock);
        QCOMPARE(before.startKey(), after.startKey());
        QCOMPARE(before.endKey(), after.endKey());
        QVERIFY(before == after);
    }

    void rangeStartsTodayAndIsCorrected()
    {
        FixedClock clock(now);
        RangeBoxes range = todayRange(clock);
        QCOMPARE(range, (RangeBoxes{"2008", "03", "07", "2008", "03", "07"}));
        QCOMPARE(range.startKey(), QString("2008-03-07"));

        // A start after the end (joined untrimmed texts) becomes the end too.
        range = {"2008", "05", "01", "2008", "04", "30"};
        range.correct();
        QCOMPARE(range, (RangeBoxes{"2008", "05", "01", "2008", "05", "01"}));
        range = {"2008", "04", "30", "2008", "05", "01"};
        range.correct();
        QCOMPARE(range, (RangeBoxes{"2008", "04", "30", "2008", "05", "01"}));
        // Keys are built from trimmed boxes.
        QCOMPARE((RangeBoxes{" 2008", "3 ", "7", "", "", ""}).startKey(), QString("2008-3-7"));
    }

    void contactsAreAddedThenUpdatedByOutlookIndex()
    {
        Fixture f;
        // Records already in the store: new ones continue above the largest ID.
        f.store->exec("INSERT INTO Contacts (ID, FirstName, outlook_index) VALUES (40, 'kept', 'other')");
        f.store->exec("INSERT INTO Contacts (ID, FirstName) VALUES (7, 'seven')");
        auto kim = f.contact("00AA01");
        kim->texts["FirstName"] = "철수";
        kim->texts["LastName"] = "김";
        kim->texts["FileAs"] = "김\r\n철수\r\n셋째";
        kim->texts["MobileTelephoneNumber"] = "010-1234-5678";
        kim->texts["Email1Address"] = "kim@example.com";
        kim->texts["Body"] = "line1\r\nline2";
        kim->texts["Categories"] = "A, B";
        kim->texts["BusinessFaxTelephoneNumber"] = "02-1111";
        kim->gender = 2;
        kim->birthday = QDateTime(QDate(1970, 5, 6), QTime(0, 0));
        f.outlook->contacts << std::make_shared<FakeOther>();
        auto lee = f.contact(" 00AA02 ");

        const KindOutcome first = ContactsFromOutlook(f.context());
        QVERIFY(first.ok);
        QCOMPARE(first.added, 2);
        QCOMPARE(first.skipped, 1);
        QCOMPARE(f.progress, (QStringList{"(1/3)", "(2/3)", "(3/3)"}));
        QCOMPARE(f.messages.texts(), QStringList{"OUTLOOK에서 주소록 데이터를 가져왔습니다."});
        QCOMPARE(f.messages.shown().at(0).title, QString("주소록"));
        QCOMPARE(f.messages.shown().at(0).icon, Icon::Information);
        QCOMPARE(f.ids("Contacts"), (QList<qint64>{7, 40, 41, 42}));

        QCOMPARE(f.value("Contacts", "00AA01", "ID").toLongLong(), 41);
        QCOMPARE(f.text("Contacts", "00AA01", "FileAs"), QString("김  철수\r\n셋째"));
        QCOMPARE(f.text("Contacts", "00AA01", "O_Mobile"), QString("010-1234-5678"));
        QCOMPARE(f.text("Contacts", "00AA01", "H_Mobile"), QString("010-1234-5678"));
        QCOMPARE(f.text("Contacts", "00AA01", "Emails"), QString("kim@example.com"));
        QCOMPARE(f.text("Contacts", "00AA01", "Notes"), QString("line1\r\nline2"));
        QCOMPARE(f.text("Contacts", "00AA01", "Category"), QString("A, B"));
        QCOMPARE(f.text("Contacts", "00AA01", "O_Fax"), QString("02-1111"));
        QCOMPARE(f.text("Contacts", "00AA01", "H_Gender"), QString("1")); // Outlook's male
        QCOMPARE(f.text("Contacts", "00AA01", "H_Birthday"), QString("1970-05-06 00:00:00"));
        QCOMPARE(f.text("Contacts", "00AA01", "H_Anniv"), QString("4501-01-01 00:00:00"));
        QCOMPARE(f.text("Contacts", "00AA01", "application"), QString("Outlook"));
        QVERIFY(!f.value("Contacts", "00AA01", "Photo").isNull());
        // The identity is kept trimmed.
        QCOMPARE(f.value("Contacts", "00AA02", "ID").toLongLong(), 42);

        // Changes made on the PC are overwritten by the next import; the ID stays.
        f.store->exec("UPDATE Contacts SET FirstName = 'changed', Photo = 'p', BusinessCard = '1' WHERE ID = 41");
        kim->texts["MobileTelephoneNumber"] = "010-9999-0000";
        f.progress.clear();
        f.messages.clear();
        const KindOutcome second = ContactsFromOutlook(f.context());
        QCOMPARE(second.added, 0);
        QCOMPARE(second.updated, 2);
        QCOMPARE(f.ids("Contacts"), (QList<qint64>{7, 40, 41, 42}));
        QCOMPARE(f.value("Contacts", "00AA01", "ID").toLongLong(), 41);
        QCOMPARE(f.text("Contacts", "00AA01", "FirstName"), QString("철수"));
        QCOMPARE(f.text("Contacts", "00AA01", "Photo"), QString(""));
        QCOMPARE(f.text("Contacts", "00AA01", "BusinessCard"), QString(""));
        QCOMPARE(f.text("Contacts", "00AA01", "H_Mobile"), QString("010-9999-0000"));
        QCOMPARE(f.text("Contacts", "other", "FirstName"), QString("kept"));
    }

    void firstNewRecordOfAnEmptyTableGetsOne()
    {
        Fixture f;
        f.task("T1");
        f.task("T2");
        QVERIFY(TodoFromOutlook(f.context(), f.everything).ok);
        QCOMPARE(f.ids("Todo"), (QList<qint64>{1, 2}));
    }

    void newRecordsNeverTakeAnIdInUse()
    {
        // A handheld's document may bring any 64-bit ID; counting on from the largest would
        // overflow, so new records take free numbers instead.
        Fixture f;
        const qint64 largest = std::numeric_limits<qint64>::max();
        f.store->exec("INSERT INTO Contacts (ID, FileAs) VALUES (?, 'from the handheld')", {largest});
        f.store->exec("INSERT INTO Contacts (ID, FileAs) VALUES (7, 'seven')");
        f.contact("C1");
        f.contact("C2");
        QVERIFY(ContactsFromOutlook(f.context()).ok);
        QCOMPARE(f.ids("Contacts"), (QList<qint64>{7, 8, 9, largest}));
    }

    void tasksAreMapped_data()
    {
        QTest::addColumn<int>("importance");
        QTest::addColumn<int>("status");
        QTest::addColumn<QDateTime>("due");
        QTest::addColumn<QString>("priority");
        QTest::addColumn<QString>("statusText");
        QTest::addColumn<QStringList>("dueFields"); // Hasdate, Dateyear, Datemonth, Dateday
        const QDateTime march7(QDate(2008, 3, 7), QTime(0, 0));
        QTest::newRow("high, not started, due") << 2 << 0 << march7 << "1"
                                                << "NotStarted" << QStringList{"1", "2008", "3", "7"};
        QTest::newRow("normal, in progress") << 1 << 1 << noDate() << "3"
                                             << "InProgress" << QStringList{"0", "", "", ""};
        QTest::newRow("low, completed") << 0 << 2 << QDateTime(QDate(2010, 12, 25), QTime(0, 0)) << "5"
                                        << "Completed" << QStringList{"1", "2010", "12", "25"};
        QTest::newRow("waiting") << 1 << 3 << noDate() << "3"
                                 << "Waiting" << QStringList{"0", "", "", ""};
        QTest::newRow("deferred") << 1 << 4 << noDate() << "3"
                                  << "Deferred" << QStringList{"0", "", "", ""};
        QTest::newRow("unknown status and importance") << 7 << 9 << noDate() << ""
                                                       << "" << QStringList{"0", "", "", ""};
    }
    void tasksAreMapped()
    {
        QFETCH(int, importance);
        QFETCH(int, status);
        QFETCH(QDateTime, due);
        QFETCH(QString, priority);
        QFETCH(QString, statusText);
        QFETCH(QStringList, dueFields);
        Fixture f;
        auto t = f.task("T1");
        t->importance = importance;
        t->status = status;
        t->complete = status == 2;
        t->due = due;
        t->mileage = "12 km";
        t->start = QDateTime(QDate(2008, 3, 1), QTime(0, 0));
        QVERIFY(TodoFromOutlook(f.context(), f.everything).ok);
        QCOMPARE(f.messages.texts(), QStringList{"OUTLOOK에서 작업 데이터를 가져왔습니다."});
        const QStringList fields{"Hasdate", "Dateyear", "Datemonth", "Dateday"};
        for (int i = 0; i < fields.size(); ++i)
            QCOMPARE(f.text("Todo", "T1", fields[i]), dueFields[i]);
        // An importance Outlook does not know leaves the field as it was (null in a new record).
        QCOMPARE(f.value("Todo", "T1", "Priority").isNull(), priority.isEmpty());
        QCOMPARE(f.text("Todo", "T1", "Priority"), priority);
        QCOMPARE(f.text("Todo", "T1", "Status"), statusText);
        QCOMPARE(f.text("Todo", "T1", "Completed"), QString(status == 2 ? "1" : "0"));
        QCOMPARE(f.text("Todo", "T1", "PercentCompleted"), QString("12 km"));
        QCOMPARE(f.text("Todo", "T1", "Starteddate"), QString("2008-03-01 00:00:00"));
        QCOMPARE(f.text("Todo", "T1", "Completeddate"), QString("4501-01-01 00:00:00"));
        QCOMPARE(f.text("Todo", "T1", "Description"), QString("task T1"));
        QCOMPARE(f.text("Todo", "T1", "application"), QString("Outlook"));
        QVERIFY(!f.value("Todo", "T1", "qdl-private-data").isNull());
    }

    void theModificationRangeFiltersTasksAndEvents()
    {
        Fixture f;
        f.task("before", now.addDays(-1));
        f.task("today", now);
        f.task("late today", QDateTime(now.date(), QTime(23, 59, 59)));
        f.task("after", now.addDays(1));
        f.appointment("old", QDateTime(QDate(1970, 1, 1), QTime(12, 0)));
        f.appointment("first", QDateTime(QDate(1970, 1, 2), QTime(0, 0)));
        f.appointment("last", QDateTime(QDate(2038, 1, 18), QTime(23, 0)));
        f.appointment("future", QDateTime(QDate(2038, 1, 19), QTime(0, 0)));
        FixedClock clock(now);
        const KindOutcome tasks = TodoFromOutlook(f.context(), todayRange(clock));
        QCOMPARE(tasks.added, 2);
        QCOMPARE(tasks.skipped, 2);
        QCOMPARE(f.count("Todo"), 2);
        QVERIFY(!f.text("Todo", "late today", "ID").isEmpty());
        // Skipped items still count in the progress text.
        QCOMPARE(f.progress.last(), QString("(4/4)"));

        RangeBoxes all;
        applyPreset(all, "전체", true, clock);
        const KindOutcome events = DatebookFromOutlook(f.context(), all);
        QCOMPARE(events.added, 2);
        QVERIFY(!f.text("Datebook", "first", "ID").isEmpty());
        QVERIFY(!f.text("Datebook", "last", "ID").isEmpty());
    }

    void eventsAreMappedWithReminderAndRecurrence_data()
    {
        QTest::addColumn<bool>("reminder");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("instance");
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("noEnd");
        // Rtype, Rfreq, Rweekdays, Rhasenddate, Enddt, Exceptions, balarm, alarm, sound
        QTest::addColumn<QStringList>("expected");
        const QString end = "2008-06-30 00:00:00";
        const QStringList alarm{"true", "20", "loud"};
        const QStringList none{"", "", ""};
        QTest::newRow("single without reminder")
            << false << 0 << 0 << 0 << 1 << false << QStringList{"", "", "", "", "", ""} + none;
        // Every series keeps its repetition, with a reminder or without.
        QTest::newRow("series without reminder")
            << false << 1 << 1 << 0 << 1 << false << QStringList{"Weekly", "1", "5", "1", end, ""} + none;
        QTest::newRow("single with reminder")
            << true << 0 << 0 << 0 << 1 << false << QStringList{"", "", "", "", "", ""} + alarm;
        // Rfreq is the interval, not the number of occurrences.
        QTest::newRow("every third day") << true << 1 << 0 << 0 << 3 << false
                                         << QStringList{"Daily", "3", "", "1", end, ""} + alarm;
        // Outlook's Monday (2) and Wednesday (8) are the handheld's 1 and 4.
        QTest::newRow("every other week on Mondays and Wednesdays")
            << true << 1 << 1 << 0 << 2 << false << QStringList{"Weekly", "2", "5", "1", end, ""} + alarm;
        QTest::newRow("every weekday") << true << 1 << 1 << 0 << 0 << false
                                       << QStringList{"Weekly", "1", "5", "1", end, ""} + alarm;
        QTest::newRow("monthly on a date, no end")
            << true << 1 << 2 << 0 << 1 << true << QStringList{"MonthlyDate", "1", "", "0", "", ""} + alarm;
        QTest::newRow("last Friday") << true << 1 << 3 << 5 << 1 << false
                                     << QStringList{"MonthlyEndDay", "1", "", "1", end, ""} + alarm;
        QTest::newRow("second Tuesday every two months")
            << true << 1 << 3 << 2 << 2 << false << QStringList{"MonthlyDay", "2", "", "1", end, ""} + alarm;
        QTest::newRow("yearly") << true << 1 << 5 << 0 << 1 << false
                                << QStringList{"Yearly", "1", "", "1", end, ""} + alarm;
        QTest::newRow("yearly nth") << true << 1 << 6 << 0 << 1 << false
                                    << QStringList{"Yearly", "1", "", "1", end, ""} + alarm;
    }
    void eventsAreMappedWithReminderAndRecurrence()
    {
        QFETCH(bool, reminder);
        QFETCH(int, state);
        QFETCH(int, type);
        QFETCH(int, instance);
        QFETCH(int, interval);
        QFETCH(bool, noEnd);
        QFETCH(QStringList, expected);
        Fixture f;
        auto a = f.appointment("E1");
        a->reminder = reminder;
        a->reminderMinutes = 20;
        a->recurrenceState = state;
        a->allDay = true;
        a->location = "회의실";
        a->pattern.type = type;
        a->pattern.instance = instance;
        a->pattern.interval = interval;
        a->pattern.occurrences = 10;
        // An n-th weekday of the month is one weekday.
        a->pattern.mask = type == olRecursMonthNth ? olFriday : olMonday | olWednesday;
        a->pattern.noEnd = noEnd;
        a->pattern.end = QDateTime(QDate(2008, 6, 30), QTime(0, 0));
        QVERIFY(DatebookFromOutlook(f.context(), f.everything).ok);
        const QStringList fields{"Rtype",      "Rfreq",  "Rweekdays", "Rhasenddate", "Enddt",
                                 "Exceptions", "balarm", "alarm",     "sound"};
        const auto compareAll = [&]() {
            for (int i = 0; i < fields.size(); ++i)
                QCOMPARE(f.text("Datebook", "E1", fields[i]) + " (" + fields[i] + ")",
                         expected[i] + " (" + fields[i] + ")");
        };
        compareAll();
        QCOMPARE(f.text("Datebook", "E1", "Type"), QString("AllDay"));
        QCOMPARE(f.text("Datebook", "E1", "Start"), QString("2008-03-10 09:00:00"));
        QCOMPARE(f.text("Datebook", "E1", "End"), QString("2008-03-10 10:30:00"));
        QCOMPARE(f.text("Datebook", "E1", "Location"), QString("회의실"));
        QCOMPARE(f.text("Datebook", "E1", "Description"), QString("event E1"));
        QCOMPARE(f.text("Datebook", "E1", "application"), QString("Outlook"));
        // Only the yearly series on an n-th weekday cannot be repeated as Outlook does.
        const QString done = "OUTLOOK에서 일정 데이터를 가져왔습니다.";
        if (type == olRecursYearNth && state == olApptMaster)
            QVERIFY2(f.messages.texts().value(0).startsWith(done + "\r") &&
                         f.messages.texts().value(0).contains("event E1 (2008-03-10 09:00): 매년 정해진 달의"),
                     qPrintable(f.messages.texts().value(0)));
        else
            QCOMPARE(f.messages.texts(), QStringList{done});

        // The next import of the same item mends whatever the record held (an earlier import by
        // other rules, or the handheld), and empties the time zone and private data.
        f.store->exec("UPDATE Datebook SET Rtype = 'kept', Rfreq = '10', Rweekdays = '4', Exceptions = 'x', "
                      "balarm = 'x', alarm = '1', sound = 'silent', Timezone = 'Asia/Seoul', "
                      "\"qdl-private-data\" = 'q'");
        QVERIFY(DatebookFromOutlook(f.context(), f.everything).ok);
        QCOMPARE(f.count("Datebook"), 1);
        compareAll();
        QCOMPARE(f.text("Datebook", "E1", "Timezone"), QString(""));
        QCOMPARE(f.text("Datebook", "E1", "qdl-private-data"), QString(""));
    }

    void weekdaysAreTheLocalDaysOfTheOccurrences_data()
    {
        QTest::addColumn<int>("mask");        // Outlook's bits, on the series' own days
        QTest::addColumn<QDate>("first");     // the first day in the series' own zone
        QTest::addColumn<QDateTime>("start"); // the first occurrence on this computer
        QTest::addColumn<int>("weekdays");    // the handheld's bits
        QTest::addColumn<QString>("enddt");
        QTest::addColumn<QString>("exceptions");
        const QDate tuesday(2016, 8, 2);
        QTest::newRow("same day") << int(olTuesday) << tuesday << QDateTime(tuesday, QTime(8, 0)) << 2
                                  << "2016-10-04 00:00:00"
                                  << "20160809 20160816";
        // Tuesday 15:00 UTC is Wednesday 00:00 in Seoul.
        QTest::newRow("a day later") << int(olTuesday) << tuesday << QDateTime(tuesday.addDays(1), QTime(0, 0)) << 4
                                     << "2016-10-05 00:00:00"
                                     << "20160810 20160817";
        QTest::newRow("a day earlier") << int(olTuesday) << tuesday << QDateTime(tuesday.addDays(-1), QTime(23, 0)) << 1
                                       << "2016-10-03 00:00:00"
                                       << "20160808 20160815";
        QTest::newRow("Saturday becomes Sunday")
            << int(olSaturday | olFriday) << QDate(2016, 8, 5) << QDateTime(QDate(2016, 8, 6), QTime(1, 0)) << 64 + 32
            << "2016-10-05 00:00:00"
            << "20160813 20160820";
        QTest::newRow("Sunday becomes Saturday")
            << int(olSunday) << QDate(2016, 8, 7) << QDateTime(QDate(2016, 8, 6), QTime(20, 0)) << 32
            << "2016-10-03 00:00:00"
            << "20160813 20160820";
    }
    void weekdaysAreTheLocalDaysOfTheOccurrences()
    {
        QFETCH(int, mask);
        QFETCH(QDate, first);
        QFETCH(QDateTime, start);
        QFETCH(int, weekdays);
        QFETCH(QString, enddt);
        QFETCH(QString, exceptions);
        Fixture f;
        auto a = f.appointment("W");
        a->recurrenceState = olApptMaster;
        a->start = start;
        a->end = start.addSecs(1800);
        a->pattern.type = olRecursWeekly;
        a->pattern.mask = mask;
        a->pattern.first = QDateTime(first, QTime(0, 0));
        a->pattern.end = QDateTime(QDate(2016, 10, 4), QTime(0, 0));
        // Two removed occurrences, given (as Outlook gives them) in this computer's time.
        for (int week : {1, 2})
            a->pattern.exceptions << RecurrenceException{start.addDays(7 * week), true};
        QVERIFY(DatebookFromOutlook(f.context(), f.everything).ok);
        QCOMPARE(f.text("Datebook", "W", "Rweekdays"), QString::number(weekdays));
        QCOMPARE(f.text("Datebook", "W", "Enddt"), enddt);
        QCOMPARE(f.text("Datebook", "W", "Exceptions"), exceptions);
        QCOMPARE(f.messages.texts(), QStringList{"OUTLOOK에서 일정 데이터를 가져왔습니다."});
    }

    void aCountEndsOnTheLastOccurrenceAndMovedOnesAreListed()
    {
        Fixture f;
        // A back end that gives the number of occurrences but not the day of the last.
        const QDateTime monday(QDate(2008, 3, 10), QTime(9, 0));
        struct Case
        {
            const char *id;
            int type, mask, interval;
            QString enddt;
        } cases[] = {
            {"D", olRecursDaily, 0, 2, "2008-03-28 00:00:00"},                      // 10 every other day
            {"W", olRecursWeekly, olMonday | olThursday, 1, "2008-04-10 00:00:00"}, // Mon+Thu, 10 times
            {"M", olRecursMonthly, 0, 1, "2008-12-10 00:00:00"},
            {"Y", olRecursYearly, 0, 1, "2017-03-10 00:00:00"},
        };
        for (const Case &c : cases) {
            auto a = f.appointment(c.id);
            a->recurrenceState = olApptMaster;
            a->start = monday;
            a->pattern.type = c.type;
            a->pattern.mask = c.mask;
            a->pattern.interval = c.interval;
            a->pattern.occurrences = 10;
            a->pattern.end = QDateTime();
        }
        // A series with one occurrence removed and two moved: the moved ones stay where the
        // pattern puts them, and the message says so.
        auto moved = f.appointment("X");
        moved->subject = "주간 회의 & 점심";
        moved->recurrenceState = olApptMaster;
        moved->start = monday;
        moved->pattern.type = olRecursWeekly;
        moved->pattern.mask = olMonday;
        moved->pattern.noEnd = true;
        moved->pattern.exceptions = {
            {monday.addDays(14), false}, {monday.addDays(7), true}, {monday.addDays(28), false}};
        // A count no series has: the series is kept without end, and said so.
        auto endless = f.appointment("Z");
        endless->subject = "endless";
        endless->recurrenceState = olApptMaster;
        endless->start = monday;
        endless->pattern.type = olRecursWeekly;
        endless->pattern.occurrences = 1000000000;
        endless->pattern.end = QDateTime();
        QVERIFY(DatebookFromOutlook(f.context(), f.everything).ok);
        QCOMPARE(f.text("Datebook", "Z", "Rhasenddate"), QString("0"));
        QCOMPARE(f.text("Datebook", "Z", "Enddt"), QString(""));
        QVERIFY(f.messages.texts().value(0).contains("endless (2008-03-10 09:00): 마지막 날을 알 수 없어"));
        f.outlook->calendar.removeLast();
        f.store->exec("DELETE FROM Datebook");
        f.messages.clear();
        QVERIFY(DatebookFromOutlook(f.context(), f.everything).ok);
        for (const Case &c : cases) {
            QCOMPARE(f.text("Datebook", c.id, "Rhasenddate"), QString("1"));
            QCOMPARE(f.text("Datebook", c.id, "Enddt"), c.enddt);
        }
        QCOMPARE(f.text("Datebook", "X", "Exceptions"), QString("20080317"));
        QCOMPARE(f.text("Datebook", "X", "Rhasenddate"), QString("0"));
        QCOMPARE(f.text("Datebook", "X", "Description"), QString("주간 회의 &amp; 점심"));
        QCOMPARE(f.messages.texts(),
                 QStringList{"OUTLOOK에서 일정 데이터를 가져왔습니다.\r"
                             "휴대기기가 OUTLOOK과 같이 나타낼 수 없는 것은 가장 가깝게 저장했습니다:\r"
                             "주간 회의 & 점심 (2008-03-10 09:00): "
                             "따로 바뀐 2008-03-24, 2008-04-07의 일정은 반복대로 남겼습니다."});
    }

    void contactsMeanWhatTheHandheldMeans()
    {
        Fixture f;
        // Outlook's 1 is female, 2 male; the handheld's 1 male, 2 female.
        const struct
        {
            const char *id;
            int outlook;
            const char *handheld;
        } genders[] = {{"G0", 0, "0"}, {"G1", 1, "2"}, {"G2", 2, "1"}, {"G9", 9, "0"}};
        for (const auto &g : genders)
            f.contact(g.id)->gender = g.outlook;

        // Without a file-as name: the full name, else the display name, else the name's parts,
        // else the company.
        auto full = f.contact("N1");
        full->texts["FileAs"] = "";
        full->texts["FullName"] = "Sebastian Wright";
        full->texts["Subject"] = "ignored";
        auto display = f.contact("N2");
        display->texts["FileAs"] = "  ";
        display->texts["Subject"] = "홍길동";
        auto parts = f.contact("N3");
        parts->texts["FileAs"] = "";
        parts->texts["FirstName"] = "Gil";
        parts->texts["LastName"] = "Hong";
        auto company = f.contact("N4");
        company->texts["FileAs"] = "";
        company->texts["CompanyName"] = "AT&T";

        // An address kept only as one text goes, with its line breaks, into the street field.
        auto whole = f.contact("A1");
        whole->texts["BusinessAddress"] = "1 Main St\r\nSpringfield, IL 62701\r\nUSA";
        whole->texts["HomeAddress"] = "서울시 종로구\r\n1-1";
        auto both = f.contact("A2");
        both->texts["BusinessAddress"] = "1 Main St\r\nSpringfield";
        both->texts["BusinessAddressCity"] = "Springfield";
        both->texts["HomeAddressStreet"] = "street";
        both->texts["HomeAddress"] = "street\r\ncity";

        // Texts in the documents' form.
        auto marks = f.contact("T1");
        marks->texts["FileAs"] = "A & B \"c\" <d>";
        marks->texts["Body"] = "x < y & \"z\"\r\n한글";
        marks->texts["CompanyName"] = "&amp;";

        QVERIFY(ContactsFromOutlook(f.context()).ok);
        for (const auto &g : genders)
            QCOMPARE(f.text("Contacts", g.id, "H_Gender"), QString(g.handheld));
        QCOMPARE(f.text("Contacts", "N1", "FileAs"), QString("Sebastian Wright"));
        QCOMPARE(f.text("Contacts", "N2", "FileAs"), QString("홍길동"));
        QCOMPARE(f.text("Contacts", "N3", "FileAs"), QString("Gil Hong"));
        QCOMPARE(f.text("Contacts", "N4", "FileAs"), QString("AT&amp;T"));
        QCOMPARE(f.text("Contacts", "A1", "O_Street"), QString("1 Main St\r\nSpringfield, IL 62701\r\nUSA"));
        QCOMPARE(f.text("Contacts", "A1", "H_Street"), QString("서울시 종로구\r\n1-1"));
        QCOMPARE(f.text("Contacts", "A2", "O_Street"), QString(""));
        QCOMPARE(f.text("Contacts", "A2", "O_City"), QString("Springfield"));
        QCOMPARE(f.text("Contacts", "A2", "H_Street"), QString("street"));
        QCOMPARE(f.text("Contacts", "T1", "FileAs"), QString("A &amp; B &quot;c&quot; &lt;d&gt;"));
        QCOMPARE(f.text("Contacts", "T1", "Notes"), QString("x &lt; y &amp; &quot;z&quot;\r\n한글"));
        QCOMPARE(f.text("Contacts", "T1", "O_Company"), QString("&amp;amp;"));
    }

    void monthlyOnADateIsStoredAsMonthlyDate()
    {
        Fixture f;
        auto a = f.appointment("E1");
        a->recurrenceState = olApptMaster;
        a->pattern.type = olRecursWeekly;
        a->pattern.mask = olMonday;
        a->pattern.occurrences = 3;
        QVERIFY(DatebookFromOutlook(f.context(), f.everything).ok);
        QCOMPARE(f.text("Datebook", "E1", "Rweekdays"), QString("1"));
        a->pattern.type = olRecursMonthly;
        a->pattern.occurrences = 12;
        a->pattern.interval = 3;
        QVERIFY(DatebookFromOutlook(f.context(), f.everything).ok);
        QCOMPARE(f.text("Datebook", "E1", "Rtype"), QString("MonthlyDate"));
        QCOMPARE(f.text("Datebook", "E1", "Rfreq"), QString("3"));
        QCOMPARE(f.text("Datebook", "E1", "Rweekdays"), QString(""));
        QCOMPARE(f.ids("Datebook"), QList<qint64>{1});
    }

    void calendarIdentitiesAreMatchedLiterally()
    {
        // A wildcard of the pattern dialect in an identity must not make it match another record.
        Fixture f;
        f.appointment("AB*");
        f.appointment("ABC");
        f.appointment("A?C");
        f.appointment("it's");
        QVERIFY(DatebookFromOutlook(f.context(), f.everything).ok);
        QVERIFY(DatebookFromOutlook(f.context(), f.everything).ok);
        QCOMPARE(f.ids("Datebook"), (QList<qint64>{1, 2, 3, 4}));
        QCOMPARE(f.text("Datebook", "it's", "Description"), QString("event it's"));
    }

    void failuresStopTheRunAndKeepWhatWasStored_data()
    {
        QTest::addColumn<int>("failure"); // 0 none attached, 1 cannot attach, 2 refused, 3 item 3 fails
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("stored");
        QTest::newRow("no source") << 0
                                   << "OUTLOOK에 연결할 수 없어 주소록 데이터를 가져오지 못했습니다.\r"
                                      "이 컴퓨터에서 OUTLOOK 데이터를 읽을 곳이 정해지지 않았습니다."
                                   << 0;
        QTest::newRow("cannot attach") << 1
                                       << "OUTLOOK에 연결할 수 없어 주소록 데이터를 가져오지 못했습니다.\rnot running"
                                       << 0;
        QTest::newRow("access refused")
            << 2 << "OUTLOOK이 데이터 접근을 허락하지 않아 주소록 데이터를 가져오지 못했습니다.\rrefused" << 0;
        QTest::newRow("item fails") << 3
                                    << "OUTLOOK에서 주소록 데이터를 가져오다가 멈췄습니다.\ritem 3 cannot be read\r"
                                       "그 전에 가져온 2건은 저장되었습니다."
                                    << 2;
    }
    void failuresStopTheRunAndKeepWhatWasStored()
    {
        QFETCH(int, failure);
        QFETCH(QString, message);
        QFETCH(int, stored);
        Fixture f;
        for (int i = 1; i <= 4; ++i)
            f.contact(QString("C%1").arg(i));
        f.task("T1");
        ImportContext context = f.context();
        if (failure == 0)
            context.source = nullptr;
        else if (failure == 1)
            f.outlook->attachFailure = OutlookError("not running", OutlookError::Kind::CannotAttach);
        else if (failure == 2)
            f.outlook->attachFailure = OutlookError("refused", OutlookError::Kind::AccessRefused);
        else
            f.outlook->failingItem = 3;

        ImportRequest request{true, true, false, f.everything, f.everything, true};
        const SequenceOutcome outcome = importFromOutlook(request, context);
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.kinds.size(), 1); // the tasks did not run
        QCOMPARE(f.messages.texts(), (QStringList{accessMessageText(), message}));
        QCOMPARE(f.messages.shown().at(1).icon, Icon::Critical);
        QCOMPARE(f.messages.shown().at(1).title, QString("주소록"));
        QCOMPARE(f.count("Contacts"), stored);
        QCOMPARE(f.count("Todo"), 0);
        // The store is usable afterwards: no transaction is left open.
        f.outlook->failingItem = 0;
        f.outlook->attachFailure.reset();
        QVERIFY(ContactsFromOutlook(f.context()).ok);
        QCOMPARE(f.ids("Contacts"), (QList<qint64>{1, 2, 3, 4}));
    }

    void brokenStoreIsReported()
    {
        Fixture f;
        f.contact("C1");
        const QString broken = f.dir.filePath("broken/Qtdata.mdb");
        QDir().mkpath(f.dir.filePath("broken"));
        QFile file(broken);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        ImportContext context = f.context();
        context.storePath = broken;
        const KindOutcome outcome = ContactsFromOutlook(context);
        QVERIFY(!outcome.ok);
        QCOMPARE(f.messages.shown().size(), 1);
        QVERIFY(f.messages.texts().at(0).startsWith("OUTLOOK의 주소록 데이터를 저장하다가 멈췄습니다.\r"));
        QVERIFY(f.messages.texts().at(0).contains(broken));
        QCOMPARE(f.messages.shown().at(0).icon, Icon::Critical);
        QCOMPARE(test::readFile(broken), QByteArray(4096, 'x'));
    }

    void sequenceRunsTheTickedKindsInOrder()
    {
        Fixture f;
        f.contact("C1");
        f.task("T1");
        f.appointment("E1");
        // Nothing ticked: the access message only, Outlook is not contacted.
        ImportRequest none{false, false, false, {"2008", "05", "01", "2008", "04", "30"}, f.everything, true};
        QVERIFY(importFromOutlook(none, f.context()).ok);
        QCOMPARE(f.messages.texts(),
                 QStringList{"OUTLOOK의 숨겨진 데이터의 접근을 위해 \r억섹스 허용시간을 10분으로 해주시기 바랍니다."});
        QCOMPARE(f.messages.shown().at(0).title, QString());
        QCOMPARE(f.messages.shown().at(0).icon, Icon::None);
        QCOMPARE(f.outlook->attaches, 0);
        QCOMPARE(none.taskRange, (RangeBoxes{"2008", "05", "01", "2008", "05", "01"}));

        f.messages.clear();
        ImportRequest all{true, true, true, f.everything, f.everything, true};
        QVERIFY(importFromOutlook(all, f.context()).ok);
        QCOMPARE(f.messages.texts(),
                 (QStringList{accessMessageText(), completionText(RecordKind::Contacts),
                              completionText(RecordKind::Tasks), completionText(RecordKind::Events)}));
        QCOMPARE(f.outlook->attaches, 3);
        QCOMPARE(f.count("Contacts") + f.count("Todo") + f.count("Datebook"), 3);
    }

    void anotherWriterKeepsOutlookAway()
    {
        Fixture f;
        f.contact("C1");
        // Another pimdesk working on the same data folder: the import says so, Outlook is not
        // contacted and the store is unchanged.
        const auto other = DataFolderLock::acquire(f.dir.path(), f.messages);
        QVERIFY(other);
        ImportRequest contacts{true, false, false, f.everything, f.everything, false};
        QVERIFY(!importFromOutlook(contacts, f.context()).ok);
        QCOMPARE(f.messages.texts().size(), 1);
        QVERIFY(f.messages.texts().at(0).contains(QString::number(QCoreApplication::applicationPid())));
        QCOMPARE(f.outlook->attaches, 0);
        QCOMPARE(f.count("Contacts"), 0);
    }

    void emptyFolderStillCompletes()
    {
        Fixture f;
        f.outlook->calendar << std::make_shared<FakeOther>();
        const KindOutcome outcome = DatebookFromOutlook(f.context(), f.everything);
        QVERIFY(outcome.ok);
        QCOMPARE(f.count("Datebook"), 0);
        QCOMPARE(f.progress, QStringList{"(1/1)"});
        QCOMPARE(f.messages.texts(), QStringList{"OUTLOOK에서 일정 데이터를 가져왔습니다."});
    }
};

QTEST_GUILESS_MAIN(OutlookImportTest)
#include "tst_outlookimport.moc"
