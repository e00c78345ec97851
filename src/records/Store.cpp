#include "records/Store.h"

#include <QDir>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

// The store at work: statements, their values and failures, and transactions. Opening and creating
// the file is in StoreFile.cpp.

namespace pimdesk {

QString storeProblem(const QString &path, const QString &reason)
{
    return QString("레코드 저장소를 사용할 수 없습니다.\r파일: %1\r%2").arg(QDir::toNativeSeparators(path), reason);
}

QString storeBusyText()
{
    return QStringLiteral(
        "다른 프로그램이 레코드 저장소를 사용하고 있습니다. 그 프로그램이 끝난 뒤에 다시 시도하십시오.");
}

QString storeDamagedText()
{
    return QStringLiteral("레코드 저장소 파일이 손상되었습니다. 아무것도 바꾸지 않았습니다.");
}

QString storeFailureCause(int rc, int systemError)
{
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return storeBusyText();
    case SQLITE_FULL:
        return QString("디스크가 가득 찼습니다 (%1).").arg(QString::fromLocal8Bit(std::strerror(ENOSPC)));
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return storeDamagedText();
    case SQLITE_IOERR:
        if (systemError == ENOSPC)
            return QString("디스크가 가득 찼습니다 (%1).").arg(QString::fromLocal8Bit(std::strerror(ENOSPC)));
        if (systemError != 0)
            return QString("파일을 읽거나 쓸 수 없습니다 (%1).")
                .arg(QString::fromLocal8Bit(std::strerror(systemError)));
        return QString();
    default:
        return QString();
    }
}

Store::Store(QString path) : m_path(std::move(path)) {}

Store::~Store()
{
    closeHandle();
}

void Store::closeHandle()
{
    for (sqlite3_stmt *s : std::as_const(m_statements))
        sqlite3_finalize(s);
    m_statements.clear();
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void Store::fail(const QString &what) const
{
    QString reason = what;
    if (m_db) {
        reason += QString(" (%1)").arg(QString::fromUtf8(sqlite3_errmsg(m_db)));
        const QString cause = storeFailureCause(sqlite3_extended_errcode(m_db), sqlite3_system_errno(m_db));
        if (!cause.isEmpty())
            reason = cause + "\r" + reason;
    }
    throw StoreError(storeProblem(m_path, reason));
}

// A statement that failed: the cause first when it is one the user can act on, then the details.
void Store::failStatement(const QString &sql, int rc) const
{
    QString reason = QString("SQL 문을 실행할 수 없습니다: %1\r%2").arg(sql, errorText());
    const QString cause = storeFailureCause(rc, m_db ? sqlite3_system_errno(m_db) : 0);
    if (!cause.isEmpty())
        reason = cause + "\r" + reason;
    throw StoreError(storeProblem(m_path, reason));
}

QString Store::errorText() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
}

sqlite3_stmt *Store::prepare(const QString &sql)
{
    if (sqlite3_stmt *cached = m_statements.value(sql)) {
        sqlite3_reset(cached);
        sqlite3_clear_bindings(cached);
        return cached;
    }
    sqlite3_stmt *s = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(m_db, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT, &s, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(s);
        failStatement(sql, sqlite3_extended_errcode(m_db));
    }
    m_statements.insert(sql, s);
    return s;
}

void Store::bind(sqlite3_stmt *statement, int index, const QVariant &value)
{
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(statement, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Long:
        case QMetaType::Short:
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(statement, index, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(statement, index, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            rc = sqlite3_bind_blob64(statement, index, bytes.constData(), sqlite3_uint64(bytes.size()),
                                     SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QString text = value.toString();
            rc = sqlite3_bind_text16(statement, index, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
        }
        }
    }
    if (rc != SQLITE_OK)
        fail("값을 지정할 수 없습니다");
}

bool Store::step(sqlite3_stmt *statement)
{
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const QString sql = QString::fromUtf8(sqlite3_sql(statement));
    const int code = sqlite3_extended_errcode(m_db);
    const int systemError = sqlite3_system_errno(m_db);
    const QString message = errorText();
    sqlite3_reset(statement);
    QString reason = QString("SQL 문을 실행할 수 없습니다: %1\r%2").arg(sql, message);
    const QString cause = storeFailureCause(code, systemError);
    if (!cause.isEmpty())
        reason = cause + "\r" + reason;
    throw StoreError(storeProblem(m_path, reason));
}

QVariant Store::columnValue(sqlite3_stmt *statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(statement, column);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(statement, column)),
                          sqlite3_column_bytes(statement, column));
    case SQLITE_NULL:
        return QVariant();
    default: {
        const void *text = sqlite3_column_text16(statement, column);
        const int bytes = sqlite3_column_bytes16(statement, column);
        return QString(static_cast<const QChar *>(text), bytes / 2);
    }
    }
}

void Store::exec(const QString &sql, const QVariantList &values)
{
    sqlite3_stmt *s = prepare(sql);
    for (int i = 0; i < values.size(); ++i)
        bind(s, i + 1, values.at(i));
    while (step(s)) {
    }
    sqlite3_reset(s);
}

