#include "exchange/RecordComparison.h"

#include "exchange/DeviceReaders.h"
#include "exchange/Snapshots.h"
#include "exchange/StoreCopy.h"
#include "records/Schema.h"
#include "records/Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pimdesk {

namespace {

QString quoted(const QString &name)
{
    return '"' + QString(name).replace('"', "\"\"") + '"';
}

qint64 countOf(Store &store, const QString &sql)
{
    return store.scalar(sql).toLongLong();
}

} // namespace

RecordDifference compareTables(Store &store, const QString &otherStorePath, const QString &table)
{
    const TableSchema *schema = schema::table(table);
    const QString t = quoted(schema->name);
    const AttachedStore other(store, otherStorePath, "other");
    RecordDifference d;
    d.added = countOf(store, QString("SELECT count(*) FROM main.%1 WHERE ID NOT IN (SELECT ID FROM other.%1)").arg(t));
    d.removed =
        countOf(store, QString("SELECT count(*) FROM other.%1 WHERE ID NOT IN (SELECT ID FROM main.%1)").arg(t));
    // Text fields compare without regard to case in the store; a change of case is a change here.
    // A null field and a blank one are the same to the program (neither is written to the
    // handheld, the readers store an absent attribute as blank).
    QStringList same;
    for (const QString &field : schema->fields)
        same << QString("coalesce(a.%1, '') = coalesce(b.%1, '') COLLATE BINARY").arg(quoted(field));
    d.changed = countOf(store, QString("SELECT count(*) FROM main.%1 a JOIN other.%1 b ON a.ID = b.ID WHERE NOT (%2)")
                                   .arg(t, same.join(" AND ")));
    d.unchanged = store.count(schema->name) - d.added - d.changed;
    return d;
}

AttachedStore::AttachedStore(Store &store, const QString &path, const QString &name) : m_store(store), m_name(name)
{
    m_store.exec(QString("ATTACH DATABASE ? AS \"%1\"").arg(m_name), {path});
}

AttachedStore::~AttachedStore()
{
    try {
        m_store.exec(QString("DETACH DATABASE \"%1\"").arg(m_name));
    } catch (const StoreError &) {
        // A store that cannot detach (its connection failing) is closed with it.
    }
}

ScratchStores::ScratchStores() : m_dir(QDir::tempPath() + "/pimdesk-XXXXXX") {}

QString ScratchStores::path(const QString &name) const
{
    return m_dir.filePath(name + ".mdb");
}

std::shared_ptr<Store> ScratchStores::empty(const QString &name)
{
    return Store::open(path(name));
}

std::shared_ptr<Store> ScratchStores::fromDocument(RecordKind kind, const QString &document, const QString &name,
                                                   QString *failure)
{
    std::shared_ptr<Store> store = empty(name);
    const QFileInfo info(document);
    if (!info.exists() || info.size() == 0)
        return store;
    const ReadResult read = readDeviceDocument(kind, *store, document);
    if (!read.ok) {
        *failure = read.failure;
        return nullptr;
    }
    return store;
}

std::shared_ptr<Store> ScratchStores::copyOf(Store &store, const QString &name, QString *failure)
{
    if (!copyStore(store, path(name), failure))
        return nullptr;
    return Store::open(path(name));
}

std::optional<RecordDifference> compareDocuments(RecordKind kind, const QString &newer, const QString &older,
                                                 QString *failure)
{
    ScratchStores scratch;
    if (!scratch.isValid()) {
        *failure = QStringLiteral("임시 폴더를 만들 수 없습니다.");
        return std::nullopt;
    }
    const std::shared_ptr<Store> newRecords = scratch.fromDocument(kind, newer, "newer", failure);
    if (!newRecords || !scratch.fromDocument(kind, older, "older", failure))
        return std::nullopt;
    return compareTables(*newRecords, scratch.path("older"), kindInfo(kind).table);
}

} // namespace pimdesk
