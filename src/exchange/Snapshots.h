#pragma once

#include "exchange/Manifest.h"

#include <QList>
#include <QString>

namespace pimdesk {

class Clock;
class Store;

// Every exchange that changes the store or the handheld first keeps what it is about to change in a
// folder of its own, DATA/backup/<yyyyMMdd-HHmmss>-<n>/: a copy of the store (Qtdata.mdb) before an
// import, the handheld's replaced documents before an export, and always the data folder's copies
// of the documents (the guard's in DATA/sync/, the staging copies) as they were. A manifest.json
// beside them says what the folder holds, so that `history` can list the folders and `undo` put
// the newest back.
//
// The folders are ordered by a number n that only grows (the manifest's sequence, and the last one
// given out in DATA/backup/sequence), never by the time in their names: a clock set back, a change
// of time zone or many operations in one second change nothing in the order, and no name is used
// twice. The ten newest folders are kept. An operation that ends without changing anything leaves
// no folder and removes none.

// The backup folders below dataDirectory that carry a manifest, newest first.
struct BackupEntry
{
    QString folder;
    Manifest manifest;
};
QList<BackupEntry> listBackups(const QString &dataDirectory);

// The backup folder of one operation, made when the operation first needs it (before it changes
// anything), with the data folder's copies as they then are. Once the operation has changed
// something it calls keep(): from then on the folder stays, and the oldest folders beyond the ten
// newest are removed (the new one counts among them). A folder not kept is removed again when
// the object goes, and the data folder's copies are put back as they were: the operation then
// leaves no trace, in the history or elsewhere.
class BackupFolder
{
public:
    BackupFolder(QString dataDirectory, const QString &operation, const QList<RecordKind> &kinds);
    ~BackupFolder();
    BackupFolder(const BackupFolder &) = delete;
    BackupFolder &operator=(const BackupFolder &) = delete;

    bool isMade() const { return !m_folder.isEmpty(); }
    bool isKept() const { return m_kept; }
    const QString &path() const { return m_folder; }
    bool make(QString *error);
    // The operation has changed the store, the handheld or the data folder: the folder stays.
    void keep();
    // Whether a file of the data folder's copies is no longer as it was when the folder was made.
    bool copiesChanged() const;
    // Copies the store into the folder (made if need be) and notes it in the manifest.
    bool snapshotStore(Store &store, QString *error);
    Manifest &manifest() { return m_manifest; }
    bool saveManifest(QString *error);

private:
    void discard();

    QString m_data;
    QString m_root;
    QString m_folder;
    Manifest m_manifest;
    bool m_kept = false;
};

// A snapshot of the store kept at once: the whole store copied with SQLite's online backup into a
// new backup folder, with its manifest. When it fails, an import must not go on.
struct SnapshotResult
{
    bool ok = false;
    QString folder;
    QString failure; // when !ok: the message for the user
};
SnapshotResult takeSnapshot(const QString &dataDirectory, Store &store, const QString &operation,
                            const QList<RecordKind> &kinds);

} // namespace pimdesk
