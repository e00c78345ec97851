#pragma once

// Events of the store and VEVENTs, both ways (inside formats/; the file level is CalendarFiles.h).

#include "formats/CalendarMapping.h"

namespace pimdesk::formats::calendar {

// The VEVENT for one event record, X-PIMDESK-<field> properties included for whatever the
// standard properties do not carry exactly (found by reading the VEVENT back).
ical::Component eventComponent(const StoreRecord &event, Writing &writing);

// The events one series (a VEVENT, and the VEVENTs with a RECURRENCE-ID that change some of its
// occurrences; master may be null when a file has only those) gives the store: the series first
// (or its single events, when the handheld cannot repeat it), then its moved and added
// occurrences. Notes, skipped items and foreign properties go to reading.out().
QList<ImportedRecord> eventsOfSeries(icalcomponent *master, const QList<icalcomponent *> &overrides, Reading &reading,
                                     int position);

} // namespace pimdesk::formats::calendar
