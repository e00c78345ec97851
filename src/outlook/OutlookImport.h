#pragma once

#include "outlook/OutlookModel.h"

#include <QList>
#include <QString>
#include <functional>

namespace pimdesk {

class Clock;
class DataSource;
class Messages;

namespace outlook {

// The three kinds, in the order an import sequence runs them.
enum class OutlookKind { Contacts, Tasks, Calendar };

// One range of last-modification dates as the window's six boxes hold it: plain texts, not checked.
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

// Where an import reports its progress: the kind's label text ("(3/120)") and the share done (0 to 1).
using Progress = std::function<void(OutlookKind kind, const QString &label, double fraction)>;

// What one import works with. data1 and data2 are the two data sources the import points at the store
// (the window's Data1 and Data2; the command line makes its own).
struct ImportContext
{
    OutlookSource source; // empty: Outlook cannot be reached on this computer
    QString storePath;
    DataSource *data1 = nullptr;
    DataSource *data2 = nullptr;
    Messages *messages = nullptr;
    Progress progress;
};

// What one import did. On failure its message has been shown already; the records stored before it
// stay stored.
struct KindOutcome
{
    bool ok = false;
    int added = 0;
    int updated = 0;
    int skipped = 0; // items of another kind or outside the range
    QString failure;
};

// The three imports. Each attaches to Outlook, walks its default folder, adds or updates records of
// its table by outlook_index, and ends with its completion message (or a failure message).
KindOutcome ContactsFromOutlook(const ImportContext &context);
KindOutcome TodoFromOutlook(const ImportContext &context, const RangeBoxes &taskRange);
KindOutcome DatebookFromOutlook(const ImportContext &context, const RangeBoxes &calendarRange);

// A whole import sequence as the import button runs it.
struct ImportRequest
{
    bool contacts = false;
    bool tasks = false;
    bool calendar = false;
    RangeBoxes taskRange;     // corrected in place before the imports run
    RangeBoxes calendarRange; // likewise
    bool showAccessMessage = true;
};

struct SequenceOutcome
{
    bool ok = true; // every ticked kind completed
    QList<KindOutcome> kinds;
};

// The one entry point of an Outlook import: access message, range correction, then the ticked kinds
// in the order contacts, tasks, calendar; stops after the first kind that fails.
SequenceOutcome importFromOutlook(ImportRequest &request, const ImportContext &context);

// The messages of the import.
QString accessMessageText();
QString completionText(OutlookKind kind);
inline constexpr char messageTitle[] = "주소록";

} // namespace outlook
} // namespace pimdesk
