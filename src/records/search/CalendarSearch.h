#pragma once

#include <QString>

namespace pimdesk::search {

// What the calendar list shows when it opens and after the search's show-all: every event,
// newest start first.
inline constexpr char calendarShowAllSql[] = "SELECT * FROM Datebook ORDER BY Start DESC";

// The calendar search's record source for a description and a note criterion. Each criterion is
// used when it is not blank after trimming, as "contains" (the store's "*" wildcard on both sides),
// the two joined by AND. The text carries no sort order: a filtered list comes in the store's own
// order. Each criterion enters the text only through jet::quote, so a double quote in it is
// searched for like any other character and cannot end the literal.
QString calendarSearchSql(const QString &description, const QString &note);

} // namespace pimdesk::search
