#include "formats/VCard.h"

namespace pimdesk::formats {

namespace {

constexpr qsizetype foldAt = 75; // octets per line, the line break not counted

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Appends one logical line folded at 75 octets: every further line starts with a blank, and no
// line ends inside a UTF-8 sequence.
void appendFolded(QByteArray &out, QByteArrayView line)
{
    qsizetype at = 0;
    bool first = true;
    while (at < line.size()) {
        const qsizetype room = first ? foldAt : foldAt - 1;
        qsizetype take = std::min(room, line.size() - at);
        if (at + take < line.size())
            while (take > 1 && isContinuationByte(line[at + take]))
                --take;
        if (!first)
            out += ' ';
        out += line.sliced(at, take);
        out += "\r\n";
        at += take;
        first = false;
    }
    if (line.isEmpty())
        out += "\r\n";
}

bool needsQuotes(const QString &value)
{
    for (const QChar c : value)
        if (c == u',' || c == u';' || c == u':' || c == u'"')
            return true;
    return false;
}

QString parameterValue(const QString &value, VCardVersion version)
{
    QString v = value;
    if (version == VCardVersion::V40) {
        v.replace(u'^', QLatin1String("^^")).replace(u'\n', QLatin1String("^n")).replace(u'"', QLatin1String("^'"));
    } else {
        v.remove(u'"');
        v.replace(u'\n', u' ');
    }
    return needsQuotes(v) ? u'"' + v + u'"' : v;
}

QByteArray head(const VCardProperty &p, VCardVersion version, const QList<VCardParameter> &extra)
{
    QByteArray h;
    if (!p.group.isEmpty())
        h += p.group + '.';
    h += p.name;
    for (const QList<VCardParameter> *list : {&p.parameters, &extra}) {
        for (const VCardParameter &parameter : *list) {
            if (version == VCardVersion::V21) {
                // 2.1 gives types and encodings bare, one per parameter.
                for (const QString &v : parameter.values) {
                    h += ';';
                    if (parameter.name != "TYPE")
                        h += parameter.name + '=';
                    h += v.toUtf8();
                }
                continue;
            }
            h += ';' + parameter.name + '=';
            QStringList values;
            for (const QString &v : parameter.values)
                values << parameterValue(v, version);
            h += values.join(u',').toUtf8();
        }
    }
    return h;
}

// 2.1 needs quoted-printable for anything but short single lines of printable ASCII.
bool needsQuotedPrintable(QByteArrayView value, qsizetype headSize)
{
    if (headSize + 1 + value.size() > foldAt)
        return true;
    for (const char c : value) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 0x80 || u < 0x20 || u == 0x7F)
            return true;
    }
    return !value.isEmpty() && (value.back() == ' ' || value.back() == '\t');
}

bool isAscii(QByteArrayView value)
{
    for (const char c : value)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Quoted-printable with soft line breaks, every line at most 76 characters with its "=".
void appendQuotedPrintable(QByteArray &out, QByteArrayView startOfLine, QByteArrayView value)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray line = startOfLine.toByteArray();
    auto put = [&](QByteArrayView piece) {
        if (line.size() + piece.size() > foldAt) {
            out += line;
            out += "=\r\n";
            line.clear();
        }
        line += piece;
    };
    for (qsizetype i = 0; i < value.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        const bool last = i + 1 == value.size();
        if (c == '\n' || (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n')) {
            if (c == '\r')
                ++i;
            put("=0D=0A");
            continue;
        }
        if ((c >= 33 && c <= 126 && c != '=') || (c == ' ' && !last)) {
            const char one[1] = {char(c)};
            put(QByteArrayView(one, 1));
            continue;
        }
        // A character of several bytes goes on one line whole: old phones decode line by line.
        char escaped[12];
        qsizetype n = 0;
        qsizetype j = i;
        do {
            const unsigned char b = static_cast<unsigned char>(value[j]);
            escaped[n++] = '=';
            escaped[n++] = hex[b >> 4];
            escaped[n++] = hex[b & 15];
            ++j;
        } while (c >= 0xC0 && j < value.size() && n < 12 && isContinuationByte(value[j]));
        i = j - 1;
        put(QByteArrayView(escaped, n));
    }
    out += line;
    out += "\r\n";
}

void appendProperty(QByteArray &out, const VCardProperty &p, VCardVersion version)
{
    if (p.isBinary) {
        const QByteArray encoded = p.binary.toBase64();
        if (version == VCardVersion::V40) {
            appendFolded(out, head(p, version, {}) + ":data:application/octet-stream;base64," + encoded);
            return;
        }
        const QList<VCardParameter> encoding{
            {"ENCODING", {version == VCardVersion::V21 ? QStringLiteral("BASE64") : QStringLiteral("b")}}};
        if (version == VCardVersion::V30) {
            appendFolded(out, head(p, version, encoding) + ':' + encoded);
            return;
        }
        // 2.1: the base64 lines after the property's own line, each indented, then a blank line.
        out += head(p, version, encoding) + ":\r\n";
        for (qsizetype at = 0; at < encoded.size(); at += foldAt - 1) {
            out += ' ';
            out += QByteArrayView(encoded).sliced(at, std::min(foldAt - 1, encoded.size() - at));
            out += "\r\n";
        }
        out += "\r\n";
        return;
    }
    const QByteArray value = p.value.toUtf8();
    if (version != VCardVersion::V21) {
        appendFolded(out, head(p, version, {}) + ':' + value);
        return;
    }
    const QByteArray plainHead = head(p, version, {});
    if (!needsQuotedPrintable(value, plainHead.size())) {
        out += plainHead + ':' + value + "\r\n";
        return;
    }
    QList<VCardParameter> encoding;
    if (!isAscii(value))
        encoding << VCardParameter{"CHARSET", {QStringLiteral("UTF-8")}};
    encoding << VCardParameter{"ENCODING", {QStringLiteral("QUOTED-PRINTABLE")}};
    appendQuotedPrintable(out, head(p, version, encoding) + ':', value);
}

} // namespace

QByteArray writeVCard(const VCard &card, VCardVersion version)
{
    QByteArray out;
    out.reserve(512);
    out += "BEGIN:VCARD\r\nVERSION:";
    out += version == VCardVersion::V21 ? "2.1" : version == VCardVersion::V30 ? "3.0" : "4.0";
    out += "\r\n";
    for (const VCardProperty &p : card.properties)
        appendProperty(out, p, version);
    out += "END:VCARD\r\n";
    return out;
}

} // namespace pimdesk::formats
