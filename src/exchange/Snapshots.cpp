#include "exchange/Snapshots.h"

#include "exchange/DeviceExport.h"
#include "records/Clock.h"
#include "records/Schema.h"
#include "records/Store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>

#include <sqlite3.h>

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

std::optional<RecordKind> kindFromKey(const QString &key)
{
    for (RecordKind kind : allKinds)
        if (kindKey(kind) == key)
            return kind;
    return std::nullopt;
}

QString sqliteError(sqlite3 *db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("SQLite");
}

// Copies the main database of one connection into another's, all pages in one step. The
// destination changes in one transaction: it holds either all of the source or what it held.
bool backupDatabase(sqlite3 *from, sqlite3 *to, QString *error)
{
    sqlite3_backup *backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup) {
        *error = sqliteError(to);
        return false;
    }
    const int stepped = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE || finished != SQLITE_OK) {
        // A full disk or a busy file says so in words the user can act on; other failures give
        // SQLite's own text.
        const int rc = stepped != SQLITE_DONE ? stepped : finished;
        const QString cause = storeFailureCause(rc, sqlite3_system_errno(to));
        *error = cause.isEmpty() ? QString::fromUtf8(sqlite3_errstr(rc)) : cause;
        return false;
    }
    return true;
}

} // namespace

QString operationLabel(const QString &operation)
{
    if (operation == operations::deviceImport)
        return QStringLiteral("Norvel에서 가져오기");
    if (operation == operations::outlookImport)
        return QStringLiteral("Outlook에서 가져오기");
    if (operation == operations::exportToDevice)
        return QStringLiteral("Norvel로 내보내기");
    if (operation == operations::undo)
        return QStringLiteral("되돌리기 전 저장소");
    return operation;
}

QByteArray fileSha256(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return sha256Of(file);
}

QByteArray sha256Of(QIODevice &file)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.isReadable() || !hash.addData(&file))
        return QByteArray();
    return hash.result().toHex();
}

bool Manifest::canUndo() const
{
    if (undone.isValid())
        return false;
    if (hasStore && !storeRestored && operation != operations::undo)
        return true;
    return std::any_of(documents.begin(), documents.end(), [](const DocumentBackup &d) { return !d.restored; });
}

QString manifestPath(const QString &folder)
{
    return QDir(folder).filePath("manifest.json");
}

bool readManifest(const QString &folder, Manifest *manifest)
{
    QFile file(manifestPath(folder));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject())
        return false;
    const QJsonObject o = document.object();
    Manifest m;
    m.operation = o.value("operation").toString();
    m.when = QDateTime::fromString(o.value("when").toString(), Qt::ISODate);
    if (m.operation.isEmpty() || !m.when.isValid())
        return false;
    for (const QJsonValue &k : o.value("kinds").toArray())
        if (const auto kind = kindFromKey(k.toString()))
            m.kinds << *kind;
    m.hasStore = o.value("store").toBool();
    m.storeRestored = o.value("storeRestored").toBool();
    const QJsonObject counts = o.value("counts").toObject();
    for (const TableSchema *table : schema::tables())
        if (counts.contains(table->name))
            m.counts.append({table->name, counts.value(table->name).toInteger()});
    for (const QJsonValue &v : o.value("documents").toArray()) {
        const QJsonObject d = v.toObject();
        const auto kind = kindFromKey(d.value("kind").toString());
        if (!kind)
            continue;
        m.documents.append({*kind, d.value("existed").toBool(), d.value("written").toString().toLatin1(),
                            d.value("reference").toBool(), d.value("restored").toBool()});
    }
    m.undone = QDateTime::fromString(o.value("undone").toString(), Qt::ISODate);
    *manifest = m;
    return true;
}

bool writeManifest(const QString &folder, const Manifest &manifest, QString *error)
{
    QJsonObject o;
    o.insert("operation", manifest.operation);
    o.insert("when", manifest.when.toString(Qt::ISODate));
    QJsonArray kinds;
    for (RecordKind kind : manifest.kinds)
        kinds.append(kindKey(kind));
    o.insert("kinds", kinds);
    o.insert("store", manifest.hasStore);
    if (manifest.storeRestored)
        o.insert("storeRestored", true);
    QJsonObject counts;
    for (const auto &[table, count] : manifest.counts)
        counts.insert(table, count);
    o.insert("counts", counts);
    QJsonArray documents;
    for (const DocumentBackup &d : manifest.documents)
        documents.append(QJsonObject{{"kind", kindKey(d.kind)},
                                     {"file", QLatin1String(kindInfo(d.kind).documentName)},
                                     {"existed", d.existed},
                                     {"written", QString::fromLatin1(d.writtenSha256)},
                                     {"reference", d.hadReference},
                                     {"restored", d.restored}});
    o.insert("documents", documents);
    if (manifest.undone.isValid())
        o.insert("undone", manifest.undone.toString(Qt::ISODate));
    QSaveFile file(manifestPath(folder));
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(o).toJson()) < 0 || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

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

bool copyStore(Store &store, const QString &path, QString *error)
{
    const QString partial = path + ".part";
    QFile::remove(partial);
    sqlite3 *target = nullptr;
    bool ok = sqlite3_open_v2(partial.toUtf8().constData(), &target,
                              SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) == SQLITE_OK;
    if (!ok)
        *error = sqliteError(target);
    // The copy is renamed into place only when whole, so it needs no journal of its own.
    if (ok)
        sqlite3_exec(target, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    ok = ok && backupDatabase(store.connection(), target, error);
    if (sqlite3_close(target) != SQLITE_OK && ok) {
        *error = sqliteError(target);
        ok = false;
    }
    if (ok) {
        QFile::remove(path);
        ok = QFile::rename(partial, path);
        if (!ok)
            *error = QString("파일 이름을 바꿀 수 없습니다: %1").arg(QDir::toNativeSeparators(path));
    }
    if (!ok)
        QFile::remove(partial);
    return ok;
}

bool restoreStore(Store &store, const QString &snapshotPath, QString *error)
{
    sqlite3 *source = nullptr;
    if (sqlite3_open_v2(snapshotPath.toUtf8().constData(), &source, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        *error = sqliteError(source);
        sqlite3_close(source);
        return false;
    }
    const bool ok = backupDatabase(source, store.connection(), error);
    sqlite3_close(source);
    return ok;
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
