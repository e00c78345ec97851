#include "formats/TimeZones.h"

#include <QRegularExpression>
#include <QTimeZone>

namespace pimdesk::formats {

QByteArray systemZoneId()
{
    const QByteArray id = QTimeZone::systemTimeZoneId();
    return id.isEmpty() ? QByteArray("UTC") : id;
}

icaltimezone *builtinZone(QByteArrayView ianaId)
{
    const QByteArray id = ianaId.trimmed().toByteArray();
    if (id.isEmpty())
        return nullptr;
    if (id == "UTC" || id == "Etc/UTC" || id == "GMT" || id == "Etc/GMT" || id == "Z" || id == "Universal" ||
        id == "Zulu" || id == "Etc/Universal" || id == "Etc/Zulu")
        return icaltimezone_get_utc_timezone();
    return icaltimezone_get_builtin_timezone(id.constData());
}

QByteArray ianaOfWindowsZone(QByteArrayView windowsName)
{
    const QByteArray name = windowsName.trimmed().toByteArray();
    if (name.isEmpty() || name.contains('/'))
        return QByteArray();
    return QTimeZone::windowsIdToDefaultIanaId(name);
}

ical::Component timezoneComponent(QByteArrayView ianaId)
{
    icaltimezone *zone = builtinZone(ianaId);
    if (!zone || zone == icaltimezone_get_utc_timezone())
        return ical::Component();
    ical::Component component(icalcomponent_new_clone(icaltimezone_get_component(zone)));
    if (icalproperty *tzid = icalcomponent_get_first_property(component.get(), ICAL_TZID_PROPERTY))
        icalproperty_set_tzid(tzid, ianaId.toByteArray().constData());
    return component;
}

ZoneResolver::~ZoneResolver()
{
    for (icaltimezone *zone : std::as_const(m_made))
        icaltimezone_free(zone, 1);
}

icaltimezone *ZoneResolver::zoneOf(const QByteArray &tzid)
{
    auto it = m_known.find(tzid);
    if (it == m_known.end())
        it = m_known.insert(tzid, resolve(tzid));
    return *it;
}

icaltimezone *ZoneResolver::resolve(const QByteArray &tzid)
{
    if (const QByteArray iana = ianaOfWindowsZone(tzid); !iana.isEmpty())
        if (icaltimezone *zone = builtinZone(iana))
            return zone;
    if (m_calendar)
        if (icaltimezone *zone = icalcomponent_get_timezone(m_calendar, tzid.constData()))
            return zone;
    if (icaltimezone *zone = builtinZone(tzid))
        return zone;
    // "/freeassociation.sourceforge.net/Europe/Berlin", "/mozilla.org/20050126_1/Europe/Berlin".
    if (tzid.startsWith('/')) {
        const QList<QByteArray> parts = tzid.split('/');
        for (qsizetype keep = std::min<qsizetype>(3, parts.size() - 1); keep >= 1; --keep)
            if (icaltimezone *zone = builtinZone(parts.mid(parts.size() - keep).join('/')))
                return zone;
    }
    // Outlook's names such as "(UTC+09:00) Seoul" without their VTIMEZONE: the offset alone.
    static const QRegularExpression offset(QStringLiteral(R"(^\((?:UTC|GMT)\s*([+-])(\d{1,2})[:.]?(\d{2})?\))"));
    const QRegularExpressionMatch m = offset.match(QString::fromUtf8(tzid));
    const QString name = QString::fromUtf8(tzid);
    if (m.hasMatch()) {
        const QString sign = m.captured(1);
        const int hours = m.captured(2).toInt();
        const int minutes = m.captured(3).toInt();
        const QString utcOffset = QStringLiteral("%1%2%3").arg(sign).arg(hours, 2, 10, QChar(u'0')).arg(minutes, 2, 10, QChar(u'0'));
        const QByteArray text = QStringLiteral("BEGIN:VTIMEZONE\r\nTZID:%1\r\nBEGIN:STANDARD\r\nDTSTART:16010101T000000\r\n"
                                               "TZOFFSETFROM:%2\r\nTZOFFSETTO:%2\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n")
                                    .arg(name, utcOffset)
                                    .toUtf8();
        icalcomponent *component = icalparser_parse_string(text.constData());
        icaltimezone *zone = icaltimezone_new();
        if (component && icaltimezone_set_component(zone, component)) {
            m_made << zone;
            m_notes << QStringLiteral("시간대 \"%1\"의 설명이 없어 UTC%2 고정으로 읽었습니다.").arg(name, utcOffset);
            return zone;
        }
        icaltimezone_free(zone, 1);
        if (component)
            icalcomponent_free(component);
    }
    m_notes << QStringLiteral("알 수 없는 시간대 \"%1\": 그 시각은 이 컴퓨터의 시각으로 읽었습니다.").arg(name);
    return nullptr;
}

} // namespace pimdesk::formats
