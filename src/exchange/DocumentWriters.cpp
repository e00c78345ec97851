#include "exchange/DocumentWriters.h"

#include "exchange/DeviceTime.h"
#include "records/JetSql.h"
#include "records/Store.h"
#include "records/TextConversion.h"

#include <vector>

namespace pimdesk {

namespace {

enum class Value {
    Escaped,    // attribute escaping: blanks trimmed, < > " as entities
    Plain,      // blanks trimmed, nothing escaped
    PlainLast,  // as Plain, and no blank follows the closing quote
    DeviceTime, // a stored date-time as the device's count of seconds
    EndDate,    // enddt: present with Enddt, value by the end-date rule
};

struct Attribute
{
    const char16_t *name; // attribute of the document
    const char *field;    // field of the table
    Value value;
};

struct Column
{
    QStringView name;
    int index;
    Value value;
};

// One table walked in stored order, with each attribute's column found once by name.
class TableWalk
{
public:
    TableWalk(Store &store, const char *recordSource, const std::vector<Attribute> &attributes)
        : m_query(store, jet::selectSql(jet::parseSource(QLatin1String(recordSource)), "*"))
    {
        const int count = m_query.columnCount();
        for (const Attribute &a : attributes) {
            m_columns.push_back({QStringView(a.name), columnOf(QLatin1String(a.field), count), a.value});
        }
        m_start = columnOf(QLatin1String("Start"), count);
        m_hasEndDate = columnOf(QLatin1String("Rhasenddate"), count);
    }

    bool next() { return m_query.next(); }

