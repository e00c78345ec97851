#pragma once

#include "formats/FormatRecords.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace pimdesk::formats {

// Events (Datebook) and tasks (Todo) of the store and iCalendar files (2.0; vCalendar 1.0 files
// are read too), both ways. VEVENT and VTODO properties map to store fields by the rows of the
// tables in EventComponents.cpp and TaskComponents.cpp; a field no standard property carries
// exactly goes out as X-PIMDESK-<field> and comes back from it.

struct CalendarOptions
{
    // The IANA zone the store's wall-clock times are in; empty: the system's zone. Times of the
    // files are turned into it on the way in (floating times are taken as they are), and written
    // with it (TZID and its VTIMEZONE) on the way out.
    QByteArray localZone;
    // A series the handheld cannot repeat is taken apart into single events, at most this many.
    int expansionLimit = 500;
    // An endless such series: its occurrences up to this many years after today (or after its
    // start, when that is later).
    int expansionYears = 2;
};

struct CalendarImport
{
    QList<ImportedRecord> events;
    QList<ImportedRecord> tasks;
    // What the handheld cannot hold as it was, and how it was kept instead: series taken apart,
    // moved or added occurrences, unknown time zones, alarms after the start. One sentence each.
    QStringList notes;
    // Items that could not be read at all (no start, no date), each named by its place.
    QStringList skipped;
    ForeignProperties foreign;
    // Set when the file gave nothing: not a calendar, or a calendar without events and tasks.
    QString failure;
};

CalendarImport recordsFromCalendarFile(QByteArrayView bytes, const CalendarOptions &options = {});

// One VCALENDAR with a VEVENT per event and a VTODO per task, and the VTIMEZONE of the local zone
// when a time needs it.
QByteArray calendarFileFromRecords(const QList<StoreRecord> &events, const QList<StoreRecord> &tasks,
                                   const CalendarOptions &options = {});

} // namespace pimdesk::formats
