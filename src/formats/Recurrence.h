#pragma once

#include "formats/FormatRecords.h"

#include <QDate>
#include <QList>
#include <QString>

#include <libical/ical.h>

#include <optional>

namespace pimdesk::formats {

// The repetitions the handheld knows, as the store's Datebook fields hold them: Rtype, Rfreq
// (every n days, weeks, months or years), Rweekdays (Monday 1, Tuesday 2, ... Sunday 64),
// Rhasenddate and Enddt (the last day), Exceptions (the days left out, yyyymmdd, blank between).
// Monthly repetitions take their day from the start: MonthlyDate its day of the month, MonthlyDay
// its weekday in the same week of the month counted from the start, MonthlyEndDay counted from
// the end.
struct StoreRepeat
{
    enum Kind { None, Daily, Weekly, MonthlyDate, MonthlyDay, MonthlyEndDay, Yearly };
    Kind kind = None;
    int frequency = 1;
    int weekdays = 0; // Weekly only; 0 means the start's weekday
    std::optional<QDate> until;
    QList<QDate> exceptions;

    bool operator==(const StoreRepeat &) const = default;
};

// The repetition of an event record; kind None when it has none (or an Rtype we do not know).
StoreRepeat storeRepeatOf(const StoreRecord &event);
// The fields for a repetition, in the form this program stores: Rtype, Rfreq, Rhasenddate "1"
// with Enddt "yyyy-MM-dd 00:00:00" or "0" without, Rweekdays for weekly ones, Exceptions. Fields
// of a repetition the record had before are removed first.
void putStoreRepeat(StoreRecord &event, const StoreRepeat &repeat);

// The days on which the repetition falls from start on, at most limit of them, the exceptions
// left out.
QList<QDate> storeOccurrences(const StoreRepeat &repeat, const QDate &start, int limit);

// The weekday bit of a date in the handheld's mask (Monday 1 ... Sunday 64).
int weekdayBit(const QDate &date);

// An RRULE for the repetition (without its exceptions, which go as EXDATE). until is given as
// the caller wants it written (UTC after the last day for timed events, a date for all-day ones).
icalrecurrencetype ruleOf(const StoreRepeat &repeat, const QDate &start, const icaltimetype &until);

// The repetition that gives exactly the days of an RRULE, when there is one: the rule's shape
// proposes it, and its first days (dates in local time, start included, as the rule's own
// expansion gives them) decide. localDays is the whole of the rule's days when it ends, else its
// first ones. nullopt when the handheld cannot express the rule.
std::optional<StoreRepeat> storeRepeatOfRule(const icalrecurrencetype &rule, const QDate &localStart,
                                             const QList<QDate> &localDays, bool ruleEnds);

} // namespace pimdesk::formats
