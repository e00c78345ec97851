#include "exchange/DocumentWriters.h"

#include "exchange/DeviceTime.h"
#include "records/DocumentLayouts.h"
#include "records/JetSql.h"
#include "records/Store.h"
#include "records/TextConversion.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pimdesk {

namespace {

struct Column
{
    QByteArrayView name;
    int index;
    AttributeForm form;
    QByteArray start; // name="
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

    // Without a receiver the sink only collects (bytes() is all it holds).
    explicit ByteSink(const ChunkWriter *out) : m_out(out), m_buffer(pieceSize + 4096, Qt::Uninitialized)
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
    // What the buffer holds since the last piece was handed on.
    QByteArrayView bytes() const { return QByteArrayView(m_data, m_used); }
    void clear() { m_used = 0; }
    // Hands the buffer on once a piece is full; false when the receiver refused it.
    bool flushIfFull() { return m_used < pieceSize || !m_out || flush(); }
    bool flush()
    {
        const bool ok = m_used == 0 || (*m_out)(QByteArrayView(m_data, m_used));
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

    const ChunkWriter *m_out;
    QByteArray m_buffer;
    char *m_data = nullptr;
    qsizetype m_used = 0;
    qsizetype m_capacity = 0;
};

// Whether any byte of the text is above 127 (only such text needs the UTF-8 check).
bool hasHighByte(QByteArrayView text)
{
    const char *p = text.data();
    const char *end = p + text.size();
    int high = 0;
#if defined(__SSE2__)
    __m128i any = _mm_setzero_si128();
    for (; end - p >= 16; p += 16)
        any = _mm_or_si128(any, _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
    high = _mm_movemask_epi8(any);
#endif
    for (; p < end; ++p)
        high |= static_cast<unsigned char>(*p) & 0x80;
    return high != 0;
}

// Text in the store that is not UTF-8 (put there by another program) is read as the conversion to
// UTF-16 reads it, each bad sequence one replacement character, so the handheld only ever gets
// UTF-8. Only values with bytes above 127 need the look.
QByteArrayView validUtf8(QByteArrayView value, QByteArray &repaired)
{
    if (!hasHighByte(value) || value.isValidUtf8())
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

// The first of & < > " at or after p, or end.
const char *nextSpecial(const char *p, const char *end)
{
#if defined(__SSE2__)
    const __m128i amp = _mm_set1_epi8('&');
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i gt = _mm_set1_epi8('>');
    const __m128i quot = _mm_set1_epi8('"');
    for (; end - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, amp), _mm_cmpeq_epi8(v, lt)),
                                         _mm_or_si128(_mm_cmpeq_epi8(v, gt), _mm_cmpeq_epi8(v, quot)));
        if (const int mask = _mm_movemask_epi8(hit))
            return p + __builtin_ctz(unsigned(mask));
    }
#endif
    for (; p < end; ++p)
        if (*p == '&' || *p == '<' || *p == '>' || *p == '"')
            return p;
    return end;
}

// The attribute escaping on UTF-8 bytes (the characters concerned are all ASCII): the value is
// already trimmed, and as no entity begins or ends with a blank, trimming again changes nothing.
// A "&" that begins a reference stays as it is; any other becomes "&amp;".
void appendEscaped(ByteSink &out, QByteArrayView value)
{
    const char *p = value.data();
    const char *end = p + value.size();
    const char *run = p;
    while ((p = nextSpecial(p, end)) != end) {
        const char c = *p;
        if (c == '&') {
            const qsizetype length = xmlReferenceLength(QByteArrayView(p, end - p));
            if (length > 0) {
                p += length;
                continue;
            }
            out.append(QByteArrayView(run, p - run));
            out.append(QByteArrayView("&amp;"));
            run = ++p;
            continue;
        }
        out.append(QByteArrayView(run, p - run));
        out.append(c == '<' ? QByteArrayView("&lt;") : c == '>' ? QByteArrayView("&gt;") : QByteArrayView("&quot;"));
        run = ++p;
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

// What a walk of one table needs, found once: the columns the document carries (a table holds
// more, and SQLite decodes every selected column of every row) and each attribute's place among
// them. Shared, unchanged, by the walks of the table's parts.
class WalkLayout
{
public:
    WalkLayout(Store &store, const DocumentLayout &layout)
        : m_source(jet::parseSource(QLatin1String(layout.exportSource)))
    {
        QList<QLatin1String> wanted{QLatin1String("ID"), QLatin1String("Start"), QLatin1String("Rhasenddate")};
        for (const DocumentAttribute &a : layout.attributes)
            wanted << QLatin1String(a.field);
        QStringList quoted;
        for (const QString &column : store.columnNames(m_source.table)) {
            if (std::none_of(wanted.begin(), wanted.end(),
                             [&](QLatin1String w) { return column.compare(w, Qt::CaseInsensitive) == 0; }))
                continue;
            m_selected << column;
            quoted << '"' + QString(column).replace('"', "\"\"") + '"';
        }
        // A table with none of them still gives one row per record.
        m_columnList = quoted.isEmpty() ? QStringLiteral("rowid") : quoted.join(", ");

        // The record's ID comes first, as it stands.
        columns.push_back({QByteArrayView(layout.identity), columnOf(QLatin1String("ID")), AttributeForm::Plain, {}});
        for (const DocumentAttribute &a : layout.attributes)
            columns.push_back({QByteArrayView(a.name), columnOf(QLatin1String(a.field)), a.form, {}});
        for (Column &c : columns)
            c.start = c.name.toByteArray() + "=\"";
        start = columnOf(QLatin1String("Start"));
        hasEndDate = columnOf(QLatin1String("Rhasenddate"));
    }

    // The statement of the whole table, or of the rows whose rowid lies between ?1 and ?2.
    QString sql(bool part = false) const
    {
        return jet::selectSql(m_source, m_columnList, part ? QStringLiteral("rowid BETWEEN ?1 AND ?2") : QString());
    }
    // Whether the table is walked in rowid order, so that its parts by rowid follow one another.
    bool inRowidOrder() const
    {
        return m_source.orderBy.isEmpty() || m_source.orderBy.compare(QLatin1String("rowid"), Qt::CaseInsensitive) == 0;
    }
    const QString &table() const { return m_source.table; }

    std::vector<Column> columns;
    int start = -1;
    int hasEndDate = -1;

private:
    int columnOf(QLatin1String field) const
    {
        for (int i = 0; i < m_selected.size(); ++i)
            if (m_selected.at(i).compare(field, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }

    jet::Source m_source;
    QStringList m_selected;
    QString m_columnList;
};

// The rows of one table, or of a part of it, walked in stored order. Values are taken as the store
// holds them (UTF-8) and never pass through UTF-16.
class TableWalk
{
public:
    TableWalk(Store &store, const WalkLayout &layout, const QVariantList &rowids = {})
        : m_layout(layout), m_query(store, layout.sql(!rowids.isEmpty()), rowids)
    {
    }

    bool next() { return m_query.next(); }

    // Appends the records as elements, each <element attributes/>.
    void appendRecords(ByteSink &out, QByteArrayView elementStart, const std::function<bool()> &pieceDone)
    {
        while (next()) {
            out.append(elementStart);
            appendEntries(out);
            out.append(QByteArrayView("/>"));
            if (!pieceDone())
                return;
        }
    }

    // Appends the entries of the current record under the presence rule: a null or blank field
    // gives no entry.
    void appendEntries(ByteSink &out) const
    {
        for (const Column &c : m_layout.columns) {
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
                out.append(c.start);
                appendEscaped(out, value);
                out.append(QByteArrayView("\" "));
                break;
            case AttributeForm::Plain:
                out.append(c.start);
                out.append(value);
                out.append(QByteArrayView("\" "));
                break;
            case AttributeForm::PlainLast:
                out.append(c.start);
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
    // The end of a repetition: with the end flag null, the start counted without the lower bound;
    // with the flag set, the end date; with the flag blank, the start.
    std::optional<qint64> endDateValue(QByteArrayView endDate) const
    {
        const QByteArrayView start = m_layout.start < 0 ? QByteArrayView() : m_query.utf8(m_layout.start);
        const QByteArrayView flag = m_layout.hasEndDate < 0 ? QByteArrayView() : m_query.utf8(m_layout.hasEndDate);
        if (flag.isNull())
            return unboundedDeviceTimeValue(start);
        if (!trimmedBlanks(flag).isEmpty())
            return deviceTimeValue(endDate);
        return deviceTimeValue(start);
    }

    const WalkLayout &m_layout;
    Store::Query m_query;
};

// A large table is written by two threads, each walking every other part of it (by rowid) on a
// connection of its own, so that the formatting of one part goes on beside the other's. The parts
// are handed on in order; the store is held in one read transaction meanwhile, so both connections
// read the same records.
constexpr qint64 rowsPerPart = 1024;
constexpr qint64 smallestSharedTable = 4 * rowsPerPart;

// The rowid ranges of the parts; none when the table is small enough to be walked whole.
std::vector<std::pair<qint64, qint64>> partsOf(Store &store, const WalkLayout &layout)
{
    std::vector<std::pair<qint64, qint64>> parts;
    QString sql = QString("SELECT min(rowid), max(rowid) FROM \"%1\"").arg(QString(layout.table()).replace('"', "\"\""));
    Store::Query bounds(store, sql);
    if (!bounds.next() || bounds.isNull(0))
        return parts;
    const qint64 first = bounds.value(0).toLongLong();
    const qint64 last = bounds.value(1).toLongLong();
    // Rowids may be sparse: the span is only an upper bound of the rows, and a span too wide for
    // its parts to be counted is walked whole.
    if (last - first < smallestSharedTable || last - first > 64 * 1024 * 1024)
        return parts;
    const qint64 span = last - first + 1;
    const qint64 count = std::min<qint64>((span + rowsPerPart - 1) / rowsPerPart, 4096);
    const qint64 size = (span + count - 1) / count;
    for (qint64 from = first; from <= last; from += size)
        parts.emplace_back(from, std::min(last, from + size - 1));
    return parts;
}

// The second thread: it walks the odd parts into two buffers in turn and hands each on once the
// one before it has been taken.
class PartWriter
{
public:
    // store: a connection of its own, used only by the thread from now on.
    PartWriter(std::shared_ptr<Store> store, const WalkLayout &layout, const QByteArray &elementStart,
               const std::vector<std::pair<qint64, qint64>> &parts)
        : m_thread([=, this, &layout, &parts] { run(*store, layout, elementStart, parts); })
    {
    }
    ~PartWriter()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    PartWriter(const PartWriter &) = delete;
    PartWriter &operator=(const PartWriter &) = delete;

    // The bytes of the next odd part, valid until the next call; passes on what the thread threw.
    QByteArrayView next()
    {
        std::unique_lock lock(m_mutex);
        if (m_taken) { // the part returned before has been handed on: its buffer is free again
            m_ready = nullptr;
            m_taken = false;
            m_changed.notify_all();
        }
        m_changed.wait(lock, [this] { return m_ready || m_failure; });
        if (m_failure)
            std::rethrow_exception(m_failure);
        m_taken = true;
        return m_ready->bytes();
    }

private:
    void run(Store &store, const WalkLayout &layout, const QByteArray &elementStart,
             const std::vector<std::pair<qint64, qint64>> &parts)
    {
        try {
            Store::Reading reading(store);
            for (size_t part = 1, turn = 0; part < parts.size(); part += 2, turn ^= 1) {
                ByteSink &sink = m_sinks[turn];
                sink.clear();
                TableWalk walk(store, layout, {parts[part].first, parts[part].second});
                walk.appendRecords(sink, elementStart, [this] { return !stopped(); });
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] { return !m_ready || m_stop; });
                if (m_stop)
                    return;
                m_ready = &sink;
                m_changed.notify_all();
            }
        } catch (...) {
            std::lock_guard lock(m_mutex);
            m_failure = std::current_exception();
            m_changed.notify_all();
        }
    }
    bool stopped()
    {
        std::lock_guard lock(m_mutex);
        return m_stop;
    }

    // Outlive the thread: the last part is read after the thread has ended.
    ByteSink m_sinks[2] = {ByteSink(nullptr), ByteSink(nullptr)};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const ByteSink *m_ready = nullptr;
    bool m_taken = false;
    std::exception_ptr m_failure;
    bool m_stop = false;
    std::thread m_thread;
};

// The document in UTF-8 after the given prefix, handed to out in pieces; nothing at all for an
// empty table. False when out refused a piece.
bool writeDocument(Store &store, const DocumentLayout &layout, QByteArrayView prefix, const ChunkWriter &out)
{
    const WalkLayout walkLayout(store, layout);
    const QByteArray elementStart = '<' + QByteArray(layout.recordElement) + ' ';
    ByteSink sink(&out);
    bool refused = false;
    const auto pieceDone = [&] {
        refused = !sink.flushIfFull();
        return !refused;
    };

    // The walk sees the store as one state: inside the caller's transaction, or in a read
    // transaction of its own.
    const bool ownReading = sqlite3_get_autocommit(store.connection());
    const Store::Reading reading(store);
    // Parts need a read transaction of the walk's own (another connection would not see changes
    // of the caller's transaction) and a table walked in rowid order.
    std::vector<std::pair<qint64, qint64>> parts;
    std::shared_ptr<Store> secondConnection;
    if (ownReading && walkLayout.inRowidOrder() && std::thread::hardware_concurrency() >= 2)
        parts = partsOf(store, walkLayout);
    if (!parts.empty()) {
        // A store that cannot be opened a second time (made read-only meanwhile) is walked whole.
        try {
            secondConnection = Store::open(store.path());
        } catch (const StoreError &) {
            parts.clear();
        }
    }

    // The first row decides whether there is a document at all (rowids may be sparse).
    if (!TableWalk(store, walkLayout).next())
        return true;
    sink.append(prefix);
    sink.append(QByteArrayView(layout.prologue));
    if (parts.size() < 2) {
        TableWalk(store, walkLayout).appendRecords(sink, elementStart, pieceDone);
        if (refused)
            return false;
        sink.append(QByteArrayView(layout.epilogue));
        return sink.flush();
    }

    PartWriter second(std::move(secondConnection), walkLayout, elementStart, parts);
    for (size_t part = 0; part < parts.size(); part += 2) {
        TableWalk walk(store, walkLayout, {parts[part].first, parts[part].second});
        walk.appendRecords(sink, elementStart, pieceDone);
        if (refused)
            return false;
        if (part + 1 < parts.size()) {
            if (!sink.flush())
                return false;
            const QByteArrayView bytes = second.next();
            for (qsizetype at = 0; at < bytes.size(); at += ByteSink::pieceSize)
                if (!out(bytes.sliced(at, std::min(ByteSink::pieceSize, bytes.size() - at))))
                    return false;
        }
    }
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
