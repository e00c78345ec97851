#include "exchange/DeviceReaders.h"

#include "exchange/DeviceTime.h"
#include "exchange/DocumentReader.h"
#include "records/DocumentLayouts.h"
#include "records/Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

namespace pimdesk {

namespace {

// A text value in a record's canonical form: a mark, the length and the bytes (a null is the
// mark 'n' alone).
void appendCanonicalText(QByteArray &values, const char *text, qsizetype size)
{
    const quint32 length = quint32(size);
    const qsizetype at = values.size();
    const qsizetype end = at + 1 + qsizetype(sizeof length) + size;
    if (values.capacity() < end)
        values.reserve(std::max(end, 2 * values.capacity()));
    values.resize(end);
    char *out = values.data() + at;
    *out = 't';
    std::memcpy(out + 1, &length, sizeof length);
    std::memcpy(out + 1 + sizeof length, text, size_t(size));
}

inline char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

// Attribute names of a layout, looked up without regard to letter case and without allocating:
// a record of the addressbook has some forty attributes, a document a hundred thousand records.
class NameTable
{
public:
    struct Entry
    {
        QByteArray exact;
        QByteArray lowered;
        int slot;      // 0: the identity; 1 + n: attribute n
        int exactRank; // a higher rank wins when an element spells a name more than one way
        int otherRank;
    };

    explicit NameTable(const DocumentLayout &layout)
    {
        m_index.fill(-1);
        add(layout.identity, 0, 4, 3);
        for (size_t n = 0; n < layout.attributes.size(); ++n) {
            add(layout.attributes[n].readName(), int(n) + 1, 4, 3);
            if (layout.attributes[n].alias)
                add(layout.attributes[n].alias, int(n) + 1, 2, 1);
        }
    }

    const Entry *find(QByteArrayView name) const
    {
        if (name.size() > maxName)
            return nullptr;
        std::array<char, maxName> lowered;
        for (qsizetype i = 0; i < name.size(); ++i)
            lowered[size_t(i)] = lower(name[i]);
        const QByteArrayView key(lowered.data(), name.size());
        for (size_t h = hash(key);; ++h) {
            const int e = m_index[h % m_index.size()];
            if (e < 0)
                return nullptr;
            if (m_entries[size_t(e)].lowered == key)
                return &m_entries[size_t(e)];
        }
    }

private:
    static constexpr qsizetype maxName = 64;

    static size_t hash(QByteArrayView lowered)
    {
        quint32 h = 2166136261u;
        for (const char c : lowered)
            h = (h ^ quint8(c)) * 16777619u;
        return h;
    }

    void add(const char *name, int slot, int exactRank, int otherRank)
    {
        Entry entry{name, QByteArray(name).toLower(), slot, exactRank, otherRank};
        size_t h = hash(entry.lowered);
        while (m_index[h % m_index.size()] >= 0)
            ++h;
        m_index[h % m_index.size()] = int(m_entries.size());
        m_entries.push_back(std::move(entry));
    }

    std::vector<Entry> m_entries;
    std::array<int, 256> m_index;
};

QString quoted(const char *name)
{
    return QString("\"%1\"").arg(QLatin1String(name));
}

QString nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

ReadResult failed(QString text)
{
    ReadResult r;
    r.failure = std::move(text);
    return r;
}

// The reader's front end on a thread of its own: the document's records, each with its attributes'
// names and values copied out of the reader's buffer, come in batches, so that the merge of one
// batch goes on beside the reading of the next. The batches come in the document's order; what
// the merge counts (records, damaged pieces) is the same as when it reads the document itself.
class ReadAhead
{
public:
    struct Batch
    {
        // Record r's attributes: attributes[firsts[r]] up to attributes[firsts[r + 1]].
        std::vector<DocumentReader::Attribute> attributes;
        std::vector<qsizetype> firsts;
        qint64 skipped = 0; // damaged pieces that held a record

        qsizetype records() const { return qsizetype(firsts.size()) - 1; }
        std::span<const DocumentReader::Attribute> record(qsizetype r) const
        {
            return std::span(attributes).subspan(size_t(firsts[size_t(r)]),
                                                 size_t(firsts[size_t(r) + 1] - firsts[size_t(r)]));
        }

