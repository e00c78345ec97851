#pragma once

#include "records/Kinds.h"
#include "exchange/RecordComparison.h"

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
    // export: records added or changed on the handheld since the last exchange (the guard would ask).
    std::optional<RecordDifference> deviceChanges;
    QString failure; // a document that cannot be read, a store failure
};

QList<KindPreview> previewImport(Store &store, const QString &driveRoot, const QList<RecordKind> &kinds);
QList<KindPreview> previewExport(Store &store, const QString &dataDirectory, const QString &driveRoot,
                                 const QList<RecordKind> &kinds);

// The previews as the command-line tool prints them, one line per kind and a last line saying
// that nothing was changed.
QStringList previewLines(const QList<KindPreview> &previews, bool forExport);

} // namespace pimdesk
