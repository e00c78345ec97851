#include "windows/calendar/DateTimeText.h"

#include <QDate>
#include <QTime>

namespace pimdesk::calendar {

namespace {

bool isStoredDateTime(const QString &text)
{
    return text.size() == 19 && text.at(10) == QLatin1Char(' ') &&
           QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd")).isValid() &&
           QTime::fromString(text.mid(11), QStringLiteral("HH:mm:ss")).isValid();
}

} // namespace

QString gridDateTimeText(const QVariant &value)
{
    if (value.isNull())
        return QString();
    const QString text = value.toString();
    return isStoredDateTime(text) ? text.left(16) : text;
}

QString buttonDateTimeText(const QVariant &value)
{
    if (value.isNull())
        return QString();
    const QString text = value.toString();
    if (!isStoredDateTime(text))
        return text;
    return text.endsWith(QLatin1String(" 00:00:00")) ? text.left(10) : text;
}

} // namespace pimdesk::calendar
