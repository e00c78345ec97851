#pragma once

#include "records/Kinds.h"

#include <QString>

namespace pimdesk {

class Store;

// What a reader did with one document.
struct ReadResult
{
    bool ok = false;    // the document was read and merged (some records may have been skipped)
    qint64 merged = 0;  // records added or overwritten
    qint64 skipped = 0; // damaged records left out (an element without identity counts too)
    QString failure;    // when !ok: what went wrong, for the user; the store is as it was
};

// The readers of the handheld's documents: each reads the staging copy of its document and merges
// every record that carries an identity into its table by ID, in one transaction: the record with
// that ID is overwritten, or one is added; nothing is deleted. Values go to the store as the
// document has them (UTF-8 text, character references as they stand, line breaks kept). Attribute
// names are matched in any letter case; a damaged record is skipped and counted, never half
// applied. Nothing is written beside the staging copy.
ReadResult ContactsFromAddressbookXml(Store &store, const QString &stagingPath);
ReadResult TodoFromTodolistXml(Store &store, const QString &stagingPath);
// Times (start, end, enddt) are seconds since 1970-01-01 00:00:00 UTC and become local date-times
// "yyyy-MM-dd HH:mm:ss" at nine hours east of UTC; an absent or empty time leaves its field null.
ReadResult DatebookFromDatebookXml(Store &store, const QString &stagingPath);

// The reader of a kind.
ReadResult readDeviceDocument(RecordKind kind, Store &store, const QString &stagingPath);

} // namespace pimdesk
