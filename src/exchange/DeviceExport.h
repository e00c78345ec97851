#pragma once

#include "exchange/ListWindowsHost.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

class QIODevice;

namespace pimdesk {

class Messages;
class Store;

// How a document reaches the handheld. The default writes all bytes at once; tests put a drive
// that fails half-way in its place.
struct ExportOptions
{
    // Writes bytes into the open file; false when the drive took them only in part or not at all.
    std::function<bool(QIODevice &file, const QByteArray &bytes)> writeToDevice;
};

struct ExportOutcome
{
    bool confirmed = false;      // the user answered the warning with OK
    QList<RecordKind> completed; // kinds whose document is now on the handheld
    QList<RecordKind> leftAlone; // kinds with an empty table: the handheld's document was left as it was
    bool stopped = false;        // an error ended the export before every chosen kind was tried
};

// The export to the handheld, shared by the export window and pimdesk-cli:
// asks the warning, then for each chosen kind in the order contacts, events, tasks builds the
// kind's document from the store, keeps it as the staging file DATA/<document> and puts it on the
// handheld below driveRoot (the drive's mount point or a folder picked by hand).
//
// A handheld document is replaced only when its successor is complete: the new document is written
// beside it under a temporary name, flushed to the drive and then renamed over the old one. The old
// document is first copied to DATA/backup/<yyyyMMdd-HHmmss>/ (the ten newest such folders are
// kept). After each completed kind the completion message is shown, hideWindow is called (when
// given) and the three list windows are enabled; each kind's list re-reads its table.
//
// A kind whose table is empty leaves the handheld's document as it is (the handheld cannot read an
// empty one) and says so. Before a document is replaced, the device-change guard asks when the
// handheld holds records added or changed since the last exchange (DeviceGuard.h). The backup
// folder's manifest notes every replaced document and what was written, for an undo.
//
// Messages: a missing Qtopia/Applications folder or drive gives the not-found message, a drive
// that cannot be read or written the drive-error message; either stops the export.
//
// After the warning the export takes the data folder's lock for its whole length and refuses a
// damaged store. The staging file is written under a name of its own and replaces the kept copy
// DATA/<document> only when its kind has reached the handheld, so a failed export keeps the copy
// of the last good one.
ExportOutcome exportToDevice(Store &store, const QString &dataDirectory, const QString &driveRoot,
                             const QList<RecordKind> &kinds, Messages &messages, ListWindowsHost *lists,
                             const std::function<void()> &hideWindow, const ExportOptions &options = {});

// The texts the export shows.
namespace exportTexts {
QString warningTitle();
QString warning();
QString notFound();
QString driveError();
QString completed(RecordKind kind);
QString emptyTable(RecordKind kind);
} // namespace exportTexts

// The folder below dataDirectory that holds the copies of replaced handheld documents.
QString exportBackupDirectory(const QString &dataDirectory);
inline constexpr int exportBackupsKept = 10;

} // namespace pimdesk
