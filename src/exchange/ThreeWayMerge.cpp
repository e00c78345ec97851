#include "exchange/ThreeWayMerge.h"

#include "exchange/DeviceReaders.h"
#include "exchange/DocumentWriters.h"
#include "records/DocumentLayouts.h"
#include "records/Schema.h"
#include "records/Store.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <future>

namespace pimdesk {

namespace {

QString quoted(const QString &name)
{
    return '"' + QString(name).replace('"', "\"\"") + '"';
}

// The condition that records a and b hold the same in every field (as the guard compares them).
QString sameRecord(const TableSchema &schema, const QString &a, const QString &b)
{
    QStringList same;
    for (const QString &field : schema.fields)
        same << QString("coalesce(%1.%3, '') = coalesce(%2.%3, '') COLLATE BINARY").arg(a, b, quoted(field));
    return same.join(" AND ");
}

QList<qint64> ids(Store &store, const QString &sql)
{
    QList<qint64> found;
    Store::Query query(store, sql);
    while (query.next())
        found << query.value(0).toLongLong();
    return found;
}

qint64 countOf(Store &store, const QString &sql)
{
    return store.scalar(sql).toLongLong();
}

// The fields the handheld's document carries: what the reader writes into a record.
QStringList documentFields(RecordKind kind)
{
    QStringList fields;
    const DocumentLayout &layout = *kindInfo(kind).document;
    for (const DocumentAttribute &attribute : layout.attributes)
        fields << quoted(QLatin1String(attribute.field));
    for (const FixedValue &fixed : layout.fixedValues)
        fields << quoted(QLatin1String(fixed.field));
    return fields;
}

void fillIds(Store &store, const QString &table, const QList<qint64> &values)
{
    store.exec(QString("CREATE TEMP TABLE IF NOT EXISTS %1 (ID INTEGER PRIMARY KEY)").arg(table));
    store.exec(QString("DELETE FROM temp.%1").arg(table));
    const QString sql = QString("INSERT OR IGNORE INTO temp.%1 (ID) VALUES (?)").arg(table);
    for (qint64 id : values) {
        sqlite3_stmt *insert = store.prepare(sql); // reset, ready for the next value
        store.bind(insert, 1, id);
        store.step(insert);
    }
}

} // namespace

ThreeWayMerge::ThreeWayMerge(RecordKind kind) : m_kind(kind) {}

ThreeWayMerge::~ThreeWayMerge() = default;

namespace {

// What the reader makes of a document's records; a missing or empty document holds none.
DocumentRecords recordsOf(RecordKind kind, const QString &document)
{
    if (QFileInfo(document).size() > 0)
        return readDocumentRecords(kind, document);
    DocumentRecords none;
    none.ok = true;
    return none;
}

// The IDs whose record is not read the same in all three states (missing from one of them, or
// different in one).
QSet<qint64> differingIds(const DocumentRecords &handheld, const DocumentRecords &common,
                          const DocumentRecords &desktop)
{
    QSet<qint64> ids;
    for (auto it = handheld.records.cbegin(); it != handheld.records.cend(); ++it)
        if (!handheld.sameRecord(it.key(), common) || !handheld.sameRecord(it.key(), desktop))
            ids.insert(it.key());
    for (const DocumentRecords *other : std::initializer_list<const DocumentRecords *>{&common, &desktop})
        for (auto it = other->records.cbegin(); it != other->records.cend(); ++it)
            if (!handheld.records.contains(it.key()))
                ids.insert(it.key());
    return ids;
}

} // namespace

std::unique_ptr<ThreeStates> readThreeStates(RecordKind kind, const QString &commonDocument,
                                             const QString &handheldDocument, Store &desktop, QString *failure)
{
    auto states = std::make_unique<ThreeStates>();
    states->scratch = std::make_unique<ScratchStores>();
    ScratchStores &scratch = *states->scratch;
    if (!scratch.isValid()) {
        *failure = QStringLiteral("임시 폴더를 만들 수 없습니다.");
        return nullptr;
    }
    // First what the reader makes of every record of the three states, held in memory: a record
    // read the same in all three needs no decision of anyone, and only the others go into the
    // scratch stores. The handheld's document and the kept copy are read (and later stored) on a
    // second thread while this one writes the store's document (the store's connection stays on
    // this thread) and reads it back. Each scratch store has a connection of its own; a future made
    // by std::async waits for its thread when it goes, however this function ends.
    DocumentRecords onHandheld, common;
    std::future<void> reading = std::async(std::launch::async, [&] {
        onHandheld = recordsOf(kind, handheldDocument);
        if (onHandheld.ok)
            common = recordsOf(kind, commonDocument);
    });
    // The desktop's records as the export would put them on the handheld.
    states->desktopDocument = scratch.path("desktop") + ".xml";
    {
        QFile file(states->desktopDocument);
        if (!file.open(QIODevice::WriteOnly) || !writeHandheldDocument(kind, desktop, [&file](QByteArrayView piece) {
                return file.write(piece.data(), piece.size()) == piece.size();
            })) {
            *failure = file.errorString();
            return nullptr;
        }
    }
    const DocumentRecords onDesktop = recordsOf(kind, states->desktopDocument);
    reading.get();
    for (const DocumentRecords *read :
         std::initializer_list<const DocumentRecords *>{&onDesktop, &onHandheld, &common}) {
        if (!read->ok) {
            *failure = read->failure;
            return nullptr;
        }
    }
    states->unusable = onHandheld.skipped;
    states->handheldRecords = onHandheld.records.size();
    const QSet<qint64> differing = differingIds(onHandheld, common, onDesktop);

    std::future<void> storing = std::async(std::launch::async, [&] {
        states->handheld = scratch.empty("handheld");
        storeDocumentRecords(kind, onHandheld, differing, *states->handheld);
        storeDocumentRecords(kind, common, differing, *scratch.empty("common"));
    });
    storeDocumentRecords(kind, onDesktop, differing, *scratch.empty("desktop"));
    storing.get();
    return states;
}

QStringList documentFieldNames(RecordKind kind)
{
    QStringList fields;
    for (const DocumentAttribute &attribute : kindInfo(kind).document->attributes)
        fields << QLatin1String(attribute.field);
    return fields;
}

std::unique_ptr<ThreeWayMerge> ThreeWayMerge::prepare(RecordKind kind, const QString &commonDocument,
                                                      const QString &handheldDocument, Store &desktop, QString *failure)
{
    std::unique_ptr<ThreeWayMerge> merge(new ThreeWayMerge(kind));
    std::unique_ptr<ThreeStates> states = readThreeStates(kind, commonDocument, handheldDocument, desktop, failure);
    if (!states)
        return nullptr;
    merge->m_counts.unusable = states->unusable;
    const std::shared_ptr<Store> handheld = states->handheld;
    merge->m_scratch = std::move(states->scratch);
    ScratchStores &scratch = *merge->m_scratch;

    const TableSchema &schema = *schema::table(QLatin1String(kindInfo(kind).table));
    const QString t = quoted(schema.name);
    Store &h = *handheld;
    const AttachedStore common(h, scratch.path("common"), "common");
    const AttachedStore onDesktop(h, scratch.path("desktop"), "desktop");
    {
        const QString inDesktop = QString("h.ID IN (SELECT ID FROM desktop.%1)").arg(t);
        const QString changedOnHandheld = QString("FROM main.%1 h JOIN common.%1 c ON c.ID = h.ID WHERE NOT (%2)")
                                              .arg(t, sameRecord(schema, "h", "c"));
        const QString added = QString("FROM main.%1 h WHERE h.ID NOT IN (SELECT ID FROM common.%1)").arg(t);
        const QList<qint64> addedIds = ids(h, "SELECT h.ID " + added);
        const QList<qint64> changedIds = ids(h, QString("SELECT h.ID %1 AND %2").arg(changedOnHandheld, inDesktop));
        merge->m_counts.added = addedIds.size();
        merge->m_counts.changed = changedIds.size();
        merge->m_counts.keptDeletedOnDesktop =
            countOf(h, QString("SELECT count(*) %1 AND NOT %2").arg(changedOnHandheld, inDesktop));
        merge->m_counts.changedOnBoth =
            countOf(h, QString("SELECT count(*) %1 AND %2 AND NOT EXISTS (SELECT 1 FROM desktop.%3 d WHERE d.ID = h.ID "
                               "AND %4)")
                           .arg(changedOnHandheld, inDesktop, t, sameRecord(schema, "d", "c")));
        // Deleted on the handheld: what the desktop still holds as it was goes too.
        const QString deleted =
            QString("FROM common.%1 c JOIN desktop.%1 d ON d.ID = c.ID WHERE c.ID NOT IN (SELECT ID FROM main.%1)")
                .arg(t);
        merge->m_delete = ids(h, QString("SELECT c.ID %1 AND %2").arg(deleted, sameRecord(schema, "d", "c")));
        merge->m_counts.deleted = merge->m_delete.size();
        merge->m_counts.keptChangedOnDesktop =
            countOf(h, QString("SELECT count(*) %1 AND NOT (%2)").arg(deleted, sameRecord(schema, "d", "c")));
        merge->m_take = addedIds + changedIds;
    }
    return merge;
}

void ThreeWayMerge::apply(Store &desktop) const
{
    if (m_take.isEmpty() && m_delete.isEmpty())
        return;
    const QString t = quoted(QLatin1String(kindInfo(m_kind).table));
    const QStringList fields = documentFields(m_kind);
    QStringList fromHandheld;
    for (const QString &field : fields)
        fromHandheld << "h." + field;
    const AttachedStore handheld(desktop, m_scratch->path("handheld"), "handheld");
    {
        {
            Store::Transaction transaction(desktop);
            fillIds(desktop, "merge_take", m_take);
            fillIds(desktop, "merge_delete", m_delete);
            // The fields the handheld keeps are its; the others stay the desktop's.
            desktop.exec(QString("UPDATE main.%1 SET (%2) = (SELECT %3 FROM handheld.%1 h WHERE h.ID = main.%1.ID) "
                                 "WHERE ID IN (SELECT ID FROM temp.merge_take)")
                             .arg(t, fields.join(", "), fromHandheld.join(", ")));
            desktop.exec(
                QString("INSERT INTO main.%1 (\"ID\", %2) SELECT h.ID, %3 FROM handheld.%1 h "
                        "WHERE h.ID IN (SELECT ID FROM temp.merge_take) AND h.ID NOT IN (SELECT ID FROM main.%1)")
                    .arg(t, fields.join(", "), fromHandheld.join(", ")));
            desktop.exec(QString("DELETE FROM main.%1 WHERE ID IN (SELECT ID FROM temp.merge_delete)").arg(t));
            desktop.exec("DROP TABLE temp.merge_take");
            desktop.exec("DROP TABLE temp.merge_delete");
            transaction.commit();
        }
    }
}

} // namespace pimdesk
