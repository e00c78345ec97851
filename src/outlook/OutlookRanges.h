#pragma once

#include <QDateTime>
#include <QString>

namespace pimdesk {

class Clock;

namespace outlook {

// The ranges of last-modification dates that limit the tasks and calendar imports, and the presets
// of the window's two range lists.

// One range as the window's six boxes hold it: plain texts, not checked.
struct RangeBoxes
{
    QString startYear, startMonth, startDay;
    QString endYear, endMonth, endDay;

    // "yyyy-mm-dd" from the trimmed boxes of each end.
    QString startKey() const;
    QString endKey() const;
    // A start later than the end (the untrimmed boxes joined, compared as texts) becomes the end too.
    void correct();
    bool operator==(const RangeBoxes &) const = default;
};

// The presets of the two range lists.
inline constexpr char presetWeek[] = "최근일주일";
inline constexpr char presetMonth[] = "최근한달";
inline constexpr char presetAll[] = "전체";
inline constexpr char presetCustom[] = "사용자정의"; // shown by the lists, not one of their items

// Today to today, from the clock.
RangeBoxes todayRange(const Clock &clock);
// Applies a preset item to a range (the task range when forCalendar is false); other texts change nothing.
void applyPreset(RangeBoxes &range, const QString &preset, bool forCalendar, const Clock &clock);

// A date-time as the import renders it ("yyyy-MM-dd HH:mm:ss"); range boxes and due dates are cut from it.
QString dateText(const QDateTime &value);
// The modification key of an item: the date part of its last-modification time.
QString modificationKey(const QDateTime &lastModification);

} // namespace outlook
} // namespace pimdesk
