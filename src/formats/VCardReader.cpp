#include "formats/Charsets.h"
#include "formats/VCard.h"

#include <QStringDecoder>

namespace pimdesk::formats {

namespace {

struct Line
{
    QByteArrayView text;
    int number;
};

bool isWhite(char c)
{
    return c == ' ' || c == '\t';
}

bool isBlank(QByteArrayView text)
{
    for (const char c : text)
        if (!isWhite(c))
            return false;
    return true;
}

bool startsWhite(QByteArrayView text)
{
    return !text.isEmpty() && isWhite(text.front());
}

// Physical lines: CR LF, LF, CR CR LF (iOS 6) and lone CR all end a line.
QList<Line> splitLines(QByteArrayView bytes)
{
    QList<Line> lines;
    lines.reserve(bytes.size() / 32 + 1);
    const char *p = bytes.data();
    const char *end = p + bytes.size();
    const char *start = p;
    int number = 1;
    while (p < end) {
        const char c = *p;
        if (c != '\n' && c != '\r') {
            ++p;
            continue;
        }
        lines.append({QByteArrayView(start, p - start), number++});
        if (c == '\n') {
            ++p;
        } else {
            // A run of CRs followed by LF is one line end; CRs without an LF end one line each.
            const char *q = p;
            while (q < end && *q == '\r')
                ++q;
            if (q < end && *q == '\n') {
                p = q + 1;
            } else {
                ++p;
            }
        }
        start = p;
    }
    if (start < end)
        lines.append({QByteArrayView(start, end - start), number});
    return lines;
}

// The colon that ends a property's name and parameters: the first outside a quoted parameter value.
qsizetype headEnd(QByteArrayView line)
{
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"')
            quoted = !quoted;
        else if (c == ':' && !quoted)
            return i;
    }
    return -1;
}

bool isNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.';
}

// Does the line begin like a property ("NAME:" or "NAME;")? Used where a line without leading
// blank might still continue the value before it.
bool looksLikeProperty(QByteArrayView line)
{
    qsizetype i = 0;
    while (i < line.size() && isNameChar(line[i]))
        ++i;
    return i > 0 && i < line.size() && (line[i] == ':' || line[i] == ';');
}

bool looksLikeBase64(QByteArrayView line)
{
    for (const char c : line) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
                        c == '/' || c == '=' || isWhite(c);
        if (!ok)
            return false;
    }
    return true;
}

QString caretDecoded(const QString &value)
{
    if (!value.contains(u'^'))
        return value;
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'^' && i + 1 < value.size()) {
            const QChar n = value[i + 1];
            if (n == u'n' || n == u'N') {
                out += u'\n';
                ++i;
                continue;
            }
            if (n == u'^') {
                out += u'^';
                ++i;
                continue;
            }
            if (n == u'\'') {
                out += u'"';
                ++i;
                continue;
            }
        }
        out += value[i];
    }
    return out;
}

struct Head
{
    bool ok = false;
    QByteArray group;
    QByteArray name;
    QList<VCardParameter> parameters;
};

QStringList parameterValues(QByteArrayView text, VCardVersion version)
{
    QStringList values;
    QByteArray current;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (c == ',' && !quoted) {
            values << QString::fromUtf8(current);
            current.clear();
            continue;
        }
        current += c;
    }
    values << QString::fromUtf8(current);
    if (version == VCardVersion::V40)
        for (QString &v : values)
            v = caretDecoded(v);
    return values;
}

Head parseHead(QByteArrayView head, VCardVersion version)
{
    Head h;
    // Split at semicolons outside quotes: the name first, then the parameters.
    QList<QByteArrayView> pieces;
    bool quoted = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < head.size(); ++i) {
        if (head[i] == '"')
            quoted = !quoted;
        else if (head[i] == ';' && !quoted) {
            pieces << head.sliced(start, i - start);
            start = i + 1;
        }
    }
    pieces << head.sliced(start);
    const QByteArrayView fullName = pieces.front().trimmed();
    if (fullName.isEmpty())
        return h;
    for (const char c : fullName)
        if (!isNameChar(c))
            return h;
    const qsizetype dot = fullName.lastIndexOf('.');
    if (dot >= 0) {
        h.group = fullName.first(dot).toByteArray();
        h.name = fullName.sliced(dot + 1).toByteArray().toUpper();
    } else {
        h.name = fullName.toByteArray().toUpper();
    }
    if (h.name.isEmpty())
        return h;
    for (qsizetype p = 1; p < pieces.size(); ++p) {
        const QByteArrayView piece = pieces[p].trimmed();
        if (piece.isEmpty())
            continue;
        const qsizetype eq = piece.indexOf('=');
        VCardParameter parameter;
        if (eq < 0) {
            // A bare 2.1 parameter: an encoding or a type.
            const QByteArray bare = piece.toByteArray().toUpper();
            if (bare == "QUOTED-PRINTABLE" || bare == "BASE64" || bare == "8BIT" || bare == "7BIT" || bare == "B")
                parameter.name = "ENCODING";
            else
                parameter.name = "TYPE";
            parameter.values << QString::fromUtf8(piece);
        } else {
            parameter.name = piece.first(eq).trimmed().toByteArray().toUpper();
            parameter.values = parameterValues(piece.sliced(eq + 1).trimmed(), version);
        }
        h.parameters << parameter;
    }
    h.ok = true;
    return h;
}

