#include "exchange/DeviceTime.h"

#include <QDate>

namespace pimdesk {

namespace {

// Reads count decimal digits at text[at]; -1 when any of them is not a digit.
int digits(QStringView text, qsizetype at, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = text.at(at + i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

QStringView trimmedBlanks(QStringView text)
{
    while (!text.isEmpty() && text.front() == u' ')
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == u' ')
        text.chop(1);
    return text;
}

} // namespace

std::optional<qint64> secondsFrom2006(QStringView stored)
{
    const QStringView text = trimmedBlanks(stored);
    // yyyy-MM-dd, then optionally " HH:mm" or "THH:mm", then optionally ":ss".
    if (text.size() != 10 && text.size() != 16 && text.size() != 19)
        return std::nullopt;
    if (text.at(4) != u'-' || text.at(7) != u'-')
        return std::nullopt;
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    int hour = 0, minute = 0, second = 0;
    if (text.size() >= 16) {
        if ((text.at(10) != u' ' && text.at(10) != u'T') || text.at(13) != u':')
            return std::nullopt;
        hour = digits(text, 11, 2);
        minute = digits(text, 14, 2);
        if (text.size() == 19) {
            if (text.at(16) != u':')
                return std::nullopt;
            second = digits(text, 17, 2);
        }
    }
    if (year < 0 || month < 0 || day < 0 || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
        second > 59)
        return std::nullopt;
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    static const qint64 day2006 = QDate(2006, 1, 1).toJulianDay();
    return (date.toJulianDay() - day2006) * 86400 + hour * 3600 + minute * 60 + second;
}

std::optional<qint64> deviceTimeValue(QStringView stored)
{
    const std::optional<qint64> d = secondsFrom2006(stored);
    if (!d)
        return std::nullopt;
    if (*d < -deviceEpochOffset)
        return 0;
    if (*d > deviceUpperBound)
        return deviceLargestValue;
    return *d + deviceEpochOffset;
}

std::optional<qint64> unboundedDeviceTimeValue(QStringView stored)
{
    const std::optional<qint64> d = secondsFrom2006(stored);
    if (!d)
        return std::nullopt;
    return std::min(*d + deviceEpochOffset, deviceLargestValue);
}

} // namespace pimdesk
