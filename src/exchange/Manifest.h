#pragma once

#include "records/Kinds.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

class QIODevice;

namespace pimdesk {

// The manifest.json of a backup folder: which operation made the folder, when, for which kinds,
// and what the folder holds (a copy of the store, the handheld's replaced documents), so that
// `history` can list the folders and `undo` put the newest back.

// What an operation is called in the manifests.
namespace operations {
inline const QString deviceImport = QStringLiteral("device-import");
inline const QString outlookImport = QStringLiteral("outlook-import");
inline const QString exportToDevice = QStringLiteral("export");
inline const QString sync = QStringLiteral("sync");
inline const QString undo = QStringLiteral("undo"); // the store as it was before an undo
inline const QString vcardImport = QStringLiteral("vcard-import");
inline const QString icalImport = QStringLiteral("ical-import");
} // namespace operations

// One handheld document an export replaced.
struct DocumentBackup
{
    RecordKind kind = RecordKind::Contacts;
    bool existed = false;      // the handheld had the document; its copy is in the folder
    QByteArray writtenSha256;  // hex digest of what the export put on the handheld (when no writtenCopy)
    bool hadReference = false; // the guard's copy as it was before is in the folder (sync-<document>)
    bool restored = false;     // an undo has put it back
    // The file in the folder that holds what the export put on the handheld ("written-addressbook.xml"),
    // a second name of the export's own copy; empty when only the digest was noted.
    QString writtenCopy;
};

// One of the files in the data folder that an exchange may replace (the guard's copy in DATA/sync/,
// the staging copy of the last exchanged document beside the store), as it was before the
// operation: its copy lies in the backup folder under backupName when it existed.
struct KeptCopy
{
    RecordKind kind = RecordKind::Contacts;
    QString file;          // relative to the data folder: "sync/addressbook.xml", "addressbook.xml"
    bool existed = false;  // the file was there; its copy is in the folder
    bool restored = false; // an undo has put it back (or removed it, when it was not there)

    QString backupName() const; // "sync-addressbook.xml", "data-addressbook.xml"
};

// The files of the data folder, per kind, that an exchange may replace.
QList<KeptCopy> keptCopyFiles();

struct Manifest
{
    QString operation;
    // The order of the backups: every new folder gets a number greater than any before it, whatever
    // the clock says. 0 for a folder made before the numbers were kept (ordered by its name).
    qint64 sequence = 0;
    QDateTime when; // a label for the user only
    QList<RecordKind> kinds;
    bool hasStore = false;                // Qtdata.mdb in the folder is the store as it was before
    bool storeRestored = false;           // an undo has put that store copy back
    QList<QPair<QString, qint64>> counts; // records per table in that store copy
    QList<DocumentBackup> documents;
    QList<KeptCopy> copies; // the data folder's copies as they were before the operation
    QDateTime undone;       // when an undo put everything back; invalid if not

    // Something an undo can put back: a store copy or a replaced document not restored yet.
    bool canUndo() const;
};

QString manifestPath(const QString &folder);
bool readManifest(const QString &folder, Manifest *manifest);
bool writeManifest(const QString &folder, const Manifest &manifest, QString *error);

QString operationLabel(const QString &operation);
QByteArray fileSha256(const QString &path); // hex; empty when the file cannot be read
QByteArray sha256Of(QIODevice &file);       // the same for an open file, read from where it stands

} // namespace pimdesk
