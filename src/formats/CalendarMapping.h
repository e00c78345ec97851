#pragma once

// What the event and the task mappings share: times between the store's local wall clock and the
// zones of a file, text between the store's form and the file's characters, and the private
// X-PIMDESK-<field> properties. Used inside formats/ only.

#include "formats/CalendarFiles.h"
#include "formats/ICal.h"
#include "formats/TimeZones.h"

#include <QDate>
#include <QDateTime>
#include <QSet>
#include <QTime>

namespace pimdesk::formats::calendar {

// A time of the store: a local date and wall-clock time, or a date alone (all-day, due dates).
struct LocalTime
{
    QDate date;
    QTime time{0, 0};
    bool isDate = false;

    bool valid() const { return date.isValid(); }
    // Arithmetic on the wall clock, free of any zone's daylight saving.
    QDateTime clock() const { return QDateTime(date, time, Qt::UTC); }
    static LocalTime ofClock(const QDateTime &clock, bool isDate = false)
    {
        return {clock.date(), clock.time(), isDate};
    }
    QString storeText() const;
    bool operator==(const LocalTime &) const = default;
};

// A stored "yyyy-MM-dd HH:mm:ss" (also a date alone, "T" between, no seconds); invalid otherwise.
LocalTime storedTime(const QString &stored);

// Writing one calendar: the local zone and the time of writing.
class Writing
{
public:
    explicit Writing(const CalendarOptions &options);

    // DTSTART, DTEND, EXDATE ... at a local time: with the local zone's TZID, or in UTC when the
    // local zone is UTC.
    icaltimetype zonedTime(const QDate &date, const QTime &time);
    ical::Property timeProperty(icalproperty *(*make)(icaltimetype), const QDate &date, const QTime &time);
    ical::Property dateProperty(icalproperty *(*make)(icaltimetype), const QDate &date);
    // A local time as UTC (COMPLETED, UNTIL of a zoned series).
    icaltimetype utcTime(const QDate &date, const QTime &time) const;

    const QByteArray &zoneId() const { return m_zoneId; }
    bool usedZone() const { return m_usedZone; }
    icaltimetype stamp() const { return m_stamp; }

private:
    QByteArray m_zoneId;
    icaltimezone *m_zone = nullptr; // nullptr: UTC
    bool m_usedZone = false;
    icaltimetype m_stamp;
};

// Reading one calendar: its zones, the local zone, and where notes and counts go.
class Reading
{
public:
    Reading(icalcomponent *calendar, const CalendarOptions &options, CalendarImport &out);

    // The property's time with the zone its TZID names; UTC and floating times as they are.
    icaltimetype zoned(icalproperty *property, icaltimetype time);
    LocalTime local(const icaltimetype &zonedTime) const;
    LocalTime localOf(icalproperty *property, icaltimetype time) { return local(zoned(property, time)); }

    icaltimezone *localZone() const { return m_local; }
    const CalendarOptions &options() const { return m_options; }
    CalendarImport &out() { return m_out; }
    // Flushes the zone notes into the import's notes (once, at the end).
    void finish();

private:
    ZoneResolver m_zones;
    icaltimezone *m_local;
    const CalendarOptions &m_options;
    CalendarImport &m_out;
};

// Text: the store's form out to plain characters for the file, and back.
QString plain(const StoreRecord &record, const char *field);
bool present(const StoreRecord &record, const char *field);
void putText(StoreRecord &record, const char *field, const QString &plain);

// Adds a text property when the field holds something.
void addText(ical::Component &component, icalproperty *(*make)(const char *), const StoreRecord &record,
             const char *field);
// The property's text value in plain characters.
QString textOf(icalproperty *property);

// Every field that is not carried exactly: it is absent from mapped, or the import would give
// canonical's value instead of the record's. Text fields count as carried when only their
// references differ (the store form "&#44608;" and "김" mean one character).
void addInexactFields(ical::Component &component, const StoreRecord &record, const StoreRecord &canonical,
                      const QStringList &fields, const QSet<QString> &mapped);
// An X-PIMDESK-<field> property's value into the record; false for a name no field has.
bool takePrivate(icalproperty *property, StoreRecord &record, const QStringList &fields);

// The X- name of a property ("X-PIMDESK-NOTE"), or its iCalendar name.
QByteArray propertyName(icalproperty *property);

// "일정 3 (회의)": an item's place in the file and its summary, for notes.
QString itemName(const char *kind, int position, const QString &summary);

} // namespace pimdesk::formats::calendar
