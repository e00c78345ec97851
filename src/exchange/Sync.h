#pragma once

#include "exchange/ListWindowsHost.h"
#include "records/Kinds.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace pimdesk {

class Messages;
class Store;
struct ThreeStates;

// Two-way sync of the store with the handheld's documents, shared by the sync window and
// `pimdesk-cli sync`.
//
// For each kind the records are seen in three states (ThreeWayMerge.h): the common state (the copy
// of the handheld's document kept in DATA/sync/ at the last exchange), the handheld's document now
// and the store now, all three as the handheld sees them. A record's identity is its ID; records
// compare field by field on the fields the handheld's document carries. Per record:
// - changed on one side: that side's version goes to both;
// - changed on both, in different fields: the changes are merged field by field;
// - changed on both, one field differently: a conflict (both values are listed);
// - changed on both to the same values: nothing to do;
// - added on one side: added to the other;
// - deleted on one side and unchanged on the other: deleted on the other;
// - deleted on one side and changed on the other: the change wins and is restored on the deleting
//   side (named in the summary);
// - without a kept copy (no earlier exchange, a first sync) every record counts as added: the
//   sides are united by identity, nothing is deleted, and a record both sides hold with different
//   values is a conflict.
// Afterwards the handheld's document is what an export of the store writes, byte for byte, and the
// kept copy is that document.

enum class SyncChoice {
    Pc,       // the store's values of the conflicting fields go to both sides
    Handheld, // the handheld's values go to both sides
    Both,     // the store's version stays; the handheld's becomes a new record with the next free ID
};

struct SyncFieldConflict
{
    QString field;    // the store's field
    QString pc;       // its value in the store (as the handheld would read it)
    QString handheld; // its value on the handheld
};

struct SyncConflict
{
    RecordKind kind = RecordKind::Contacts;
    qint64 id = 0;
    bool addedOnBoth = false; // not in the kept copy (a first sync, or added on both sides)
    QList<SyncFieldConflict> fields;
};

// What the sync does to one side of one kind.
struct SyncSideCounts
{
    qint64 added = 0;   // records added to this side (restored ones included)
    qint64 changed = 0; // records changed on this side with the other side's version
    qint64 deleted = 0; // records deleted on this side
    qint64 merged = 0;  // records changed on this side with changes from both sides, field by field
    qint64 total() const { return added + changed + deleted + merged; }
};

struct SyncKindPlan
{
    RecordKind kind = RecordKind::Contacts;
    bool firstSync = false;      // no kept copy: a union by identity
    qint64 pcRecords = 0;        // records in the store before the sync
    qint64 handheldRecords = 0;  // records in the handheld's document before the sync
    qint64 unusable = 0;         // records on the handheld without a usable identity: left out
    SyncSideCounts onPc;
    SyncSideCounts onHandheld;
    QList<qint64> restoredOnPc;       // deleted in the store, changed on the handheld: back in the store
    QList<qint64> restoredOnHandheld; // deleted on the handheld, changed in the store: back on the handheld
    QList<SyncConflict> conflicts;
    QString failure; // the documents or the store could not be read: nothing is done for any kind

    // The mass-deletion guard: the sync would delete more than half of one side's records, or all.
    bool deletesTooMuchOnPc() const;
    bool deletesTooMuchOnHandheld() const;
    bool deletesTooMuch() const { return deletesTooMuchOnPc() || deletesTooMuchOnHandheld(); }
};

// The choices for the conflicts, by kind and ID.
using SyncChoices = QHash<QPair<int, qint64>, SyncChoice>;
inline QPair<int, qint64> syncChoiceKey(RecordKind kind, qint64 id) { return {int(kind), id}; }

struct SyncOptions
{
    std::optional<SyncChoice> prefer; // decides every conflict (--prefer pc|handheld)
    // The deletion guard: allowDeletions goes ahead; else askDeletions asks the user (the program),
    // else the sync stops (the command line).
    bool allowDeletions = false;
    bool askDeletions = false;
    // Asked for the conflicts no preference decides (the program's conflict dialog): fills choices
    // and returns true, or false to cancel. Without it such conflicts stop the sync.
    std::function<bool(const QList<SyncConflict> &conflicts, SyncChoices &choices)> resolveConflicts;
};

struct SyncOutcome
{
    QList<SyncKindPlan> plans;
    bool stopped = false;  // nothing was changed: conflicts left, the guard, a cancel, a failure
    bool changed = false;  // the store or the handheld was changed
    QList<RecordKind> synced; // kinds that are now in sync
    bool inSync(qsizetype kinds) const { return !stopped && synced.size() == kinds; }
};

// What a sync of the kinds would do, changing nothing (the dry run and the sync window's preview).
QList<SyncKindPlan> previewSync(Store &store, const QString &dataDirectory, const QString &driveRoot,
                                const QList<RecordKind> &kinds);

// The sync. It takes the data folder's lock, works out every chosen kind's plan, asks the guard and
// the conflicts, and stops having changed nothing when any kind cannot go on. Then it keeps the store,
// the handheld's documents and the data folder's copies in a backup folder (for an undo) and
// brings each kind's two sides together. The lists re-read.
SyncOutcome syncWithDevice(Store &store, const QString &dataDirectory, const QString &driveRoot,
                           const QList<RecordKind> &kinds, const SyncOptions &options, Messages &messages,
                           ListWindowsHost *lists);

// The lines of a plan as the command line prints them and the sync window's preview shows them.
QStringList syncPlanLines(const SyncKindPlan &plan);

namespace syncTexts {
QString title(); // "Norvel과 동기화"
QString confirmation(); // the first line of the question before a sync changes anything
QString conflictsStop(qsizetype count);
QString guardQuestion(const SyncKindPlan &plan);
QString guardStop(const SyncKindPlan &plan);
QString completed(const SyncKindPlan &plan);
QString inSync(RecordKind kind);
QString restored(const SyncKindPlan &plan);
} // namespace syncTexts

} // namespace pimdesk
