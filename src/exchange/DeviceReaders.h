#pragma once

#include "records/Kinds.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

#include <functional>

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

// Called once before a read first writes to the store; false (with the text for the user)
// stops the read, which then has changed nothing.
using FirstChange = std::function<bool(QString *refusal)>;

// The reader of a kind. With beforeFirstChange, the records the store holds as the document has
// them are passed over without a write, and the hook runs before the first record that changes
// anything (not at all when none does).
ReadResult readDeviceDocument(RecordKind kind, Store &store, const QString &stagingPath,
                              const FirstChange &beforeFirstChange = {});

// What the reader would merge of each record of a document, held in memory instead of a store:
// per ID (of two elements with one ID the last counts, as in a merge) the values it would write,
// in a canonical form. Two records with the same canonical values are read the same, which lets a
// comparison of documents leave out the records that are the same everywhere before reading the
// others into a store.
struct DocumentRecords
{
    struct Span
    {
        qsizetype offset = 0;
        qsizetype size = 0;
    };
    bool ok = false;
    QString failure;    // when !ok, as a read's
    qint64 skipped = 0; // as a read's
    QHash<qint64, Span> records;
    QByteArray values; // the canonical values of every record, one after another

    QByteArrayView valuesOf(const Span &span) const { return QByteArrayView(values).sliced(span.offset, span.size); }
    // Whether the record id is here and read the same as other's record id.
    bool sameRecord(qint64 id, const DocumentRecords &other) const
    {
        const auto a = records.constFind(id);
        const auto b = other.records.constFind(id);
        return a != records.cend() && b != other.records.cend() && valuesOf(*a) == other.valuesOf(*b);
    }
};
DocumentRecords readDocumentRecords(RecordKind kind, const QString &path);
// Writes the records of ids that records holds into store's table of kind (an empty one), as
// readDeviceDocument would have written them.
void storeDocumentRecords(RecordKind kind, const DocumentRecords &records, const QSet<qint64> &ids, Store &store);

} // namespace pimdesk
