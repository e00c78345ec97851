#pragma once

#include <QString>
#include <QVariant>

namespace pimdesk::calendar {

// How the calendar windows show the stored "yyyy-MM-dd HH:mm:ss" texts of Start, End and Enddt.
// The text is taken apart as it is, without turning it into a point in time (no time-zone look-up,
// no gap at a daylight-saving change). A value that is not such a text shows as it is.

// In the grid: to the minute (the handheld keeps minutes only), so that it fits its column.
QString gridDateTimeText(const QVariant &value);
// On the event window's buttons: date and time, or the date alone at midnight.
QString buttonDateTimeText(const QVariant &value);

} // namespace pimdesk::calendar
