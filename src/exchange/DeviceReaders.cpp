#include "exchange/DeviceReaders.h"

#include "exchange/DocumentReader.h"
#include "records/Store.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <array>
#include <cstring>
#include <vector>

namespace pimdesk {

namespace {

// One attribute of a record element and the field it fills. The name is spelled as the handheld
// writes it; another letter case of it is read too, but when an element carries both spellings
// the exact one wins. The alias is an older name of the same attribute, taken only when neither
// spelling of the name is there.
struct AttributeRule
{
    const char *name;
    const char *field;
    const char *absent = ""; // stored when the element lacks the attribute (nullptr: null)
    const char *alias = nullptr;
    bool deviceTime = false;
};

struct DocumentLayout
{
    const char *table;
    const char *kindName; // in the messages
    QByteArray recordElement;
    QList<QByteArray> containers;
    // The identity attribute as this program's writer spells it: a handheld keeps the attributes it
    // does not know, so an element may carry this program's identity beside the handheld's own
    // (another letter case), and then this one is the record's identity in the store.
    const char *identity;
    std::vector<AttributeRule> attributes;
    std::vector<std::pair<const char *, const char *>> fixedValues; // set on every record merged
};

const DocumentLayout &addressbookLayout()
{
    static const DocumentLayout layout{
        "Contacts",
        "주소록",
        "Contact",
        {"AddressBook", "Contacts", "Groups"},
        "uid",
        {
            {"Title", "Title"},
            {"FirstName", "FirstName"},
            {"FirstNamePronunciation", "FirstPronunciation"},
            {"MiddleName", "MiddleName"},
            {"LastName", "LastName"},
            {"Suffix", "Suffix"},
            {"FileAs", "FileAs"},
            {"JobTitle", "O_Title"},
            {"Department", "O_Department"},
            {"Company", "O_Company"},
            {"BusinessPhone", "O_Phone"},
            {"BusinessFax", "O_Fax"},
            {"BusinessMobile", "O_Mobile"},
            {"Emails", "Emails"},
            {"HomePhone", "H_Phone"},
            {"HomeFax", "H_Fax"},
            {"HomeMobile", "H_Mobile"},
            {"BusinessStreet", "O_Street"},
            {"BusinessCity", "O_City"},
            {"BusinessState", "O_State"},
            {"BusinessZip", "O_Zip"},
            {"BusinessCountry", "O_Country"},
            {"BusinessPager", "O_Pager"},
            {"BusinessWebPage", "O_URL"},
            {"Office", "O_Office"},
            {"Profession", "O_Profession"},
            {"Assistant", "O_Assistant"},
            {"Manager", "O_Manager"},
            {"HomeStreet", "H_Street"},
            {"HomeCity", "H_City"},
            {"HomeState", "H_State"},
            {"HomeZip", "H_Zip"},
            {"HomeCountry", "H_Country"},
            {"HomeWebPage", "H_URL"},
            {"Spouse", "H_Spouse"},
            {"Gender", "H_Gender", "0"},
            {"Birthday", "H_Birthday"},
            {"Anniversary", "H_Anniv"},
            {"Nickname", "Nickname"},
            {"Children", "H_Children"},
            {"Notes", "Notes"},
            {"LastNamePronunciation", "LastPronunciation"},
            {"CompanyPronunciation", "O_Pronunciation"},
            {"BUSINESS_CONTACT", "BusinessContact", "0"},
        },
        {{"BusinessCard", "0"}, {"Photo", ""}, {"Category", ""}},
    };
    return layout;
}

const DocumentLayout &todolistLayout()
{
    static const DocumentLayout layout{
        "Todo",
        "작업",
        "Task",
        {"Tasks"},
        "Uid",
        {
            {"Categories", "Categories"},
            {"HasDate", "Hasdate"},
            {"Description", "Description"},
            {"Priority", "Priority"},
            {"Completed", "Completed"},
            {"PercentCompleted", "PercentCompleted"},
            {"DateYear", "Dateyear"},
            {"DateMonth", "Datemonth"},
            {"DateDay", "Dateday"},
            {"Status", "Status"},
            {"StartedDate", "Starteddate"},
            {"CompletedDate", "Completeddate"},
            {"Notes", "Notes"},
            {"qdl-private-data", "qdl-private-data"},
        },
        {{"application", ""}},
    };
    return layout;
}

const DocumentLayout &datebookLayout()
{
    static const DocumentLayout layout{
        "Datebook",
        "일정",
        "event",
        {"DATEBOOK", "events"},
        "uid",
        {
            {"categories", "Categories"},
            {"start", "Start", nullptr, nullptr, true},
            {"end", "End", nullptr, nullptr, true},
            {"description", "Description"},
            {"location", "Location"},
            {"timezone", "Timezone"},
            {"note", "Note", "", "Notes"},
            {"type", "Type"},
            {"rtype", "Rtype"},
            {"rfreq", "Rfreq"},
            {"rweekdays", "Rweekdays"},
            {"rhasenddate", "Rhasenddate"},
            {"enddt", "Enddt", nullptr, nullptr, true},
            {"recchildren", "Recchildren"},
            {"exceptions", "Exceptions"},
            {"balarm", "balarm"},
            {"sound", "sound"},
            {"alarm", "alarm"},
            {"qdl-private-data", "qdl-private-data"},
        },
        {{"application", ""}, {"outlook_index", ""}},
    };
    return layout;
}

inline char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

// Attribute names of a layout, looked up without regard to letter case and without allocating:
// a record of the addressbook has some forty attributes, a document a hundred thousand records.
class NameTable
{
public:
    struct Entry
    {
        QByteArray exact;
        QByteArray lowered;
        int slot;      // 0: the identity; 1 + n: attribute n
        int exactRank; // a higher rank wins when an element spells a name more than one way
        int otherRank;
    };

