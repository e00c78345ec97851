#pragma once

#include "exchange/RecordComparison.h"
#include "records/Kinds.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

namespace pimdesk {

class Store;

// The records of one kind in three states: common (the handheld's document as it was at the last
// exchange, the copy kept in DATA/sync/), handheld (its document now) and desktop (the store).
// What changed on the handheld since the common state is brought to the desktop, and only that:
// - a record added on the handheld is added to the desktop (or overwrites the desktop's record of
//   that identity);
// - a record changed on the handheld overwrites the desktop's, in the fields the handheld keeps,
//   unless the desktop has deleted it since: a deletion on the desktop stands;
// - a record deleted on the handheld is deleted on the desktop when the desktop has not changed it
//   since; one the desktop changed stays;
// - a record the handheld did not change leaves the desktop's as it is, changed or not.
// The three states are compared as the handheld sees them: each is read by the import's own
// reader (the desktop's records through the export's writer first), so a field the handheld does
// not keep never counts as a change.
struct ThreeWayCounts
{
    qint64 added = 0;   // added on the handheld: brought to the desktop
    qint64 changed = 0; // changed on the handheld: brought to the desktop
    qint64 deleted = 0; // deleted on the handheld, unchanged on the desktop: deleted there too
    qint64 changedOnBoth = 0;         // of changed: the desktop had changed it too
    qint64 keptDeletedOnDesktop = 0;  // changed on the handheld, deleted on the desktop: stays deleted
    qint64 keptChangedOnDesktop = 0;  // deleted on the handheld, changed on the desktop: stays
    qint64 unusable = 0;              // records on the handheld without a usable identity: left out

    qint64 applied() const { return added + changed + deleted; }
};

// The three states of one kind, each read by the import's reader into a throw-away store of its
// own: "common" (the kept copy; a missing one holds no records), "handheld" (its document now) and
// "desktop" (the store as the export writes it, the written document kept as desktopDocument).
// The records read the same in all three states are left out of all three stores: they are
// unchanged everywhere, and neither a merge nor a sync has anything to decide for them.
struct ThreeStates
{
    std::unique_ptr<ScratchStores> scratch;
    std::shared_ptr<Store> handheld; // the handheld's records; common and desktop are scratch->path(name)
    QString desktopDocument;         // the export's document of the store, in the scratch folder
    qint64 unusable = 0;             // records on the handheld without a usable identity
    qint64 handheldRecords = 0;      // records (IDs) in the handheld's document
};
// Null after setting *failure when a document cannot be read, the scratch folder cannot be made or
// the store fails.
std::unique_ptr<ThreeStates> readThreeStates(RecordKind kind, const QString &commonDocument,
                                             const QString &handheldDocument, Store &desktop, QString *failure);

// The fields the handheld's document carries, as the writer puts them out, in its order.
QStringList documentFieldNames(RecordKind kind);

class ThreeWayMerge
{
public:
    ~ThreeWayMerge();
    ThreeWayMerge(const ThreeWayMerge &) = delete;
    ThreeWayMerge &operator=(const ThreeWayMerge &) = delete;

    // Reads the three states and works out what the merge does; nullptr after setting *failure when
    // a document cannot be read or the store fails. A missing common document holds no records.
    static std::unique_ptr<ThreeWayMerge> prepare(RecordKind kind, const QString &commonDocument,
                                                  const QString &handheldDocument, Store &desktop, QString *failure);

    RecordKind kind() const { return m_kind; }
    const ThreeWayCounts &counts() const { return m_counts; }
    const QList<qint64> &takenFromHandheld() const { return m_take; } // added or changed on the handheld
    const QList<qint64> &deletedOnDesktop() const { return m_delete; }

    // Changes desktop (the store the merge was prepared with, or a copy of it) in one transaction.
    // Throws StoreError; the store is then as it was.
    void apply(Store &desktop) const;

private:
    explicit ThreeWayMerge(RecordKind kind);

    RecordKind m_kind;
    std::unique_ptr<ScratchStores> m_scratch; // holds the handheld's records that apply() copies
    ThreeWayCounts m_counts;
    QList<qint64> m_take;
    QList<qint64> m_delete;
};

} // namespace pimdesk
