#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <optional>

namespace pimdesk::pst {

// The recurrence of an appointment series as Outlook's RecurrencePattern reports it, decoded from
// the series' recurrence blob (PidLidAppointmentRecur, the calendar object protocol's
// AppointmentRecurrencePattern; a task's recurrence is the same without the appointment part).
struct Recurrence
{
    int recurrenceType =
        0; // OlRecurrenceType: daily 0, weekly 1, monthly 2, n-th weekday 3, yearly 5, n-th weekday yearly 6
    int interval = 1;
    int dayOfWeekMask = 0; // OlDaysOfWeek bits: Sunday 1 ... Saturday 64
    int dayOfMonth = 0;
    int instance = 0; // the n of an n-th weekday; 5 is the last
    int occurrences = 0;
    bool noEndDate = false;
    QDateTime patternStartDate; // local dates at 00:00
    QDateTime patternEndDate;
    int startTimeOffset = 0; // minutes after midnight (appointments only)
    int endTimeOffset = 0;
    // The original days of the occurrences removed from the series, and of those among them that
    // were not removed but changed (moved, renamed): the pattern lists a changed occurrence's
    // original day among the removed ones.
    QList<QDate> deletedDates;
    QList<QDate> changedDates;
};

// Decodes a recurrence blob; nothing when it is cut short or not a recurrence pattern.
std::optional<Recurrence> parseRecurrence(const QByteArray &blob);

} // namespace pimdesk::pst