    explicit NameTable(const DocumentLayout &layout)
    {
        m_index.fill(-1);
        add(layout.identity, 0, 4, 3);
        for (size_t n = 0; n < layout.attributes.size(); ++n) {
            add(layout.attributes[n].name, int(n) + 1, 4, 3);
            if (layout.attributes[n].alias)
                add(layout.attributes[n].alias, int(n) + 1, 2, 1);
        }
    }

    const Entry *find(QByteArrayView name) const
    {
        if (name.size() > maxName)
            return nullptr;
        std::array<char, maxName> lowered;
        for (qsizetype i = 0; i < name.size(); ++i)
            lowered[size_t(i)] = lower(name[i]);
        const QByteArrayView key(lowered.data(), name.size());
        for (size_t h = hash(key);; ++h) {
            const int e = m_index[h % m_index.size()];
            if (e < 0)
                return nullptr;
            if (m_entries[size_t(e)].lowered == key)
                return &m_entries[size_t(e)];
        }
    }

private:
    static constexpr qsizetype maxName = 64;

    static size_t hash(QByteArrayView lowered)
    {
        quint32 h = 2166136261u;
        for (const char c : lowered)
            h = (h ^ quint8(c)) * 16777619u;
        return h;
    }

    void add(const char *name, int slot, int exactRank, int otherRank)
    {
        Entry entry{name, QByteArray(name).toLower(), slot, exactRank, otherRank};
        size_t h = hash(entry.lowered);
        while (m_index[h % m_index.size()] >= 0)
            ++h;
        m_index[h % m_index.size()] = int(m_entries.size());
        m_entries.push_back(std::move(entry));
    }

    std::vector<Entry> m_entries;
    std::array<int, 256> m_index;
};

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

// Writes "yyyy-MM-dd HH:mm:ss" (19 bytes) for a device time value; false when it is not one.
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

QString quoted(const char *name)
{
    return QString("\"%1\"").arg(QLatin1String(name));
}

QString nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

ReadResult failed(QString text)
{
    ReadResult r;
    r.failure = std::move(text);
    return r;
}

class DocumentMerge
{
public:
    DocumentMerge(Store &store, const DocumentLayout &layout) : m_store(store), m_layout(layout), m_names(layout)
    {
        QStringList assignments, columns{quoted("ID")}, marks{"?1"};
        int parameter = 2;
        auto addField = [&](const char *field) {
            assignments << QString("%1 = ?%2").arg(quoted(field)).arg(parameter);
            columns << quoted(field);
            marks << QString("?%1").arg(parameter);
            ++parameter;
        };
        for (const AttributeRule &rule : layout.attributes)
            addField(rule.field);
        for (const auto &[field, value] : layout.fixedValues)
            addField(field);
        const QString table = quoted(layout.table);
        m_updateSql = QString("UPDATE %1 SET %2 WHERE \"ID\" = ?1").arg(table, assignments.join(", "));
        m_insertSql = QString("INSERT INTO %1 (%2) VALUES (%3)").arg(table, columns.join(", "), marks.join(", "));
        m_values.resize(layout.attributes.size() + 1);
        m_times.resize(layout.attributes.size());
    }

    ReadResult run(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return failed(QString("%1 파일을 읽을 수 없습니다.\r%2").arg(nativePath(path), file.errorString()));
        DocumentReader reader(file, m_layout.recordElement, m_layout.containers);
        ReadResult result;
        bool documentOfItsKind = false;
        try {
            // Prepared before the transaction opens: a statement that cannot be prepared (a store
            // without the table's fields) then leaves nothing to roll back.
            sqlite3_stmt *update = m_store.prepare(m_updateSql);
            sqlite3_stmt *insert = m_store.prepare(m_insertSql);
            Store::Transaction transaction(m_store);
            while (reader.next()) {
                documentOfItsKind = documentOfItsKind || reader.isDocumentElement();
                if (reader.damaged()) {
                    if (reader.isRecord() || (!reader.isDocumentElement() && reader.heldAttributes()))
                        ++result.skipped;
                    continue;
                }
                if (!reader.isRecord())
                    continue;
                if (merge(reader, update, insert))
                    ++result.merged;
                else
                    ++result.skipped;
            }
            if (reader.readFailed())
                return failed(QString("%1 파일을 읽는 중 오류가 났습니다.\r%2\r레코드를 하나도 가져오지 않았습니다.")
                                  .arg(nativePath(path), reader.errorString()));
            if (reader.sawContent() && !documentOfItsKind && !reader.sawDocumentType())
                return failed(QString("%1 파일은 Qtopia %2 문서가 아닙니다.\r레코드를 하나도 가져오지 않았습니다.")
                                  .arg(nativePath(path), QString::fromUtf8(m_layout.kindName)));
            transaction.commit();
        } catch (const StoreError &e) {
            return failed(e.message() + "\r레코드를 하나도 가져오지 않았습니다.");
        }
        result.ok = true;
        return result;
    }

private:
    struct Value
    {
        QByteArrayView text;
        int rank = 0;
    };