        // Where the attributes' bytes are kept while the batch is filled: name and value of each
        // attribute, as offsets into bytes (made into the views above once the batch is full).
        QByteArray bytes;
        std::vector<std::array<qsizetype, 4>> offsets;
    };

    // Whether the document was read to its end, and what the reader saw of it (after next() has
    // returned null).
    struct Seen
    {
        bool documentOfItsKind = false;
        bool readFailed = false;
        QString errorString;
        bool sawContent = false;
        bool sawDocumentType = false;
    };

    ReadAhead(QIODevice &file, const QByteArray &recordElement, const QList<QByteArray> &containers)
        : m_thread([this, &file, recordElement, containers] { read(file, recordElement, containers); })
    {
    }
    ~ReadAhead()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    // The next batch (the one before is given back to be filled again); null at the end.
    const Batch *next()
    {
        std::unique_lock lock(m_mutex);
        if (m_taken) {
            m_free.push_back(m_taken);
            m_taken = nullptr;
            m_changed.notify_all();
        }
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_done; });
        if (m_failure)
            std::rethrow_exception(m_failure);
        if (m_ready.empty())
            return nullptr;
        m_taken = m_ready.front();
        m_ready.pop_front();
        return m_taken;
    }
    const Seen &seen() const { return m_seen; }

private:
    static constexpr qsizetype batchBytes = 256 * 1024;
    static constexpr size_t batchRecords = 1024;

    void read(QIODevice &file, const QByteArray &recordElement, const QList<QByteArray> &containers)
    {
        try {
            DocumentReader reader(file, recordElement, containers);
            Seen seen;
            Batch *batch = take();
            while (batch && reader.next()) {
                seen.documentOfItsKind = seen.documentOfItsKind || reader.isDocumentElement();
                if (reader.damaged()) {
                    if (reader.isRecord() || (!reader.isDocumentElement() && reader.heldAttributes()))
                        ++batch->skipped;
                    continue;
                }
                if (!reader.isRecord())
                    continue;
                for (const DocumentReader::Attribute &a : reader.attributes()) {
                    const qsizetype name = batch->bytes.size();
                    batch->bytes.append(a.name);
                    const qsizetype value = batch->bytes.size();
                    batch->bytes.append(a.value);
                    // A value's view keeps being null or not, as the reader's was.
                    batch->offsets.push_back({name, a.name.size(), a.value.isNull() ? -1 : value, a.value.size()});
                }
                batch->firsts.push_back(qsizetype(batch->offsets.size()));
                if (batch->bytes.size() >= batchBytes || batch->firsts.size() > batchRecords)
                    batch = hand(batch);
            }
            seen.readFailed = reader.readFailed();
            seen.errorString = reader.errorString();
            seen.sawContent = reader.sawContent();
            seen.sawDocumentType = reader.sawDocumentType();
            if (batch)
                hand(batch);
            std::lock_guard lock(m_mutex);
            m_seen = seen;
            m_done = true;
        } catch (...) {
            std::lock_guard lock(m_mutex);
            m_failure = std::current_exception();
            m_done = true;
        }
        m_changed.notify_all();
    }

    // A batch to fill, emptied; null when the merge has stopped.
    Batch *take()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_free.empty() || m_stop; });
        if (m_stop)
            return nullptr;
        Batch *batch = m_free.back();
        m_free.pop_back();
        batch->bytes.resize(0);
        batch->offsets.clear();
        batch->attributes.clear();
        batch->firsts.assign(1, 0);
        batch->skipped = 0;
        return batch;
    }

    // Hands a filled batch on and takes the next to fill.
    Batch *hand(Batch *batch)
    {
        const char *bytes = batch->bytes.constData();
        for (const auto &[name, nameSize, value, valueSize] : batch->offsets)
            batch->attributes.push_back({QByteArrayView(bytes + name, nameSize),
                                         value < 0 ? QByteArrayView() : QByteArrayView(bytes + value, valueSize)});
        {
            std::lock_guard lock(m_mutex);
            m_ready.push_back(batch);
        }
        m_changed.notify_all();
        return take();
    }

    std::array<Batch, 3> m_batches;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Batch *> m_free{&m_batches[0], &m_batches[1], &m_batches[2]};
    std::deque<Batch *> m_ready;
    Batch *m_taken = nullptr;
    Seen m_seen;
    std::exception_ptr m_failure;
    bool m_done = false;
    bool m_stop = false;
    std::thread m_thread; // last: it starts once every other member is made
};

