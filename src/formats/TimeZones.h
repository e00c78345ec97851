#pragma once

#include "formats/ICal.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>

namespace pimdesk::formats {

// Time zones of calendar files. The store keeps events in local wall-clock time; the zone that
// time is in is named by its IANA id (the system's zone unless the caller names another).

// The IANA id of the system's zone; "UTC" when the system names none.
QByteArray systemZoneId();

// libical's zone for an IANA id, built from the system's zone data (a TZID needs no VTIMEZONE);
// UTC for "UTC" and its spellings; nullptr for a name the zone data lacks.
icaltimezone *builtinZone(QByteArrayView ianaId);

// The IANA zone for a Windows zone name ("Korea Standard Time" -> "Asia/Seoul"), from Qt's copy
// of the Unicode consortium's table; empty when the name is none.
QByteArray ianaOfWindowsZone(QByteArrayView windowsName);

// The VTIMEZONE to write beside times in a zone: libical's description from the zone data, named
// by the plain IANA id. Empty for UTC.
ical::Component timezoneComponent(QByteArrayView ianaId);

// The zones the TZIDs of one calendar name, looked up once each: a Windows zone name first (some
// programs describe such zones wrongly in their VTIMEZONE), then the calendar's own VTIMEZONE,
// then the zone data by IANA name (also behind a "/vendor/" prefix), then an "(UTC+hh:mm)" prefix
// as a fixed offset. A TZID none of these knows gives nullptr: its times are read as local.
class ZoneResolver
{
public:
    explicit ZoneResolver(icalcomponent *calendar) : m_calendar(calendar) {}
    ~ZoneResolver();
    ZoneResolver(const ZoneResolver &) = delete;
    ZoneResolver &operator=(const ZoneResolver &) = delete;

    icaltimezone *zoneOf(const QByteArray &tzid);
    // One sentence per TZID that was not found, or found only in a way worth saying.
    const QStringList &notes() const { return m_notes; }

private:
    icaltimezone *resolve(const QByteArray &tzid);

    icalcomponent *m_calendar;
    QHash<QByteArray, icaltimezone *> m_known;
    QList<icaltimezone *> m_made;
    QStringList m_notes;
};

} // namespace pimdesk::formats