    // Merges one record element; false when it cannot be taken (no identity, an identity or a time
    // that is not a number).
    bool merge(const DocumentReader &reader, sqlite3_stmt *update, sqlite3_stmt *insert)
    {
        for (Value &v : m_values)
            v = Value{};
        for (const DocumentReader::Attribute &attribute : reader.attributes()) {
            const NameTable::Entry *entry = m_names.find(attribute.name);
            if (!entry)
                continue;
            const bool exact = attribute.name == QByteArrayView(entry->exact);
            const int rank = exact ? entry->exactRank : entry->otherRank;
            Value &slot = m_values[size_t(entry->slot)];
            if (rank > slot.rank)
                slot = Value{attribute.value, rank};
        }
        qint64 id = 0;
        if (m_values[0].rank == 0 || !parseWholeNumber(m_values[0].text, &id))
            return false;

        for (sqlite3_stmt *statement : {update, insert}) {
            sqlite3_reset(statement);
            sqlite3_bind_int64(statement, 1, id);
        }
        int parameter = 2;
        for (size_t n = 0; n < m_layout.attributes.size(); ++n, ++parameter) {
            const AttributeRule &rule = m_layout.attributes[n];
            const Value &v = m_values[n + 1];
            const bool present = v.rank > 0;
            if (rule.deviceTime) {
                if (!present || v.text.trimmed().isEmpty()) {
                    bindNull(update, insert, parameter);
                    continue;
                }
                if (!formatDeviceTime(v.text, m_times[n].data()))
                    return false;
                bindText(update, insert, parameter, m_times[n].data(), 19);
            } else if (present) {
                bindText(update, insert, parameter, v.text.data(), v.text.size());
            } else if (rule.absent) {
                bindText(update, insert, parameter, rule.absent, qsizetype(std::strlen(rule.absent)));
            } else {
                bindNull(update, insert, parameter);
            }
        }
        for (const auto &[field, value] : m_layout.fixedValues)
            bindText(update, insert, parameter++, value, qsizetype(std::strlen(value)));

        m_store.step(update);
        const bool found = sqlite3_changes(sqlite3_db_handle(update)) > 0;
        sqlite3_reset(update);
        if (!found) {
            m_store.step(insert);
            sqlite3_reset(insert);
        }
        return true;
    }

    static void bindText(sqlite3_stmt *a, sqlite3_stmt *b, int parameter, const char *text, qsizetype size)
    {
        // The bytes stay where they are until both statements have run for this record.
        sqlite3_bind_text(a, parameter, text, int(size), SQLITE_STATIC);
        sqlite3_bind_text(b, parameter, text, int(size), SQLITE_STATIC);
    }

    static void bindNull(sqlite3_stmt *a, sqlite3_stmt *b, int parameter)
    {
        sqlite3_bind_null(a, parameter);
        sqlite3_bind_null(b, parameter);
    }

    Store &m_store;
    const DocumentLayout &m_layout;
    NameTable m_names;
    QString m_updateSql;
    QString m_insertSql;
    std::vector<Value> m_values;
    std::vector<std::array<char, 20>> m_times;
};

ReadResult readWith(const DocumentLayout &layout, Store &store, const QString &stagingPath)
{
    return DocumentMerge(store, layout).run(stagingPath);
}

} // namespace

ReadResult ContactsFromAddressbookXml(Store &store, const QString &stagingPath)
{
    return readWith(addressbookLayout(), store, stagingPath);
}

ReadResult TodoFromTodolistXml(Store &store, const QString &stagingPath)
{
    return readWith(todolistLayout(), store, stagingPath);
}

ReadResult DatebookFromDatebookXml(Store &store, const QString &stagingPath)
{
    return readWith(datebookLayout(), store, stagingPath);
}

ReadResult readDeviceDocument(RecordKind kind, Store &store, const QString &stagingPath)
{
    switch (kind) {
    case RecordKind::Contacts:
        return ContactsFromAddressbookXml(store, stagingPath);
    case RecordKind::Events:
        return DatebookFromDatebookXml(store, stagingPath);
    case RecordKind::Tasks:
        return TodoFromTodolistXml(store, stagingPath);
    }
    return failed(QString());
}

QString dateTimeFromDeviceTime(QByteArrayView seconds)
{
    char text[20];
    if (!formatDeviceTime(seconds, text))
        return QString();
    return QString::fromLatin1(text, 19);
}

} // namespace pimdesk
