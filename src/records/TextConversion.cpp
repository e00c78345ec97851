#include "records/TextConversion.h"

#include "records/Messages.h"

#include <QStringDecoder>

#include <limits>

namespace pimdesk {

namespace {

// The encoder is written out rather than borrowed so that its handling of unpaired surrogates is
// fixed here: each becomes U+FFFD, as the platform conversion without flags does.
qsizetype utf8Length(const char16_t *units, qsizetype count)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const char16_t u = units[i];
        if (u < 0x80)
            n += 1;
        else if (u < 0x800)
            n += 2;
        else if (u >= 0xD800 && u < 0xDC00 && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            n += 4;
            ++i;
        } else
            n += 3;
    }
    return n;
}

void encodeUtf8(const char16_t *units, qsizetype count, char *out)
{
    auto *o = reinterpret_cast<unsigned char *>(out);
    for (qsizetype i = 0; i < count; ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            *o++ = static_cast<unsigned char>(c);
        } else if (c < 0x800) {
            *o++ = static_cast<unsigned char>(0xC0 | (c >> 6));
            *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *o++ = static_cast<unsigned char>(0xE0 | (c >> 12));
            *o++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
        } else {
            *o++ = static_cast<unsigned char>(0xF0 | (c >> 18));
            *o++ = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
            *o++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            *o++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
        }
    }
}

// Code units of the bytes from offset on (an odd last byte is not a code unit).
std::u16string unitsOf(const QByteArray &bytes, qsizetype offset)
{
    const qsizetype count = (bytes.size() - offset) / 2;
    std::u16string units(size_t(std::max<qsizetype>(count, 0)), u'\0');
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.constData()) + offset;
    for (qsizetype i = 0; i < count; ++i)
        units[size_t(i)] = char16_t(b[2 * i] | (b[2 * i + 1] << 8));
    return units;
}

QByteArray encode(const QByteArray &utf16, qsizetype offset, bool withMark, Messages *messages)
{
    const std::u16string units = unitsOf(utf16, offset);
    const qsizetype n = utf8Length(units.data(), qsizetype(units.size()));
    if (n < 1)
        return QByteArray();
    const qsizetype markSize = withMark ? 3 : 0;
    if (n > std::numeric_limits<qsizetype>::max() / 2 - markSize) {
        if (messages)
            messages->showFailure(" Conversion failed ");
        return QByteArray();
    }
    QByteArray out(n + markSize, Qt::Uninitialized);
    if (withMark) {
        out[0] = char(0xEF);
        out[1] = char(0xBB);
        out[2] = char(0xBF);
    }
    encodeUtf8(units.data(), qsizetype(units.size()), out.data() + markSize);
    return out;
}

} // namespace

QByteArray UTF8FromUTF16withMark(const QByteArray &utf16, Messages *messages)
{
    // The mark is dropped only when something follows it (highest index above 1).
    const bool marked = utf16.size() - 1 > 1 && uchar(utf16.at(0)) == 0xFF && uchar(utf16.at(1)) == 0xFE;
    return encode(utf16, marked ? 2 : 0, true, messages);
}

QByteArray UTF8FromUTF16(const QByteArray &utf16, Messages *messages)
{
    return encode(utf16, 0, false, messages);
}

QByteArray UTF16FromUTF8withMark(const QByteArray &utf8, Messages *messages)
{
    // A mark alone (exactly three bytes) is not stripped: it decodes as U+FEFF.
    const bool marked =
        utf8.size() > 3 && uchar(utf8.at(0)) == 0xEF && uchar(utf8.at(1)) == 0xBB && uchar(utf8.at(2)) == 0xBF;
    const QByteArrayView body = QByteArrayView(utf8).sliced(marked ? 3 : 0);
    // A mark that is kept (or a second one) is a character here, not something to skip.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(body);
    if (text.isEmpty())
        return QByteArray();
    if (text.size() > std::numeric_limits<qsizetype>::max() / 4) {
        if (messages)
            messages->showFailure("에러 : 변환 실패.");
        return QByteArray(1, '\0');
    }
    QByteArray out(2 * text.size() + 2, Qt::Uninitialized);
    out[0] = char(0xFF);
    out[1] = char(0xFE);
    char *o = out.data() + 2;
    for (const QChar c : text) {
        *o++ = char(c.unicode() & 0xFF);
        *o++ = char(c.unicode() >> 8);
    }
    return out;
}

