#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace pimdesk::tasks {

// How the task windows turn the fields of a Todo record into what the editor shows and back.
// No widgets here: these are the rules, kept apart so that they read (and test) on their own.

// The editor's lists, in the order they are offered.
QStringList priorityChoices();
QStringList statusChoices();
inline const char defaultPriority[] = "3 - Normal";
inline const char defaultStatus[] = "NotStarted";
inline const char noStartDate[] = "None";

// A stored value as text: null reads as empty.
QString fieldText(const QVariant &value);

// The priority list's entry for a stored priority ("1" to "5"); anything else gives the default.
QString priorityChoice(const QVariant &stored);

// The number a text begins with: leading blanks skipped, then an optional sign and digits (and a
// fraction); 0 when there is none. "12 %" reads as 12, "abc" and "" as 0.
double leadingNumber(const QString &text);

// A date as the date buttons show it: yyyy-mm-dd.
QString dateCaption(const QDate &date);
// The same from separate texts: a year shorter than four characters is padded on the left with
// zeros, a month or day of one character with one zero; empty parts stay empty.
QString dateCaption(const QString &year, const QString &month, const QString &day);

// The due-date caption of a stored task: its date when it has one (Hasdate "1" and some part given),
// otherwise today.
QString dueCaption(const QVariant &hasDate, const QVariant &year, const QVariant &month, const QVariant &day,
                   const QDate &today);

// The year, month and day of a due-date caption, as they are stored.
struct DateParts
{
    QString year;
    QString month;
    QString day;
};
DateParts dateParts(const QString &caption);

// The date a caption names, or an invalid date.
QDate captionDate(const QString &caption);

// The percent text after one step of the spinner (+1 or -1): kept within 0 to 100 at the end it
// moves towards; a text that is not a number counts as 0.
QString steppedPercent(const QString &text, int step);

} // namespace pimdesk::tasks
