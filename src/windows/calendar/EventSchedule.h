#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariant>
#include <optional>
#include <utility>

namespace pimdesk::calendar {

// When an event takes place, whether and how it reminds, and how it repeats, as the event window's
// boxes hold them and as the Datebook fields store them in the handheld's own form (the datebook
// writer turns the stored date-times into the handheld's counts of seconds). Dates and times are
// kept apart, never as a point in time, so that no time zone and no daylight-saving gap enters.

// A field of the Datebook table with the value to store in it.
using FieldValue = std::pair<QString, QVariant>;

// The texts the boxes use: dates on the calendar buttons as "yyyy-MM-dd", times as "HH:mm".
QString dateText(const QDate &date);
QString timeText(const QTime &time);
// What the user typed: a date "yyyy-MM-dd"; a time "H:mm" or "HH:mm" within 00:00 to 23:59 (blanks
// around either ignored). nullopt when it is not one.
std::optional<QDate> dateFromText(const QString &text);
std::optional<QTime> timeFromText(const QString &text);
// A time box stepped by minutes (negative steps back), going round midnight; a text that is not a
// time steps from 00:00.
QString steppedTime(const QString &text, int minutes);

struct EventTimes
{
    QDate startDate;
    QTime startTime;
    QDate endDate;
    QTime endTime;
    bool allDay = false;

    bool operator==(const EventTimes &) const = default;
};

// A new event: today at the next full hour, for one hour (past 23:00 it starts the next day).
EventTimes newEventTimes(const QDateTime &now);
// A stored event's times; a Start or End that cannot be read as a date and time is taken from
// fallback. An all-day event is one whose Type is "AllDay".
EventTimes storedTimes(const QVariant &start, const QVariant &end, const QVariant &type, const EventTimes &fallback);
// Start, End and Type. An all-day event runs from 00:00 of its first day to 23:59 of its last.
QList<FieldValue> timeFields(const EventTimes &times);
// Whether the end comes before the start (for an all-day event: the end day before the first).
bool endsBeforeStart(const EventTimes &times);

enum class AlarmKind { None, Silent, Audible };

struct EventAlarm
{
    AlarmKind kind = AlarmKind::None;
    int minutes = 0; // before the start

    bool operator==(const EventAlarm &) const = default;
};

// The alarm list's entries, in the order of AlarmKind.
QStringList alarmChoices();
// The minutes a new alarm starts with.
inline constexpr int defaultAlarmMinutes = 5;
// A stored alarm: there is one when balarm holds a text; "loud" sounds it, anything else is silent.
EventAlarm storedAlarm(const QVariant &balarm, const QVariant &alarm, const QVariant &sound);
// balarm, alarm and sound: "true", the minutes and "silent" or "loud"; all three empty for none.
QList<FieldValue> alarmFields(const EventAlarm &alarm);

struct EventRepeat
{
    QString type; // Rtype as the handheld names it ("Daily", ...); empty for none
    int interval = 1;
    int weekdays = 0; // Monday 1, Tuesday 2, ... Sunday 64
    bool hasEndDate = false;
    QDate endDate;

    bool repeats() const { return !type.isEmpty(); }
    bool operator==(const EventRepeat &) const = default;
};

// The repeat list's entries: "No Repeat" first, then the kinds this window makes, as Rtype names them.
QStringList repeatChoices();
inline constexpr char noRepeatChoice[] = "No Repeat";
inline constexpr char weeklyRepeat[] = "Weekly";
// The entry of the repeat list that shows a repeat type (a type the list lacks shows as it is).
QString repeatChoice(const QString &type);
// The handheld's bit for the weekday of a date.
int weekdayBit(const QDate &date);
// The bits of the seven weekdays, Monday first.
int weekdayBit(int dayOfWeek); // 1 Monday ... 7 Sunday
// A stored repeat rule ("NoRepeat" and an empty Rtype both mean none; an interval below 1 reads as 1).
EventRepeat storedRepeat(const QVariant &rtype, const QVariant &rfreq, const QVariant &rweekdays,
                         const QVariant &rhasenddate, const QVariant &enddt);
// Rtype, Rfreq, Rweekdays, Rhasenddate and Enddt. Without a repeat the texts are empty and Enddt
// null; with one, Rhasenddate is "1" or "0" and Enddt the end day's midnight or null, and
// Rweekdays the mask of a weekly repeat (empty for the others).
QList<FieldValue> repeatFields(const EventRepeat &repeat);

} // namespace pimdesk::calendar
