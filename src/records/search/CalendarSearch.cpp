#include "records/search/CalendarSearch.h"

#include "records/JetSql.h"

namespace pimdesk::search {

namespace {

QString containsPattern(const QString &text)
{
    return jet::quote(QStringLiteral("*") + text + QStringLiteral("*"));
}

} // namespace

QString calendarSearchSql(const QString &description, const QString &note)
{
    QString sql = QStringLiteral("SELECT * FROM Datebook");
    bool haveCondition = false;
    const QString descriptionText = description.trimmed();
    if (!descriptionText.isEmpty()) {
        sql += QStringLiteral(" WHERE Description LIKE ") + containsPattern(descriptionText);
        haveCondition = true;
    }
    const QString noteText = note.trimmed();
    if (!noteText.isEmpty()) {
        sql += haveCondition ? QStringLiteral(" AND Note LIKE ") : QStringLiteral(" WHERE Note LIKE ");
        sql += containsPattern(noteText);
    }
    return sql;
}

} // namespace pimdesk::search
