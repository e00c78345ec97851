#include "records/Store.h"

#include "records/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

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

QString Store::errorText() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
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
    try {
        verifySchema();
    } catch (...) {
        closeHandle();
        throw;
    }
    addMissingIndexes();
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
    if (sqlite3_column_type(m_statement, column) == SQLITE_NULL)
        return QByteArrayView();
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    return QByteArrayView(text, sqlite3_column_bytes(m_statement, column));
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
