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

// The handheld's document of kind compared with the kept copy; nullopt when there is nothing to
// compare (no copy, no document, or the two are the same bytes) or a document cannot be read.
std::optional<RecordDifference> deviceChanges(const QString &dataDirectory, const QString &driveRoot, RecordKind kind);

enum class GuardDecision { Replace, ImportedFirst, Stop };

// Asks before an export of kind when the handheld holds records added or changed since the last
// exchange: import them first (OK; the store is first copied into backup, then the handheld's
// document is merged into the store and the kind's list re-reads), replace anyway, or cancel.
// Stop after a cancel or after a failure it has reported.
GuardDecision guardDeviceChanges(Store &store, const QString &dataDirectory, const QString &driveRoot, RecordKind kind,
                                 Messages &messages, BackupFolder &backup, ListWindowsHost *lists);

namespace guardTexts {
QString title();
QString question(RecordKind kind, const RecordDifference &changes);
QString importFirst(); // caption of OK
QString replace();     // caption of the other choice
} // namespace guardTexts

} // namespace pimdesk
