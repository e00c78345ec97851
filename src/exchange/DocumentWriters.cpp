#include "exchange/DocumentWriters.h"

#include "exchange/DeviceTime.h"
#include "records/DocumentLayouts.h"
#include "records/JetSql.h"
#include "records/Store.h"
#include "records/TextConversion.h"

#include <charconv>
#include <cstring>
#include <functional>

#include <vector>

namespace pimdesk {

namespace {

struct Column
{
    QByteArrayView name;
    int index;
    AttributeForm form;
};

// Where a document goes, in pieces of about a megabyte.
using ChunkWriter = std::function<bool(QByteArrayView)>;

// The document under construction: one buffer, reused for every piece handed on. Appending to a
// QByteArray costs a call through its general insertion for every piece; a document is millions of
// small pieces, so they are copied here.
class ByteSink
{
public:
    static constexpr qsizetype pieceSize = 1 << 20;

    explicit ByteSink(const ChunkWriter &out) : m_out(out), m_buffer(pieceSize + 4096, Qt::Uninitialized)
    {
        m_data = m_buffer.data();
        m_capacity = m_buffer.size();
    }

    void append(QByteArrayView bytes)
    {
        const qsizetype n = bytes.size();
        if (n == 0)
            return; // an empty view may carry no pointer at all
        if (m_used + n > m_capacity)
            grow(n);
        std::memcpy(m_data + m_used, bytes.data(), size_t(n));
        m_used += n;
    }
    void append(char c)
    {
        if (m_used + 1 > m_capacity)
            grow(1);
        m_data[m_used++] = c;
    }
    // Hands the buffer on once a piece is full; false when the receiver refused it.
    bool flushIfFull() { return m_used < pieceSize || flush(); }
    bool flush()
    {
        const bool ok = m_used == 0 || m_out(QByteArrayView(m_data, m_used));
        m_used = 0;
        return ok;
    }

private:
    void grow(qsizetype needed)
    {
        m_buffer.resize(std::max<qsizetype>(m_capacity * 2, m_used + needed));
        m_capacity = m_buffer.size();
        m_data = m_buffer.data();
    }

    const ChunkWriter &m_out;
    QByteArray m_buffer;
    char *m_data = nullptr;
    qsizetype m_used = 0;
    qsizetype m_capacity = 0;
};

// Text in the store that is not UTF-8 (put there by another program) is read as the conversion to
// UTF-16 reads it, each bad sequence one replacement character, so the handheld only ever gets
// UTF-8. Only values with bytes above 127 need the look.
QByteArrayView validUtf8(QByteArrayView value, QByteArray &repaired)
{
    unsigned char any = 0;
    for (const char c : value)
        any |= static_cast<unsigned char>(c);
    if (any < 0x80 || value.isValidUtf8())
        return value;
    repaired = QString::fromUtf8(value).toUtf8();
    return repaired;
}

QByteArrayView trimmedBlanks(QByteArrayView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == ' ')
        ++start;
    while (end > start && text[end - 1] == ' ')
        --end;
    return text.sliced(start, end - start);
}

// The attribute escaping on UTF-8 bytes (the characters concerned are all ASCII): the value is
// already trimmed, and as no entity begins or ends with a blank, trimming again changes nothing.
// A "&" that begins a reference stays as it is; any other becomes "&amp;".
void appendEscaped(ByteSink &out, QByteArrayView value)
{
    const char *p = value.data();
    const char *end = p + value.size();
    const char *run = p;
    for (; p < end; ++p) {
        const char c = *p;
        if (c == '&') {
            const qsizetype length = xmlReferenceLength(QByteArrayView(p, end - p));
            if (length > 0) {
                p += length - 1;
                continue;
            }
            out.append(QByteArrayView(run, p - run));
            out.append(QByteArrayView("&amp;"));
            run = p + 1;
            continue;
        }
        if (c != '<' && c != '>' && c != '"')
            continue;
        out.append(QByteArrayView(run, p - run));
        out.append(c == '<' ? QByteArrayView("&lt;") : c == '>' ? QByteArrayView("&gt;") : QByteArrayView("&quot;"));
        run = p + 1;
    }
    out.append(QByteArrayView(run, end - run));
}

void appendNumber(ByteSink &out, QByteArrayView name, std::optional<qint64> value)
{
    // A date that cannot be read leaves its attribute out rather than stopping the export.
    if (!value)
        return;
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, *value);
    out.append(name);
    out.append("=\"");
    out.append(QByteArrayView(digits, result.ptr - digits));
    out.append("\" ");
}

