#include "records/search/StoredTextTests.h"

#include "records/JetSql.h"
#include "records/StoreText.h"

namespace pimdesk::search {

namespace {

QString test(const QString &field, const QString &op, const QString &before, const QString &typed, const QString &after)
{
    const QString stored = storeTextFromPlain(typed);
    const QString inForm = field + op + jet::quote(before + stored + after);
    if (stored == typed)
        return inForm;
    return QLatin1Char('(') + inForm + QStringLiteral(" OR ") + field + op + jet::quote(before + typed + after) +
           QLatin1Char(')');
}

} // namespace

QString containsTest(const QString &field, const QString &typed)
{
    return test(field, QStringLiteral(" LIKE "), QStringLiteral("*"), typed, QStringLiteral("*"));
}

QString equalsTest(const QString &field, const QString &typed)
{
    return test(field, QStringLiteral(" = "), QString(), typed, QString());
}

} // namespace pimdesk::search
