#include "outlook/pst/Recurrence.h"

#include "outlook/pst/Properties.h"

#include <QtEndian>

namespace pimdesk::pst {

namespace {

class Reader
{
public:
    explicit Reader(const QByteArray &data) : m_data(data) {}
    bool u16(quint32 &out) { return read(2, out); }
    bool u32(quint32 &out) { return read(4, out); }
    bool skip(qsizetype bytes)
    {
        if (bytes < 0 || m_data.size() - m_at < bytes)
            return false;
        m_at += bytes;
        return true;
    }

private:
    bool read(int size, quint32 &out)
    {
        if (m_data.size() - m_at < size)
            return false;
        const char *p = m_data.constData() + m_at;
        out = size == 2 ? qFromLittleEndian<quint16>(p) : qFromLittleEndian<quint32>(p);
        m_at += size;
        return true;
    }
    const QByteArray &m_data;
    qsizetype m_at = 0;
};

enum Frequency : quint32 { Daily = 0x200A, Weekly = 0x200B, Monthly = 0x200C, Yearly = 0x200D };
enum PatternType : quint32 {
    Day = 0x0,
    Week = 0x1,
    Month = 0x2,
    MonthNth = 0x3,
    MonthEnd = 0x4,
    HjMonth = 0xA,
    HjMonthNth = 0xB,
    HjMonthEnd = 0xC,
};
enum EndType : quint32 { EndAfterDate = 0x2021, EndAfterOccurrences = 0x2022, NeverEnd = 0x2023 };

// A list of days, each as the minutes of its midnight.
bool readDates(Reader &in, quint32 count, QList<QDate> &dates)
{
    if (count > 100000)
        return false;
    for (quint32 i = 0; i < count; ++i) {
        quint32 minutes = 0;
        if (!in.u32(minutes))
            return false;
        dates << wallClockFromMinutes(minutes).date();
    }
    return true;
}

// One changed occurrence's record: its times, then the fields its flags say it overrides.
bool readExceptionInfo(Reader &in, quint32 &originalStart)
{
    quint32 startDateTime = 0, endDateTime = 0, flags = 0;
    if (!in.u32(startDateTime) || !in.u32(endDateTime) || !in.u32(originalStart) || !in.u16(flags))
        return false;
    // In the order of the flags' bits: subject, meeting type, reminder delta, reminder set,
    // location, busy status, attachment, subtype, colour.
    static const struct
    {
        quint32 flag;
        bool text;
    } overrides[] = {{0x0001, true},  {0x0002, false}, {0x0004, false}, {0x0008, false}, {0x0010, true},
                     {0x0020, false}, {0x0040, false}, {0x0080, false}, {0x0100, false}};
    for (const auto &o : overrides) {
        if (!(flags & o.flag))
            continue;
        if (o.text) {
            quint32 length = 0, length2 = 0;
            if (!in.u16(length) || !in.u16(length2) || !in.skip(qsizetype(length2)))
                return false;
        } else if (!in.skip(4)) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<Recurrence> parseRecurrence(const QByteArray &blob)
{
    Reader in(blob);
    quint32 readerVersion = 0, writerVersion = 0, frequency = 0, patternType = 0, calendarType = 0;
    quint32 firstDateTime = 0, period = 0, slidingFlag = 0;
    if (!in.u16(readerVersion) || !in.u16(writerVersion) || !in.u16(frequency) || !in.u16(patternType) ||
        !in.u16(calendarType) || !in.u32(firstDateTime) || !in.u32(period) || !in.u32(slidingFlag))
        return std::nullopt;
    if (readerVersion != 0x3004 || frequency < Daily || frequency > Yearly)
        return std::nullopt;

    quint32 days = 0, dayOfMonth = 0, nth = 0;
    switch (patternType) {
    case Day:
        break;
    case Week:
        if (!in.u32(days))
            return std::nullopt;
        break;
    case Month:
    case MonthEnd:
    case HjMonth:
    case HjMonthEnd:
        if (!in.u32(dayOfMonth))
            return std::nullopt;
        break;
    case MonthNth:
    case HjMonthNth:
        if (!in.u32(days) || !in.u32(nth))
            return std::nullopt;
        break;
    default:
        return std::nullopt;
    }

    quint32 endType = 0, occurrenceCount = 0, firstDayOfWeek = 0, deleted = 0, modified = 0;
    quint32 startDate = 0, endDate = 0;
    if (!in.u32(endType) || !in.u32(occurrenceCount) || !in.u32(firstDayOfWeek) || !in.u32(deleted))
        return std::nullopt;
    QList<QDate> deletedDates, modifiedDates;
    if (!readDates(in, deleted, deletedDates) || !in.u32(modified) || !readDates(in, modified, modifiedDates) ||
        !in.u32(startDate) || !in.u32(endDate))
        return std::nullopt;

    Recurrence r;
    const bool nthPattern = patternType == MonthNth || patternType == HjMonthNth;
    switch (frequency) {
    case Daily:
        // A daily frequency with a week pattern is "every weekday": Outlook reports it as weekly.
        r.recurrenceType = patternType == Week ? 1 : 0;
        r.interval = patternType == Week ? 0 : int(period / 1440);
        break;
    case Weekly:
        r.recurrenceType = 1;
        r.interval = int(period);
        break;
    case Monthly:
        r.recurrenceType = nthPattern ? 3 : 2;
        r.interval = int(period);
        break;
    case Yearly:
        r.recurrenceType = nthPattern ? 6 : 5;
        r.interval = int(period / 12);
        break;
    }
    if (patternType == Week || nthPattern)
        r.dayOfWeekMask = int(days & 0x7F);
    r.instance = nthPattern ? int(nth) : 0;
    r.dayOfMonth = (patternType == MonthEnd || patternType == HjMonthEnd) ? 31 : int(dayOfMonth);
    r.noEndDate = endType == NeverEnd || endType == 0xFFFFFFFF;
    r.occurrences = int(occurrenceCount);
    r.patternStartDate = QDateTime(wallClockFromMinutes(startDate).date(), QTime(0, 0));
    r.patternEndDate = QDateTime(wallClockFromMinutes(endDate).date(), QTime(0, 0));

    r.deletedDates = deletedDates;

    // The appointment part follows; a task's pattern ends here.
    quint32 readerVersion2 = 0, writerVersion2 = 0, startOffset = 0, endOffset = 0, exceptionCount = 0;
    bool exceptionsRead = false;
    if (in.u32(readerVersion2) && in.u32(writerVersion2) && in.u32(startOffset) && in.u32(endOffset)) {
        r.startTimeOffset = int(startOffset);
        r.endTimeOffset = int(endOffset);
        // Each changed occurrence says which original day it replaces.
        if (in.u16(exceptionCount)) {
            exceptionsRead = true;
            for (quint32 i = 0; i < exceptionCount && exceptionsRead; ++i) {
                quint32 originalStart = 0;
                exceptionsRead = readExceptionInfo(in, originalStart);
                if (exceptionsRead)
                    r.changedDates << wallClockFromMinutes(originalStart).date();
            }
        }
    }
    // Without the changed occurrences' own records, a changed occurrence still on its original day
    // is known by its day.
    if (!exceptionsRead) {
        r.changedDates.clear();
        for (const QDate &d : modifiedDates)
            if (deletedDates.contains(d))
                r.changedDates << d;
    }
    return r;
}

} // namespace pimdesk::pst
