#include "records/Store.h"

#include "records/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

// The store's file: where it lives, opening it (and telling a file that is not a store of ours),
// creating a missing one, and checking its pages.

namespace pimdesk {

namespace {

const QByteArray sqliteHeader("SQLite format 3\0", 16);

// Root may write anything, so access() alone cannot tell a read-only file: one without any write
// bit counts as read-only too.
bool writable(const QFileInfo &info)
{
    const QFile::Permissions p = info.permissions();
    return info.isWritable() && (p & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));
}

QHash<QString, std::weak_ptr<Store>> &openStores()
{
    static QHash<QString, std::weak_ptr<Store>> stores;
    return stores;
}

} // namespace

QString Store::defaultDataDirectory()
{
    return QCoreApplication::applicationDirPath() + "/DATA";
}

QString Store::pathInDirectory(const QString &dataDirectory)
{
    return QDir(dataDirectory).filePath("Qtdata.mdb");
}

std::shared_ptr<Store> Store::open(const QString &path)
{
    std::shared_ptr<Store> store(new Store(QFileInfo(path).absoluteFilePath()));
    if (QFileInfo::exists(path))
        store->openExisting();
    else
        store->create();
    return store;
}

std::shared_ptr<Store> Store::shared(const QString &path)
{
    const QString key = QFileInfo(path).absoluteFilePath();
    if (std::shared_ptr<Store> existing = openStores().value(key).lock())
        return existing;
    std::shared_ptr<Store> store = open(key);
    openStores().insert(key, store);
    return store;
}

void Store::openExisting()
{
    const QFileInfo info(m_path);
    if (!info.isFile())
        throw StoreError(storeProblem(m_path, "파일이 아닙니다 (폴더이거나 특수 파일입니다)."));
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        throw StoreError(storeProblem(m_path, "파일을 읽을 수 없습니다: " + file.errorString()));
    const QByteArray head = file.read(sqliteHeader.size());
    file.close();
    if (head.isEmpty())
        throw StoreError(storeProblem(m_path, "파일이 비어 있습니다. 레코드 저장소 파일이 아닙니다."));
    if (head != sqliteHeader)
        throw StoreError(
            storeProblem(m_path, "SQLite 레코드 저장소 파일이 아닙니다 (다른 형식이거나 손상된 파일입니다)."));
    if (!writable(info))
        throw StoreError(storeProblem(m_path, "파일이 읽기 전용입니다. 쓰기 권한이 있어야 합니다."));
    const QFileInfo folder(info.absolutePath());
    if (!writable(folder))
        throw StoreError(storeProblem(m_path, QString("폴더 %1에 쓸 수 없습니다. 쓰기 권한이 있어야 합니다.")
                                                  .arg(QDir::toNativeSeparators(folder.absoluteFilePath()))));

    if (sqlite3_open_v2(m_path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK)
        fail("파일을 열 수 없습니다");
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
    setPageCache(m_db, pageCacheKilobytes);
    try {
        verifySchema();
    } catch (...) {
        closeHandle();
        throw;
    }
    // A store that cannot take the added columns now (busy, full disk) is still shown as it is;
    // what needs them asks again and reports why not.
    try {
        addMissingColumns();
    } catch (const StoreError &) {
    }
    addMissingIndexes();
}

void Store::addMissingColumns()
{
    for (const TableSchema *table : schema::tables()) {
        const QStringList added = schema::addedColumnNames(table->name);
        if (added.isEmpty())
            continue;
        const QStringList present = columnNames(table->name);
        for (const schema::AddedColumn &column : schema::addedColumns()) {
            if (column.table != table->name)
                continue;
            if (!present.contains(column.name, Qt::CaseInsensitive))
                exec(schema::addColumnStatement(column));
        }
    }
}

void Store::addMissingIndexes()
{
    // Indexes only make reading faster: a store that cannot take one now (busy, full disk) is still
    // used as it is, and the next opening tries again.
    try {
        for (const QString &statement : schema::addedIndexStatements())
            exec(statement);
    } catch (const StoreError &) {
    }
    updateIdentityIndexes();
}

void Store::updateIdentityIndexes()
{
    // In a store of an earlier version the identity indexes hold every record (or are missing):
    // each one that differs from a new store's is made again, in a transaction of its own (a
    // failure leaves it as it was).
    for (const TableSchema *table : schema::tables()) {
        for (const QString &column : schema::identityColumns(table->name)) {
            const QString name = table->name + '_' + column;
            try {
                // The catalogue keeps the statement without its IF NOT EXISTS.
                const QString current = schema::identityIndexStatement(table->name, column)
                                            .replace("CREATE INDEX IF NOT EXISTS ", "CREATE INDEX ");
                if (scalar("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = ? AND sql = ?",
                           {name, current})
                        .toInt() != 0)
                    continue;
                Transaction transaction(*this);
                exec(QString("DROP INDEX IF EXISTS \"%1\"").arg(name));
                exec(schema::identityIndexStatement(table->name, column));
                transaction.commit();
            } catch (const StoreError &) {
                // Busy (another program writing) or full: the next opening tries again, without
                // waiting out the busy time once for every index now.
                return;
            }
        }
    }
}

void Store::verifySchema()
{
    // Reading the catalogue is where a damaged file shows itself.
    // Another program's exclusive lock shows itself here too, and is not damage.
    sqlite3_stmt *probe = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT count(*) FROM sqlite_master", -1, &probe, nullptr) != SQLITE_OK ||
        sqlite3_step(probe) != SQLITE_ROW) {
        sqlite3_finalize(probe);
        const int code = sqlite3_extended_errcode(m_db) & 0xFF;
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            throw StoreError(storeProblem(m_path, storeBusyText() + QString("\r(%1)").arg(errorText())));
        fail("파일이 손상되었거나 SQLite 레코드 저장소가 아닙니다");
    }
    sqlite3_finalize(probe);

    QStringList problems;
    for (const TableSchema *table : schema::tables()) {
        const QStringList present = columnNames(table->name);
        if (present.isEmpty()) {
            problems << QString("테이블 %1이(가) 없습니다.").arg(table->name);
            continue;
        }
        QStringList missing;
        for (const QString &field : table->fields) {
            bool found = false;
            for (const QString &p : present)
                found = found || p.compare(field, Qt::CaseInsensitive) == 0;
            if (!found)
                missing << field;
        }
        if (!missing.isEmpty())
            problems << QString("테이블 %1에 필드가 없습니다: %2").arg(table->name, missing.join(", "));
    }
    if (!problems.isEmpty())
        throw StoreError(storeProblem(m_path, "레코드 저장소의 형식이 맞지 않습니다.\r" + problems.join("\r")));
}

