#include "records/RecordIds.h"

#include "records/Store.h"

#include <limits>

namespace pimdesk {

namespace {

constexpr qint64 largestId = std::numeric_limits<qint64>::max();
constexpr qint64 smallestId = std::numeric_limits<qint64>::min();

} // namespace

qint64 nextId(Store &store, RecordKind kind)
{
    const QString table = QLatin1String(kindInfo(kind).table);
    QVariant largest = store.scalar(QString("SELECT max(ID) FROM %1").arg(table));
    // A text or a fraction put into ID by another program sorts above the numbers: the largest
    // whole number is then looked for below it.
    if (!largest.isNull() && largest.typeId() != QMetaType::LongLong)
        largest =
            store.scalar(QString("SELECT ID FROM %1 WHERE typeof(ID) = 'integer' ORDER BY ID DESC LIMIT 1").arg(table));
    if (largest.isNull())
        return 1;
    if (largest.toLongLong() < largestId)
        return largest.toLongLong() + 1;

    // Counting on would overflow. Only IDs that came from outside (a handheld's document) get this
    // far, so walking the table for a gap is acceptable here.
    const QVariant gap = store.scalar(QString("SELECT a.ID + 1 FROM %1 a WHERE typeof(a.ID) = 'integer' AND a.ID < ?1 "
                                              "AND NOT EXISTS (SELECT 1 FROM %1 b WHERE b.ID = a.ID + 1) "
                                              "ORDER BY a.ID LIMIT 1")
                                          .arg(table),
                                      {largestId});
    if (!gap.isNull())
        return gap.toLongLong();
    const qint64 smallest =
        store.scalar(QString("SELECT min(ID) FROM %1 WHERE typeof(ID) = 'integer'").arg(table)).toLongLong();
    if (smallest > smallestId)
        return smallest - 1;
    throw StoreError(
        storeProblem(store.path(), QString("테이블 %1에 새 레코드에 줄 ID가 남아 있지 않습니다.").arg(table)));
}

qint64 freeId(Store &store, RecordKind kind, qint64 chosen)
{
    const QString table = QLatin1String(kindInfo(kind).table);
    if (store.scalar(QString("SELECT 1 FROM %1 WHERE ID = ?").arg(table), {chosen}).isNull())
        return chosen;
    return nextId(store, kind);
}

} // namespace pimdesk