class DocumentMerge
{
public:
    // Into store, or (store null) into records.
    DocumentMerge(Store *store, DocumentRecords *records, const KindInfo &kind,
                  const FirstChange &beforeFirstChange = {})
        : m_store(store), m_records(records), m_kind(kind), m_layout(*kind.document), m_names(m_layout)
    {
        QStringList assignments, differences, columns{quoted("ID")}, marks{"?1"};
        int parameter = 2;
        auto addField = [&](const char *field) {
            assignments << QString("%1 = ?%2").arg(quoted(field)).arg(parameter);
            // Compared byte for byte: the fields ignore letter case, a change of case is a change.
            differences << QString("%1 IS NOT ?%2 COLLATE BINARY").arg(quoted(field)).arg(parameter);
            columns << quoted(field);
            marks << QString("?%1").arg(parameter);
            ++parameter;
        };
        for (const DocumentAttribute &attribute : m_layout.attributes)
            addField(attribute.field);
        for (const FixedValue &fixed : m_layout.fixedValues)
            addField(fixed.field);
        const QString table = quoted(kind.table);
        // A record the store already holds as the document has it is left alone: a second import of
        // the same document rewrites nothing (no page of the store, none of its journal).
        m_updateSql = QString("UPDATE %1 SET %2 WHERE \"ID\" = ?1 AND (%3)")
                          .arg(table, assignments.join(", "), differences.join(" OR "));
        m_existsSql = QString("SELECT 1 FROM %1 WHERE \"ID\" = ?1").arg(table);
        m_insertSql = QString("INSERT INTO %1 (%2) VALUES (%3)").arg(table, columns.join(", "), marks.join(", "));
        // Both in one statement, where the store keeps its IDs unique (as every store this program
        // made does): a new record goes in, one already there (an ID the document repeats) is
        // overwritten only where it differs.
        m_upsertSql = QString("%1 ON CONFLICT (\"ID\") DO UPDATE SET %2 WHERE %3")
                          .arg(m_insertSql, assignments.join(", "), differences.join(" OR "));
        m_unchangedSql = QString("SELECT EXISTS (SELECT 1 FROM %1 WHERE \"ID\" = ?1 AND NOT (%2))")
                             .arg(table, differences.join(" OR "));
        m_beforeFirstChange = beforeFirstChange;
        m_values.resize(m_layout.attributes.size() + 1);
        m_times.resize(m_layout.attributes.size());
        for (const char *container : m_layout.containers)
            m_containers.append(QByteArray(container));
    }

