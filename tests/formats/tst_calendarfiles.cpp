// Events and tasks through iCalendar: the public sample files (their occurrences against the
// ones KDE's library lists for them), time zones, series the handheld cannot repeat, and round
// trips that change no field.
#include "formats/CalendarFiles.h"
#include "formats/Recurrence.h"
#include "records/Clock.h"
#include "records/Schema.h"
#include "support/FormatSamples.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTest>

using namespace pimdesk;
using namespace pimdesk::formats;

namespace {

QString icalFile(const QString &name)
{
    return test::sharedTestdataPath(QStringLiteral("formats/ical/") + name);
}

CalendarImport readCalendar(const QByteArray &bytes, const QByteArray &zone)
{
    CalendarOptions options;
    options.localZone = zone;
    return recordsFromCalendarFile(bytes, options);
}

QByteArray calendar(const QByteArray &items)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:test\r\n" + items + "END:VCALENDAR\r\n";
}

// The local start times of every occurrence the imported events stand for: a repeating one's
// from the handheld's own rule, a single one's start.
QStringList occurrences(const QList<ImportedRecord> &events, int limit)
{
    QStringList all;
    for (const ImportedRecord &e : events) {
        const QString start = e.fields.value("Start");
        const QDate day = QDate::fromString(start.left(10), "yyyy-MM-dd");
        const StoreRepeat repeat = storeRepeatOf(e.fields);
        if (repeat.kind == StoreRepeat::None) {
            all << start.left(10) + 'T' + start.mid(11);
            continue;
        }
        for (const QDate &d : storeOccurrences(repeat, day, limit))
            all << d.toString("yyyy-MM-dd") + 'T' + start.mid(11);
    }
    all.sort();
    return all.mid(0, limit);
}

} // namespace

class CalendarFilesTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        m_haveShared = QDir(icalFile(QString())).exists();
        // "Today" for series without an end that are taken apart.
        Clock::setCurrent(&m_clock);
    }
    void cleanupTestCase() { Clock::setCurrent(nullptr); }

    void everyPublicFileIsReadOrRefused()
    {
        if (!m_haveShared)
            QSKIP("the shared iCalendar files (testdata/formats/ical) are not here");
        const QStringList files = QDir(icalFile(QString())).entryList(QDir::Files);
        QVERIFY(files.size() >= 59);
        for (const QString &name : files) {
            for (const QByteArray zone : {"Asia/Seoul", "UTC"}) {
                const CalendarImport read = readCalendar(test::readFile(icalFile(name)), zone);
                const bool gaveSomething = !read.events.isEmpty() || !read.tasks.isEmpty() || !read.skipped.isEmpty();
                QVERIFY2(gaveSomething != !read.failure.isEmpty(), qPrintable(name));
                if (name.endsWith(".next.ref"))
                    QVERIFY2(!read.failure.isEmpty(), qPrintable(name));
            }
            // Cut short anywhere, a file still reads without harm.
            const QByteArray bytes = test::readFile(icalFile(name));
            for (const qsizetype cut : {bytes.size() / 3, bytes.size() / 2, bytes.size() - 7}) {
                const CalendarImport part = readCalendar(bytes.first(std::max<qsizetype>(0, cut)), "Asia/Seoul");
                const bool gaveSomething = !part.events.isEmpty() || !part.tasks.isEmpty() || !part.skipped.isEmpty();
                QVERIFY2(gaveSomething != !part.failure.isEmpty(), qPrintable(name));
            }
        }
    }

    // The occurrences of each series as KCalendarCore lists them (wall-clock times in the
    // series' own zone, which the test takes as local), whether the handheld repeats the series
    // itself or it was taken apart.
    void occurrencesMatchTheReference_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<bool>("repeats");
        QTest::newRow("daily until") << "kde_RFC2445_RRULETest02.ics" << QByteArray("America/New_York") << true;
        QTest::newRow("every other week, start off the rule")
            << "kde_RFC2445_RRULETest12.ics" << QByteArray("America/New_York") << false;
        QTest::newRow("first Friday, count") << "kde_RFC2445_RRULETest14.ics" << QByteArray("America/New_York") << true;
        QTest::newRow("second to last Monday") << "kde_RFC2445_RRULETest17.ics" << QByteArray("America/New_York") << true;
        QTest::newRow("June and July") << "kde_RFC2445_RRULETest23.ics" << QByteArray("America/New_York") << false;
        QTest::newRow("BYSETPOS") << "kde_RFC2445_RRULETest33.ics" << QByteArray("America/New_York") << false;
        QTest::newRow("all-day, week starts Sunday") << "kde_RFC2445_RRULETest41.ics" << QByteArray("UTC") << false;
        QTest::newRow("weekly with date exceptions") << "kde_exdate.ics" << QByteArray("UTC") << true;
        QTest::newRow("until before the start") << "kde_Until_TestCase02.ics" << QByteArray("Europe/Vienna") << true;
    }
    void occurrencesMatchTheReference()
    {
        if (!m_haveShared)
            QSKIP("the shared iCalendar files (testdata/formats/ical) are not here");
        QFETCH(QString, file);
        QFETCH(QByteArray, zone);
        QFETCH(bool, repeats);
        QStringList expected;
        for (const QByteArray &line : test::readFile(icalFile(file + ".next.ref")).split('\n'))
            if (!line.trimmed().isEmpty())
                expected << QString::fromLatin1(line.split(' ').first());
        const CalendarImport read = readCalendar(test::readFile(icalFile(file)), zone);
        QCOMPARE(read.events.size() == 1, repeats);
        QCOMPARE(occurrences(read.events, int(expected.size())), expected);
    }

    void publicFileFields_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<int>("item"); // events from 0, tasks from 100
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        const auto row = [](const char *file, const char *zone, int item, const char *field, const char *value) {
            QTest::addRow("%s %s #%d %s", file, zone, item, field)
                << QString::fromLatin1(file) << QByteArray(zone) << item << QString::fromLatin1(field) << QString::fromUtf8(value);
        };
        row("khal_event_d_rr.ics", "Asia/Seoul", 0, "Type", "AllDay");
        row("khal_event_d_rr.ics", "Asia/Seoul", 0, "Start", "2014-04-09 00:00:00");
        row("khal_event_d_rr.ics", "America/Los_Angeles", 0, "End", "2014-04-09 23:59:59");
        row("khal_event_d_rr.ics", "Asia/Seoul", 0, "Enddt", "2014-04-18 00:00:00");
        row("khal_event_dt_floating.ics", "Asia/Seoul", 0, "Start", "2014-04-09 09:30:00");
        row("khal_event_dt_floating.ics", "UTC", 0, "Start", "2014-04-09 09:30:00");
        row("khal_tz_windows_format.ics", "UTC", 0, "Start", "2019-11-20 00:00:00");
        row("vobject_ms_tzid.ics", "UTC", 0, "Start", "2008-05-30 05:00:00");
        row("icalendar_issue_237_fail_to_parse_timezone_with_non_ascii_tzid.ics", "UTC", 0, "Start", "2017-05-11 16:30:00");
        row("icalendar_issue_722_missing_timezones.ics", "Asia/Seoul", 0, "Start", "2014-08-29 21:00:00");
        row("icalendar_issue_722_missing_timezones.ics", "Asia/Seoul", 0, "End", "2014-08-30 00:00:00");
        row("icalendar_issue_722_missing_timezones.ics", "UTC", 1, "Start", "2024-09-13 10:00:00");
        row("icalendar_issue_722_missing_timezones.ics", "UTC", 1, "End", "2024-09-13 12:00:00");
        row("icalendar_issue_722_missing_timezones.ics", "Asia/Seoul", 100, "Dateday", "29");
        row("vobject_radicale-0827.ics", "Europe/Paris", 0, "Exceptions",
            "20171023 20171030 20171225 20180101 20180212 20180219 20180326 20180402 20180409 20180416 20180430");
        row("vobject_radicale-0827.ics", "Europe/Paris", 0, "Start", "2017-10-09 20:30:00");
        row("vobject_radicale-0827.ics", "Europe/Paris", 0, "Rweekdays", "1");
        row("vobject_radicale-0827.ics", "Asia/Seoul", 0, "Rweekdays", "2"); // Monday evening in Paris is Tuesday in Seoul
        row("icalendar_event_with_recurrence_exdates_on_different_lines.ics", "Europe/Vienna", 0, "Exceptions",
            "20120403 20120410 20120417 20120501 20120529");
        row("kde_test_recurrenceid.ics", "UTC", 0, "Exceptions", "20050519");
        row("kde_test_recurrenceid.ics", "UTC", 1, "Description", "summaryException");
        row("kde_test_recurrenceid.ics", "UTC", 1, "Start", "2005-05-19 09:45:00");
        row("kde_vCalTestCase05.vcs", "Europe/Berlin", 0, "Rweekdays", "21");
        row("kde_vCalTestCase05.vcs", "Europe/Berlin", 0, "Rfreq", "2");
        row("kde_vCalTestCase05.vcs", "Europe/Berlin", 0, "Enddt", "2005-06-29 00:00:00");
        row("kde_vCalTestCase02.vcs", "Europe/Berlin", 0, "Rtype", "MonthlyDate");
        row("kde_vCalTestCase09.vcs", "Europe/Berlin", 0, "Rtype", "MonthlyDay");
        row("kde_vCalTestCase01.vcs", "Europe/Berlin", 0, "Rtype", "MonthlyEndDay");
        row("kde_vCalTestCase06.vcs", "Europe/Berlin", 0, "Enddt", "2005-10-14 00:00:00");
        row("vobject_ruby_rrule.ics", "UTC", 0, "Rtype", "Daily");
        row("vobject_vobject_0050.ics", "UTC", 0, "End", "2024-08-12 22:30:00");
        row("icalendar_alarm_google_future.ics", "UTC", 0, "alarm", "10");
        row("icalendar_alarm_google_future.ics", "UTC", 0, "balarm", "true");
        row("icalendar_event_with_unicode_fields.ics", "UTC", 0, "Location", "Tribstrül");
        row("vobject_vtodo.ics", "UTC", 100, "Dateyear", "2007");
        row("vobject_vtodo.ics", "UTC", 100, "Datemonth", "5");
        row("vobject_vtodo.ics", "UTC", 100, "Categories", "FAMILY, FINANCE");
        row("kde_Compat_Todos.ics", "UTC", 101, "Priority", "1");
        row("kde_Compat_Todos.ics", "UTC", 100, "Starteddate", "2004-01-04");
    }
    void publicFileFields()
    {
        if (!m_haveShared)
            QSKIP("the shared iCalendar files (testdata/formats/ical) are not here");
        QFETCH(QString, file);
        QFETCH(QByteArray, zone);
        QFETCH(int, item);
        QFETCH(QString, field);
        QFETCH(QString, value);
        const CalendarImport read = readCalendar(test::readFile(icalFile(file)), zone);
        const QList<ImportedRecord> &items = item >= 100 ? read.tasks : read.events;
        QVERIFY(item % 100 < items.size());
        QCOMPARE(items[item % 100].fields.value(field), value);
    }

    // What the handheld cannot repeat is taken apart, and the completion message says so.
    void seriesTakenApart_data()
    {
        QTest::addColumn<QByteArray>("event");
        QTest::addColumn<int>("events");
        QTest::addColumn<QString>("said");
        QTest::newRow("hourly") << QByteArray("DTSTART:20240101T090000Z\r\nRRULE:FREQ=HOURLY;INTERVAL=2;COUNT=3\r\n") << 3
                                << "FREQ=HOURLY";
        QTest::newRow("several days of the month")
            << QByteArray("DTSTART:20240101T090000Z\r\nRRULE:FREQ=MONTHLY;BYMONTHDAY=1,15;COUNT=4\r\n") << 4
            << "BYMONTHDAY=1,15";
        QTest::newRow("endless: up to two years after today")
            << QByteArray("DTSTART:20240105T090000Z\r\nRRULE:FREQ=MONTHLY;BYMONTHDAY=5,20\r\n") << 72 << "2026-12-20 뒤의";
        QTest::newRow("an added date") << QByteArray("DTSTART:20240101T090000Z\r\nRDATE:20240107T100000Z\r\n") << 2 << "RDATE";
        QTest::newRow("a moved occurrence")
            << QByteArray("DTSTART:20240101T090000Z\r\nRRULE:FREQ=DAILY;COUNT=5\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:s\r\n"
                          "RECURRENCE-ID:20240103T090000Z\r\nDTSTART:20240103T150000Z\r\nSUMMARY:moved\r\n")
            << 2 << "2024-01-03의 반복을 바꾼";
    }
    void seriesTakenApart()
    {
        QFETCH(QByteArray, event);
        QFETCH(int, events);
        QFETCH(QString, said);
        const CalendarImport read = readCalendar(calendar("BEGIN:VEVENT\r\nUID:s\r\nSUMMARY:x\r\n" + event + "END:VEVENT\r\n"), "UTC");
        QCOMPARE(read.events.size(), events);
        QVERIFY2(read.notes.join('\n').contains(said), qPrintable(read.notes.join('\n')));
        QSet<QString> identities;
        for (const ImportedRecord &e : read.events)
            identities.insert(e.foreignUid);
        QCOMPARE(identities.size(), events); // each keeps an identity of its own for the next import
    }

    void eventRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("field");
        for (const char *zone : {"Asia/Seoul", "UTC", "America/New_York"})
            for (const QString &field : schema::datebook().fields)
                QTest::addRow("%s %s", zone, qPrintable(field)) << QByteArray(zone) << field;
    }
    // Every field of an event comes back as it was; those with a standard property travel in it.
    void eventRoundTrip()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QString, field);
        CalendarOptions options;
        options.localZone = zone;
        const StoreRecord event = test::everyEventField();
        const QByteArray file = calendarFileFromRecords({event}, {}, options);
        const CalendarImport read = recordsFromCalendarFile(file, options);
        QCOMPARE(read.events.size(), 1);
        QVERIFY2(read.notes.isEmpty(), qPrintable(read.notes.join('\n')));
        QCOMPARE(read.foreign.count, 0);
        if (field == "ID") {
            QCOMPARE(read.events[0].ownId.value_or(-1), 7);
            return;
        }
        QCOMPARE(read.events[0].fields.value(field), event.value(field));
        // A silent alarm goes as a DISPLAY alarm, which comes back ringing unless told otherwise.
        static const QStringList privateOnes{"application", "Timezone",      "Recchildren", "qdl-private-data",
                                             "outlook_index", "sound"};
        QCOMPARE(file.contains(privatePropertyName(field)), privateOnes.contains(field));
    }

    // Each kind of repetition, with and without an end, and an all-day one: the standard
    // properties alone bring them back.
    void repetitionsRoundTrip_data()
    {
        QTest::addColumn<QString>("rtype");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("weekdays");
        QTest::addColumn<QString>("until");
        QTest::addColumn<bool>("allDay");
        QTest::newRow("daily, no end") << "Daily" << "2024-01-31 08:00:00" << "" << "" << false;
        QTest::newRow("weekly, four days, end") << "Weekly" << "2024-01-01 08:00:00" << "85" << "2024-12-30" << false;
        QTest::newRow("on the 31st") << "MonthlyDate" << "2024-01-31 23:30:00" << "" << "2025-12-31" << false;
        QTest::newRow("fifth Tuesday") << "MonthlyDay" << "2024-01-30 10:00:00" << "" << "" << false;
        QTest::newRow("last Friday, all day") << "MonthlyEndDay" << "2024-03-29 00:00:00" << "" << "2026-03-27" << true;
        QTest::newRow("29 February") << "Yearly" << "2024-02-29 00:00:00" << "" << "2032-02-29" << true;
    }
    void repetitionsRoundTrip()
    {
        QFETCH(QString, rtype);
        QFETCH(QString, start);
        QFETCH(QString, weekdays);
        QFETCH(QString, until);
        QFETCH(bool, allDay);
        StoreRecord e{{"ID", "1"}, {"Description", "r"}, {"Start", start}, {"Type", allDay ? "AllDay" : "Timed"},
                      {"Rtype", rtype}, {"Rfreq", "1"}, {"Rhasenddate", until.isEmpty() ? "0" : "1"}};
        e["End"] = allDay ? start.left(10) + " 23:59:59" : start.left(11) + "23:45:00";
        if (!weekdays.isEmpty())
            e["Rweekdays"] = weekdays;
        if (!until.isEmpty())
            e["Enddt"] = until + " 00:00:00";
        for (const QByteArray zone : {"Asia/Seoul", "Pacific/Auckland", "America/Los_Angeles"}) {
            CalendarOptions options;
            options.localZone = zone;
            const QByteArray file = calendarFileFromRecords({e}, {}, options);
            QVERIFY2(!file.contains("X-PIMDESK"), file.constData());
            const CalendarImport read = recordsFromCalendarFile(file, options);
            QCOMPARE(read.events.size(), 1);
            QCOMPARE(read.events[0].fields, [&] {
                StoreRecord expected = e;
                expected.remove("ID");
                return expected;
            }());
        }
    }

    // An all-day event is the same days everywhere: DATE values, the end the day after.
    void allDayIsNeverShifted()
    {
        const StoreRecord e{{"ID", "3"}, {"Type", "AllDay"}, {"Start", "2024-03-10 00:00:00"}, {"End", "2024-03-11 23:59:59"}};
        for (const QByteArray zone : {"UTC", "Asia/Seoul", "Pacific/Honolulu"}) {
            CalendarOptions options;
            options.localZone = zone;
            const QByteArray file = calendarFileFromRecords({e}, {}, options);
            QVERIFY(file.contains("DTSTART;VALUE=DATE:20240310\r\n"));
            QVERIFY(file.contains("DTEND;VALUE=DATE:20240312\r\n"));
            QVERIFY(!file.contains("VTIMEZONE"));
            QCOMPARE(recordsFromCalendarFile(file, options).events.value(0).fields.value("End"), e.value("End"));
        }
        // The end as another program stores it (the next midnight) keeps the same days.
        const StoreRecord outlookStyle{{"Type", "AllDay"}, {"Start", "2024-03-10 00:00:00"}, {"End", "2024-03-12 00:00:00"}};
        const QByteArray file = calendarFileFromRecords({outlookStyle}, {});
        QVERIFY(file.contains("DTEND;VALUE=DATE:20240312\r\n"));
        QCOMPARE(recordsFromCalendarFile(file).events.value(0).fields.value("End"), outlookStyle.value("End"));
    }

    void localTimesCarryTheirZone()
    {
        const StoreRecord e{{"ID", "1"}, {"Type", "Timed"}, {"Start", "2024-07-01 09:00:00"}, {"End", "2024-07-01 10:00:00"}};
        CalendarOptions seoul;
        seoul.localZone = "Asia/Seoul";
        const QByteArray file = calendarFileFromRecords({e}, {}, seoul);
        QVERIFY(file.contains("DTSTART;TZID=Asia/Seoul:20240701T090000\r\n"));
        QVERIFY(file.contains("BEGIN:VTIMEZONE\r\nTZID:Asia/Seoul\r\n"));
        // Read where the clocks are seven hours behind Seoul in July.
        CalendarOptions berlin;
        berlin.localZone = "Europe/Berlin";
        QCOMPARE(recordsFromCalendarFile(file, berlin).events.value(0).fields.value("Start"), QStringLiteral("2024-07-01 02:00:00"));
        CalendarOptions utc;
        utc.localZone = "UTC";
        const QByteArray inUtc = calendarFileFromRecords({e}, {}, utc);
        QVERIFY(inUtc.contains("DTSTART:20240701T090000Z\r\n"));
        QVERIFY(!inUtc.contains("VTIMEZONE"));
    }

    void taskRoundTrip_data()
    {
        QTest::addColumn<QString>("field");
        for (const QString &field : schema::todo().fields)
            QTest::newRow(qPrintable(field)) << field;
    }
    void taskRoundTrip()
    {
        QFETCH(QString, field);
        CalendarOptions options;
        options.localZone = "Asia/Seoul";
        const StoreRecord task = test::everyTaskField();
        const QByteArray file = calendarFileFromRecords({}, {task}, options);
        const CalendarImport read = recordsFromCalendarFile(file, options);
        QCOMPARE(read.tasks.size(), 1);
        QCOMPARE(read.foreign.count, 0);
        if (field == "ID") {
            QCOMPARE(read.tasks[0].ownId.value_or(-1), 9);
            return;
        }
        QCOMPARE(read.tasks[0].fields.value(field), task.value(field));
        // Waiting has no status of its own in iCalendar.
        static const QStringList privateOnes{"Status", "qdl-private-data", "outlook_index", "application"};
        QCOMPARE(file.contains(privatePropertyName(field)), privateOnes.contains(field));
    }

    void taskPriorities_data()
    {
        QTest::addColumn<int>("ical");
        QTest::addColumn<QString>("store");
        QTest::newRow("1") << 1 << "1";
        QTest::newRow("2") << 2 << "1";
        QTest::newRow("4") << 4 << "2";
        QTest::newRow("5") << 5 << "3";
        QTest::newRow("6") << 6 << "3";
        QTest::newRow("9") << 9 << "5";
        QTest::newRow("0 is none") << 0 << "";
    }
    void taskPriorities()
    {
        QFETCH(int, ical);
        QFETCH(QString, store);
        const QByteArray todo = "BEGIN:VTODO\r\nUID:t\r\nSUMMARY:x\r\nPRIORITY:" + QByteArray::number(ical) + "\r\nEND:VTODO\r\n";
        QCOMPARE(readCalendar(calendar(todo), "UTC").tasks.value(0).fields.value("Priority"), store);
    }

private:
    bool m_haveShared = false;
    FixedClock m_clock{QDateTime(QDate(2024, 12, 20), QTime(12, 0))};
};

QTEST_APPLESS_MAIN(CalendarFilesTest)
#include "tst_calendarfiles.moc"
