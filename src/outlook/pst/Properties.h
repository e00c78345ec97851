#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace pimdesk::pst {

// MAPI property value types as an Outlook data file stores them.
enum PropertyType : quint16 {
    PT_SHORT = 0x0002,
    PT_LONG = 0x0003,
    PT_DOUBLE = 0x0005,
    PT_BOOLEAN = 0x000B,
    PT_I8 = 0x0014,
    PT_STRING8 = 0x001E,
    PT_UNICODE = 0x001F,
    PT_SYSTIME = 0x0040,
    PT_BINARY = 0x0102,
    PT_MV_STRING8 = 0x101E,
    PT_MV_UNICODE = 0x101F,
};

// A property set of named properties, by its GUID in the byte order the file keeps it.
enum class PropertySet { Appointment, Task, Address, Common, PublicStrings };
QByteArray propertySetGuid(PropertySet set);

// A named property: a property set plus a numeric id (LID) or a string name.
struct NamedProperty
{
    QByteArray guid;
    quint32 lid = 0;
    QString name; // empty for numeric names

    bool operator==(const NamedProperty &other) const = default;
};
size_t qHash(const NamedProperty &key, size_t seed = 0);

// One stored value: its type and its bytes, as the file keeps them.
struct PropertyValue
{
    quint16 type = 0;
    QByteArray data;
};

// Outlook's "no date": 4501-01-01 00:00, stored as a FILETIME by items that say "none" explicitly.
constexpr quint64 noDateFiletime = 0x0CB34557A3DD4000ULL;

// The properties of one item or folder, copied out of the file so that reading them cannot fail
// later. Texts are decoded with codePage (8-bit values) or as UTF-16LE (Unicode values).
class Properties
{
public:
    void setCodePage(int codePage) { m_codePage = codePage; }
    int codePage() const { return m_codePage; }

    void insert(quint16 id, PropertyValue value) { m_fixed.insert(id, std::move(value)); }
    void insert(const NamedProperty &name, PropertyValue value) { m_named.insert(name, std::move(value)); }

    const PropertyValue *find(quint16 id) const;
    const PropertyValue *find(PropertySet set, quint32 lid) const;
    const PropertyValue *find(PropertySet set, const QString &name) const;

    // Values by their meaning. Absent values (or values of an unexpected type) give the fallback.
    QString text(const PropertyValue *value) const;      // "" when absent
    QStringList texts(const PropertyValue *value) const; // multi-valued texts
    std::optional<qint64> integer(const PropertyValue *value) const;
    bool flag(const PropertyValue *value) const; // false when absent
    std::optional<quint64> filetime(const PropertyValue *value) const;
    QByteArray binary(const PropertyValue *value) const;

    QString text(quint16 id) const { return text(find(id)); }
    QString text(PropertySet set, quint32 lid) const { return text(find(set, lid)); }

    bool isEmpty() const { return m_fixed.isEmpty() && m_named.isEmpty(); }

private:
    QHash<quint16, PropertyValue> m_fixed;
    QHash<NamedProperty, PropertyValue> m_named;
    int m_codePage = 1252;
};

// A FILETIME (100 ns since 1601-01-01 UTC) as a UTC date-time.
QDateTime utcFromFiletime(quint64 filetime);
// A count of minutes since 1601-01-01 00:00 as a date-time without time zone (the recurrence
// blob's dates are wall-clock dates of the appointment's own zone).
QDateTime wallClockFromMinutes(quint32 minutes);

// The property ids the Outlook back end reads.
namespace tag {
constexpr quint16 Importance = 0x0017;
constexpr quint16 MessageClass = 0x001A;
constexpr quint16 Subject = 0x0037;
constexpr quint16 StartDate = 0x0060;
constexpr quint16 EndDate = 0x0061;
constexpr quint16 RecordKey = 0x0FF9;
constexpr quint16 Body = 0x1000;
constexpr quint16 RtfCompressed = 0x1009;
constexpr quint16 BodyHtml = 0x1013;
constexpr quint16 AttributeHidden = 0x10F4;
constexpr quint16 DisplayName = 0x3001;
constexpr quint16 CreationTime = 0x3007;
constexpr quint16 LastModificationTime = 0x3008;
constexpr quint16 IpmSubtreeEntryId = 0x35E0;
constexpr quint16 ContainerClass = 0x3613;
constexpr quint16 IpmAppointmentEntryId = 0x36D0;
constexpr quint16 IpmContactEntryId = 0x36D1;
constexpr quint16 IpmTaskEntryId = 0x36D4;
constexpr quint16 InternetCodepage = 0x3FDE;
constexpr quint16 MessageLocaleId = 0x3FF1;
constexpr quint16 MessageCodepage = 0x3FFD;
constexpr quint16 FolderId = 0x67F4;
constexpr quint16 PstPassword = 0x67FF;
} // namespace tag

} // namespace pimdesk::pst
