#include "exchange/DeviceTime.h"

#include <QDate>

#include <limits>

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

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civilFromDays(qint64 days, qint64 *year, int *month, int *day)
{
    days += 719468;
    const qint64 era = (days >= 0 ? days : days - 146096) / 146097;
    const qint64 dayOfEra = days - era * 146097;
    const qint64 yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 mp = (5 * dayOfYear + 2) / 153;
    *day = int(dayOfYear - (153 * mp + 2) / 5 + 1);
    *month = int(mp < 10 ? mp + 3 : mp - 9);
    *year = yearOfEra + era * 400 + (*month <= 2 ? 1 : 0);
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

bool parseWholeNumber(QByteArrayView text, qint64 *number)
{
    qsizetype b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        --e;
    bool negative = false;
    if (b < e && (text[b] == '-' || text[b] == '+')) {
        negative = text[b] == '-';
        ++b;
    }
    if (b == e)
        return false;
    quint64 value = 0;
    const quint64 limit =
        negative ? quint64(std::numeric_limits<qint64>::max()) + 1 : quint64(std::numeric_limits<qint64>::max());
    for (qsizetype i = b; i < e; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        const quint64 digit = quint64(c - '0');
        if (value > (limit - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    *number = negative ? qint64(0 - value) : qint64(value);
    return true;
}

bool formatDeviceTime(QByteArrayView seconds, char *out)
{
    qint64 value = 0;
    if (!parseWholeNumber(seconds, &value))
        return false;
    constexpr qint64 offset = 9 * 3600;
    constexpr qint64 bound = 253402300799LL; // 9999-12-31 23:59:59 as seconds since 1970
    if (value > bound || value < -62135596800LL - offset)
        return false;
    const qint64 local = value + offset;
    qint64 days = local / 86400;
    qint64 rest = local % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    qint64 year = 0;
    int month = 0, day = 0;
    civilFromDays(days, &year, &month, &day);
    if (year < 1 || year > 9999)
        return false;
    const int hour = int(rest / 3600), minute = int(rest / 60 % 60), second = int(rest % 60);
    auto put = [&out](int at, qint64 number, int width) {
        for (int i = width - 1; i >= 0; --i) {
            out[at + i] = char('0' + number % 10);
            number /= 10;
        }
    };
    put(0, year, 4);
    out[4] = '-';
    put(5, month, 2);
    out[7] = '-';
    put(8, day, 2);
    out[10] = ' ';
    put(11, hour, 2);
    out[13] = ':';
    put(14, minute, 2);
    out[16] = ':';
    put(17, second, 2);
    return true;
}

QString dateTimeFromDeviceTime(QByteArrayView seconds)
{
    char text[20];
    if (!formatDeviceTime(seconds, text))
        return QString();
    return QString::fromLatin1(text, 19);
}

} // namespace pimdesk