// One table walked in stored order, with each attribute's column found once by name. Values are
// taken as the store holds them (UTF-8) and never pass through UTF-16.
class TableWalk
{
public:
    explicit TableWalk(Store &store, const DocumentLayout &layout)
        : m_query(store, jet::selectSql(jet::parseSource(QLatin1String(layout.exportSource)), "*"))
    {
        const int count = m_query.columnCount();
        // The record's ID comes first, as it stands.
        m_columns.push_back(
            {QByteArrayView(layout.identity), columnOf(QLatin1String("ID"), count), AttributeForm::Plain});
        for (const DocumentAttribute &a : layout.attributes)
            m_columns.push_back({QByteArrayView(a.name), columnOf(QLatin1String(a.field), count), a.form});
        m_start = columnOf(QLatin1String("Start"), count);
        m_hasEndDate = columnOf(QLatin1String("Rhasenddate"), count);
    }

    bool next() { return m_query.next(); }

    // Appends the entries of the current record under the presence rule: a null or blank field
    // gives no entry.
    void appendEntries(ByteSink &out) const
    {
        for (const Column &c : m_columns) {
            if (c.index < 0)
                continue;
            const QByteArrayView stored = m_query.utf8(c.index);
            if (stored.isNull())
                continue;
            QByteArray repaired;
            const QByteArrayView value = validUtf8(trimmedBlanks(stored), repaired);
            if (value.isEmpty())
                continue;
            switch (c.form) {
            case AttributeForm::Escaped:
                out.append(c.name);
                out.append("=\"");
                appendEscaped(out, value);
                out.append("\" ");
                break;
            case AttributeForm::Plain:
                out.append(c.name);
                out.append("=\"");
                out.append(value);
                out.append("\" ");
                break;
            case AttributeForm::PlainLast:
                out.append(c.name);
                out.append("=\"");
                out.append(value);
                out.append('"');
                break;
            case AttributeForm::DeviceTime:
                appendNumber(out, c.name, deviceTimeValue(value));
                break;
            case AttributeForm::EndDate:
                appendNumber(out, c.name, endDateValue(value));
                break;
            }
        }
    }

private:
    int columnOf(QLatin1String field, int count) const
    {
        for (int i = 0; i < count; ++i)
            if (m_query.columnName(i).compare(field, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }

    // The end of a repetition: with the end flag null, the start counted without the lower bound;
    // with the flag set, the end date; with the flag blank, the start.
    std::optional<qint64> endDateValue(QByteArrayView endDate) const
    {
        const QByteArrayView start = m_start < 0 ? QByteArrayView() : m_query.utf8(m_start);
        const QByteArrayView flag = m_hasEndDate < 0 ? QByteArrayView() : m_query.utf8(m_hasEndDate);
        if (flag.isNull())
            return unboundedDeviceTimeValue(start);
        if (!trimmedBlanks(flag).isEmpty())
            return deviceTimeValue(endDate);
        return deviceTimeValue(start);
    }

    Store::Query m_query;
    std::vector<Column> m_columns;
    int m_start = -1;
    int m_hasEndDate = -1;
};

// The document in UTF-8 after the given prefix, handed to out in pieces; nothing at all for an
// empty table. False when out refused a piece.
bool writeDocument(Store &store, const DocumentLayout &layout, QByteArrayView prefix, const ChunkWriter &out)
{
    TableWalk walk(store, layout);
    if (!walk.next())
        return true;
    ByteSink sink(out);
    sink.append(prefix);
    sink.append(QByteArrayView(layout.prologue));
    const QByteArray elementStart = '<' + QByteArray(layout.recordElement) + ' ';
    do {
        sink.append(elementStart);
        walk.appendEntries(sink);
        sink.append("/>");
        if (!sink.flushIfFull())
            return false;
    } while (walk.next());
    sink.append(QByteArrayView(layout.epilogue));
    return sink.flush();
}

QByteArray wholeDocument(Store &store, const DocumentLayout &layout, QByteArrayView prefix)
{
    QByteArray document;
    writeDocument(store, layout, prefix, [&document](QByteArrayView piece) {
        document.append(piece);
        return true;
    });
    return document;
}

const DocumentLayout &layoutOf(RecordKind kind)
{
    return *kindInfo(kind).document;
}

} // namespace

QString AddressbookXmlFromContacts(Store &store)
{
    return documentFromStore(RecordKind::Contacts, store);
}

QString TodolistXmlFromTodo(Store &store)
{
    return documentFromStore(RecordKind::Tasks, store);
}

QString DatebookXmlFromDatebook(Store &store)
{
    return documentFromStore(RecordKind::Events, store);
}

QString documentFromStore(RecordKind kind, Store &store)
{
    return QString::fromUtf8(wholeDocument(store, layoutOf(kind), QByteArrayView()));
}

QByteArray handheldDocument(RecordKind kind, Store &store)
{
    return wholeDocument(store, layoutOf(kind), "\xEF\xBB\xBF");
}

bool writeHandheldDocument(RecordKind kind, Store &store, const std::function<bool(QByteArrayView)> &out)
{
    return writeDocument(store, layoutOf(kind), "\xEF\xBB\xBF", out);
}

} // namespace pimdesk
