#include "formats/Recurrence.h"

#include <QRegularExpression>

#include <algorithm>

namespace pimdesk::formats {

namespace {

struct KindName
{
    StoreRepeat::Kind kind;
    const char *name;
};

const KindName kindNames[] = {
    {StoreRepeat::Daily, "Daily"},           {StoreRepeat::Weekly, "Weekly"},
    {StoreRepeat::MonthlyDate, "MonthlyDate"}, {StoreRepeat::MonthlyDay, "MonthlyDay"},
    {StoreRepeat::MonthlyEndDay, "MonthlyEndDay"}, {StoreRepeat::Yearly, "Yearly"},
};

const char *const weekdayCodes[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};

bool isSet(const QString &flag)
{
    const QString f = flag.trimmed();
    return f == u"1" || f.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
           f.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
}

QDate dateOfStoredTime(const QString &stored)
{
    return QDate::fromString(stored.trimmed().left(10), QStringLiteral("yyyy-MM-dd"));
}

// Week of the month counted from its start (0 for days 1 to 7) and from its end.
int weekFromStart(const QDate &d)
{
    return (d.day() - 1) / 7;
}

int weekFromEnd(const QDate &d)
{
    return (d.daysInMonth() - d.day()) / 7;
}

// The n-th (0-based) given weekday of a month, from its start or its end; invalid when the month
// has none.
QDate nthWeekday(int year, int month, int dayOfWeek, int n, bool fromEnd)
{
    const QDate first(year, month, 1);
    if (!fromEnd) {
        const int day = 1 + (dayOfWeek - first.dayOfWeek() + 7) % 7 + 7 * n;
        return day <= first.daysInMonth() ? QDate(year, month, day) : QDate();
    }
    const QDate last(year, month, first.daysInMonth());
    const int day = last.day() - (last.dayOfWeek() - dayOfWeek + 7) % 7 - 7 * n;
    return day >= 1 ? QDate(year, month, day) : QDate();
}

QDate monthsLater(const QDate &start, int months)
{
    const int index = start.year() * 12 + (start.month() - 1) + months;
    return QDate(index / 12, index % 12 + 1, 1);
}

bool hasAny(const short *values)
{
    return values[0] != ICAL_RECURRENCE_ARRAY_MAX;
}

int countOf(const short *values, int size)
{
    int n = 0;
    while (n < size && values[n] != ICAL_RECURRENCE_ARRAY_MAX)
        ++n;
    return n;
}

} // namespace

int weekdayBit(const QDate &date)
{
    return 1 << (date.dayOfWeek() - 1);
}

StoreRepeat storeRepeatOf(const StoreRecord &event)
{
    StoreRepeat repeat;
    const QString type = event.value(QStringLiteral("Rtype")).trimmed();
    for (const KindName &k : kindNames)
        if (type.compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0)
            repeat.kind = k.kind;
    if (repeat.kind == StoreRepeat::None)
        return repeat;
    bool ok = false;
    const int frequency = event.value(QStringLiteral("Rfreq")).trimmed().toInt(&ok);
    repeat.frequency = ok && frequency > 0 ? frequency : 1;
    if (repeat.kind == StoreRepeat::Weekly)
        repeat.weekdays = event.value(QStringLiteral("Rweekdays")).trimmed().toInt() & 127;
    if (isSet(event.value(QStringLiteral("Rhasenddate")))) {
        const QDate until = dateOfStoredTime(event.value(QStringLiteral("Enddt")));
        if (until.isValid())
            repeat.until = until;
    }
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    for (const QString &item : event.value(QStringLiteral("Exceptions")).split(separators, Qt::SkipEmptyParts)) {
        QDate d = QDate::fromString(item, QStringLiteral("yyyyMMdd"));
        if (!d.isValid())
            d = QDate::fromString(item, QStringLiteral("yyyy-MM-dd"));
        if (d.isValid() && !repeat.exceptions.contains(d))
            repeat.exceptions << d;
    }
    return repeat;
}

void putStoreRepeat(StoreRecord &event, const StoreRepeat &repeat)
{
    for (const char *field : {"Rtype", "Rfreq", "Rweekdays", "Rhasenddate", "Enddt", "Exceptions"})
        event.remove(QLatin1String(field));
    if (repeat.kind == StoreRepeat::None)
        return;
    for (const KindName &k : kindNames)
        if (k.kind == repeat.kind)
            event.insert(QStringLiteral("Rtype"), QLatin1String(k.name));
    event.insert(QStringLiteral("Rfreq"), QString::number(repeat.frequency));
    if (repeat.kind == StoreRepeat::Weekly)
        event.insert(QStringLiteral("Rweekdays"), QString::number(repeat.weekdays));
    event.insert(QStringLiteral("Rhasenddate"), repeat.until ? QStringLiteral("1") : QStringLiteral("0"));
    if (repeat.until)
        event.insert(QStringLiteral("Enddt"), repeat.until->toString(QStringLiteral("yyyy-MM-dd")) + " 00:00:00");
    if (!repeat.exceptions.isEmpty()) {
        QList<QDate> sorted = repeat.exceptions;
        std::sort(sorted.begin(), sorted.end());
        QStringList days;
        for (const QDate &d : sorted)
            days << d.toString(QStringLiteral("yyyyMMdd"));
        event.insert(QStringLiteral("Exceptions"), days.join(u' '));
    }
}

QList<QDate> storeOccurrences(const StoreRepeat &repeat, const QDate &start, int limit)
{
    QList<QDate> days;
    if (!start.isValid() || limit <= 0)
        return days;
    bool done = false;
    // False once the list is full or past the end.
    const auto add = [&](const QDate &d) {
        if (repeat.until && d > *repeat.until) {
            done = true;
            return;
        }
        if (!repeat.exceptions.contains(d))
            days << d;
        done = days.size() >= limit;
    };
    const int f = repeat.frequency;
    // Enough steps for any repetition to reach the list's end, and no more: a rule that falls on no
    // day (the 31st every other month from February) must end too.
    const int steps = 20000;
    switch (repeat.kind) {
    case StoreRepeat::None:
        add(start);
        break;
    case StoreRepeat::Daily:
        for (int k = 0; k < steps && !done; ++k)
            add(start.addDays(qint64(k) * f));
        break;
    case StoreRepeat::Weekly: {
        const int mask = repeat.weekdays ? repeat.weekdays : weekdayBit(start);
        const QDate monday = start.addDays(-(start.dayOfWeek() - 1));
        for (int w = 0; w < steps && !done; w += f)
            for (int d = 0; d < 7 && !done; ++d)
                if (mask & (1 << d)) {
                    const QDate day = monday.addDays(qint64(w) * 7 + d);
                    if (day >= start)
                        add(day);
                }
        break;
    }
    case StoreRepeat::MonthlyDate:
    case StoreRepeat::MonthlyDay:
    case StoreRepeat::MonthlyEndDay:
        for (int k = 0; k < steps && !done; ++k) {
            const QDate month = monthsLater(start, k * f);
            QDate day;
            if (repeat.kind == StoreRepeat::MonthlyDate)
                day = QDate(month.year(), month.month(), start.day());
            else if (repeat.kind == StoreRepeat::MonthlyDay)
                day = nthWeekday(month.year(), month.month(), start.dayOfWeek(), weekFromStart(start), false);
            else
                day = nthWeekday(month.year(), month.month(), start.dayOfWeek(), weekFromEnd(start), true);
            if (day.isValid() && day >= start)
                add(day);
            if (month.year() > 9000)
                break;
        }
        break;
    case StoreRepeat::Yearly:
        for (int k = 0; k < steps && !done && start.year() + k * f < 9000; ++k) {
            const QDate day(start.year() + k * f, start.month(), start.day());
            if (day.isValid())
                add(day);
        }
        break;
    }
    return days;
}

icalrecurrencetype ruleOf(const StoreRepeat &repeat, const QDate &start, const icaltimetype &until)
{
    QString text;
    switch (repeat.kind) {
    case StoreRepeat::None:
        break;
    case StoreRepeat::Daily:
        text = QStringLiteral("FREQ=DAILY");
        break;
    case StoreRepeat::Weekly: {
        const int mask = repeat.weekdays ? repeat.weekdays : weekdayBit(start);
        QStringList days;
        for (int d = 0; d < 7; ++d)
            if (mask & (1 << d))
                days << QLatin1String(weekdayCodes[d]);
        text = QStringLiteral("FREQ=WEEKLY;WKST=MO;BYDAY=") + days.join(u',');
        break;
    }
    case StoreRepeat::MonthlyDate:
        text = QStringLiteral("FREQ=MONTHLY;BYMONTHDAY=%1").arg(start.day());
        break;
    case StoreRepeat::MonthlyDay:
        text = QStringLiteral("FREQ=MONTHLY;BYDAY=%1%2")
                   .arg(weekFromStart(start) + 1)
                   .arg(QLatin1String(weekdayCodes[start.dayOfWeek() - 1]));
        break;
    case StoreRepeat::MonthlyEndDay:
        text = QStringLiteral("FREQ=MONTHLY;BYDAY=-%1%2")
                   .arg(weekFromEnd(start) + 1)
                   .arg(QLatin1String(weekdayCodes[start.dayOfWeek() - 1]));
        break;
    case StoreRepeat::Yearly:
        // Month and day named, so that 29 February stays on leap years.
        text = QStringLiteral("FREQ=YEARLY;BYMONTH=%1;BYMONTHDAY=%2").arg(start.month()).arg(start.day());
        break;
    }
    if (repeat.frequency > 1)
        text += QStringLiteral(";INTERVAL=%1").arg(repeat.frequency);
    icalrecurrencetype rule = icalrecurrencetype_from_string(text.toLatin1().constData());
    if (!icaltime_is_null_time(until))
        rule.until = until;
    return rule;
}

std::optional<StoreRepeat> storeRepeatOfRule(const icalrecurrencetype &rule, const QDate &localStart,
                                             const QList<QDate> &localDays, bool ruleEnds)
{
    if (localDays.isEmpty() || !localStart.isValid())
        return std::nullopt;
    if (rule.freq != ICAL_DAILY_RECURRENCE && rule.freq != ICAL_WEEKLY_RECURRENCE &&
        rule.freq != ICAL_MONTHLY_RECURRENCE && rule.freq != ICAL_YEARLY_RECURRENCE)
        return std::nullopt;
    if (hasAny(rule.by_second) || hasAny(rule.by_minute) || hasAny(rule.by_hour) || hasAny(rule.by_year_day) ||
        hasAny(rule.by_week_no))
        return std::nullopt;
    const int interval = rule.interval > 0 ? rule.interval : 1;
    const int days = countOf(rule.by_day, ICAL_BY_DAY_SIZE);
    const int monthDays = countOf(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE);
    const int months = countOf(rule.by_month, ICAL_BY_MONTH_SIZE);
    const int positions = countOf(rule.by_set_pos, ICAL_BY_SETPOS_SIZE);
    int ordinal = 0; // of a single BYDAY ("2TU", "-1FR", or "FR" with BYSETPOS)
    bool ordinalDays = false;
    for (int i = 0; i < days; ++i)
        ordinalDays = ordinalDays || icalrecurrencetype_day_position(rule.by_day[i]) != 0;
    if (days == 1) {
        ordinal = icalrecurrencetype_day_position(rule.by_day[0]);
        if (ordinal == 0 && positions == 1)
            ordinal = rule.by_set_pos[0];
    } else if (positions > 0) {
        return std::nullopt;
    }

    StoreRepeat candidate;
    candidate.frequency = interval;
    const auto byNthWeekday = [&](int everyMonths) {
        candidate.kind = ordinal > 0 ? StoreRepeat::MonthlyDay : StoreRepeat::MonthlyEndDay;
        candidate.frequency = everyMonths;
    };
    switch (rule.freq) {
    case ICAL_DAILY_RECURRENCE:
        if (monthDays || months)
            return std::nullopt;
        if (days == 0) {
            candidate.kind = StoreRepeat::Daily;
        } else if (!ordinalDays && interval == 1) {
            candidate.kind = StoreRepeat::Weekly; // every day of some weekdays: weekly on them
        } else {
            return std::nullopt;
        }
        break;
    case ICAL_WEEKLY_RECURRENCE:
        if (monthDays || months || ordinalDays)
            return std::nullopt;
        candidate.kind = StoreRepeat::Weekly;
        break;
    case ICAL_MONTHLY_RECURRENCE:
        if (months)
            return std::nullopt;
        if (days == 0 && monthDays <= 1) {
            candidate.kind = StoreRepeat::MonthlyDate;
        } else if (days == 1 && ordinal != 0 && monthDays == 0) {
            byNthWeekday(interval);
        } else {
            return std::nullopt;
        }
        break;
    case ICAL_YEARLY_RECURRENCE:
        if (months > 1 || (months == 1 && rule.by_month[0] != localStart.month()))
            return std::nullopt;
        if (days == 0 && monthDays <= 1) {
            candidate.kind = StoreRepeat::Yearly;
        } else if (days == 1 && ordinal != 0 && monthDays == 0 && months == 1) {
            // The n-th weekday of one month every year: every twelve months on it.
            byNthWeekday(12 * interval);
        } else {
            return std::nullopt;
        }
        break;
    default:
        return std::nullopt;
    }
    if (candidate.kind == StoreRepeat::Weekly) {
        // The weekdays on which the occurrences fall in local time (a series on Tuesday at 15:00
        // UTC falls on Wednesday in Seoul).
        for (const QDate &d : localDays.mid(0, 14))
            candidate.weekdays |= weekdayBit(d);
    }
    if (ruleEnds)
        candidate.until = localDays.back();
    // The shape proposed it; the days decide.
    const QList<QDate> expected = storeOccurrences(candidate, localStart, int(localDays.size()) + (ruleEnds ? 1 : 0));
    if (expected != localDays)
        return std::nullopt;
    return candidate;
}

} // namespace pimdesk::formats