    ReadResult run(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return failed(QString("%1 파일을 읽을 수 없습니다.\r%2").arg(nativePath(path), file.errorString()));
        ReadResult result;
        try {
            // Prepared before the transaction opens: a statement that cannot be prepared (a store
            // without the table's fields) then leaves nothing to roll back. Into an empty table,
            // every record but a repeated ID is new: one statement does both.
            const bool emptyTable = m_store && tableIsEmpty();
            m_upsert = emptyTable && idsAreUnique();
            sqlite3_stmt *update = m_store ? m_store->prepare(m_upsert ? m_upsertSql : m_updateSql) : nullptr;
            sqlite3_stmt *insert = m_store && !m_upsert ? m_store->prepare(m_insertSql) : update;
            m_exists = m_store && !m_upsert ? m_store->prepare(m_existsSql) : nullptr;
            // Until the first change, a record that the store holds as it is needs no writing, and
            // nothing is written (for the caller to keep the store as it was before the first change).
            m_unchanged = m_store && m_beforeFirstChange && !emptyTable ? m_store->prepare(m_unchangedSql) : nullptr;
            // One statement both updates and inserts: its values are bound once.
            m_writers = {update, m_upsert ? nullptr : insert};
            m_targets = m_writers;
            m_emptyTable = emptyTable;
            m_changing = false;
            m_setAside.clear();
            m_documentBytes = file.size();
            std::optional<Store::Transaction> transaction;
            if (m_store)
                transaction.emplace(*m_store);
            ReadAhead reading(file, m_layout.recordElement, m_containers);
            while (const ReadAhead::Batch *batch = reading.next()) {
                result.skipped += batch->skipped;
                for (qsizetype r = 0; r < batch->records(); ++r) {
                    if (merge(batch->record(r), update, insert))
                        ++result.merged;
                    else
                        ++result.skipped;
                }
            }
            const ReadAhead::Seen &seen = reading.seen();
            if (seen.readFailed)
                return failed(QString("%1 파일을 읽는 중 오류가 났습니다.\r%2\r레코드를 하나도 가져오지 않았습니다.")
                                  .arg(nativePath(path), seen.errorString));
            if (seen.sawContent && !seen.documentOfItsKind && !seen.sawDocumentType)
                return failed(QString("%1 파일은 Qtopia %2 문서가 아닙니다.\r레코드를 하나도 가져오지 않았습니다.")
                                  .arg(nativePath(path), QString::fromUtf8(m_kind.bookName)));
            if (transaction) {
                for (const QString &index : m_setAside)
                    m_store->exec(index);
                transaction->commit();
            }
        } catch (const FirstChangeRefused &refused) {
            return failed(refused.text);
        } catch (const StoreError &e) {
            return failed(e.message() + "\r레코드를 하나도 가져오지 않았습니다.");
        }
        result.ok = true;
        return result;
    }

    // The records of ids that held keeps, into the (empty) table, with the merge's own INSERT.
    void storeHeld(const DocumentRecords &held, const QSet<qint64> &ids)
    {
        sqlite3_stmt *insert = m_store->prepare(m_insertSql);
        // In the order of the IDs, whatever the set's.
        QList<qint64> ordered(ids.cbegin(), ids.cend());
        std::sort(ordered.begin(), ordered.end());
        Store::Transaction transaction(*m_store);
        for (const qint64 id : ordered) {
            const auto found = held.records.constFind(id);
            if (found == held.records.cend())
                continue;
            sqlite3_reset(insert);
            sqlite3_bind_int64(insert, 1, id);
            QByteArrayView values = held.valuesOf(found.value());
            int parameter = 2;
            while (!values.isEmpty()) {
                if (values.front() == 'n') {
                    sqlite3_bind_null(insert, parameter++);
                    values = values.sliced(1);
                    continue;
                }
                quint32 length = 0;
                std::memcpy(&length, values.data() + 1, sizeof length);
                sqlite3_bind_text(insert, parameter++, values.data() + 1 + sizeof length, int(length), SQLITE_STATIC);
                values = values.sliced(1 + qsizetype(sizeof length) + qsizetype(length));
            }
            for (const FixedValue &fixed : m_layout.fixedValues)
                sqlite3_bind_text(insert, parameter++, fixed.value, -1, SQLITE_STATIC);
            m_store->step(insert);
        }
        sqlite3_reset(insert);
        transaction.commit();
    }

private:
    struct Value
    {
        QByteArrayView text;
        int rank = 0;
    };

    struct FirstChangeRefused
    {
        QString text;
    };

    // Before the first write of the read: the caller's hook, room for the pages written, then the
    // indexes of an empty table set aside.
    void beginChanges()
    {
        m_changing = true;
        QString refusal;
        if (m_beforeFirstChange && !m_beforeFirstChange(&refusal))
            throw FirstChangeRefused{refusal};
        // The records written take about as many pages as the document's bytes. Only once
        // something is written: a read that changes nothing reads each page once, and a cache that
        // keeps them all costs more than it saves.
        m_room.emplace(*m_store, m_documentBytes);
        if (m_emptyTable)
            m_setAside = setIndexesAside();
    }

    bool tableIsEmpty()
    {
        return m_store->scalar(QString("SELECT EXISTS (SELECT 1 FROM %1)").arg(quoted(m_kind.table))).toInt() == 0;
    }

