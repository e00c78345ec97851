#include "records/StoreText.h"

namespace pimdesk {

QString storeTextFromPlain(const QString &plain)
{
    qsizetype special = 0;
    for (const QChar c : plain)
        special += c == u'&' || c == u'<' || c == u'>' || c == u'"';
    if (special == 0)
        return plain;
    QString out;
    out.reserve(plain.size() + special * 5);
    for (const QChar c : plain) {
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'"':
            out += QLatin1String("&quot;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

namespace {

// The character a reference at text[at] (which holds '&') names, and the reference's length;
// 0 when it is none we decode.
char32_t reference(QStringView text, qsizetype at, qsizetype *length)
{
    static const struct
    {
        QLatin1String name;
        char32_t character;
    } entities[] = {{QLatin1String("&quot;"), U'"'},
                    {QLatin1String("&amp;"), U'&'},
                    {QLatin1String("&lt;"), U'<'},
                    {QLatin1String("&gt;"), U'>'},
                    {QLatin1String("&apos;"), U'\''}};
    const QStringView rest = text.mid(at);
    for (const auto &e : entities) {
        if (rest.startsWith(e.name)) {
            *length = e.name.size();
            return e.character;
        }
    }
    if (rest.size() < 4 || rest[1] != u'#')
        return 0;
    const bool hex = rest[2] == u'x' || rest[2] == u'X';
    qsizetype i = hex ? 3 : 2;
    const qsizetype digitsStart = i;
    char32_t value = 0;
    for (; i < rest.size() && i - digitsStart < 8; ++i) {
        const char16_t c = rest[i].unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0)
            break;
        value = value * (hex ? 16 : 10) + char32_t(digit);
    }
    if (i == digitsStart || i >= rest.size() || rest[i] != u';')
        return 0;
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *length = i + 1;
    return value;
}

} // namespace

QString plainFromStoreText(const QString &stored)
{
    qsizetype first = stored.indexOf(u'&');
    if (first < 0)
        return stored;
    QString out;
    out.reserve(stored.size());
    out += QStringView(stored).left(first);
    for (qsizetype i = first; i < stored.size();) {
        const QChar c = stored[i];
        qsizetype length = 0;
        const char32_t named = c == u'&' ? reference(stored, i, &length) : 0;
        if (named == 0) {
            out += c;
            ++i;
            continue;
        }
        if (QChar::requiresSurrogates(named)) {
            out += QChar(QChar::highSurrogate(named));
            out += QChar(QChar::lowSurrogate(named));
        } else {
            out += QChar(char16_t(named));
        }
        i += length;
    }
    return out;
}

} // namespace pimdesk
