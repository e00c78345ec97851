#pragma once

#include "exchange/Manifest.h"

#include <QList>
#include <QString>

namespace pimdesk {

class Clock;
class Store;

// Every exchange that changes the store or the handheld first keeps what it is about to change in a
// folder of its own, DATA/backup/<yyyyMMdd-HHmmss>[-n]/: a copy of the store (Qtdata.mdb) before an
// import, the handheld's replaced documents before an export. A manifest.json beside them says
// what the folder holds, so that `history` can list the folders and `undo` put the newest back.
// The ten newest folders are kept.

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

} // namespace pimdesk
