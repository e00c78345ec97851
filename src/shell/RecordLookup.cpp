#include "shell/RecordLookup.h"

#include "records/Store.h"

#include <limits>

namespace pimdesk {

QString recordByIdSql(RecordKind kind, qint64 id)
{
    return QStringLiteral("SELECT * FROM ") + QLatin1String(kindInfo(kind).table) + QStringLiteral(" WHERE ID = ") +
           (id >= 0 ? QStringLiteral(" ") : QString()) + QString::number(id);
}

qint64 nextRecordId(const QString &storePath, RecordKind kind)
{
    const std::shared_ptr<Store> store = Store::shared(storePath);
    const QVariant largest =
        store->scalar(QStringLiteral("SELECT max(ID) FROM ") + QLatin1String(kindInfo(kind).table));
    if (largest.isNull())
        return 1;
    const qint64 id = largest.toLongLong();
    // A number past the largest identity would wrap around to the most negative one.
    if (id == std::numeric_limits<qint64>::max())
        throw StoreError(storeProblem(storePath, QStringLiteral("새 레코드에 붙일 ID가 남아 있지 않습니다.")));
    return id + 1;
}

} // namespace pimdesk
