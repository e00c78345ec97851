#pragma once

// Tasks of the store and VTODOs, both ways (inside formats/; the file level is CalendarFiles.h).

#include "formats/CalendarMapping.h"

namespace pimdesk::formats::calendar {

// The VTODO for one task record, X-PIMDESK-<field> properties included for whatever the
// standard properties do not carry exactly (found by reading the VTODO back).
ical::Component taskComponent(const StoreRecord &task, Writing &writing);

// The task a VTODO holds. Notes and foreign properties go to reading.out().
ImportedRecord taskOfComponent(icalcomponent *todo, Reading &reading, int position);

} // namespace pimdesk::formats::calendar