    // Appends the entries of the current record under the presence rule.
    void appendEntries(QString &out) const
    {
        for (const Column &c : m_columns) {
            if (c.index < 0)
                continue;
            const QString stored = m_query.text(c.index);
            if (stored.isNull())
                continue;
            switch (c.value) {
            case Value::Escaped:
                appendEntry(out, c.name, escapeAttributeValue(stored));
                break;
            case Value::Plain:
                appendEntry(out, c.name, trimBlanks(stored));
                break;
            case Value::PlainLast: {
                const QString v = trimBlanks(stored);
                if (!v.isEmpty()) {
                    out += c.name;
                    out += u"=\"";
                    out += v;
                    out += u'"';
                }
                break;
            }
            case Value::DeviceTime:
                appendNumber(out, c.name, deviceTimeValue(stored));
                break;
            case Value::EndDate:
                if (!trimBlanks(stored).isEmpty())
                    appendNumber(out, c.name, endDateValue(stored));
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

    static void appendEntry(QString &out, QStringView name, const QString &value)
    {
        if (value.isEmpty())
            return;
        out += name;
        out += u"=\"";
        out += value;
        out += u"\" ";
    }

    static void appendNumber(QString &out, QStringView name, std::optional<qint64> value)
    {
        // A date that cannot be read leaves its attribute out rather than stopping the export.
        if (!value)
            return;
        out += name;
        out += u"=\"";
        out += QString::number(*value);
        out += u"\" ";
    }

    // The end of a repetition: with the end flag null, the start counted without the lower bound;
    // with the flag set, the end date; with the flag blank, the start.
    std::optional<qint64> endDateValue(const QString &endDate) const
    {
        const QString start = m_start < 0 ? QString() : m_query.text(m_start);
        const QString flag = m_hasEndDate < 0 ? QString() : m_query.text(m_hasEndDate);
        if (flag.isNull())
            return unboundedDeviceTimeValue(start);
        if (!trimBlanks(flag).isEmpty())
            return deviceTimeValue(endDate);
        return deviceTimeValue(start);
    }

    Store::Query m_query;
    std::vector<Column> m_columns;
    int m_start = -1;
    int m_hasEndDate = -1;
};

QString writeDocument(Store &store, const char *recordSource, const std::vector<Attribute> &attributes,
                      QStringView prologue, QStringView elementStart, QStringView epilogue)
{
    TableWalk walk(store, recordSource, attributes);
    if (!walk.next())
        return QString();
    QString out;
    out.reserve(64 * 1024);
    out += prologue;
    do {
        out += elementStart;
        walk.appendEntries(out);
        out += u"/>";
    } while (walk.next());
    out += epilogue;
    return out;
}

const std::vector<Attribute> &contactAttributes()
{
    static const std::vector<Attribute> attributes{
        {u"uid", "ID", Value::Plain},
        {u"title", "Title", Value::Escaped},
        {u"FirstName", "FirstName", Value::Escaped},
        {u"FirstNamePronunciation", "FirstPronunciation", Value::Escaped},
        {u"MiddleName", "MiddleName", Value::Escaped},
        {u"LastName", "LastName", Value::Escaped},
        {u"Suffix", "Suffix", Value::Escaped},
        {u"FileAs", "FileAs", Value::Escaped},
        {u"JobTitle", "O_Title", Value::Escaped},
        {u"Department", "O_Department", Value::Escaped},
        {u"Company", "O_Company", Value::Escaped},
        {u"BusinessPhone", "O_Phone", Value::Escaped},
        {u"BusinessFax", "O_Fax", Value::Escaped},
        {u"BusinessMobile", "O_Mobile", Value::Escaped},
        {u"Emails", "Emails", Value::Escaped},
        {u"HomePhone", "H_Phone", Value::Escaped},
        {u"HomeFax", "H_Fax", Value::Escaped},
        {u"HomeMobile", "H_Mobile", Value::Escaped},
        {u"BusinessStreet", "O_Street", Value::Escaped},
        {u"BusinessCity", "O_City", Value::Escaped},
        {u"BusinessState", "O_State", Value::Escaped},
        {u"BusinessZip", "O_Zip", Value::Escaped},
        {u"BusinessCountry", "O_Country", Value::Escaped},
        {u"BusinessPager", "O_Pager", Value::Escaped},
        {u"BusinessWebPage", "O_URL", Value::Escaped},
        {u"Office", "O_Office", Value::Escaped},
        {u"Profession", "O_Profession", Value::Escaped},
        {u"Assistant", "O_Assistant", Value::Escaped},
        {u"Manager", "O_Manager", Value::Escaped},
        {u"HomeStreet", "H_Street", Value::Escaped},
        {u"HomeCity", "H_City", Value::Escaped},
        {u"HomeState", "H_State", Value::Escaped},
        {u"HomeZip", "H_Zip", Value::Escaped},
        {u"HomeCountry", "H_Country", Value::Escaped},
        {u"HomeWebPage", "H_URL", Value::Escaped},
        {u"Spouse", "H_Spouse", Value::Escaped},
        {u"Gender", "H_Gender", Value::Escaped},
        {u"Birthday", "H_Birthday", Value::Escaped},
        {u"Anniversary", "H_Anniv", Value::Escaped},
        {u"Nickname", "Nickname", Value::Escaped},
        {u"Children", "H_Children", Value::Escaped},
        {u"Notes", "Notes", Value::Escaped},
        {u"LastNamePronunciation", "LastPronunciation", Value::Escaped},
        {u"CompanyPronunciation", "O_Pronunciation", Value::Escaped},
        {u"BUSINESS_CONTACT", "BusinessContact", Value::Escaped},
    };
    return attributes;
}

const std::vector<Attribute> &taskAttributes()
{
    static const std::vector<Attribute> attributes{
        {u"Uid", "ID", Value::Plain},
        {u"Categories", "Categories", Value::Escaped},
        {u"Hasdate", "Hasdate", Value::Escaped},
        {u"Description", "Description", Value::Escaped},
        {u"Priority", "Priority", Value::Escaped},
        {u"Completed", "Completed", Value::Escaped},
        {u"PercentCompleted", "PercentCompleted", Value::Escaped},
        {u"Dateyear", "Dateyear", Value::Escaped},
        {u"Datemonth", "Datemonth", Value::Escaped},
        {u"Dateday", "Dateday", Value::Escaped},
        {u"Status", "Status", Value::Escaped},
        {u"Starteddate", "Starteddate", Value::Escaped},
        {u"Completeddate", "Completeddate", Value::Escaped},
        {u"Notes", "Notes", Value::Escaped},
        {u"qdl-private-data", "qdl-private-data", Value::PlainLast},
    };
    return attributes;
}

const std::vector<Attribute> &eventAttributes()
{
    static const std::vector<Attribute> attributes{
        {u"uid", "ID", Value::Plain},
        {u"categories", "Categories", Value::Escaped},
        {u"description", "Description", Value::Escaped},
        {u"location", "Location", Value::Escaped},
        {u"timezone", "Timezone", Value::Escaped},
        {u"note", "Note", Value::Escaped},
        {u"start", "Start", Value::DeviceTime},
        {u"end", "End", Value::DeviceTime},
        {u"type", "Type", Value::Plain},
        {u"rtype", "Rtype", Value::Plain},
        {u"rfreq", "Rfreq", Value::Plain},
        {u"rweekdays", "Rweekdays", Value::Plain},
        {u"rhasenddate", "Rhasenddate", Value::Plain},
        {u"enddt", "Enddt", Value::EndDate},
        {u"recchildren", "Recchildren", Value::Plain},
        {u"exceptions", "Exceptions", Value::Plain},
        {u"balarm", "balarm", Value::Plain},
        {u"sound", "sound", Value::Plain},
        {u"alarm", "alarm", Value::Plain},
        {u"qdl-private-data", "qdl-private-data", Value::Plain},
    };
    return attributes;
}

} // namespace

QString AddressbookXmlFromContacts(Store &store)
{
    return writeDocument(store, "SELECT * FROM Contacts", contactAttributes(),
                         u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE Addressbook >"
                         u"<AddressBook><Groups></Groups><Contacts>",
                         u"<Contact ", u"</Contacts></AddressBook>");
}

QString TodolistXmlFromTodo(Store &store)
{
    return writeDocument(store, "SELECT * FROM Todo", taskAttributes(), u"<!DOCTYPE Tasks><Tasks>", u"<Task ",
                         u"</Tasks>");
}

QString DatebookXmlFromDatebook(Store &store)
{
    return writeDocument(store, "SELECT * FROM Datebook ORDERBY", eventAttributes(),
                         u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE DATEBOOK><events>", u"<event ",
                         u"</events>");
}

QString documentFromStore(RecordKind kind, Store &store)
{
    switch (kind) {
    case RecordKind::Contacts:
        return AddressbookXmlFromContacts(store);
    case RecordKind::Events:
        return DatebookXmlFromDatebook(store);
    case RecordKind::Tasks:
        return TodolistXmlFromTodo(store);
    }
    return QString();
}

} // namespace pimdesk
