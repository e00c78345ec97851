#include "exchange/Snapshots.h"

#include "exchange/DeviceExport.h"
#include "exchange/StagingFile.h"
#include "exchange/StoreCopy.h"
#include "records/Clock.h"
#include "records/Schema.h"
#include "records/Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

namespace pimdesk {

namespace {

const QRegularExpression &folderPattern()
{
    static const QRegularExpression pattern(R"(^(\d{8}-\d{6})(?:-(\d+))?$)");
    return pattern;
}

QString sequencePath(const QString &root)
{
    return QDir(root).filePath("sequence");
}

// The folders below root named as backup folders are, with their manifests (others are the user's).
// A folder without a readable manifest (made before manifests were written) is listed only when
// withoutManifest is set, as one of the oldest.
QList<BackupEntry> readBackups(const QString &root, bool withoutManifest = false)
{
    QList<BackupEntry> entries;
    for (const QString &name : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!folderPattern().match(name).hasMatch())
            continue;
        BackupEntry entry{QDir(root).filePath(name), {}};
        if (readManifest(entry.folder, &entry.manifest) || withoutManifest)
            entries.append(entry);
    }
    return entries;
}

// Newest first: by sequence; folders from before the sequence was kept come after all others, by
// the time and the number in their names.
void sortNewestFirst(QList<BackupEntry> &entries)
{
    const auto legacyKey = [](const BackupEntry &e) {
        const QRegularExpressionMatch m = folderPattern().match(QFileInfo(e.folder).fileName());
        return std::pair(m.captured(1), m.captured(2).isEmpty() ? 1 : m.captured(2).toInt());
    };
    std::stable_sort(entries.begin(), entries.end(), [&](const BackupEntry &a, const BackupEntry &b) {
        if (a.manifest.sequence != b.manifest.sequence)
            return a.manifest.sequence > b.manifest.sequence;
        return legacyKey(a) > legacyKey(b);
    });
}

// DATA/backup/sequence: the last number given out on its first line, then every folder name given
// out, so that neither is ever given twice, even after its folder was removed.
struct GivenOut
{
    qint64 last = 0;
    QStringList names;
};

GivenOut readGivenOut(const QString &root)
{
    GivenOut given;
    QFile file(sequencePath(root));
    if (!file.open(QIODevice::ReadOnly))
        return given;
    const QList<QByteArray> lines = file.readAll().split('\n');
    given.last = lines.value(0).trimmed().toLongLong();
    for (qsizetype i = 1; i < lines.size(); ++i)
        if (!lines.at(i).trimmed().isEmpty())
            given.names << QString::fromUtf8(lines.at(i).trimmed());
    return given;
}

bool writeGivenOut(const QString &root, const GivenOut &given, QString *error)
{
    QSaveFile file(sequencePath(root));
    const QByteArray text = QByteArray::number(given.last) + '\n' + given.names.join('\n').toUtf8() + '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(text) < 0 || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

// Keeps the newest backups and the one just made.
void prune(const QString &root, const QString &current)
{
    QList<BackupEntry> entries = readBackups(root, true);
    sortNewestFirst(entries);
    int kept = 0;
    for (const BackupEntry &e : entries) {
        if (e.folder == current)
            continue;
        if (kept < exportBackupsKept - 1) {
            ++kept;
            continue;
        }
        QDir(e.folder).removeRecursively();
    }
}

} // namespace

QList<BackupEntry> listBackups(const QString &dataDirectory)
{
    QList<BackupEntry> entries = readBackups(exportBackupDirectory(dataDirectory));
    sortNewestFirst(entries);
    return entries;
}

BackupFolder::BackupFolder(QString dataDirectory, const QString &operation, const QList<RecordKind> &kinds)
    : m_data(std::move(dataDirectory)), m_root(exportBackupDirectory(m_data))
{
    m_manifest.operation = operation;
    m_manifest.kinds = kinds;
}

BackupFolder::~BackupFolder()
{
    if (isMade() && !m_kept)
        discard();
}

bool BackupFolder::make(QString *error)
{
    if (isMade())
        return true;
    if (!QDir().mkpath(m_root)) {
        *error = QString("폴더를 만들 수 없습니다: %1").arg(QDir::toNativeSeparators(m_root));
        return false;
    }
    m_manifest.when = Clock::current().now();
    const QString stamp = m_manifest.when.toString("yyyyMMdd-HHmmss");
    QDir root(m_root);
    GivenOut given = readGivenOut(m_root);
    for (const BackupEntry &e : readBackups(m_root))
        given.last = std::max(given.last, e.manifest.sequence);
    const qint64 sequence = given.last + 1;
    // The time is only a label: two operations within one second, or a clock set back to a second
    // used before, get a name never given out.
    QString name = stamp;
    for (int n = 2; root.exists(name) || given.names.contains(name); ++n)
        name = QString("%1-%2").arg(stamp).arg(n);
    const QString folder = root.filePath(name);
    if (!QDir().mkpath(folder)) {
        *error = QString("폴더를 만들 수 없습니다: %1").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    m_folder = folder;
    m_manifest.sequence = sequence;
    // The data folder's copies as they are before the operation changes any of them.
    m_manifest.copies.clear();
    for (KeptCopy copy : keptCopyFiles()) {
        const QString source = QDir(m_data).filePath(copy.file);
        copy.existed = QFileInfo(source).isFile();
        if (copy.existed && !placeCopy(source, QDir(m_folder).filePath(copy.backupName()), error)) {
            QDir(m_folder).removeRecursively();
            m_folder.clear();
            return false;
        }
        m_manifest.copies.append(copy);
    }
    if (!writeManifest(m_folder, m_manifest, error)) {
        QDir(m_folder).removeRecursively();
        m_folder.clear();
        return false;
    }
    return true;
}

void BackupFolder::keep()
{
    if (!isMade() || m_kept)
        return;
    m_kept = true;
    // The number and the name count as given out from now on.
    GivenOut given = readGivenOut(m_root);
    given.last = std::max(given.last, m_manifest.sequence);
    given.names << QFileInfo(m_folder).fileName();
    QString error;
    writeGivenOut(m_root, given, &error);
    prune(m_root, m_folder);
}

void BackupFolder::discard()
{
    // Nothing was changed that counts; copies the operation replaced on the way (a staging copy
    // taken from the handheld before a failed merge) go back as they were. One it made where there
    // was none stays, to be looked at.
    QString error;
    for (const KeptCopy &copy : m_manifest.copies) {
        const QString target = QDir(m_data).filePath(copy.file);
        const QString kept = QDir(m_folder).filePath(copy.backupName());
        if (copy.existed && !sameFileBytes(target, kept))
            placeCopy(kept, target, &error);
    }
    QDir(m_folder).removeRecursively();
    m_folder.clear();
}

bool BackupFolder::copiesChanged() const
{
    if (!isMade())
        return false;
    return std::any_of(m_manifest.copies.begin(), m_manifest.copies.end(), [this](const KeptCopy &copy) {
        const QString now = QDir(m_data).filePath(copy.file);
        if (!copy.existed)
            return QFileInfo::exists(now);
        return !sameFileBytes(now, QDir(m_folder).filePath(copy.backupName()));
    });
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

SnapshotResult takeSnapshot(const QString &dataDirectory, Store &store, const QString &operation,
                            const QList<RecordKind> &kinds)
{
    BackupFolder folder(dataDirectory, operation, kinds);
    QString error;
    if (folder.snapshotStore(store, &error)) {
        folder.keep();
        return {true, folder.path(), QString()};
    }
    return {false, QString(),
            QString("레코드 저장소의 백업을 만들 수 없어 가져오기를 멈췄습니다. 아무것도 바뀌지 않았습니다.\r%1")
                .arg(error)};
}

} // namespace pimdesk
