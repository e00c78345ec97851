#include "windows/calendar/EventSchedule.h"

#include "exchange/DeviceTime.h"

#include <algorithm>

namespace pimdesk::calendar {

namespace {

constexpr int minutesPerDay = 24 * 60;

QString fieldText(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString().trimmed();
}

// A stored date-time taken apart into its date and its time of day.
std::optional<std::pair<QDate, QTime>> storedDateTime(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    const std::optional<qint64> seconds = secondsFrom2006(QStringView(value.toString()));
    if (!seconds)
        return std::nullopt;
    const qint64 days = *seconds >= 0 ? *seconds / 86400 : -((-*seconds + 86399) / 86400);
    const int ofDay = int(*seconds - days * 86400);
    return std::pair{QDate(2006, 1, 1).addDays(days), QTime(0, 0).addSecs(ofDay)};
}

QString storedText(const QDate &date, const QTime &time)
{
    // Put together as texts: a local date-time would move a time that a daylight-saving change skips.
    return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm:ss"));
}

int wholeNumber(const QVariant &value, int fallback)
{
    bool ok = false;
    const int number = fieldText(value).toInt(&ok);
    return ok ? number : fallback;
}

} // namespace

QString dateText(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString timeText(const QTime &time)
{
    return time.toString(QStringLiteral("HH:mm"));
}

std::optional<QDate> dateFromText(const QString &text)
{
    const QDate date = QDate::fromString(text.trimmed(), QStringLiteral("yyyy-MM-dd"));
    return date.isValid() ? std::optional(date) : std::nullopt;
}

std::optional<QTime> timeFromText(const QString &text)
{
    const QString t = text.trimmed();
    for (const char *form : {"HH:mm", "H:mm"}) {
        const QTime time = QTime::fromString(t, QString::fromLatin1(form));
        if (time.isValid())
            return time;
    }
    return std::nullopt;
}

QString steppedTime(const QString &text, int minutes)
{
    const QTime from = timeFromText(text).value_or(QTime(0, 0));
    const int at = ((from.hour() * 60 + from.minute() + minutes) % minutesPerDay + minutesPerDay) % minutesPerDay;
    return timeText(QTime(at / 60, at % 60));
}

EventTimes newEventTimes(const QDateTime &now)
{
    EventTimes times;
    const int nextHour = now.time().hour() + 1;
    times.startDate = now.date().addDays(nextHour / 24);
    times.startTime = QTime(nextHour % 24, 0);
    const int endHour = nextHour + 1;
    times.endDate = now.date().addDays(endHour / 24);
    times.endTime = QTime(endHour % 24, 0);
    return times;
}

EventTimes storedTimes(const QVariant &start, const QVariant &end, const QVariant &type, const EventTimes &fallback)
{
    EventTimes times = fallback;
    if (const auto s = storedDateTime(start)) {
        times.startDate = s->first;
        times.startTime = s->second;
    }
    if (const auto e = storedDateTime(end)) {
        times.endDate = e->first;
        times.endTime = e->second;
    }
    times.allDay = fieldText(type) == QLatin1String("AllDay");
    return times;
}

QList<FieldValue> timeFields(const EventTimes &times)
{
    const QTime start = times.allDay ? QTime(0, 0) : QTime(times.startTime.hour(), times.startTime.minute());
    const QTime end = times.allDay ? QTime(23, 59) : QTime(times.endTime.hour(), times.endTime.minute());
    return {{QStringLiteral("Start"), storedText(times.startDate, start)},
            {QStringLiteral("End"), storedText(times.endDate, end)},
            {QStringLiteral("Type"), times.allDay ? QStringLiteral("AllDay") : QStringLiteral("Timed")}};
}

bool endsBeforeStart(const EventTimes &times)
{
    if (times.endDate != times.startDate || times.allDay)
        return times.endDate < times.startDate;
    return QTime(times.endTime.hour(), times.endTime.minute()) <
           QTime(times.startTime.hour(), times.startTime.minute());
}

QStringList alarmChoices()
{
    return {QStringLiteral("No Alarm"), QStringLiteral("Silent Alarm"), QStringLiteral("Audible Alarm")};
}

EventAlarm storedAlarm(const QVariant &balarm, const QVariant &alarm, const QVariant &sound)
{
    if (fieldText(balarm).isEmpty())
        return {};
    const int minutes = wholeNumber(alarm, defaultAlarmMinutes);
    return {fieldText(sound) == QLatin1String("loud") ? AlarmKind::Audible : AlarmKind::Silent,
            minutes < 0 ? defaultAlarmMinutes : minutes};
}

QList<FieldValue> alarmFields(const EventAlarm &alarm)
{
    if (alarm.kind == AlarmKind::None)
        return {{QStringLiteral("balarm"), QStringLiteral("")},
                {QStringLiteral("alarm"), QStringLiteral("")},
                {QStringLiteral("sound"), QStringLiteral("")}};
    return {{QStringLiteral("balarm"), QStringLiteral("true")},
            {QStringLiteral("alarm"), QString::number(alarm.minutes)},
            {QStringLiteral("sound"),
             alarm.kind == AlarmKind::Audible ? QStringLiteral("loud") : QStringLiteral("silent")}};
}

QStringList repeatChoices()
{
    return {QString::fromLatin1(noRepeatChoice), QStringLiteral("Daily"),      QString::fromLatin1(weeklyRepeat),
            QStringLiteral("MonthlyDate"),       QStringLiteral("MonthlyDay"), QStringLiteral("Yearly")};
}

QString repeatChoice(const QString &type)
{
    return type.isEmpty() ? QString::fromLatin1(noRepeatChoice) : type;
}

int weekdayBit(int dayOfWeek)
{
    return dayOfWeek >= 1 && dayOfWeek <= 7 ? 1 << (dayOfWeek - 1) : 0;
}

int weekdayBit(const QDate &date)
{
    return weekdayBit(date.dayOfWeek());
}

EventRepeat storedRepeat(const QVariant &rtype, const QVariant &rfreq, const QVariant &rweekdays,
                         const QVariant &rhasenddate, const QVariant &enddt)
{
    EventRepeat repeat;
    repeat.type = fieldText(rtype);
    if (repeat.type == QLatin1String("NoRepeat"))
        repeat.type.clear();
    repeat.interval = std::max(1, wholeNumber(rfreq, 1));
    repeat.weekdays = wholeNumber(rweekdays, 0) & 127;
    const QString hasEnd = fieldText(rhasenddate);
    repeat.hasEndDate = hasEnd == QLatin1String("1") || hasEnd.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    if (const auto end = storedDateTime(enddt))
        repeat.endDate = end->first;
    if (!repeat.endDate.isValid())
        repeat.hasEndDate = false;
    return repeat;
}

QList<FieldValue> repeatFields(const EventRepeat &repeat)
{
    if (!repeat.repeats())
        return {{QStringLiteral("Rtype"), QStringLiteral("")},
                {QStringLiteral("Rfreq"), QStringLiteral("")},
                {QStringLiteral("Rweekdays"), QStringLiteral("")},
                {QStringLiteral("Rhasenddate"), QStringLiteral("")},
                {QStringLiteral("Enddt"), QVariant()}};
    // The weekdays belong to a weekly repeat; a type this window does not make keeps the ones it had.
    const bool known = repeatChoices().contains(repeat.type);
    const bool withDays = repeat.type == QLatin1String(weeklyRepeat) || (!known && repeat.weekdays != 0);
    const bool hasEnd = repeat.hasEndDate && repeat.endDate.isValid();
    return {{QStringLiteral("Rtype"), repeat.type},
            {QStringLiteral("Rfreq"), QString::number(std::max(1, repeat.interval))},
            {QStringLiteral("Rweekdays"), withDays ? QString::number(repeat.weekdays & 127) : QStringLiteral("")},
            {QStringLiteral("Rhasenddate"), hasEnd ? QStringLiteral("1") : QStringLiteral("0")},
            {QStringLiteral("Enddt"), hasEnd ? QVariant(storedText(repeat.endDate, QTime(0, 0))) : QVariant()}};
}

} // namespace pimdesk::calendar
