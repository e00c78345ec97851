#pragma once

#include "records/Kinds.h"
#include "exchange/DeviceGuard.h"
#include "exchange/RecordComparison.h"
#include "exchange/ThreeWayMerge.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace pimdesk {

class Store;

// What an import or an export of one kind would do, found without changing anything: the
// handheld's document is read into throw-away stores by the import's own readers (and the export's
// document written to a throw-away file), and the records are compared by identity and content.
struct KindPreview
{
    RecordKind kind = RecordKind::Contacts;
    bool documentFound = true; // import: the handheld has the document; export: its Qtopia/Applications folder
    bool emptyTable = false;   // export: the table is empty, the handheld's document would stay as it is
    // import: added to / changed in / left alone in the store;
    // export: added to / changed in / left alone on / removed from the handheld's document.
    RecordDifference records;
    // export: what changed on the handheld since the last exchange (the guard asks when it asks()).
    std::optional<DeviceChanges> deviceChanges;
    // export with the handheld's changes kept: what the merge before the export brings to the store
    // (the export's counts are then those of the merged store).
    std::optional<ThreeWayCounts> merged;
    bool stops = false;           // export with the handheld's changes kept: the guard cannot import them and stops
    QString handheldUnreadable;   // export: the handheld's document cannot be read (it would be replaced whole)
    QString failure; // a document that cannot be read, a store failure
};

QList<KindPreview> previewImport(Store &store, const QString &driveRoot, const QList<RecordKind> &kinds);
// keepDeviceChanges: the export would merge what changed on the handheld first (the guard's
// "가져온 뒤 내보내기"), as `export --keep-device-changes` does; the merge is made on a copy of the store.
QList<KindPreview> previewExport(Store &store, const QString &dataDirectory, const QString &driveRoot,
                                 const QList<RecordKind> &kinds, bool keepDeviceChanges = false);

// The previews as the command-line tool prints them, one line per kind and a last line saying
// that nothing was changed.
QStringList previewLines(const QList<KindPreview> &previews, bool forExport);

} // namespace pimdesk