QVariant Store::scalar(const QString &sql, const QVariantList &values)
{
    sqlite3_stmt *s = prepare(sql);
    for (int i = 0; i < values.size(); ++i)
        bind(s, i + 1, values.at(i));
    QVariant result;
    if (step(s))
        result = columnValue(s, 0);
    sqlite3_reset(s);
    return result;
}

qint64 Store::count(const QString &table)
{
    return scalar(QString("SELECT count(*) FROM \"%1\"").arg(table)).toLongLong();
}

qint64 Store::lastInsertRowid() const
{
    return sqlite3_last_insert_rowid(m_db);
}

Store::Query::Query(Store &store, const QString &sql, const QVariantList &values) : m_store(store)
{
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(m_store.m_db, utf8.constData(), int(utf8.size()), &m_statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
        m_store.failStatement(sql, sqlite3_extended_errcode(m_store.m_db));
    }
    for (int i = 0; i < values.size(); ++i)
        m_store.bind(m_statement, i + 1, values.at(i));
}

Store::Query::~Query()
{
    sqlite3_finalize(m_statement);
}

bool Store::Query::next()
{
    return m_store.step(m_statement);
}

int Store::Query::columnCount() const
{
    return sqlite3_column_count(m_statement);
}

QString Store::Query::columnName(int column) const
{
    return QString::fromUtf8(sqlite3_column_name(m_statement, column));
}

QVariant Store::Query::value(int column) const
{
    return columnValue(m_statement, column);
}

bool Store::Query::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

QString Store::Query::text(int column) const
{
    if (sqlite3_column_type(m_statement, column) == SQLITE_NULL)
        return QString();
    const void *text = sqlite3_column_text16(m_statement, column);
    const int bytes = sqlite3_column_bytes16(m_statement, column);
    return QString(static_cast<const QChar *>(text), bytes / 2);
}

QByteArrayView Store::Query::utf8(int column) const
{
    // The text of a value that is not null is never a null pointer (an empty text is ""), except
    // when SQLite runs out of memory converting it.
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    if (!text) {
        if (sqlite3_column_type(m_statement, column) != SQLITE_NULL)
            m_store.fail(QStringLiteral("값을 읽을 수 없습니다"));
        return QByteArrayView();
    }
    return QByteArrayView(text, sqlite3_column_bytes(m_statement, column));
}

Store::Reading::Reading(Store &store) : m_store(store)
{
    if (m_store.m_transactionDepth == 0 && sqlite3_get_autocommit(m_store.m_db)) {
        m_store.exec(QStringLiteral("BEGIN"));
        m_began = true;
    }
}

Store::Reading::~Reading()
{
    // A read transaction ends without writing anything: COMMIT cannot fail for want of room or of
    // a lock.
    if (m_began && !sqlite3_get_autocommit(m_store.m_db))
        sqlite3_exec(m_store.m_db, "COMMIT", nullptr, nullptr, nullptr);
}

void Store::setPageCache(sqlite3 *db, qint64 kilobytes)
{
    const QByteArray pragma = "PRAGMA cache_size = -" + QByteArray::number(kilobytes);
    sqlite3_exec(db, pragma.constData(), nullptr, nullptr, nullptr);
}

Store::RoomInCache::RoomInCache(Store &store, qint64 bytes) : m_store(store)
{
    // At most a gigabyte more: beyond it, pages go out to the file half-way as usual.
    const qint64 kilobytes = std::clamp<qint64>(bytes / 1024, 0, qint64(1) << 20);
    setPageCache(m_store.m_db, pageCacheKilobytes + kilobytes);
}

Store::RoomInCache::~RoomInCache()
{
    setPageCache(m_store.m_db, pageCacheKilobytes);
}

Store::Transaction::Transaction(Store &store) : m_store(store)
{
    if (m_store.m_transactionDepth == 0) {
        m_store.exec("BEGIN IMMEDIATE");
        m_store.m_rollbackOnly = false;
    }
    ++m_store.m_transactionDepth;
}

Store::Transaction::~Transaction()
{
    if (m_done)
        return;
    m_store.m_rollbackOnly = true;
    if (--m_store.m_transactionDepth == 0) {
        try {
            m_store.exec("ROLLBACK");
        } catch (const StoreError &) {
            // Nothing more can be done here; SQLite has already given up the transaction.
        }
        m_store.m_rollbackOnly = false;
    }
}

void Store::Transaction::commit()
{
    if (m_done)
        return;
    m_done = true;
    if (--m_store.m_transactionDepth > 0)
        return;
    if (m_store.m_rollbackOnly) {
        m_store.m_rollbackOnly = false;
        m_store.exec("ROLLBACK");
        throw StoreError(storeProblem(m_store.m_path, "변경 내용이 저장되지 않았습니다."));
    }
    m_store.exec("COMMIT");
}

} // namespace pimdesk