void Store::create()
{
    const QFileInfo info(m_path);
    QDir folder(info.absolutePath());
    if (!folder.exists() && !QDir().mkpath(folder.absolutePath()))
        throw StoreError(storeProblem(
            m_path, QString("폴더 %1을(를) 만들 수 없습니다.").arg(QDir::toNativeSeparators(folder.absolutePath()))));
    if (!writable(QFileInfo(folder.absolutePath())))
        throw StoreError(storeProblem(m_path, QString("폴더 %1에 쓸 수 없습니다. 쓰기 권한이 있어야 합니다.")
                                                  .arg(QDir::toNativeSeparators(folder.absolutePath()))));

    // Build the new store under a temporary name and move it into place only when it is complete,
    // so that a failure never leaves a half-made Qtdata.mdb behind.
    // The name is this process's own: two programs starting on a fresh folder at once each build
    // their own, and the first one renamed into place is the store.
    const QString building = QString("%1.new.%2").arg(m_path).arg(QCoreApplication::applicationPid());
    QFile::remove(building);
    if (sqlite3_open_v2(building.toUtf8().constData(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        closeHandle();
        QFile::remove(building);
        throw StoreError(storeProblem(m_path, "새 레코드 저장소 파일을 만들 수 없습니다."));
    }
    sqlite3_extended_result_codes(m_db, 1);
    try {
        exec("BEGIN");
        for (const TableSchema *table : schema::tables())
            for (const QString &statement : schema::createStatements(*table))
                exec(statement);
        exec("COMMIT");
    } catch (...) {
        closeHandle();
        QFile::remove(building);
        throw;
    }
    closeHandle();
    // Put in place with link(): it never replaces a store that another program put there meanwhile
    // (QFile::rename would fall back to copying over it, truncating a store in use).
    const QByteArray from = QFile::encodeName(building), to = QFile::encodeName(m_path);
    int placed = ::link(from.constData(), to.constData());
    const int linkError = placed == 0 ? 0 : errno;
    if (placed != 0 && linkError != EEXIST && !QFileInfo::exists(m_path)) // a file system without links
        placed = std::rename(from.constData(), to.constData());
    QFile::remove(building);
    if (placed != 0) {
        if (QFileInfo::exists(m_path)) { // another program made it meanwhile
            openExisting();
            return;
        }
        throw StoreError(storeProblem(m_path, "새 레코드 저장소 파일을 제자리에 둘 수 없습니다."));
    }
    if (sqlite3_open_v2(m_path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK)
        fail("파일을 열 수 없습니다");
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
    setPageCache(m_db, pageCacheKilobytes);
}

QStringList Store::columnNames(const QString &table)
{
    QStringList names;
    sqlite3_stmt *s = nullptr;
    const QByteArray sql = QString("PRAGMA table_info(\"%1\")").arg(QString(table).replace('"', "\"\"")).toUtf8();
    if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &s, nullptr) != SQLITE_OK)
        fail("테이블 정보를 읽을 수 없습니다");
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, 1)));
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE)
        fail("테이블 정보를 읽을 수 없습니다");
    return names;
}

void Store::verifyIntegrity(const QStringList &tables)
{
    if (tables.isEmpty())
        verifyPages("PRAGMA quick_check");
    for (const QString &table : tables)
        verifyPages(QString("PRAGMA quick_check(\"%1\")").arg(QString(table).replace('"', "\"\"")).toUtf8());
}

void Store::verifyPages(const QByteArray &pragma)
{
    // quick_check walks every page of the file (or of one table and its indexes) but, unlike
    // integrity_check, not the indexes against their tables: cheap enough to run before every
    // writing operation.
    sqlite3_stmt *check = nullptr;
    int rc = sqlite3_prepare_v2(m_db, pragma.constData(), -1, &check, nullptr);
    QStringList findings;
    if (rc == SQLITE_OK)
        while ((rc = sqlite3_step(check)) == SQLITE_ROW)
            findings << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(check, 0)));
    sqlite3_finalize(check);
    if (rc != SQLITE_DONE) {
        const int code = sqlite3_extended_errcode(m_db);
        if ((code & 0xFF) == SQLITE_BUSY || (code & 0xFF) == SQLITE_LOCKED || (code & 0xFF) == SQLITE_FULL ||
            (code & 0xFF) == SQLITE_IOERR)
            fail("파일을 검사할 수 없습니다");
        throw StoreError(storeProblem(m_path, storeDamagedText() + QString("\r(%1)").arg(errorText())));
    }
    if (findings.size() == 1 && findings.first() == QLatin1String("ok"))
        return;
    const QStringList shown = findings.mid(0, 3);
    throw StoreError(storeProblem(m_path, storeDamagedText() + "\r" + shown.join("\r")));
}

} // namespace pimdesk