    // Into an empty table, the records go in faster without the table's search indexes, which are
    // made again afterwards from the whole table at once (inside the same transaction: a failed
    // read leaves them as they were). The unique index on the ID stays: the merge looks records up
    // by it. Returns the statements that make the indexes again.
    QStringList setIndexesAside()
    {
        const QString table = QLatin1String(m_kind.table);
        QStringList names, statements;
        {
            Store::Query indexes(*m_store,
                                 "SELECT name, sql FROM sqlite_master WHERE type = 'index' AND tbl_name = ? AND sql IS "
                                 "NOT NULL AND sql NOT LIKE 'CREATE UNIQUE%'",
                                 {table});
            while (indexes.next()) {
                names << indexes.text(0);
                statements << indexes.text(1);
            }
        }
        for (const QString &name : names)
            m_store->exec(QString("DROP INDEX \"%1\"").arg(QString(name).replace('"', "\"\"")));
        return statements;
    }

    // Whether a unique index holds the table's IDs (alone).
    bool idsAreUnique()
    {
        return m_store
                   ->scalar("SELECT EXISTS (SELECT 1 FROM pragma_index_list(?1) l WHERE l.\"unique\" AND "
                            "(SELECT count(*) FROM pragma_index_info(l.name)) = 1 AND "
                            "(SELECT name FROM pragma_index_info(l.name)) = 'ID' COLLATE NOCASE)",
                            {QLatin1String(m_kind.table)})
                   .toInt() != 0;
    }

    // Merges one record element (or holds its values); false when it cannot be taken (no identity,
    // an identity or a time that is not a number).
    bool merge(std::span<const DocumentReader::Attribute> attributes, sqlite3_stmt *update, sqlite3_stmt *insert)
    {
        for (Value &v : m_values)
            v = Value{};
        for (const DocumentReader::Attribute &attribute : attributes) {
            const NameTable::Entry *entry = m_names.find(attribute.name);
            if (!entry)
                continue;
            const bool exact = attribute.name == QByteArrayView(entry->exact);
            const int rank = exact ? entry->exactRank : entry->otherRank;
            Value &slot = m_values[size_t(entry->slot)];
            if (rank > slot.rank)
                slot = Value{attribute.value, rank};
        }
        qint64 id = 0;
        if (m_values[0].rank == 0 || !parseWholeNumber(m_values[0].text, &id))
            return false;

        // Until the first change, only the statement that asks whether the store holds the record
        // as it is gets the values; the others get them once a record needs writing.
        if (m_store && !m_changing && m_unchanged) {
            m_targets = {m_unchanged, nullptr};
            if (!bindRecord(id))
                return false;
            const bool unchanged = m_store->step(m_unchanged) && sqlite3_column_int(m_unchanged, 0) != 0;
            sqlite3_reset(m_unchanged);
            if (unchanged)
                return true;
            m_targets = m_writers;
        }
        if (!bindRecord(id))
            return false;
        if (!m_store)
            return true;
        if (!m_changing)
            beginChanges();
        if (m_upsert) {
            m_store->step(update);
            sqlite3_reset(update);
            return true;
        }
        m_store->step(update);
        bool found = sqlite3_changes(sqlite3_db_handle(update)) > 0;
        sqlite3_reset(update);
        if (!found) {
            // Nothing changed: either the record is there as it is, or it is new.
            sqlite3_reset(m_exists);
            sqlite3_bind_int64(m_exists, 1, id);
            found = m_store->step(m_exists);
            sqlite3_reset(m_exists);
        }
        if (!found) {
            m_store->step(insert);
            sqlite3_reset(insert);
        }
        return true;
    }

    // The record's values, bound to the statements of m_targets (or, without a store, held); false
    // when a time is not one.
    bool bindRecord(qint64 id)
    {
        const qsizetype offset = m_store ? 0 : m_records->values.size();
        if (m_store) {
            for (sqlite3_stmt *statement : m_targets) {
                if (!statement)
                    continue;
                sqlite3_reset(statement);
                sqlite3_bind_int64(statement, 1, id);
            }
        }
        int parameter = 2;
        for (size_t n = 0; n < m_layout.attributes.size(); ++n, ++parameter) {
            const DocumentAttribute &rule = m_layout.attributes[n];
            const Value &v = m_values[n + 1];
            const bool present = v.rank > 0;
            if (rule.isTime()) {
                if (!present || v.text.trimmed().isEmpty()) {
                    bindNull(parameter);
                    continue;
                }
                if (!formatDeviceTime(v.text, m_times[n].data())) {
                    if (!m_store)
                        m_records->values.truncate(offset);
                    return false;
                }
                bindText(parameter, m_times[n].data(), 19);
            } else if (present) {
                bindText(parameter, v.text.data(), v.text.size());
            } else if (rule.absent) {
                bindText(parameter, rule.absent, qsizetype(std::strlen(rule.absent)));
            } else {
                bindNull(parameter);
            }
        }
        if (!m_store) {
            // The fixed values are the same in every record and stay out.
            m_records->records.insert(id, {offset, m_records->values.size() - offset});
            return true;
        }
        for (const FixedValue &fixed : m_layout.fixedValues)
            bindText(parameter++, fixed.value, qsizetype(std::strlen(fixed.value)));

        return true;
    }