QString parameterOf(const QList<VCardParameter> &parameters, QByteArrayView name)
{
    for (const VCardParameter &p : parameters)
        if (p.name == name && !p.values.isEmpty())
            return p.values.front();
    return QString();
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray quotedPrintableDecoded(QByteArrayView value)
{
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '=' && i + 2 < value.size()) {
            const int hi = hexDigit(value[i + 1]);
            const int lo = hexDigit(value[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += char(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += c;
    }
    return out;
}

class Reader
{
public:
    Reader(QByteArrayView bytes, const VCardReadOptions &options) : m_options(options)
    {
        m_lines = splitLines(bytes);
    }

    VCardFile run()
    {
        bool sawAnything = false;
        qsizetype i = 0;
        const qsizetype n = m_lines.size();
        while (i < n) {
            const Line line = m_lines[i++];
            if (isBlank(line.text))
                continue;
            if (startsWhite(line.text) || line.text.front() == '#') {
                // A continuation no property claimed, or a comment line (2.1 phones write them).
                if (startsWhite(line.text) && !m_stack.isEmpty())
                    damage(line.number, QStringLiteral("%1번째 줄이 앞의 속성에 이어지지 않습니다.").arg(line.number));
                continue;
            }
            sawAnything = true;
            QByteArray logical = line.text.toByteArray();
            qsizetype colon = headEnd(logical);
            while (colon < 0 && i < n && startsWhite(m_lines[i].text)) {
                logical += m_lines[i++].text.sliced(1);
                colon = headEnd(logical);
            }
            const VCardVersion version = m_stack.isEmpty() ? VCardVersion::V21 : m_stack.back().card.version;
            Head head = colon < 0 ? Head{} : parseHead(QByteArrayView(logical).first(colon), version);
            if (!head.ok) {
                if (!m_stack.isEmpty())
                    damage(line.number,
                           QStringLiteral("%1번째 줄을 카드의 속성으로 읽을 수 없습니다.").arg(line.number));
                continue;
            }
            QByteArray value = logical.sliced(colon + 1);
            const QByteArray encoding = parameterOf(head.parameters, "ENCODING").toUpper().toLatin1();
            const bool quotedPrintable = encoding == "QUOTED-PRINTABLE";
            const bool base64 = encoding == "BASE64" || encoding == "B";
            if (quotedPrintable) {
                // A soft line break: the next line continues the value as it is, even when it
                // begins with a blank or "#".
                while (value.endsWith('=') && i < n) {
                    value.chop(1);
                    value += m_lines[i++].text;
                }
            } else if (base64) {
                // Folded lines, and in 2.1 bare lines of base64 up to the blank line (or the next
                // property where a writer left the blank line out).
                while (i < n) {
                    const QByteArrayView t = m_lines[i].text;
                    if (isBlank(t))
                        break;
                    if (startsWhite(t) || (version == VCardVersion::V21 && !t.contains(':') && looksLikeBase64(t))) {
                        value += t.trimmed();
                        ++i;
                        continue;
                    }
                    break;
                }
            } else {
                while (i < n && startsWhite(m_lines[i].text))
                    value += m_lines[i++].text.sliced(1);
                // 2.1 writers that continue a value on the next line after a backslash.
                if (version == VCardVersion::V21) {
                    while (endsWithOddBackslashes(value) && i < n && !isBlank(m_lines[i].text) &&
                           !looksLikeProperty(m_lines[i].text)) {
                        value.chop(1);
                        value += '\n';
                        value += m_lines[i++].text;
                    }
                }
            }
            handle(std::move(head), value, quotedPrintable, base64, line.number);
        }
        for (auto it = m_stack.rbegin(); it != m_stack.rend(); ++it)
            m_file.problems << VCardProblem{it->card.position, it->card.line, true,
                                            QStringLiteral("END:VCARD 없이 파일이 끝납니다.")};
        m_stack.clear();
        std::sort(m_file.cards.begin(), m_file.cards.end(),
                  [](const VCard &a, const VCard &b) { return a.position < b.position; });
        std::stable_sort(m_file.problems.begin(), m_file.problems.end(),
                         [](const VCardProblem &a, const VCardProblem &b) { return a.position < b.position; });
        if (sawAnything && m_positions == 0)
            m_file.problems << VCardProblem{0, 0, true, QStringLiteral("vCard가 아닙니다 (BEGIN:VCARD가 없습니다).")};
        return std::move(m_file);
    }

private:
    struct Open
    {
        VCard card;
        bool damaged = false;
        int damageLine = 0;
        QString damage;
    };

    static bool endsWithOddBackslashes(QByteArrayView value)
    {
        qsizetype k = 0;
        while (k < value.size() && value[value.size() - 1 - k] == '\\')
            ++k;
        return k % 2 == 1;
    }

    void damage(int line, const QString &reason)
    {
        Open &open = m_stack.back();
        if (!open.damaged) {
            open.damaged = true;
            open.damageLine = line;
            open.damage = reason;
        }
    }

    void note(int line, const QString &reason)
    {
        m_file.problems << VCardProblem{m_stack.back().card.position, line, false, reason};
    }

    QString text(QByteArrayView bytes, const QList<VCardParameter> &parameters, int line)
    {
        const QString charset = parameterOf(parameters, "CHARSET");
        if (!charset.isEmpty()) {
            if (std::optional<QString> decoded = decodeCharset(bytes, charset.toLatin1()))
                return *decoded;
            note(line, QStringLiteral("%1번째 줄의 문자 집합 %2을(를) 알 수 없어 UTF-8로 읽었습니다.").arg(line).arg(charset));
        }
        unsigned char high = 0;
        for (const char c : bytes)
            high |= static_cast<unsigned char>(c);
        if (high < 0x80 || bytes.isValidUtf8() || m_options.fallbackCharset.isEmpty())
            return QString::fromUtf8(bytes);
        if (std::optional<QString> decoded = decodeCharset(bytes, m_options.fallbackCharset))
            return *decoded;
        return QString::fromUtf8(bytes);
    }

    void handle(Head head, const QByteArray &raw, bool quotedPrintable, bool base64, int line)
    {
        const QByteArray trimmedValue = raw.trimmed();
        if (head.name == "BEGIN" && head.group.isEmpty() && trimmedValue.compare("VCARD", Qt::CaseInsensitive) == 0) {
            Open open;
            open.card.position = ++m_positions;
            open.card.line = line;
            m_stack.append(std::move(open));
            return;
        }
        if (m_stack.isEmpty())
            return; // text between cards
        if (head.name == "END" && head.group.isEmpty() && trimmedValue.compare("VCARD", Qt::CaseInsensitive) == 0) {
            Open open = m_stack.takeLast();
            if (open.damaged)
                m_file.problems << VCardProblem{open.card.position, open.damageLine, true, open.damage};
            else
                m_file.cards << std::move(open.card);
            return;
        }
        VCard &card = m_stack.back().card;
        if (head.name == "VERSION") {
            if (trimmedValue == "2.1")
                card.version = VCardVersion::V21;
            else if (trimmedValue == "4.0")
                card.version = VCardVersion::V40;
            else
                card.version = VCardVersion::V30;
            return;
        }
        VCardProperty property;
        property.group = std::move(head.group);
        property.name = std::move(head.name);
        property.parameters = std::move(head.parameters);
        property.line = line;
        if (base64) {
            QByteArray compact;
            compact.reserve(raw.size());
            for (const char c : raw)
                if (!isWhite(c))
                    compact += c;
            auto decoded = QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded && looksLikeBase64(compact)) {
                // Only the end is wrong (a last group cut short, padding missing): what is there
                // is read, and the user told.
                while (compact.endsWith('='))
                    compact.chop(1);
                if (compact.size() % 4 == 1)
                    compact.chop(1);
                while (compact.size() % 4 != 0)
                    compact += '=';
                decoded = QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
                if (decoded)
                    note(line, QStringLiteral("%1번째 줄의 %2 값(base64)은 끝이 맞지 않아 읽을 수 있는 만큼 읽었습니다.")
                                   .arg(line)
                                   .arg(QString::fromLatin1(property.name)));
            }
            if (!decoded) {
                note(line, QStringLiteral("%1번째 줄의 %2 값(base64)이 깨져 있어 그 속성은 건너뜁니다.")
                               .arg(line)
                               .arg(QString::fromLatin1(property.name)));
                return;
            }
            property.binary = decoded.decoded;
            property.isBinary = true;
        } else if (quotedPrintable) {
            // Line breaks come as =0D=0A (or a lone one of the two); the store keeps LF.
            property.value = text(quotedPrintableDecoded(raw), property.parameters, line);
            property.value.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
        } else {
            property.value = text(raw, property.parameters, line);
        }
        card.properties << std::move(property);
    }

    const VCardReadOptions &m_options;
    QList<Line> m_lines;
    QList<Open> m_stack;
    VCardFile m_file;
    int m_positions = 0;
};

// Text of a file in UTF-16 (a byte-order mark says so) turned into UTF-8; UTF-8's own mark dropped.
QByteArray utf8Bytes(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return bytes.sliced(3).toByteArray();
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decode(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        return QString(decode(bytes.sliced(2))).toUtf8();
    }
    return bytes.toByteArray();
}

QString unescaped(QStringView text, bool v21)
{
    if (!text.contains(u'\\'))
        return text.toString();
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const QChar n = text[i + 1];
        if (!v21 && (n == u'n' || n == u'N')) {
            out += u'\n';
            ++i;
        } else if (n == u'\\' || n == u';' || n == u':' || (!v21 && n == u',')) {
            out += n;
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// Splits at separators not escaped by a backslash.
QList<QStringView> splitUnescaped(QStringView text, QChar separator)
{
    QList<QStringView> parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\') {
            ++i;
            continue;
        }
        if (text[i] == separator) {
            parts << text.sliced(start, i - start);
            start = i + 1;
        }
    }
    parts << text.sliced(start);
    return parts;
}

} // namespace

QString VCardProperty::parameter(QByteArrayView parameterName) const
{
    return parameterOf(parameters, parameterName);
}

bool VCardProperty::hasParameter(QByteArrayView parameterName) const
{
    for (const VCardParameter &p : parameters)
        if (p.name == parameterName)
            return true;
    return false;
}

QStringList VCardProperty::types() const
{
    // A quoted list (TYPE="work,voice", as RFC 6350 writes it) is a list too.
    QStringList all;
    for (const VCardParameter &p : parameters)
        if (p.name == "TYPE")
            for (const QString &v : p.values)
                for (const QString &t : v.split(u','))
                    if (!t.trimmed().isEmpty())
                        all << t.trimmed().toUpper();
    return all;
}

bool VCardProperty::hasType(QByteArrayView type) const
{
    return types().contains(QString::fromLatin1(type).toUpper());
}

void VCardProperty::addParameter(QByteArrayView parameterName, const QStringList &values)
{
    parameters << VCardParameter{parameterName.toByteArray(), values};
}

const VCardProperty *VCard::first(QByteArrayView propertyName) const
{
    for (const VCardProperty &p : properties)
        if (p.name == propertyName)
            return &p;
    return nullptr;
}

QString vcardText(const VCardProperty &property, VCardVersion version)
{
    if (version == VCardVersion::V21)
        return property.value;
    return unescaped(property.value, false);
}

QStringList vcardComponents(const VCardProperty &property, VCardVersion version)
{
    QStringList parts;
    for (const QStringView part : splitUnescaped(property.value, u';'))
        parts << unescaped(part, version == VCardVersion::V21);
    return parts;
}

QStringList vcardList(const VCardProperty &property, VCardVersion version)
{
    QStringList items;
    if (version == VCardVersion::V21) {
        for (const QString &item : property.value.split(u','))
            items << item;
        return items;
    }
    for (const QStringView item : splitUnescaped(property.value, u','))
        items << unescaped(item, false);
    return items;
}

QString vcardEscapedText(const QString &text, VCardVersion version)
{
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (version == VCardVersion::V21) {
            out += c; // 2.1 text has no escapes; line breaks go out quoted-printable
            continue;
        }
        switch (c.unicode()) {
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u',':
            out += QLatin1String("\\,");
            break;
        case u';':
            out += QLatin1String("\\;");
            break;
        case u'\r':
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            out += QLatin1String("\\n");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString vcardJoinedComponents(const QStringList &parts, VCardVersion version)
{
    QStringList escaped;
    for (const QString &part : parts) {
        if (version != VCardVersion::V21) {
            escaped << vcardEscapedText(part, version);
            continue;
        }
        QString p;
        for (const QChar c : part) {
            if (c == u'\\' || c == u';')
                p += u'\\';
            p += c;
        }
        escaped << p;
    }
    return escaped.join(u';');
}

QString vcardJoinedList(const QStringList &items, VCardVersion version)
{
    QStringList escaped;
    for (const QString &item : items)
        escaped << (version == VCardVersion::V21 ? item : vcardEscapedText(item, version));
    return escaped.join(u',');
}

VCardFile readVCards(QByteArrayView bytes, const VCardReadOptions &options)
{
    const QByteArray utf8 = utf8Bytes(bytes);
    return Reader(utf8, options).run();
}

} // namespace pimdesk::formats
