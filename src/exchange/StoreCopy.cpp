#include "exchange/StoreCopy.h"

#include "records/Store.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

namespace pimdesk {

namespace {

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
    // A connection inside a transaction of its own cannot be the source of a copy: the store's file
    // is then read through a second connection, as committed (what a copy made before the
    // transaction's first write holds).
    sqlite3 *source = store.connection();
    sqlite3 *reader = nullptr;
    if (ok && !sqlite3_get_autocommit(source)) {
        ok = sqlite3_open_v2(store.path().toUtf8().constData(), &reader, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                             nullptr) == SQLITE_OK;
        if (ok)
            sqlite3_busy_timeout(reader, Store::busyTimeoutMs);
        else
            *error = sqliteError(reader);
        source = reader;
    }
    ok = ok && backupDatabase(source, target, error);
    sqlite3_close(reader);
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

} // namespace pimdesk
