#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace pimdesk {

// The handheld's datebook gives times as a count of seconds: the POSIX time of the stored
// wall-clock date-time read at a fixed offset of nine hours east of UTC. The computer's own time
// zone and its daylight saving never enter: a stored date-time is only ever taken apart into its
// date and time of day.

// 1970-01-01 00:00:00 UTC counted to 2006-01-01 00:00:00 at UTC+9.
inline constexpr qint64 deviceEpochOffset = 1136041200;
// 2006-01-01 00:00:00 counted to 2038-01-19 03:14:07: later times give the largest value.
inline constexpr qint64 deviceUpperBound = 1011410047;
inline constexpr qint64 deviceLargestValue = 2147483647;

// A stored date-time ("yyyy-MM-dd HH:mm:ss"; also accepted: a "T" between date and time, no
// seconds, or a date alone meaning its midnight), blanks around it ignored, as seconds from
// 2006-01-01 00:00:00 (negative before). nullopt when the text is not a valid date and time.
std::optional<qint64> secondsFrom2006(QStringView stored);
std::optional<qint64> secondsFrom2006(QByteArrayView storedUtf8);

// The device time value of a stored date-time: 0 before 1970-01-01 09:00:00, 2147483647 after
// 2038-01-19 03:14:07, the POSIX time at UTC+9 between. nullopt when the text cannot be read.
std::optional<qint64> deviceTimeValue(QStringView stored);
std::optional<qint64> deviceTimeValue(QByteArrayView storedUtf8);

// The same count without the lower bound (negative before 1970-01-01 09:00:00), for the end date
// of a repeating event whose end flag is null; a value beyond 2147483647 is written as 2147483647.
std::optional<qint64> unboundedDeviceTimeValue(QStringView stored);
std::optional<qint64> unboundedDeviceTimeValue(QByteArrayView storedUtf8);

// The other way, as the readers take the datebook's times: seconds since 1970-01-01 00:00:00 UTC
// become the local date-time at nine hours east of UTC.

// Writes "yyyy-MM-dd HH:mm:ss" (19 bytes, no terminator) for a device time value; false when the
// value is not a whole number of seconds within the years 1 to 9999.
bool formatDeviceTime(QByteArrayView seconds, char *out);
// The same as a text, or an empty text when the value is not one.
QString dateTimeFromDeviceTime(QByteArrayView seconds);

// A whole number as the handheld writes one (identities, times): an optional sign and decimal
// digits, blanks and tabs around them; false when the text is not one or does not fit in 64 bits.
bool parseWholeNumber(QByteArrayView text, qint64 *number);

} // namespace pimdesk
