#include "exchange/DocumentReader.h"

#include <QIODevice>

#include <cstring>

namespace pimdesk {

namespace {

constexpr qsizetype blockSize = 1 << 20;

inline bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

inline bool isNameByte(char c)
{
    return !isBlank(c) && c != '=' && c != '/' && c != '>' && c != '<' && c != '"' && c != '\'';
}

inline char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

// UTF-8 without NUL bytes. Other control characters pass: the handheld keeps whatever the user typed.
bool readableText(const char *p, qsizetype n)
{
    const auto *s = reinterpret_cast<const unsigned char *>(p);
    const auto *end = s + n;
    while (s < end) {
        const unsigned char c = *s;
        if (c < 0x80) {
            if (c == 0)
                return false;
            ++s;
            continue;
        }
        int follow = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            follow = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            follow = 2;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            follow = 3;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (end - s <= follow)
            return false;
        if (s[1] < low || s[1] > high)
            return false;
        for (int k = 2; k <= follow; ++k)
            if ((s[k] & 0xC0) != 0x80)
                return false;
        s += follow + 1;
    }
    return true;
}

} // namespace

DocumentReader::DocumentReader(QIODevice &device, QByteArray recordElement, QList<QByteArray> containers)
    : m_device(device), m_record(std::move(recordElement)), m_containers(std::move(containers))
{
    m_attributes.reserve(64);
}

bool DocumentReader::sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

bool DocumentReader::isRecord() const
{
    return sameName(m_name, m_record);
}

bool DocumentReader::isDocumentElement() const
{
    if (isRecord())
        return true;
    for (const QByteArray &c : m_containers)
        if (sameName(m_name, c))
            return true;
    return false;
}

bool DocumentReader::fill()
{
    if (m_atEnd)
        return false;
    const qsizetype old = m_buffer.size();
    m_buffer.resize(old + blockSize);
    const qint64 n = m_device.read(m_buffer.data() + old, blockSize);
    if (n < 0) {
        m_buffer.resize(old);
        m_atEnd = true;
        m_readFailed = true;
        m_errorString = m_device.errorString();
        return false;
    }
    m_buffer.resize(old + qsizetype(n));
    if (n == 0) {
        m_atEnd = true;
        return false;
    }
    return true;
}

bool DocumentReader::ensure(qsizetype end)
{
    while (m_buffer.size() < end)
        if (!fill())
            return false;
    return true;
}

bool DocumentReader::skipPast(QByteArrayView terminator)
{
    qsizetype from = m_pos;
    for (;;) {
        const qsizetype at = QByteArrayView(m_buffer).indexOf(terminator, from);
        if (at >= 0) {
            m_pos = at + terminator.size();
            return true;
        }
        from = std::max(m_pos, m_buffer.size() - terminator.size() + 1);
        if (!fill()) {
            m_pos = m_buffer.size();
            return false;
        }
    }
}

// At a "<" inside a quoted value: does a record element or a container's end tag begin here?
bool DocumentReader::resyncAt(qsizetype at)
{
    auto startsWithName = [this](qsizetype from, const QByteArray &name, bool endTag) {
        if (!ensure(from + name.size() + 1))
            return false;
        if (!sameName(QByteArrayView(m_buffer).sliced(from, name.size()), name))
            return false;
        const char after = m_buffer.at(from + name.size());
        return isBlank(after) || after == '>' || (!endTag && after == '/');
    };
    if (!ensure(at + 2))
        return false;
    if (m_buffer.at(at + 1) == '/') {
        for (const QByteArray &c : m_containers)
            if (startsWithName(at + 2, c, true))
                return true;
        return false;
    }
    return startsWithName(at + 1, m_record, false);
}

bool DocumentReader::next()
{
    m_attributes.clear();
    m_name = {};
    m_damaged = false;
    m_heldAttributes = false;

    if (!m_started) {
        m_started = true;
        ensure(3);
        if (m_buffer.startsWith("\xEF\xBB\xBF"))
            m_pos = 3;
    }
    if (m_pos > blockSize / 4) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }

    for (;;) {
        // White space (or stray text) up to the next "<".
        bool afterEquals = false;
        bool looksLikeAttributes = false;
        qsizetype i = m_pos;
        for (;;) {
            if (i >= m_buffer.size()) {
                if (!fill())
                    break;
                continue;
            }
            const char c = m_buffer.at(i);
            if (c == '<')
                break;
            if (!isBlank(c)) {
                m_sawContent = true;
                looksLikeAttributes = looksLikeAttributes || (afterEquals && (c == '"' || c == '\''));
                afterEquals = c == '=';
            }
            ++i;
        }
        const qsizetype textStart = m_pos;
        m_pos = i;
        if (looksLikeAttributes) {
            m_damaged = true;
            m_heldAttributes = true;
            m_name = QByteArrayView(m_buffer).sliced(textStart, 0);
            return true;
        }
        if (m_pos >= m_buffer.size())
            return false;

        m_sawContent = true;
        ensure(m_pos + 2);
        const char kind = m_pos + 1 < m_buffer.size() ? m_buffer.at(m_pos + 1) : '\0';
        if (kind == '?') {
            skipPast("?>");
        } else if (kind == '!') {
            ensure(m_pos + 4);
            if (QByteArrayView(m_buffer).sliced(m_pos).startsWith("<!--")) {
                skipPast("-->");
            } else {
                noteDocumentType();
                skipPast(">");
            }
        } else if (kind == '/') {
            skipPast(">");
        } else {
            readElement();
            return true;
        }
    }
}

