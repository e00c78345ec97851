#pragma once

#include "exchange/ListWindowsHost.h"
#include "exchange/RecordComparison.h"
#include "exchange/Snapshots.h"

#include <QString>

namespace pimdesk {

class Messages;
class Store;

// The device-change guard. After every exchange of a kind the program keeps a copy of the
// handheld's document as it then was (what an export wrote, what an import read) in DATA/sync/.
// Before a later export replaces the handheld's document, the document is compared with that copy
// by record identity and content; records added or changed on the handheld since would be lost, so
// the user is asked first. Without a copy (no earlier exchange) nothing is asked.

QString syncReferencePath(const QString &dataDirectory, RecordKind kind);
// Makes document the kind's copy (written whole, then renamed into place).
bool keepSyncReference(const QString &dataDirectory, RecordKind kind, const QString &document);

// What the handheld's document of a kind holds that the kept copy does not.
struct DeviceChanges
{
    RecordDifference records; // the handheld's records compared with the kept copy's
    qint64 unusable = 0;      // records on the handheld without a usable identity
    QString unreadable;       // why the handheld's document (or the kept copy) cannot be read; empty if it can
    // What the guard cannot read counts as changed: the export asks.
    bool asks() const { return !unreadable.isEmpty() || unusable > 0 || records.added + records.changed > 0; }
    // Whether "import first" can keep what changed: everything on the handheld can be read.
    bool canImport() const { return unreadable.isEmpty() && unusable == 0; }
};

// The handheld's document of kind compared with the kept copy; nullopt when there is nothing to
// compare (no copy, no document, or the two are the same bytes: then *asKept is set, when given).
std::optional<DeviceChanges> deviceChanges(const QString &dataDirectory, const QString &driveRoot, RecordKind kind,
                                           bool *asKept = nullptr);

enum class GuardDecision { Replace, ImportedFirst, Stop };

// Asks before an export of kind when the handheld holds records added or changed since the last
// exchange, or a document or records it cannot read: import them first (OK; the store is first
// copied into backup, then what changed on the handheld since the kept copy is merged into the
// store by the three-way merge (ThreeWayMerge.h) and the kind's list re-reads), replace anyway, or
// cancel. What cannot be read cannot be imported: OK then stops the export. Stop after a cancel or
// after a failure it has reported.
// *asKept, when given, tells whether the handheld's document holds the kept copy's bytes.
GuardDecision guardDeviceChanges(Store &store, const QString &dataDirectory, const QString &driveRoot, RecordKind kind,
                                 Messages &messages, BackupFolder &backup, ListWindowsHost *lists,
                                 bool *asKept = nullptr);

namespace guardTexts {
QString title();
QString question(RecordKind kind, const RecordDifference &changes);
// The question when the guard cannot read all of the handheld's document.
QString unreadableQuestion(RecordKind kind, const DeviceChanges &changes);
QString cannotImport(RecordKind kind); // the failure after OK to that question
QString importFirst();                 // caption of OK
QString replace();                     // caption of the other choice
} // namespace guardTexts

} // namespace pimdesk
