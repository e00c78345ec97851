#pragma once

#include "exchange/DeviceLocation.h"
#include "exchange/ListWindowsHost.h"

#include <QList>
#include <QString>
#include <functional>

class QIODevice;

namespace pimdesk {

class Messages;
class Store;

// The import from the handheld, shared by the import window and `pimdesk-cli import`.
//
// For each chosen kind, in the order contacts, events, tasks: the kind's document is looked up on
// the handheld below driveRoot (its name must match exactly, letter case included), copied into
// the data folder beside the store (replacing the earlier copy), and merged into the store by the
// kind's reader (before the first merge the whole store is copied into a backup folder, for an
// undo; when that copy cannot be made nothing is merged). Then the kind's list re-reads, its completion message is shown, the window is
// hidden and the three lists are enabled again; the import goes on with the next kind.
//
// A missing document or drive path gives the not-found message and the next kind is tried. A drive
// that cannot be read (none chosen, not a folder, no permission, a read error during the copy)
// gives the drive-error message, and a document that cannot be merged (not a document of its kind, a store failure) its
// own message; either ends the import at once. Records of a document that are damaged are left
// out and counted on a second line of the completion message. A document without any record gives
// the no-records message instead of the completion message, and the next kind is tried.
//
// The whole import holds the data folder's lock; a store that is damaged is refused before
// anything is copied or merged.
struct ImportOptions
{
    // Reads up to size bytes of the handheld's document into data: the count, 0 at its end, -1 when
    // the drive fails.
    std::function<qint64(QIODevice &file, char *data, qint64 size)> readFromDevice;
};

struct ImportOutcome
{
    QList<RecordKind> completed;
    bool allCompleted = false; // every chosen kind completed
};

ImportOutcome importFromDevice(Store &store, const QString &dataDirectory, const QString &driveRoot,
                               const QList<RecordKind> &kinds, Messages &messages, ListWindowsHost *lists,
                               const std::function<void()> &hideWindow = {}, const ImportOptions &options = {});

// The messages of the import.
QString importCompletedText(RecordKind kind);
QString skippedRecordsText(qint64 count);
// Shown instead of the completion message for a document that holds no record.
QString noRecordsText();

} // namespace pimdesk
