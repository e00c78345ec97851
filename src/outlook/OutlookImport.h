#pragma once

#include "outlook/OutlookModel.h"
#include "outlook/OutlookRanges.h"
#include "records/Kinds.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace pimdesk {

class Clock;
class DataSource;
class Messages;

namespace outlook {

// Where an import reports its progress: the kind's label text ("(3/120)") and the share done (0 to 1).
using Progress = std::function<void(RecordKind kind, const QString &label, double fraction)>;

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
    // What was stored only as near as the handheld allows, one line per case; listed in the
    // completion message.
    QStringList notes;
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
QString completionText(RecordKind kind);
// The completion message with the list of what was stored only as near as the handheld allows.
QString completionText(RecordKind kind, const QStringList &notes);
inline constexpr char messageTitle[] = "주소록";

} // namespace outlook
} // namespace pimdesk
