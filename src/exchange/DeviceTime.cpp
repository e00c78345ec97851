#include "exchange/DeviceTime.h"

#include <QDate>

namespace pimdesk {

namespace {

// The texts come as UTF-16 (QStringView) or as the store's UTF-8 (QByteArrayView); only ASCII
// characters matter, so one reading serves both.
template <typename View> unsigned code(View text, qsizetype at)
{
    if constexpr (std::is_same_v<View, QStringView>)
        return text.at(at).unicode();
    else
        return static_cast<unsigned char>(text.at(at));
}

// Reads count decimal digits at text[at]; -1 when any of them is not a digit.
template <typename View> int digits(View text, qsizetype at, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const unsigned c = code(text, at + i);
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + int(c - '0');
    }
    return value;
}

template <typename View> View trimmedBlanks(View text)
{
    while (!text.isEmpty() && code(text, 0) == ' ')
        text = text.sliced(1);
    while (!text.isEmpty() && code(text, text.size() - 1) == ' ')
        text.chop(1);
    return text;
}

template <typename View> std::optional<qint64> seconds(View stored)
{
    const View text = trimmedBlanks(stored);
    // yyyy-MM-dd, then optionally " HH:mm" or "THH:mm", then optionally ":ss".
    if (text.size() != 10 && text.size() != 16 && text.size() != 19)
        return std::nullopt;
    if (code(text, 4) != '-' || code(text, 7) != '-')
        return std::nullopt;
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    int hour = 0, minute = 0, second = 0;
    if (text.size() >= 16) {
        if ((code(text, 10) != ' ' && code(text, 10) != 'T') || code(text, 13) != ':')
            return std::nullopt;
        hour = digits(text, 11, 2);
        minute = digits(text, 14, 2);
        if (text.size() == 19) {
            if (code(text, 16) != ':')
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

std::optional<qint64> bounded(std::optional<qint64> d)
{
    if (!d)
        return std::nullopt;
    if (*d < -deviceEpochOffset)
        return 0;
    if (*d > deviceUpperBound)
        return deviceLargestValue;
    return *d + deviceEpochOffset;
}

std::optional<qint64> unbounded(std::optional<qint64> d)
{
    if (!d)
        return std::nullopt;
    return std::min(*d + deviceEpochOffset, deviceLargestValue);
}

} // namespace

std::optional<qint64> secondsFrom2006(QStringView stored)
{
    return seconds(stored);
}

std::optional<qint64> secondsFrom2006(QByteArrayView storedUtf8)
{
    return seconds(storedUtf8);
}

std::optional<qint64> deviceTimeValue(QStringView stored)
{
    return bounded(seconds(stored));
}

std::optional<qint64> deviceTimeValue(QByteArrayView storedUtf8)
{
    return bounded(seconds(storedUtf8));
}

std::optional<qint64> unboundedDeviceTimeValue(QStringView stored)
{
    return unbounded(seconds(stored));
}

std::optional<qint64> unboundedDeviceTimeValue(QByteArrayView storedUtf8)
{
    return unbounded(seconds(storedUtf8));
}

} // namespace pimdesk
