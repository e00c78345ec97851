#include "exchange/Snapshots.h"

#include "exchange/DeviceExport.h"
#include "exchange/StoreCopy.h"
#include "records/Clock.h"
#include "records/Schema.h"
#include "records/Store.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace pimdesk {

namespace {

const QRegularExpression &folderPattern()
{
    static const QRegularExpression pattern(R"(^(\d{8}-\d{6})(?:-(\d+))?$)");
    return pattern;
}

struct FolderName
{
    QString stamp;
    int number;
    QString name;
};

// The backup folders by the time in their names, newest first; other folders are the user's.
QList<FolderName> backupFolders(const QString &root)
{
    QList<FolderName> entries;
    for (const QString &name : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch m = folderPattern().match(name);
        if (m.hasMatch())
            entries.append({m.captured(1), m.captured(2).isEmpty() ? 1 : m.captured(2).toInt(), name});
    }
    std::sort(entries.begin(), entries.end(), [](const FolderName &a, const FolderName &b) {
        return a.stamp != b.stamp ? a.stamp > b.stamp : a.number > b.number;
    });
    return entries;
}

// Keeps the newest backups and the one just made.
void prune(const QString &root, const QString &current)
{
    int kept = 0;
    for (const FolderName &e : backupFolders(root)) {
        if (e.name == current || kept < exportBackupsKept - 1) {
            if (e.name != current)
                ++kept;
            continue;
        }
        QDir(QDir(root).filePath(e.name)).removeRecursively();
    }
}

} // namespace

QList<BackupEntry> listBackups(const QString &dataDirectory)
{
    const QString root = exportBackupDirectory(dataDirectory);
    QList<BackupEntry> entries;
    for (const FolderName &name : backupFolders(root)) {
        BackupEntry entry{QDir(root).filePath(name.name), {}};
        if (readManifest(entry.folder, &entry.manifest))
            entries.append(entry);
    }
    return entries;
}

BackupFolder::BackupFolder(QString dataDirectory, const QString &operation, const QList<RecordKind> &kinds)
    : m_root(exportBackupDirectory(dataDirectory))
{
    m_manifest.operation = operation;
    m_manifest.kinds = kinds;
}

bool BackupFolder::make(QString *error)
{
    if (isMade())
        return true;
    m_manifest.when = Clock::current().now();
    const QString stamp = m_manifest.when.toString("yyyyMMdd-HHmmss");
    QDir root(m_root);
    // Two operations within one second get folders of their own, so no copy is overwritten.
    QString name = stamp;
    for (int n = 2; root.exists(name); ++n)
        name = QString("%1-%2").arg(stamp).arg(n);
    const QString folder = root.filePath(name);
    if (!QDir().mkpath(folder)) {
        *error = QString("폴더를 만들 수 없습니다: %1").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    m_folder = folder;
    prune(m_root, name);
    return true;
}

bool BackupFolder::snapshotStore(Store &store, QString *error)
{
    if (!make(error))
        return false;
    if (!copyStore(store, Store::pathInDirectory(m_folder), error))
        return false;
    m_manifest.hasStore = true;
    m_manifest.counts.clear();
    for (const TableSchema *table : schema::tables())
        m_manifest.counts.append({table->name, store.count(table->name)});
    return saveManifest(error);
}

bool BackupFolder::saveManifest(QString *error)
{
    return make(error) && writeManifest(m_folder, m_manifest, error);
}

void BackupFolder::dropIfUnused()
{
    if (!isMade() || m_manifest.hasStore || !m_manifest.documents.isEmpty())
        return;
    QFile::remove(manifestPath(m_folder));
    if (QDir().rmdir(m_folder))
        m_folder.clear();
}

SnapshotResult takeSnapshot(const QString &dataDirectory, Store &store, const QString &operation,
                            const QList<RecordKind> &kinds)
{
    BackupFolder folder(dataDirectory, operation, kinds);
    QString error;
    if (folder.snapshotStore(store, &error))
        return {true, folder.path(), QString()};
    if (folder.isMade())
        QDir(folder.path()).removeRecursively();
    return {false, QString(),
            QString("레코드 저장소의 백업을 만들 수 없어 가져오기를 멈췄습니다. 아무것도 바뀌지 않았습니다.\r%1")
                .arg(error)};
}

} // namespace pimdesk