// "<!DOCTYPE Addressbook >": a document that the end of the file cut short right after its
// document type still names its kind there.
void DocumentReader::noteDocumentType()
{
    constexpr QByteArrayView keyword("<!DOCTYPE");
    ensure(m_pos + keyword.size() + 64);
    const QByteArrayView rest = QByteArrayView(m_buffer).sliced(m_pos);
    if (!sameName(rest.first(std::min(rest.size(), keyword.size())), keyword))
        return;
    qsizetype p = keyword.size();
    while (p < rest.size() && isBlank(rest[p]))
        ++p;
    const qsizetype nameStart = p;
    while (p < rest.size() && isNameByte(rest[p]) && rest[p] != '[')
        ++p;
    const QByteArrayView name = rest.sliced(nameStart, p - nameStart);
    m_sawDocumentType = m_sawDocumentType || sameName(name, m_record);
    for (const QByteArray &c : m_containers)
        m_sawDocumentType = m_sawDocumentType || sameName(name, c);
}

void DocumentReader::readElement()
{
    const qsizetype begin = m_pos;
    qsizetype i = begin + 1;
    char quote = 0;
    for (;;) {
        if (i >= m_buffer.size()) {
            if (!fill()) {
                endElement(begin, m_buffer.size(), quote != 0);
                return;
            }
            continue;
        }
        if (quote) {
            // The bulk of a document is values: look for their end quickly.
            const char *data = m_buffer.constData();
            const qsizetype size = m_buffer.size();
            while (i < size && data[i] != quote && data[i] != '<')
                ++i;
            if (i >= size)
                continue;
            if (data[i] == quote) {
                quote = 0;
            } else if (resyncAt(i)) {
                endElement(begin, i, true);
                return;
            }
            ++i;
            continue;
        }
        const char c = m_buffer.at(i);
        if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            parseElement(begin, i + 1, false);
            m_pos = i + 1;
            return;
        } else if (c == '<') {
            parseElement(begin, i, true);
            m_pos = i;
            return;
        }
        ++i;
    }
}

// The element from begin was cut short at stop: by the end of the file or, inside a quoted value,
// by the start of the next record. A value may hold a double quote that a writer left as it was
// (this program's task and datebook writers leave some values unescaped), which throws the count
// of quotes out: then the element is taken up to its last ">" before stop, if it reads cleanly so.
void DocumentReader::endElement(qsizetype begin, qsizetype stop, bool inQuote)
{
    if (inQuote) {
        const qsizetype gt = QByteArrayView(m_buffer).first(stop).lastIndexOf('>');
        if (gt > begin) {
            parseElement(begin, gt + 1, false);
            if (!m_damaged) {
                m_pos = gt + 1;
                return;
            }
        }
    }
    parseElement(begin, stop, true);
    m_pos = stop;
}

void DocumentReader::parseElement(qsizetype begin, qsizetype end, bool cutShort)
{
    const char *b = m_buffer.constData();
    const QByteArrayView all(m_buffer);
    qsizetype p = begin + 1;
    while (p < end && isNameByte(b[p]))
        ++p;
    m_name = all.sliced(begin + 1, p - begin - 1);
    auto fail = [&] {
        m_damaged = true;
        m_attributes.clear();
        const QByteArrayView piece = all.sliced(begin, end - begin);
        m_heldAttributes = piece.contains("=\"") || piece.contains("='");
    };
    if (cutShort || m_name.isEmpty() || !readableText(b + begin, end - begin))
        return fail();

    for (;;) {
        const qsizetype gap = p;
        while (p < end && isBlank(b[p]))
            ++p;
        if (p >= end)
            return fail();
        if (b[p] == '>' && p + 1 == end)
            return;
        if (b[p] == '/' && p + 2 == end && b[p + 1] == '>')
            return;
        if (p == gap)
            return fail(); // attributes must be separated by white space
        const qsizetype nameStart = p;
        while (p < end && isNameByte(b[p]))
            ++p;
        if (p == nameStart)
            return fail();
        const QByteArrayView name = all.sliced(nameStart, p - nameStart);
        while (p < end && isBlank(b[p]))
            ++p;
        if (p >= end || b[p] != '=')
            return fail();
        ++p;
        while (p < end && isBlank(b[p]))
            ++p;
        if (p >= end || (b[p] != '"' && b[p] != '\''))
            return fail();
        const char quote = b[p++];
        const char *close = static_cast<const char *>(std::memchr(b + p, quote, size_t(end - p)));
        // A quote followed by something other than white space or the end of the tag is part of
        // the value when the value is the element's last (where this program's writers put the one
        // value they leave unescaped): it then runs to the last quote before the end of the tag.
        // It never swallows what looks like another attribute, so a damaged element is not read
        // as a record with its later attributes missing.
        if (close && close + 1 < b + end && !isBlank(close[1]) && close[1] != '/' && close[1] != '>') {
            const char *last = b + end - 1; // at the closing ">"
            if (last > close && last[-1] == '/')
                --last;
            while (last > close && isBlank(last[-1]))
                --last;
            --last;
            const char equalsQuote[2] = {'=', quote};
            const QByteArrayView value(b + p, last - (b + p));
            if (last <= close || *last != quote || value.contains(QByteArrayView(equalsQuote, 2)))
                return fail();
            close = last;
        }
        if (!close)
            return fail();
        const qsizetype valueEnd = close - b;
        m_attributes.append({name, all.sliced(p, valueEnd - p)});
        p = valueEnd + 1;
    }
}

} // namespace pimdesk
