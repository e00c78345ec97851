#pragma once

#include <QString>
#include <QStringList>

namespace pimdesk::search {

// What the task search window asks for. Each value is used trimmed; the priority counts when it is
// neither empty nor its "all" choice, and only its first character (the priority number) is used.
struct TaskCriteria
{
    QString priority;
    QString status;
    QString description;
    QString notes;
};

// The choices of the task search's lists, the last of each meaning "any".
QStringList taskSearchPriorities();
QStringList taskSearchStatuses();
// The choices a freshly loaded search window shows.
QString taskSearchDefaultPriority();
QString taskSearchDefaultStatus();

// The record source that shows the tasks meeting the criteria: "SELECT * FROM Todo" followed by
// one condition per criterion in use, joined with AND. Text criteria match anywhere in their field.
// Every value enters the text as a quoted literal, so no typed text can end its literal early.
QString taskSearchSql(const TaskCriteria &criteria);

// The record source of the search's show-all command (every task, in stored order).
inline constexpr char taskShowAllSql[] = "SELECT * FROM Todo ";

} // namespace pimdesk::search
