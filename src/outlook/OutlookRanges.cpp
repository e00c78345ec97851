#include "outlook/OutlookRanges.h"

#include "records/Clock.h"
#include "records/Schema.h"

namespace pimdesk::outlook {

namespace {

// Cuts year, month and day out of a date text by position, as the range boxes hold them.
void splitInto(const QString &text, QString &year, QString &month, QString &day)
{
    year = text.mid(0, 4).trimmed();
    month = text.mid(5, 2).trimmed();
    day = text.mid(8, 2).trimmed();
}

} // namespace

QString RangeBoxes::startKey() const
{
    return startYear.trimmed() + "-" + startMonth.trimmed() + "-" + startDay.trimmed();
}

QString RangeBoxes::endKey() const
{
    return endYear.trimmed() + "-" + endMonth.trimmed() + "-" + endDay.trimmed();
}

void RangeBoxes::correct()
{
    const QString start = startYear + startMonth + startDay;
    const QString end = endYear + endMonth + endDay;
    if (QString::compare(start, end, Qt::CaseSensitive) > 0) {
        endYear = startYear;
        endMonth = startMonth;
        endDay = startDay;
    }
}

QString dateText(const QDateTime &value)
{
    return value.isValid() ? value.toString(QString::fromLatin1(schema::dateTimeFormat)) : QString();
}

QString modificationKey(const QDateTime &lastModification)
{
    return dateText(lastModification).left(10).trimmed();
}

RangeBoxes todayRange(const Clock &clock)
{
    RangeBoxes range;
    const QString today = dateText(clock.now());
    splitInto(today, range.startYear, range.startMonth, range.startDay);
    splitInto(today, range.endYear, range.endMonth, range.endDay);
    return range;
}

void applyPreset(RangeBoxes &range, const QString &preset, bool forCalendar, const Clock &clock)
{
    if (preset == QString::fromUtf8(presetWeek) || preset == QString::fromUtf8(presetMonth)) {
        const bool week = preset == QString::fromUtf8(presetWeek);
        // The clock is read afresh for each box.
        const auto startText = [&]() {
            const QDateTime now = clock.now();
            // addMonths keeps a day beyond the end of the earlier month on its last day.
            return dateText(week ? now.addDays(-7) : now.addMonths(-1));
        };
        QString ignored1, ignored2;
        splitInto(startText(), range.startYear, ignored1, ignored2);
        splitInto(startText(), ignored1, range.startMonth, ignored2);
        splitInto(startText(), ignored1, ignored2, range.startDay);
    } else if (preset == QString::fromUtf8(presetAll)) {
        if (forCalendar)
            range = {"1970", "01", "02", "2038", "01", "18"};
        else
            range = {"0000", "00", "00", "9999", "12", "31"};
    }
}

} // namespace pimdesk::outlook
