#pragma once

#include <QByteArray>
#include <QString>

namespace pimdesk {

class Messages;

// Byte-array conversions between UTF-16LE and UTF-8 that carry the handheld's documents.
// A failure is reported through messages (when given) and gives an empty result.

// UTF-16LE bytes (with or without a leading FF FE) to EF BB BF + UTF-8. Nothing to encode: empty.
QByteArray UTF8FromUTF16withMark(const QByteArray &utf16, Messages *messages = nullptr);
// UTF-16LE bytes to UTF-8 without a mark; no mark is removed from the argument.
QByteArray UTF8FromUTF16(const QByteArray &utf16, Messages *messages = nullptr);
// UTF-8 bytes (with or without a leading EF BB BF) to FF FE + UTF-16LE. Nothing to decode: empty.
QByteArray UTF16FromUTF8withMark(const QByteArray &utf8, Messages *messages = nullptr);

// The code units of a text laid out as UTF-16LE bytes, no mark; and back (a leading FF FE dropped).
QByteArray utf16Bytes(const QString &text);
QString textFromUtf16Bytes(const QByteArray &utf16);

// The value of a field as the document writers put it between the quotes of an attribute:
// blanks (U+0020 only) trimmed at both ends, then "<", ">" and the double quote replaced by
// their entities in that order, and a "&" that begins no reference (see below) by "&amp;", then
// trimmed again. References, apostrophes and line breaks stay.
QString escapeAttributeValue(const QString &value);

// The length of the reference that text begins with ("&amp;", "&lt;", "&gt;", "&quot;", "&apos;",
// or "&#NN;" / "&#xHH;" naming a character an XML document may hold), or 0 when text does not begin
// with one. Such a reference is written as it stands; any other "&" would make the document one
// that no XML reader accepts.
qsizetype xmlReferenceLength(QByteArrayView text);
qsizetype xmlReferenceLength(QStringView text);
// Trims blanks (U+0020 only) at both ends; tabs and line breaks stay.
QString trimBlanks(const QString &value);

} // namespace pimdesk