QByteArray utf16Bytes(const QString &text)
{
    QByteArray out(text.size() * 2, Qt::Uninitialized);
    char *o = out.data();
    for (const QChar c : text) {
        *o++ = char(c.unicode() & 0xFF);
        *o++ = char(c.unicode() >> 8);
    }
    return out;
}

QString textFromUtf16Bytes(const QByteArray &utf16)
{
    const bool marked = utf16.size() >= 2 && uchar(utf16.at(0)) == 0xFF && uchar(utf16.at(1)) == 0xFE;
    const std::u16string units = unitsOf(utf16, marked ? 2 : 0);
    // Taken unit for unit: QString::fromUtf16 would take a U+FEFF or U+FFFE right after the mark
    // for a second mark, dropping it or swapping every byte pair.
    return QString(reinterpret_cast<const QChar *>(units.data()), qsizetype(units.size()));
}

QString trimBlanks(const QString &value)
{
    qsizetype start = 0;
    qsizetype end = value.size();
    while (start < end && value.at(start) == u' ')
        ++start;
    while (end > start && value.at(end - 1) == u' ')
        --end;
    return (start == 0 && end == value.size()) ? value : value.mid(start, end - start);
}

namespace {

template <class Char> qsizetype referenceLength(const Char *p, qsizetype size)
{
    const auto at = [&](qsizetype i) -> char32_t { return i < size ? char32_t(p[i]) : 0; };
    if (at(0) != '&')
        return 0;
    static constexpr const char *entities[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"};
    for (const char *entity : entities) {
        qsizetype i = 0;
        while (entity[i] && at(i) == char32_t(entity[i]))
            ++i;
        if (!entity[i])
            return i;
    }
    if (at(1) != '#')
        return 0;
    const bool hex = at(2) == 'x';
    qsizetype i = hex ? 3 : 2;
    const qsizetype digits = i;
    char32_t value = 0;
    for (; i - digits < 8; ++i) {
        const char32_t c = at(i);
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = int(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = int(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = int(c - 'A' + 10);
        if (digit < 0)
            break;
        value = value * (hex ? 16 : 10) + char32_t(digit);
    }
    if (i == digits || at(i) != ';')
        return 0;
    // The characters of XML 1.0.
    const bool allowed = value == 0x9 || value == 0xA || value == 0xD || (value >= 0x20 && value <= 0xD7FF) ||
                         (value >= 0xE000 && value <= 0xFFFD) || (value >= 0x10000 && value <= 0x10FFFF);
    return allowed ? i + 1 : 0;
}

} // namespace

qsizetype xmlReferenceLength(QByteArrayView text)
{
    return referenceLength(reinterpret_cast<const unsigned char *>(text.data()), text.size());
}

qsizetype xmlReferenceLength(QStringView text)
{
    return referenceLength(text.utf16(), text.size());
}

QString escapeAttributeValue(const QString &value)
{
    QString v = trimBlanks(value);
    if (v.contains(u'<'))
        v.replace(u'<', QStringLiteral("&lt;"));
    if (v.contains(u'>'))
        v.replace(u'>', QStringLiteral("&gt;"));
    if (v.contains(u'"'))
        v.replace(u'"', QStringLiteral("&quot;"));
    for (qsizetype at = v.indexOf(u'&'); at >= 0; at = v.indexOf(u'&', at + 1)) {
        const qsizetype length = xmlReferenceLength(QStringView(v).mid(at));
        if (length > 0)
            at += length - 1;
        else
            v.insert(at + 1, QLatin1String("amp;"));
    }
    return trimBlanks(v);
}

} // namespace pimdesk
