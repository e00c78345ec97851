#include "formats/FormatRecords.h"

#include <QHash>
#include <QMutex>

namespace pimdesk::formats {

QString ownUid(RecordKind kind, qint64 id)
{
    return QStringLiteral("pimdesk-%1-%2").arg(QLatin1String(kindInfo(kind).uidName)).arg(id);
}

std::optional<qint64> idFromOwnUid(RecordKind kind, const QString &uid)
{
    const QString prefix = QStringLiteral("pimdesk-%1-").arg(QLatin1String(kindInfo(kind).uidName));
    const QString text = uid.trimmed();
    if (!text.startsWith(prefix, Qt::CaseInsensitive))
        return std::nullopt;
    bool ok = false;
    const qint64 id = QStringView(text).sliced(prefix.size()).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return id;
}

QByteArray privatePropertyName(const QString &field)
{
    return "X-PIMDESK-" + field.toUpper().replace(u'_', u'-').toLatin1();
}

QString fieldOfPrivateProperty(QByteArrayView propertyName, const QStringList &fields)
{
    if (!propertyName.startsWith("X-PIMDESK-"))
        return QString();
    // The names of a table's fields, made once per list of fields (the schema's lists live as long
    // as the program): a file of contacts asks this some ten times per card.
    static QMutex mutex;
    static QHash<const void *, std::pair<QStringList, QHash<QByteArray, QString>>> names;
    QMutexLocker lock(&mutex);
    auto it = names.find(fields.constData());
    // (A list shared with the one remembered compares equal at once.)
    if (it == names.end() || it->first != fields) {
        QHash<QByteArray, QString> byName;
        for (const QString &field : fields)
            byName.insert(privatePropertyName(field), field);
        it = names.insert(fields.constData(), {fields, byName});
    }
    return it->second.value(propertyName.toByteArray());
}

} // namespace pimdesk::formats