    // A value of the record: bound to every statement of the record, or (without a store) written
    // into the record's canonical form.
    void bindText(int parameter, const char *text, qsizetype size)
    {
        if (!m_store) {
            appendCanonicalText(m_records->values, text, size);
            return;
        }
        // The bytes stay where they are until every statement has run for this record.
        for (sqlite3_stmt *statement : m_targets)
            if (statement)
                sqlite3_bind_text(statement, parameter, text, int(size), SQLITE_STATIC);
    }

    void bindNull(int parameter)
    {
        if (!m_store) {
            m_records->values.append('n');
            return;
        }
        for (sqlite3_stmt *statement : m_targets)
            if (statement)
                sqlite3_bind_null(statement, parameter);
    }

    Store *m_store;
    DocumentRecords *m_records;
    const KindInfo &m_kind;
    const DocumentLayout &m_layout;
    NameTable m_names;
    QList<QByteArray> m_containers;
    QString m_updateSql;
    QString m_insertSql;
    QString m_existsSql;
    QString m_upsertSql;
    QString m_unchangedSql;
    bool m_upsert = false;
    FirstChange m_beforeFirstChange;
    sqlite3_stmt *m_unchanged = nullptr;
    std::array<sqlite3_stmt *, 2> m_writers{}; // update (or upsert) and insert
    std::array<sqlite3_stmt *, 2> m_targets{}; // the statements a record's values are bound to now
    bool m_emptyTable = false;
    bool m_changing = false;
    QStringList m_setAside;
    // Taken at the first change; given back when the merge goes, after run()'s transaction.
    std::optional<Store::RoomInCache> m_room;
    qint64 m_documentBytes = 0;
    sqlite3_stmt *m_exists = nullptr;
    std::vector<Value> m_values;
    std::vector<std::array<char, 20>> m_times;
};

} // namespace

ReadResult ContactsFromAddressbookXml(Store &store, const QString &stagingPath)
{
    return readDeviceDocument(RecordKind::Contacts, store, stagingPath);
}

ReadResult TodoFromTodolistXml(Store &store, const QString &stagingPath)
{
    return readDeviceDocument(RecordKind::Tasks, store, stagingPath);
}

ReadResult DatebookFromDatebookXml(Store &store, const QString &stagingPath)
{
    return readDeviceDocument(RecordKind::Events, store, stagingPath);
}

ReadResult readDeviceDocument(RecordKind kind, Store &store, const QString &stagingPath,
                              const FirstChange &beforeFirstChange)
{
    return DocumentMerge(&store, nullptr, kindInfo(kind), beforeFirstChange).run(stagingPath);
}

DocumentRecords readDocumentRecords(RecordKind kind, const QString &path)
{
    DocumentRecords records;
    // The values take about as many bytes as the document (the names go, a length comes per value).
    records.values.reserve(QFileInfo(path).size() + 4096);
    const ReadResult read = DocumentMerge(nullptr, &records, kindInfo(kind)).run(path);
    records.ok = read.ok;
    records.skipped = read.skipped;
    records.failure = read.failure;
    if (!read.ok) {
        records.records.clear();
        records.values.clear();
    }
    return records;
}

void storeDocumentRecords(RecordKind kind, const DocumentRecords &records, const QSet<qint64> &ids, Store &store)
{
    DocumentMerge(&store, nullptr, kindInfo(kind)).storeHeld(records, ids);
}

} // namespace pimdesk
