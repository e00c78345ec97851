#pragma once

#include <QString>

namespace pimdesk {

// What the contact search window asks for. Each criterion counts only when it holds more than
// blanks; the title must match exactly, the others are found anywhere in their field.
struct ContactSearchCriteria
{
    QString title;          // Title
    QString fileAs;         // FileAs, the display name
    QString company;        // O_Company
    QString homeStreet;     // H_Street
    QString businessStreet; // O_Street
};

// The record source of the contacts list for a search: "SELECT * FROM Contacts" followed by one
// condition per criterion given, the first after " WHERE ", the others after " AND ". Values enter
// the text through jet::quote, so a double quote typed in a criterion is searched for as it is and
// cannot end its literal; "*" and "?" keep their meaning of wildcards inside a contains test.
QString contactSearchSql(const ContactSearchCriteria &criteria);

// The record source that shows every contact again (the trailing blank is part of it).
inline const QString contactShowAllSql = QStringLiteral("SELECT * FROM Contacts ");

} // namespace pimdesk
