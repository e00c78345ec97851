#include "outlook/OutlookModel.h"

namespace pimdesk::outlook {

QDateTime noDate()
{
    return QDateTime(QDate(4501, 1, 1), QTime(0, 0));
}

bool isNoDate(const QDateTime &value)
{
    // Outlook keeps "None" as midnight of that day; any time of it, or a later day, means none too.
    return value.isValid() && value.date() >= QDate(4501, 1, 1);
}

} // namespace pimdesk::outlook
