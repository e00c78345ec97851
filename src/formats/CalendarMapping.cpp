#include "formats/CalendarMapping.h"

#include "records/Clock.h"
#include "records/StoreText.h"

namespace pimdesk::formats::calendar {

namespace {

icaltimetype wallClock(const QDate &date, const QTime &time)
{
    icaltimetype t = icaltime_null_time();
    t.year = date.year();
    t.month = date.month();
    t.day = date.day();
    t.hour = time.hour();
    t.minute = time.minute();
    t.second = time.second();
    t.is_date = 0;
    return t;
}

} // namespace

QString LocalTime::storeText() const
{
    return date.toString(QStringLiteral("yyyy-MM-dd")) + u' ' + time.toString(QStringLiteral("HH:mm:ss"));
}

LocalTime storedTime(const QString &stored)
{
    const QString text = stored.trimmed();
    LocalTime t;
    t.date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    if (!t.date.isValid())
        return {};
    if (text.size() == 10)
        return t;
    if (text.size() < 16 || (text[10] != u' ' && text[10] != u'T'))
        return {};
    t.time = QTime::fromString(text.mid(11, 8), text.size() >= 19 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
    if (!t.time.isValid())
        return {};
    return t;
}

Writing::Writing(const CalendarOptions &options)
    : m_zoneId(options.localZone.isEmpty() ? systemZoneId() : options.localZone)
{
    icaltimezone *zone = builtinZone(m_zoneId);
    m_zone = zone == icaltimezone_get_utc_timezone() ? nullptr : zone;
    if (!zone)
        m_zoneId = "UTC"; // a zone the zone data lacks: times go out as UTC
    const QDateTime now = Clock::current().now().toUTC();
    m_stamp = wallClock(now.date(), now.time());
    m_stamp.zone = icaltimezone_get_utc_timezone();
}

icaltimetype Writing::zonedTime(const QDate &date, const QTime &time)
{
    icaltimetype t = wallClock(date, time);
    if (!m_zone)
        t.zone = icaltimezone_get_utc_timezone();
    return t;
}

ical::Property Writing::timeProperty(icalproperty *(*make)(icaltimetype), const QDate &date, const QTime &time)
{
    ical::Property p(make(zonedTime(date, time)));
    if (m_zone) {
        p.with(icalparameter_new_tzid(m_zoneId.constData()));
        m_usedZone = true;
    }
    return p;
}

ical::Property Writing::dateProperty(icalproperty *(*make)(icaltimetype), const QDate &date)
{
    icaltimetype t = icaltime_null_date();
    t.year = date.year();
    t.month = date.month();
    t.day = date.day();
    return ical::Property(make(t));
}

icaltimetype Writing::utcTime(const QDate &date, const QTime &time) const
{
    icaltimetype t = wallClock(date, time);
    if (!m_zone) {
        t.zone = icaltimezone_get_utc_timezone();
        return t;
    }
    t.zone = m_zone;
    return icaltime_convert_to_zone(t, icaltimezone_get_utc_timezone());
}

Reading::Reading(icalcomponent *calendar, const CalendarOptions &options, CalendarImport &out)
    : m_zones(calendar), m_options(options), m_out(out)
{
    const QByteArray id = options.localZone.isEmpty() ? systemZoneId() : options.localZone;
    m_local = builtinZone(id);
    if (!m_local)
        m_local = icaltimezone_get_utc_timezone();
}

icaltimetype Reading::zoned(icalproperty *property, icaltimetype time)
{
    if (time.is_date || icaltime_is_utc(time))
        return time;
    const QByteArray tzid = ical::parameter(property, ICAL_TZID_PARAMETER);
    if (tzid.isEmpty()) {
        time.zone = nullptr; // floating: the wall clock as it is
        return time;
    }
    time.zone = m_zones.zoneOf(tzid);
    return time;
}

LocalTime Reading::local(const icaltimetype &zonedTime) const
{
    icaltimetype t = zonedTime;
    if (t.is_date)
        return {QDate(t.year, t.month, t.day), QTime(0, 0), true};
    if (t.zone && t.zone != m_local)
        t = icaltime_convert_to_zone(t, m_local);
    return {QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, std::min(t.second, 59)), false};
}

void Reading::finish()
{
    for (const QString &note : m_zones.notes())
        if (!m_out.notes.contains(note))
            m_out.notes << note;
}

QString plain(const StoreRecord &record, const char *field)
{
    return plainFromStoreText(record.value(QLatin1String(field)));
}

bool present(const StoreRecord &record, const char *field)
{
    return !isAbsent(record.value(QLatin1String(field)));
}

void putText(StoreRecord &record, const char *field, const QString &plainText)
{
    if (isAbsent(plainText))
        record.remove(QLatin1String(field));
    else
        record.insert(QLatin1String(field), storeTextFromPlain(plainText));
}

void addText(ical::Component &component, icalproperty *(*make)(const char *), const StoreRecord &record,
             const char *field)
{
    if (present(record, field))
        component.add(ical::Property(make(plain(record, field).toUtf8().constData())));
}

QString textOf(icalproperty *property)
{
    icalvalue *value = icalproperty_get_value(property);
    if (!value)
        return QString();
    if (icalvalue_isa(value) == ICAL_TEXT_VALUE)
        return ical::text(icalvalue_get_text(value));
    if (icalvalue_isa(value) == ICAL_X_VALUE)
        return ical::text(icalvalue_get_x(value));
    return ical::text(icalproperty_get_value_as_string(property));
}

void addInexactFields(ical::Component &component, const StoreRecord &record, const StoreRecord &canonical,
                      const QStringList &fields, const QSet<QString> &mapped)
{
    for (const QString &field : fields) {
        if (field == u"ID")
            continue;
        const QString stored = record.value(field);
        if (isAbsent(stored))
            continue;
        if (mapped.contains(field)) {
            const QString back = canonical.value(field);
            if (back == stored || back == storeTextFromPlain(plainFromStoreText(stored)))
                continue;
        }
        ical::Property p(icalproperty_new_x(plainFromStoreText(stored).toUtf8().constData()));
        icalproperty_set_x_name(p.get(), privatePropertyName(field).constData());
        component.add(std::move(p));
    }
}

bool takePrivate(icalproperty *property, StoreRecord &record, const QStringList &fields)
{
    const QString field = fieldOfPrivateProperty(propertyName(property), fields);
    if (field.isEmpty() || field == u"ID")
        return false;
    record.insert(field, storeTextFromPlain(textOf(property)));
    return true;
}

QByteArray propertyName(icalproperty *property)
{
    if (icalproperty_isa(property) == ICAL_X_PROPERTY) {
        const char *name = icalproperty_get_x_name(property);
        return QByteArray(name ? name : "X-").toUpper();
    }
    return QByteArray(icalproperty_kind_to_string(icalproperty_isa(property)));
}

QString itemName(const char *kind, int position, const QString &summary)
{
    const QString name = QStringLiteral("%1 %2").arg(QString::fromUtf8(kind)).arg(position);
    return summary.trimmed().isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, summary.trimmed());
}

} // namespace pimdesk::formats::calendar
