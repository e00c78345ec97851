#include "records/search/TaskSearch.h"

#include "records/JetSql.h"
#include "records/search/StoredTextTests.h"

namespace pimdesk::search {

namespace {

const QString allPriorities = QStringLiteral("6 - All");
const QString allStatuses = QStringLiteral("All");

} // namespace

QStringList taskSearchPriorities()
{
    return {"1 - Very High", "2 - High", "3 - Normal", "4 - Low", "5 - Very Low", allPriorities};
}

QStringList taskSearchStatuses()
{
    return {"NotStarted", "InProgress", "Completed", "Waiting", "Deferred", allStatuses};
}

QString taskSearchDefaultPriority()
{
    return QStringLiteral("3 - Normal");
}

QString taskSearchDefaultStatus()
{
    return QStringLiteral("NotStarted");
}

QString taskSearchSql(const TaskCriteria &criteria)
{
    QString sql = QStringLiteral("SELECT * FROM Todo");
    bool hasCondition = false;
    auto condition = [&](const char *field, const char *test, const QString &literal) {
        sql += hasCondition ? QStringLiteral(" AND ") : QStringLiteral(" WHERE ");
        sql += QLatin1String(field) + QLatin1Char(' ') + QLatin1String(test) + QLatin1Char(' ') + literal;
        hasCondition = true;
    };
    auto contains = [&](const char *field, const QString &typed) {
        sql += hasCondition ? QStringLiteral(" AND ") : QStringLiteral(" WHERE ");
        sql += containsTest(QLatin1String(field), typed);
        hasCondition = true;
    };

    const QString priority = criteria.priority.trimmed();
    if (!priority.isEmpty() && priority != allPriorities)
        condition("Priority", "=", jet::quote(priority.left(1)));
    const QString status = criteria.status.trimmed();
    if (!status.isEmpty() && status != allStatuses)
        condition("Status", "=", jet::quote(status));
    const QString description = criteria.description.trimmed();
    if (!description.isEmpty())
        contains("Description", description);
    const QString notes = criteria.notes.trimmed();
    if (!notes.isEmpty())
        contains("Notes", notes);
    return sql;
}

} // namespace pimdesk::search
