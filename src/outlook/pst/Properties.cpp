#include "outlook/pst/Properties.h"

#include "outlook/pst/CodePages.h"

#include <QtEndian>

namespace pimdesk::pst {

QByteArray propertySetGuid(PropertySet set)
{
    // {000620xx-0000-0000-C000-000000000046} and {00020329-...}, first three fields little-endian.
    static const QByteArray guids[] = {
        QByteArray::fromHex("0220060000000000C000000000000046"),
        QByteArray::fromHex("0320060000000000C000000000000046"),
        QByteArray::fromHex("0420060000000000C000000000000046"),
        QByteArray::fromHex("0820060000000000C000000000000046"),
        QByteArray::fromHex("2903020000000000C000000000000046"),
    };
    return guids[int(set)];
}

size_t qHash(const NamedProperty &key, size_t seed)
{
    return qHashMulti(seed, key.guid, key.lid, key.name);
}

const PropertyValue *Properties::find(quint16 id) const
{
    auto it = m_fixed.constFind(id);
    return it == m_fixed.constEnd() ? nullptr : &it.value();
}

const PropertyValue *Properties::find(PropertySet set, quint32 lid) const
{
    auto it = m_named.constFind(NamedProperty{propertySetGuid(set), lid, QString()});
    return it == m_named.constEnd() ? nullptr : &it.value();
}

const PropertyValue *Properties::find(PropertySet set, const QString &name) const
{
    auto it = m_named.constFind(NamedProperty{propertySetGuid(set), 0, name});
    return it == m_named.constEnd() ? nullptr : &it.value();
}

namespace {

// Stored texts may carry their terminating NUL; Outlook's values never do.
QByteArray withoutTerminator(QByteArray bytes, int unit)
{
    while (bytes.size() >= unit && bytes.endsWith(QByteArray(unit, '\0')))
        bytes.chop(unit);
    return bytes;
}

QString unicodeText(const QByteArray &utf16)
{
    const QByteArray bytes = withoutTerminator(utf16.left(utf16.size() & ~1), 2);
    return QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
}

} // namespace

QString Properties::text(const PropertyValue *value) const
{
    if (!value)
        return QString("");
    QString result;
    if (value->type == PT_UNICODE)
        result = unicodeText(value->data);
    else if (value->type == PT_STRING8)
        result = decodeCodePage(withoutTerminator(value->data, 1), m_codePage);
    else if (value->type == PT_MV_UNICODE || value->type == PT_MV_STRING8)
        result = texts(value).join(QStringLiteral(", "));
    return result.isNull() ? QString("") : result;
}

QStringList Properties::texts(const PropertyValue *value) const
{
    // A count, then one offset per value from the start of the data; the values lie back to back.
    QStringList result;
    if (!value || (value->type != PT_MV_UNICODE && value->type != PT_MV_STRING8))
        return result;
    const QByteArray &data = value->data;
    if (data.size() < 4)
        return result;
    const quint32 count = qFromLittleEndian<quint32>(data.constData());
    if (count > quint32(data.size() - 4) / 4)
        return result;
    for (quint32 i = 0; i < count; ++i) {
        const quint32 begin = qFromLittleEndian<quint32>(data.constData() + 4 + 4 * i);
        const quint32 end =
            i + 1 < count ? qFromLittleEndian<quint32>(data.constData() + 8 + 4 * i) : quint32(data.size());
        if (begin > end || end > quint32(data.size()))
            return QStringList();
        const QByteArray piece = data.mid(int(begin), int(end - begin));
        result << (value->type == PT_MV_UNICODE ? unicodeText(piece)
                                                : decodeCodePage(withoutTerminator(piece, 1), m_codePage));
    }
    return result;
}

std::optional<qint64> Properties::integer(const PropertyValue *value) const
{
    if (!value)
        return std::nullopt;
    const QByteArray &d = value->data;
    switch (value->type) {
    case PT_SHORT:
        if (d.size() >= 2)
            return qFromLittleEndian<qint16>(d.constData());
        break;
    case PT_LONG:
        if (d.size() >= 4)
            return qFromLittleEndian<qint32>(d.constData());
        break;
    case PT_I8:
        if (d.size() >= 8)
            return qFromLittleEndian<qint64>(d.constData());
        break;
    case PT_BOOLEAN:
        if (!d.isEmpty())
            return d.at(0) ? 1 : 0;
        break;
    default:
        break;
    }
    return std::nullopt;
}

bool Properties::flag(const PropertyValue *value) const
{
    if (!value || value->type != PT_BOOLEAN)
        return integer(value).value_or(0) != 0;
    for (char byte : value->data)
        if (byte)
            return true;
    return false;
}

std::optional<quint64> Properties::filetime(const PropertyValue *value) const
{
    if (!value || value->type != PT_SYSTIME || value->data.size() < 8)
        return std::nullopt;
    return qFromLittleEndian<quint64>(value->data.constData());
}

QByteArray Properties::binary(const PropertyValue *value) const
{
    return value ? value->data : QByteArray();
}

QDateTime utcFromFiletime(quint64 filetime)
{
    constexpr qint64 unixEpochInMs = 11644473600000LL; // 1601-01-01 to 1970-01-01
    const qint64 ms = qint64(filetime / 10000) - unixEpochInMs;
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

QDateTime wallClockFromMinutes(quint32 minutes)
{
    const QDateTime epoch(QDate(1601, 1, 1), QTime(0, 0), Qt::LocalTime);
    const QDate date = epoch.date().addDays(minutes / 1440);
    const int minuteOfDay = int(minutes % 1440);
    return QDateTime(date, QTime(minuteOfDay / 60, minuteOfDay % 60), Qt::LocalTime);
}

} // namespace pimdesk::pst
