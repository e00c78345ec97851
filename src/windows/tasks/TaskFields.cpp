#include "windows/tasks/TaskFields.h"

#include <QRegularExpression>

namespace pimdesk::tasks {

QStringList priorityChoices()
{
    return {"1 - Very High", "2 - High", "3 - Normal", "4 - Low", "5 - Very Low"};
}

QStringList statusChoices()
{
    return {"NotStarted", "InProgress", "Completed", "Waiting", "Deferred"};
}

QString fieldText(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("");
    const QString text = value.toString();
    return text.isNull() ? QStringLiteral("") : text;
}

QString priorityChoice(const QVariant &stored)
{
    const QString number = fieldText(stored).trimmed();
    for (const QString &choice : priorityChoices())
        if (number.size() == 1 && choice.startsWith(number))
            return choice;
    return QString::fromLatin1(defaultPriority);
}

double leadingNumber(const QString &text)
{
    static const QRegularExpression number(R"(^\s*([-+]?(\d+(\.\d*)?|\.\d+)))");
    const QRegularExpressionMatch m = number.match(text);
    return m.hasMatch() ? m.captured(1).toDouble() : 0.0;
}

QString dateCaption(const QDate &date)
{
    return dateCaption(QString::number(date.year()), QString::number(date.month()), QString::number(date.day()));
}

QString dateCaption(const QString &year, const QString &month, const QString &day)
{
    auto pad = [](const QString &part, int width) {
        return part.isEmpty() ? part : part.rightJustified(width, QLatin1Char('0'));
    };
    return pad(year, 4) + QLatin1Char('-') + pad(month, 2) + QLatin1Char('-') + pad(day, 2);
}

QString dueCaption(const QVariant &hasDate, const QVariant &year, const QVariant &month, const QVariant &day,
                   const QDate &today)
{
    if (fieldText(hasDate).trimmed() == QLatin1String("1")) {
        const QString y = fieldText(year).trimmed();
        const QString m = fieldText(month).trimmed();
        const QString d = fieldText(day).trimmed();
        if (!y.isEmpty() || !m.isEmpty() || !d.isEmpty())
            return dateCaption(y, m, d);
    }
    return dateCaption(today);
}

DateParts dateParts(const QString &caption)
{
    const QString text = caption.trimmed();
    // A caption made by the editor always has three parts; one made from stored parts of unusual
    // length (a five-digit year from elsewhere) still splits at its dashes rather than at fixed places.
    const QStringList parts = text.split(QLatin1Char('-'));
    if (parts.size() == 3)
        return {parts.at(0), parts.at(1), parts.at(2)};
    return {text.mid(0, 4), text.mid(5, 2), text.mid(8, 2)};
}

QDate captionDate(const QString &caption)
{
    const DateParts parts = dateParts(caption);
    bool okYear = false, okMonth = false, okDay = false;
    const int y = parts.year.toInt(&okYear);
    const int m = parts.month.toInt(&okMonth);
    const int d = parts.day.toInt(&okDay);
    if (okYear && okMonth && okDay)
        return QDate(y, m, d);
    // A date and time as other programs store it ("2006-07-01 00:00:00").
    return QDate::fromString(caption.trimmed().left(10), QStringLiteral("yyyy-MM-dd"));
}

QString steppedPercent(const QString &text, int step)
{
    double value = leadingNumber(text) + step;
    if (step > 0 && value > 100)
        value = 100;
    if (step < 0 && value < 0)
        value = 0;
    return QString::number(value, 'g', 15);
}

} // namespace pimdesk::tasks
