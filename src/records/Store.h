#pragma once

#include "records/StoreError.h"

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QVariant>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace pimdesk {

// One record store file (Qtdata.mdb): an SQLite database with the tables Contacts, Datebook and Todo.
// All data sources on the same file share one Store (and so one connection and its transactions).
// The program uses its stores from one thread only, so the connection runs without SQLite's locks.
class Store
{
public:
    ~Store();
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    // The store at path. A missing file is created with its folder and tables; a file that exists
    // but is not a store of ours (another format, damaged, a table or field missing, read-only) is
    // left untouched and a StoreError says what is wrong.
    static std::shared_ptr<Store> open(const QString &path);

    // Same, but returns the store already open on that path when there is one.
    static std::shared_ptr<Store> shared(const QString &path);

    // Program directory + "/DATA", and that folder + "/Qtdata.mdb".
    static QString defaultDataDirectory();
    static QString pathInDirectory(const QString &dataDirectory);

    const QString &path() const { return m_path; }
    // The SQLite connection, for SQLite's own whole-database operations (the online backup).
    sqlite3 *connection() const { return m_db; }

    // A prepared statement, cached by its text; reset and with bindings cleared.
    sqlite3_stmt *prepare(const QString &sql);
    // Runs a statement that returns no rows.
    void exec(const QString &sql, const QVariantList &values = {});
    // The first column of the first row, or null.
    QVariant scalar(const QString &sql, const QVariantList &values = {});
    qint64 count(const QString &table);
    qint64 lastInsertRowid() const;

    // A forward-only walk over the rows of one statement, for bulk reads. It has its own statement,
    // so other statements may run while it is open.
    class Query
    {
    public:
        Query(Store &store, const QString &sql, const QVariantList &values = {});
        ~Query();
        Query(const Query &) = delete;
        Query &operator=(const Query &) = delete;
        bool next();
        int columnCount() const;
        QString columnName(int column) const;
        QVariant value(int column) const;
        bool isNull(int column) const;
        // The column as text (numbers as decimal text); a null column gives a null QString.
        QString text(int column) const;
        // The column as SQLite holds it in UTF-8, without a copy: valid until the next call of next().
        // A null column gives a null view.
        QByteArrayView utf8(int column) const;

    private:
        Store &m_store;
        sqlite3_stmt *m_statement = nullptr;
    };

    void bind(sqlite3_stmt *statement, int index, const QVariant &value);
    // Steps a statement; true while it has a row. Throws on error.
    bool step(sqlite3_stmt *statement);
    static QVariant columnValue(sqlite3_stmt *statement, int column);

    QStringList columnNames(const QString &table);

    // Adds the columns later versions added to the tables (schema::addedColumns) to a store that
    // lacks them, with their indexes; the stored fields keep their order. Opening a store does
    // this; an operation that uses those columns calls it again first, so that a store that could
    // not take them at its opening (busy) is reported instead of half used. Throws StoreError.
    void addMissingColumns();

    // Runs of changes in one transaction; nested scopes join the outer one. A scope that ends
    // without commit() rolls the whole transaction back.
    class Transaction
    {
    public:
        explicit Transaction(Store &store);
        ~Transaction();
        void commit();

    private:
        Store &m_store;
        bool m_done = false;
    };

    // Several reads as one: the store is locked and its change counter checked once, not for every
    // statement, and every statement sees the same state of the file (no other connection can
    // commit meanwhile). Inside a transaction of this connection it does nothing. Nothing may be
    // written while it lasts.
    class Reading
    {
    public:
        explicit Reading(Store &store);
        ~Reading();
        Reading(const Reading &) = delete;
        Reading &operator=(const Reading &) = delete;

    private:
        Store &m_store;
        bool m_began = false;
    };

    // For one write of many records (a whole document merged in): the connection's page cache grows
    // to hold about `bytes` more, so that the transaction's pages stay in memory until it commits
    // instead of being written out and read back half-way, and an index made again is sorted in
    // memory. Pages are taken only as they are used. Back to the usual size when it ends (after the
    // transaction's commit, when it is made before the transaction).
    class RoomInCache
    {
    public:
        RoomInCache(Store &store, qint64 bytes);
        ~RoomInCache();
        RoomInCache(const RoomInCache &) = delete;
        RoomInCache &operator=(const RoomInCache &) = delete;

    private:
        Store &m_store;
    };

    QString errorText() const;

    // The connection's own page cache: large enough to keep the indexes the lists and searches walk
    // (a few megabytes at 100,000 records) between one search and the next, so that a search
    // repeated or refined reads them from memory rather than from the file again. Pages are taken
    // only as they are read, so a small store uses little.
    static constexpr int pageCacheKilobytes = 16384;

    // Throws a StoreError when the file's pages are damaged (PRAGMA quick_check): run before an
    // operation writes the store, so that nothing is written into a damaged file. It reads the whole
    // file once: about 0.6 s per 100 MB of store (100,000 contacts with every field filled).
    // Given tables, only their pages and those of their indexes are walked: enough for an operation
    // that only reads those tables (an export), not for one that writes the store.
    void verifyIntegrity(const QStringList &tables = {});

    // How long a statement waits for another program's lock on the file before it gives up with
    // the busy message.
    static constexpr int busyTimeoutMs = 3000;

private:
    explicit Store(QString path);
    void openExisting();
    void create();
    void verifySchema();
    void addMissingIndexes();
    void updateIdentityIndexes();
    void closeHandle();
    // The connection's page cache, in kilobytes (pageCacheKilobytes when it is opened).
    static void setPageCache(sqlite3 *db, qint64 kilobytes);
    [[noreturn]] void fail(const QString &what) const;
    [[noreturn]] void failStatement(const QString &sql, int rc) const;
    void verifyPages(const QByteArray &pragma);

    QString m_path;
    sqlite3 *m_db = nullptr;
    QHash<QString, sqlite3_stmt *> m_statements;
    int m_transactionDepth = 0;
    bool m_rollbackOnly = false;
};

// The message shown when a store cannot be used: where and what.
QString storeProblem(const QString &path, const QString &reason);

// What an SQLite result code means for the user when it is one of the failures that have a cause
// outside the program (another program holding the file, a full disk, a damaged file); empty for
// the others. systemError: the operating system's error number behind an I/O failure, or 0.
QString storeFailureCause(int rc, int systemError = 0);
// The texts for a store that another program keeps busy, and for a damaged one.
QString storeBusyText();
QString storeDamagedText();

} // namespace pimdesk
