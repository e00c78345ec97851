#pragma once

#include "outlook/OutlookModel.h"
#include "records/Kinds.h"

#include <QDateTime>
#include <QStringList>

namespace pimdesk {

class RecordSet;

namespace outlook {

// How the Outlook items of one kind become records of its table: the Outlook side of the table of
// kinds, one row per kind.
struct ItemMap
{
    RecordKind kind;
    // Whether an item of the kind's folder is of the kind's class; other items (a distribution
    // list among the contacts) are skipped.
    bool (*isOfKind)(Item &item);
    // The time the kind's date range is compared with (nullptr for contacts, imported whatever
    // their date). Asked only of an item of the kind.
    QDateTime (*lastModified)(Item &item);
    // Whether an item imported before is found by matching outlook_index as a pattern rather than
    // as an equal text (the calendar's look-up has always been a LIKE).
    bool matchesByPattern;
    // Sets every mapped field of the record being added or edited from an item of the kind, in the
    // map's order: all but ID, which the run gives a new record, and outlook_index, which it sets
    // last. What the handheld cannot show as Outlook has it is stored as near as it can be and
    // added to notes, one line each, for the completion message.
    void (*fill)(RecordSet &record, Item &item, QStringList &notes);
};

const ItemMap &itemMap(RecordKind kind);

// The first CR LF of a file-as text becomes two blanks; the text keeps its length.
QString preparedFileAs(QString fileAs);

} // namespace outlook
} // namespace pimdesk
