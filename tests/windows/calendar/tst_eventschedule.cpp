// An event's times, alarm and repeat rule between the event window's boxes and the Datebook
// fields in the handheld's form.
#include "windows/calendar/EventSchedule.h"

#include <QTest>
#include <time.h>

using namespace pimdesk;
using namespace pimdesk::calendar;

namespace {

QString fieldsText(const QList<FieldValue> &fields)
{
    QStringList parts;
    for (const auto &[field, value] : fields)
        parts << field + "=" + (value.isNull() ? QString("<null>") : value.toString());
    return parts.join(' ');
}

} // namespace

class TestEventSchedule : public QObject
{
    Q_OBJECT
private slots:
    void aNewEventStartsAtTheNextFullHour_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::newRow("morning") << QDateTime(QDate(2026, 12, 9), QTime(10, 20, 5)) << "2026-12-09 11:00:00"
                                 << "2026-12-09 12:00:00";
        QTest::newRow("on the hour") << QDateTime(QDate(2026, 12, 9), QTime(10, 0)) << "2026-12-09 11:00:00"
                                     << "2026-12-09 12:00:00";
        QTest::newRow("ends past midnight") << QDateTime(QDate(2026, 12, 31), QTime(22, 59)) << "2026-12-31 23:00:00"
                                            << "2027-01-01 00:00:00";
        QTest::newRow("starts the next day") << QDateTime(QDate(2028, 2, 28), QTime(23, 30)) << "2028-02-29 00:00:00"
                                             << "2028-02-29 01:00:00";
    }
    void aNewEventStartsAtTheNextFullHour()
    {
        QFETCH(QDateTime, now);
        QFETCH(QString, start);
        QFETCH(QString, end);
        const EventTimes times = newEventTimes(now);
        QVERIFY(!times.allDay);
        QCOMPARE(fieldsText(timeFields(times)), QString("Start=%1 End=%2 Type=Timed").arg(start, end));
        QVERIFY(!endsBeforeStart(times));
    }

    void typedTimesAndSteps()
    {
        QCOMPARE(timeFromText(" 9:05 "), std::optional(QTime(9, 5)));
        QCOMPARE(timeFromText("23:59"), std::optional(QTime(23, 59)));
        for (const char *bad : {"24:00", "12:60", "", "noon", "12.30", "-1:00"})
            QVERIFY2(!timeFromText(bad), bad);
        QCOMPARE(dateFromText("2026-02-28"), std::optional(QDate(2026, 2, 28)));
        QVERIFY(!dateFromText("2026-02-29"));
        QVERIFY(!dateFromText("28.02.2026"));

        QCOMPARE(steppedTime("09:10", 15), QString("09:25"));
        QCOMPARE(steppedTime("09:10", -15), QString("08:55"));
        QCOMPARE(steppedTime("23:50", 15), QString("00:05"));
        QCOMPARE(steppedTime("00:05", -15), QString("23:50"));
        QCOMPARE(steppedTime("garbage", 15), QString("00:15"));
    }

    void endBeforeStart_data()
    {
        QTest::addColumn<QDate>("startDate");
        QTest::addColumn<QTime>("startTime");
        QTest::addColumn<QDate>("endDate");
        QTest::addColumn<QTime>("endTime");
        QTest::addColumn<bool>("allDay");
        QTest::addColumn<bool>("before");
        const QDate d(2026, 12, 9);
        QTest::newRow("a minute early") << d << QTime(10, 0) << d << QTime(9, 59) << false << true;
        QTest::newRow("no length") << d << QTime(10, 0) << d << QTime(10, 0) << false << false;
        QTest::newRow("seconds do not count") << d << QTime(10, 0, 30) << d << QTime(10, 0) << false << false;
        QTest::newRow("the day before") << d << QTime(8, 0) << d.addDays(-1) << QTime(23, 0) << false << true;
        QTest::newRow("the next day, earlier hour")
            << d << QTime(22, 0) << d.addDays(1) << QTime(1, 0) << false << false;
        QTest::newRow("all day, same day, times crossed") << d << QTime(22, 0) << d << QTime(1, 0) << true << false;
        QTest::newRow("all day, the day before") << d << QTime(0, 0) << d.addDays(-1) << QTime(0, 0) << true << true;
    }
    void endBeforeStart()
    {
        QFETCH(QDate, startDate);
        QFETCH(QTime, startTime);
        QFETCH(QDate, endDate);
        QFETCH(QTime, endTime);
        QFETCH(bool, allDay);
        QFETCH(bool, before);
        QCOMPARE(endsBeforeStart({startDate, startTime, endDate, endTime, allDay}), before);
    }

    void storedTimesAndTheirFields()
    {
        const EventTimes fallback = newEventTimes(QDateTime(QDate(2026, 12, 9), QTime(10, 20)));
        // As the handheld's reader stores them, and in the other forms a store may hold.
        EventTimes t = storedTimes("2006-03-01 09:00:30", "2006-03-02 10:30:00", "Timed", fallback);
        QCOMPARE(t, (EventTimes{QDate(2006, 3, 1), QTime(9, 0, 30), QDate(2006, 3, 2), QTime(10, 30), false}));
        t = storedTimes("1969-12-31T23:15", "1970-01-01", " AllDay ", fallback);
        QCOMPARE(t, (EventTimes{QDate(1969, 12, 31), QTime(23, 15), QDate(1970, 1, 1), QTime(0, 0), true}));
        QCOMPARE(fieldsText(timeFields(t)), QString("Start=1969-12-31 00:00:00 End=1970-01-01 23:59:00 Type=AllDay"));
        // Only "AllDay" itself is an all-day event, as the view shows it.
        QVERIFY(!storedTimes("2006-03-01 09:00:00", "2006-03-01 10:00:00", "allday", fallback).allDay);
        // What cannot be read is taken from the fallback.
        t = storedTimes(QVariant(), "not a date", QVariant(), fallback);
        QCOMPARE(t, fallback);
        // A time of day is stored as typed, whatever the computer's time zone does to its own clock.
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "America/New_York");
        tzset();
        const EventTimes gap{QDate(2024, 3, 10), QTime(2, 30), QDate(2024, 3, 10), QTime(2, 45), false};
        QCOMPARE(fieldsText(timeFields(gap)), QString("Start=2024-03-10 02:30:00 End=2024-03-10 02:45:00 Type=Timed"));
        QCOMPARE(storedTimes("2024-03-10 02:30:00", "2024-03-10 02:45:00", "Timed", fallback), gap);
        if (zone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", zone);
        tzset();
    }

    void alarms_data()
    {
        QTest::addColumn<QVariant>("balarm");
        QTest::addColumn<QVariant>("alarm");
        QTest::addColumn<QVariant>("sound");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QString>("fields");
        const QString none = "balarm= alarm= sound=";
        QTest::newRow("none: null") << QVariant() << QVariant("15") << QVariant("loud") << int(AlarmKind::None) << 0
                                    << none;
        QTest::newRow("none: blank") << QVariant(" ") << QVariant("15") << QVariant() << int(AlarmKind::None) << 0
                                     << none;
        QTest::newRow("silent") << QVariant("true") << QVariant("15") << QVariant("silent") << int(AlarmKind::Silent)
                                << 15 << "balarm=true alarm=15 sound=silent";
        QTest::newRow("loud") << QVariant("true") << QVariant(" 60 ") << QVariant("loud") << int(AlarmKind::Audible)
                              << 60 << "balarm=true alarm=60 sound=loud";
        QTest::newRow("no sound is silent") << QVariant("true") << QVariant("0") << QVariant() << int(AlarmKind::Silent)
                                            << 0 << "balarm=true alarm=0 sound=silent";
        QTest::newRow("unreadable minutes")
            << QVariant("true") << QVariant("soon") << QVariant("loud") << int(AlarmKind::Audible)
            << defaultAlarmMinutes << "balarm=true alarm=5 sound=loud";
    }
    void alarms()
    {
        QFETCH(QVariant, balarm);
        QFETCH(QVariant, alarm);
        QFETCH(QVariant, sound);
        QFETCH(int, kind);
        QFETCH(int, minutes);
        QFETCH(QString, fields);
        const EventAlarm read = storedAlarm(balarm, alarm, sound);
        QCOMPARE(int(read.kind), kind);
        if (read.kind != AlarmKind::None)
            QCOMPARE(read.minutes, minutes);
        QCOMPARE(fieldsText(alarmFields(read)), fields);
        QCOMPARE(alarmChoices(), (QStringList{"No Alarm", "Silent Alarm", "Audible Alarm"}));
    }

    void repeats_data()
    {
        QTest::addColumn<QVariantList>("stored"); // Rtype, Rfreq, Rweekdays, Rhasenddate, Enddt
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("fields");
        const QVariant null;
        const QString none = "Rtype= Rfreq= Rweekdays= Rhasenddate= Enddt=<null>";
        QTest::newRow("nothing") << QVariantList{null, null, null, null, null} << "No Repeat" << none;
        QTest::newRow("NoRepeat") << QVariantList{"NoRepeat", "1", "0", "0", "2007-01-01 00:00:00"} << "No Repeat"
                                  << none;
        QTest::newRow("daily, every third day") << QVariantList{"Daily", "3", "", "0", null} << "Daily"
                                                << "Rtype=Daily Rfreq=3 Rweekdays= Rhasenddate=0 Enddt=<null>";
        QTest::newRow("weekly with an end date")
            << QVariantList{"Weekly", "2", "21", "1", "2007-06-30 09:00:00"} << "Weekly"
            << "Rtype=Weekly Rfreq=2 Rweekdays=21 Rhasenddate=1 Enddt=2007-06-30 00:00:00";
        QTest::newRow("an end flag without its date has none")
            << QVariantList{"MonthlyDate", "1", null, "1", null} << "MonthlyDate"
            << "Rtype=MonthlyDate Rfreq=1 Rweekdays= Rhasenddate=0 Enddt=<null>";
        QTest::newRow("interval below one") << QVariantList{"Yearly", "0", null, "0", null} << "Yearly"
                                            << "Rtype=Yearly Rfreq=1 Rweekdays= Rhasenddate=0 Enddt=<null>";
        QTest::newRow("weekdays only for a weekly repeat")
            << QVariantList{"MonthlyDay", "1", "4", "0", null} << "MonthlyDay"
            << "Rtype=MonthlyDay Rfreq=1 Rweekdays= Rhasenddate=0 Enddt=<null>";
        QTest::newRow("a later handheld's kind keeps its days")
            << QVariantList{"MonthlyEndDay", "1", "64", "true", "2008-01-31 00:00:00"} << "MonthlyEndDay"
            << "Rtype=MonthlyEndDay Rfreq=1 Rweekdays=64 Rhasenddate=1 Enddt=2008-01-31 00:00:00";
    }
    void repeats()
    {
        QFETCH(QVariantList, stored);
        QFETCH(QString, choice);
        QFETCH(QString, fields);
        const EventRepeat repeat = storedRepeat(stored[0], stored[1], stored[2], stored[3], stored[4]);
        QCOMPARE(repeatChoice(repeat.type), choice);
        QCOMPARE(fieldsText(repeatFields(repeat)), fields);
        QCOMPARE(repeatChoices(), (QStringList{"No Repeat", "Daily", "Weekly", "MonthlyDate", "MonthlyDay", "Yearly"}));
    }

    void weekdayBits()
    {
        // Monday 1 ... Sunday 64, as the handheld counts them.
        QCOMPARE(weekdayBit(QDate(2026, 12, 7)), 1);   // a Monday
        QCOMPARE(weekdayBit(QDate(2026, 12, 9)), 4);   // a Wednesday
        QCOMPARE(weekdayBit(QDate(2026, 12, 13)), 64); // a Sunday
        QCOMPARE(weekdayBit(0), 0);
        QCOMPARE(weekdayBit(8), 0);
    }
};

QTEST_GUILESS_MAIN(TestEventSchedule)
#include "tst_eventschedule.moc"
