#include "records/search/ContactSearch.h"

#include "records/JetSql.h"
#include "records/search/StoredTextTests.h"

namespace pimdesk {

QString contactSearchSql(const ContactSearchCriteria &criteria)
{
    QString sql = QStringLiteral("SELECT * FROM Contacts");
    bool conditionAdded = false;

    const QString title = criteria.title.trimmed();
    if (!title.isEmpty()) {
        sql += QStringLiteral(" WHERE ") + search::equalsTest(QStringLiteral("Title"), title);
        conditionAdded = true;
    }

    const std::pair<const char *, const QString *> containsTests[] = {
        {"FileAs", &criteria.fileAs},
        {"O_Company", &criteria.company},
        {"H_Street", &criteria.homeStreet},
        {"O_Street", &criteria.businessStreet},
    };
    for (const auto &[field, value] : containsTests) {
        const QString text = value->trimmed();
        if (text.isEmpty())
            continue;
        sql += conditionAdded ? QStringLiteral(" AND ") : QStringLiteral(" WHERE ");
        sql += search::containsTest(QLatin1String(field), text);
        conditionAdded = true;
    }
    return sql;
}

} // namespace pimdesk
