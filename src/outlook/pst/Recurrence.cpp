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
    if (!in.u32(endType) || !in.u32(occurrenceCount) || !in.u32(firstDayOfWeek) || !in.u32(deleted) ||
        !in.skip(qsizetype(deleted) * 4) || !in.u32(modified) || !in.skip(qsizetype(modified) * 4) ||
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

    // The appointment part follows; a task's pattern ends here.
    quint32 readerVersion2 = 0, writerVersion2 = 0, startOffset = 0, endOffset = 0;
    if (in.u32(readerVersion2) && in.u32(writerVersion2) && in.u32(startOffset) && in.u32(endOffset)) {
        r.startTimeOffset = int(startOffset);
        r.endTimeOffset = int(endOffset);
    }
    return r;
}

} // namespace pimdesk::pst
