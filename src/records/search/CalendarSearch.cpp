#include "records/search/CalendarSearch.h"

#include "records/JetSql.h"
#include "records/search/StoredTextTests.h"

namespace pimdesk::search {

QString calendarSearchSql(const QString &description, const QString &note)
{
    QString sql = QStringLiteral("SELECT * FROM Datebook");
    bool haveCondition = false;
    const QString descriptionText = description.trimmed();
    if (!descriptionText.isEmpty()) {
        sql += QStringLiteral(" WHERE ") + containsTest(QStringLiteral("Description"), descriptionText);
        haveCondition = true;
    }
    const QString noteText = note.trimmed();
    if (!noteText.isEmpty()) {
        sql += haveCondition ? QStringLiteral(" AND ") : QStringLiteral(" WHERE ");
        sql += containsTest(QStringLiteral("Note"), noteText);
    }
    return sql;
}

} // namespace pimdesk::search
