#pragma once

#include "records/Kinds.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

class QIODevice;

namespace pimdesk {

class Clock;
class Store;

// Every exchange that changes the store or the handheld first keeps what it is about to change in a
// folder of its own, DATA/backup/<yyyyMMdd-HHmmss>[-n]/: a copy of the store (Qtdata.mdb) before an
// import, the handheld's replaced documents before an export. A manifest.json beside them says
// what the folder holds, so that `history` can list the folders and `undo` put the newest back.
// The ten newest folders are kept.

// What an operation is called in the manifests.
namespace operations {
inline const QString deviceImport = QStringLiteral("device-import");
inline const QString outlookImport = QStringLiteral("outlook-import");
inline const QString exportToDevice = QStringLiteral("export");
inline const QString undo = QStringLiteral("undo"); // the store as it was before an undo
} // namespace operations

// One handheld document an export replaced.
struct DocumentBackup
{
    RecordKind kind = RecordKind::Contacts;
    bool existed = false;      // the handheld had the document; its copy is in the folder
    QByteArray writtenSha256;  // hex digest of what the export put on the handheld
    bool hadReference = false; // the guard's copy as it was before is in the folder (sync-<document>)
    bool restored = false;     // an undo has put it back
};

struct Manifest
{
    QString operation;
    QDateTime when;
    QList<RecordKind> kinds;
    bool hasStore = false;                // Qtdata.mdb in the folder is the store as it was before
    bool storeRestored = false;           // an undo has put that store copy back
    QList<QPair<QString, qint64>> counts; // records per table in that store copy
    QList<DocumentBackup> documents;
    QDateTime undone; // when an undo put everything back; invalid if not

    // Something an undo can put back: a store copy or a replaced document not restored yet.
    bool canUndo() const;
};

QString manifestPath(const QString &folder);
bool readManifest(const QString &folder, Manifest *manifest);
bool writeManifest(const QString &folder, const Manifest &manifest, QString *error);

// The backup folders below dataDirectory that carry a manifest, newest first.
struct BackupEntry
{
    QString folder;
    Manifest manifest;
};
QList<BackupEntry> listBackups(const QString &dataDirectory);

// The backup folder of one operation, made when the operation first needs it. Making it removes
// the oldest folders beyond the ten newest (the new one counts among them).
class BackupFolder
{
public:
    BackupFolder(QString dataDirectory, const QString &operation, const QList<RecordKind> &kinds);

    bool isMade() const { return !m_folder.isEmpty(); }
    const QString &path() const { return m_folder; }
    bool make(QString *error);
    // Copies the store into the folder (made if need be) and notes it in the manifest.
    bool snapshotStore(Store &store, QString *error);
    Manifest &manifest() { return m_manifest; }
    bool saveManifest(QString *error);
    // Removes the folder again when nothing was kept in it.
    void dropIfUnused();

private:
    QString m_root;
    QString m_folder;
    Manifest m_manifest;
};

// The snapshot taken before an import (from the handheld or from Outlook): the whole store copied
// with SQLite's online backup into a new backup folder, with its manifest. The one call an import
// makes before it writes; when it fails, the import must not go on.
struct SnapshotResult
{
    bool ok = false;
    QString folder;
    QString failure; // when !ok: the message for the user
};
SnapshotResult takeSnapshot(const QString &dataDirectory, Store &store, const QString &operation,
                            const QList<RecordKind> &kinds);

// The store's whole content copied into a new file at path (written under a temporary name and
// renamed when complete), and the reverse: the open store's content replaced in one step by the
// file's, so every data source on the connection sees the restored records at once.
bool copyStore(Store &store, const QString &path, QString *error);
bool restoreStore(Store &store, const QString &snapshotPath, QString *error);

QString operationLabel(const QString &operation);
QByteArray fileSha256(const QString &path); // hex; empty when the file cannot be read
QByteArray sha256Of(QIODevice &file);       // the same for an open file, read from where it stands

} // namespace pimdesk
