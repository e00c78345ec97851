#include "outlook/pst/PstOutlook.h"

#include "outlook/pst/BodyText.h"
#include "outlook/pst/CodePages.h"
#include "outlook/pst/PstFile.h"
#include "outlook/pst/Recurrence.h"

#include <QFileInfo>

namespace pimdesk::outlook {

namespace {

using pst::Message;
using pst::Properties;
using pst::PropertySet;
namespace tag = pst::tag;

// Named properties the members read (their property set and numeric id).
namespace lid {
constexpr quint32 FileUnder = 0x8005;               // Address
constexpr quint32 HomeAddress = 0x801A;             // Address
constexpr quint32 WorkAddress = 0x801B;             // Address
constexpr quint32 WorkAddressStreet = 0x8045;       // Address
constexpr quint32 WorkAddressCity = 0x8046;         // Address
constexpr quint32 WorkAddressState = 0x8047;        // Address
constexpr quint32 WorkAddressPostalCode = 0x8048;   // Address
constexpr quint32 WorkAddressCountry = 0x8049;      // Address
constexpr quint32 Email1EmailAddress = 0x8083;      // Address
constexpr quint32 BirthdayLocal = 0x80DE;           // Address
constexpr quint32 WeddingAnniversaryLocal = 0x80DF; // Address
constexpr quint32 TaskStatus = 0x8101;              // Task
constexpr quint32 TaskStartDate = 0x8104;           // Task
constexpr quint32 TaskDueDate = 0x8105;             // Task
constexpr quint32 TaskDateCompleted = 0x810F;       // Task
constexpr quint32 TaskComplete = 0x811C;            // Task
constexpr quint32 Location = 0x8208;                // Appointment
constexpr quint32 AppointmentStartWhole = 0x820D;   // Appointment
constexpr quint32 AppointmentEndWhole = 0x820E;     // Appointment
constexpr quint32 AppointmentSubType = 0x8215;      // Appointment
constexpr quint32 AppointmentRecur = 0x8216;        // Appointment
constexpr quint32 Recurring = 0x8223;               // Appointment
constexpr quint32 ReminderDelta = 0x8501;           // Common
constexpr quint32 ReminderSet = 0x8503;             // Common
constexpr quint32 Mileage = 0x8534;                 // Common
} // namespace lid

// Contact properties with fixed ids.
namespace contact {
constexpr quint16 Generation = 0x3A05;
constexpr quint16 GivenName = 0x3A06;
constexpr quint16 BusinessTelephoneNumber = 0x3A08;
constexpr quint16 HomeTelephoneNumber = 0x3A09;
constexpr quint16 Surname = 0x3A11;
constexpr quint16 CompanyName = 0x3A16;
constexpr quint16 Title = 0x3A17;
constexpr quint16 DepartmentName = 0x3A18;
constexpr quint16 OfficeLocation = 0x3A19;
constexpr quint16 MobileTelephoneNumber = 0x3A1C;
constexpr quint16 PagerTelephoneNumber = 0x3A21;
constexpr quint16 BusinessFaxNumber = 0x3A24;
constexpr quint16 HomeFaxNumber = 0x3A25;
constexpr quint16 Assistant = 0x3A30;
constexpr quint16 WeddingAnniversary = 0x3A41;
constexpr quint16 Birthday = 0x3A42;
constexpr quint16 MiddleName = 0x3A44;
constexpr quint16 DisplayNamePrefix = 0x3A45;
constexpr quint16 Profession = 0x3A46;
constexpr quint16 SpouseName = 0x3A48;
constexpr quint16 Gender = 0x3A4D;
constexpr quint16 ManagerName = 0x3A4E;
constexpr quint16 Nickname = 0x3A4F;
constexpr quint16 PersonalHomePage = 0x3A50;
constexpr quint16 BusinessHomePage = 0x3A51;
constexpr quint16 ChildrensNames = 0x3A58;
constexpr quint16 HomeAddressCity = 0x3A59;
constexpr quint16 HomeAddressCountry = 0x3A5A;
constexpr quint16 HomeAddressPostalCode = 0x3A5B;
constexpr quint16 HomeAddressStateOrProvince = 0x3A5C;
constexpr quint16 HomeAddressStreet = 0x3A5D;
} // namespace contact

bool hasClass(const QString &messageClass, QLatin1String base)
{
    return messageClass.compare(base, Qt::CaseInsensitive) == 0 ||
           (messageClass.size() > base.size() && messageClass.startsWith(base, Qt::CaseInsensitive) &&
            messageClass.at(base.size()) == u'.');
}

// A stored instant (UTC) as Outlook shows it: in this computer's time zone.
QDateTime localTime(const Properties &p, const pst::PropertyValue *value)
{
    const auto filetime = p.filetime(value);
    if (!filetime)
        return QDateTime();
    return pst::utcFromFiletime(*filetime).toLocalTime();
}

// A stored date that is a wall-clock date at midnight (task dates, a contact's local birthday):
// its day as it stands, no time zone applied. Absent or Outlook's 4501-01-01 mean none.
std::optional<QDate> wallDate(const Properties &p, const pst::PropertyValue *value)
{
    const auto filetime = p.filetime(value);
    if (!filetime || *filetime >= pst::noDateFiletime)
        return std::nullopt;
    return pst::utcFromFiletime(*filetime).date();
}

QDateTime dateOrNone(std::optional<QDate> date)
{
    return date ? QDateTime(*date, QTime(0, 0)) : noDate();
}

// What every item of a data file shares.
class ItemData
{
public:
    ItemData(std::shared_ptr<const Message> message, QString entryId)
        : m_message(std::move(message)), m_entryId(std::move(entryId))
    {}

    const Properties &p() const { return m_message->properties; }

    QString entryId() const { return m_entryId; }
    QString subject() const
    {
        // A stored subject may begin with a marker (character 1, then the length of its prefix such
        // as "RE: "), which is not part of the text.
        QString subject = p().text(tag::Subject);
        if (subject.size() >= 2 && subject.at(0) == QChar(1))
            subject.remove(0, 2);
        return subject;
    }
    QString categories() const
    {
        return p().texts(p().find(PropertySet::PublicStrings, QStringLiteral("Keywords"))).join(QStringLiteral(", "));
    }

    QString body() const
    {
        const QString plain = p().text(tag::Body);
        if (!plain.isEmpty())
            return plain;
        if (const pst::PropertyValue *html = p().find(tag::BodyHtml)) {
            if (html->type == pst::PT_UNICODE || html->type == pst::PT_STRING8)
                return pst::textFromHtml(p().text(html));
            // An HTML body kept as bytes is in the item's Internet code page.
            const qint64 internet = p().integer(p().find(tag::InternetCodepage)).value_or(0);
            const int codePage = internet == 65001 ? 65001
                                 : pst::codePageOfInternetCodePage(quint32(internet))
                                     ? pst::codePageOfInternetCodePage(quint32(internet))
                                     : p().codePage();
            return pst::textFromHtml(pst::decodeCodePage(html->data, codePage));
        }
        if (!m_message->rtf.isEmpty())
            return pst::textFromRtf(m_message->rtf, p().codePage());
        return QString("");
    }

    QDateTime lastModificationTime() const
    {
        // Offline stores keep no modification time: an item's creation is its last known change.
        if (const pst::PropertyValue *modified = p().find(tag::LastModificationTime))
            return localTime(p(), modified);
        return localTime(p(), p().find(tag::CreationTime));
    }

private:
    std::shared_ptr<const Message> m_message;
    QString m_entryId;
};

#define PIMDESK_COMMON_MEMBERS                                                                                         \
    QString EntryID() const override                                                                                   \
    {                                                                                                                  \
        return m_data.entryId();                                                                                       \
    }                                                                                                                  \
    QString Subject() const override                                                                                   \
    {                                                                                                                  \
        return m_data.subject();                                                                                       \
    }                                                                                                                  \
    QString Body() const override                                                                                      \
    {                                                                                                                  \
        return m_data.body();                                                                                          \
    }                                                                                                                  \
    QString Categories() const override                                                                                \
    {                                                                                                                  \
        return m_data.categories();                                                                                    \
    }

class PstOtherItem : public OtherItem
{
public:
    explicit PstOtherItem(ItemData data) : m_data(std::move(data)) {}
    PIMDESK_COMMON_MEMBERS

private:
    ItemData m_data;
};

class PstContactItem : public ContactItem
{
public:
    explicit PstContactItem(ItemData data) : m_data(std::move(data)) {}
    PIMDESK_COMMON_MEMBERS

    QString Title() const override { return text(contact::DisplayNamePrefix); }
    QString FirstName() const override { return text(contact::GivenName); }
    QString MiddleName() const override { return text(contact::MiddleName); }
    QString LastName() const override { return text(contact::Surname); }
    QString Suffix() const override { return text(contact::Generation); }
    QString NickName() const override { return text(contact::Nickname); }
    QString Email1Address() const override { return address(lid::Email1EmailAddress); }
    QString CompanyName() const override { return text(contact::CompanyName); }
    QString JobTitle() const override { return text(contact::Title); }
    QString BusinessTelephoneNumber() const override { return text(contact::BusinessTelephoneNumber); }
    QString MobileTelephoneNumber() const override { return text(contact::MobileTelephoneNumber); }
    QString BusinessFaxTelephoneNumber() const override { return text(contact::BusinessFaxNumber); }
    QString PagerNumber() const override { return text(contact::PagerTelephoneNumber); }
    QString BusinessAddressStreet() const override { return address(lid::WorkAddressStreet); }
    QString BusinessAddressCity() const override { return address(lid::WorkAddressCity); }
    QString BusinessAddressState() const override { return address(lid::WorkAddressState); }
    QString BusinessAddressPostalCode() const override { return address(lid::WorkAddressPostalCode); }
    QString BusinessAddressCountry() const override { return address(lid::WorkAddressCountry); }
    QString BusinessHomePage() const override { return text(contact::BusinessHomePage); }
    QString Department() const override { return text(contact::DepartmentName); }
    QString OfficeLocation() const override { return text(contact::OfficeLocation); }
    QString Profession() const override { return text(contact::Profession); }
    QString ManagerName() const override { return text(contact::ManagerName); }
    QString AssistantName() const override { return text(contact::Assistant); }
    QString HomeTelephoneNumber() const override { return text(contact::HomeTelephoneNumber); }
    QString HomeFaxTelephoneNumber() const override { return text(contact::HomeFaxNumber); }
    QString HomeAddressStreet() const override { return text(contact::HomeAddressStreet); }
    QString HomeAddressCity() const override { return text(contact::HomeAddressCity); }
    QString HomeAddressState() const override { return text(contact::HomeAddressStateOrProvince); }
    QString HomeAddressPostalCode() const override { return text(contact::HomeAddressPostalCode); }
    QString HomeAddressCountry() const override { return text(contact::HomeAddressCountry); }
    QString PersonalHomePage() const override { return text(contact::PersonalHomePage); }
    QString Spouse() const override { return text(contact::SpouseName); }
    QString Children() const override { return text(contact::ChildrensNames); }
    QDateTime Anniversary() const override
    {
        return personalDate(lid::WeddingAnniversaryLocal, contact::WeddingAnniversary);
    }
    int Gender() const override { return int(p().integer(p().find(contact::Gender)).value_or(0)); }
    QDateTime Birthday() const override { return personalDate(lid::BirthdayLocal, contact::Birthday); }
    QString FileAs() const override { return address(lid::FileUnder); }
    QString FullName() const override { return text(tag::DisplayName); }
    QString BusinessAddress() const override { return address(lid::WorkAddress); }
    QString HomeAddress() const override { return address(lid::HomeAddress); }

private:
    const Properties &p() const { return m_data.p(); }
    QString text(quint16 id) const { return p().text(id); }
    QString address(quint32 id) const { return p().text(PropertySet::Address, id); }

    // Newer Outlooks keep the day itself beside the instant of its midnight in the writer's zone;
    // the day is what the user typed.
    QDateTime personalDate(quint32 localId, quint16 instantId) const
    {
        if (const pst::PropertyValue *local = p().find(PropertySet::Address, localId))
            return dateOrNone(wallDate(p(), local));
        const auto filetime = p().filetime(p().find(instantId));
        if (!filetime || *filetime >= pst::noDateFiletime)
            return noDate();
        return QDateTime(pst::utcFromFiletime(*filetime).toLocalTime().date(), QTime(0, 0));
    }

    ItemData m_data;
};

class PstTaskItem : public TaskItem
{
public:
    explicit PstTaskItem(ItemData data) : m_data(std::move(data)) {}
    PIMDESK_COMMON_MEMBERS

    QDateTime LastModificationTime() const override { return m_data.lastModificationTime(); }
    int Importance() const override { return int(p().integer(p().find(tag::Importance)).value_or(1)); }
    QString Mileage() const override { return p().text(PropertySet::Common, lid::Mileage); }
    bool Complete() const override { return p().flag(p().find(PropertySet::Task, lid::TaskComplete)); }
    QDateTime DueDate() const override { return taskDate(lid::TaskDueDate); }
    int Status() const override { return int(p().integer(p().find(PropertySet::Task, lid::TaskStatus)).value_or(0)); }
    QDateTime StartDate() const override { return taskDate(lid::TaskStartDate); }
    QDateTime DateCompleted() const override { return taskDate(lid::TaskDateCompleted); }

private:
    const Properties &p() const { return m_data.p(); }
    // Task dates are the user's own days, kept at midnight without a time zone.
    QDateTime taskDate(quint32 id) const { return dateOrNone(wallDate(p(), p().find(PropertySet::Task, id))); }

    ItemData m_data;
};

class PstRecurrencePattern : public RecurrencePattern
{
public:
    // start: the series' first occurrence in this computer's time.
    PstRecurrencePattern(const pst::Recurrence &r, QDateTime start) : m_r(r), m_start(std::move(start)) {}
    int RecurrenceType() const override { return m_r.recurrenceType; }
    int Occurrences() const override { return m_r.occurrences; }
    int DayOfWeekMask() const override { return m_r.dayOfWeekMask; }
    int Instance() const override { return m_r.instance; }
    bool NoEndDate() const override { return m_r.noEndDate; }
    QDateTime PatternEndDate() const override { return m_r.patternEndDate; }
    int Interval() const override { return m_r.interval; }
    int DayOfMonth() const override { return m_r.dayOfMonth; }
    int MonthOfYear() const override
    {
        return m_r.recurrenceType >= 5 && m_r.patternStartDate.isValid() ? m_r.patternStartDate.date().month() : 0;
    }
    QDateTime PatternStartDate() const override { return m_r.patternStartDate; }
    // An occurrence's original start is as many days after the first occurrence's start as its day
    // is after the first day.
    QList<RecurrenceException> Exceptions() const override
    {
        QList<RecurrenceException> exceptions;
        if (!m_start.isValid() || !m_r.patternStartDate.isValid())
            return exceptions;
        const QDate first = m_r.patternStartDate.date();
        for (const QDate &day : m_r.deletedDates)
            exceptions.append({m_start.addDays(first.daysTo(day)), !m_r.changedDates.contains(day)});
        return exceptions;
    }

private:
    pst::Recurrence m_r;
    QDateTime m_start;
};

class PstAppointmentItem : public AppointmentItem
{
public:
    PstAppointmentItem(ItemData data, std::optional<pst::Recurrence> recurrence)
        : m_data(std::move(data)), m_recurrence(std::move(recurrence))
    {}
    PIMDESK_COMMON_MEMBERS

    QDateTime LastModificationTime() const override { return m_data.lastModificationTime(); }
    QString Location() const override { return p().text(PropertySet::Appointment, lid::Location); }
    QDateTime Start() const override { return instant(lid::AppointmentStartWhole, tag::StartDate); }
    QDateTime End() const override { return instant(lid::AppointmentEndWhole, tag::EndDate); }
    bool AllDayEvent() const override { return p().flag(p().find(PropertySet::Appointment, lid::AppointmentSubType)); }
    bool ReminderSet() const override { return p().flag(p().find(PropertySet::Common, lid::ReminderSet)); }
    int ReminderMinutesBeforeStart() const override
    {
        return int(p().integer(p().find(PropertySet::Common, lid::ReminderDelta)).value_or(15));
    }
    int RecurrenceState() const override { return m_recurrence ? olApptMaster : olApptNotRecurring; }
    std::shared_ptr<RecurrencePattern> GetRecurrencePattern() override
    {
        if (!m_recurrence)
            return nullptr;
        return std::make_shared<PstRecurrencePattern>(*m_recurrence, Start());
    }

private:
    const Properties &p() const { return m_data.p(); }
    QDateTime instant(quint32 id, quint16 copy) const
    {
        if (const pst::PropertyValue *whole = p().find(PropertySet::Appointment, id))
            return localTime(p(), whole);
        return localTime(p(), p().find(copy));
    }

    ItemData m_data;
    std::optional<pst::Recurrence> m_recurrence;
};

#undef PIMDESK_COMMON_MEMBERS

struct Entry
{
    std::shared_ptr<const Message> message;
    std::optional<pst::Recurrence> recurrence;
};

class PstItems : public Items
{
public:
    PstItems(QList<Entry> entries, QByteArray recordKey)
        : m_entries(std::move(entries)), m_recordKey(std::move(recordKey))
    {}
    int Count() override { return int(m_entries.size()); }
    std::shared_ptr<outlook::Item> Item(int index) override
    {
        if (index < 1 || index > m_entries.size())
            throw OutlookError(QStringLiteral("폴더에 %1번째 항목이 없습니다.").arg(index));
        const Entry &entry = m_entries.at(index - 1);
        ItemData data(entry.message, pst::entryIdText(m_recordKey, entry.message->identifier));
        const QString &messageClass = entry.message->messageClass;
        if (hasClass(messageClass, QLatin1String("IPM.Contact")))
            return std::make_shared<PstContactItem>(std::move(data));
        if (hasClass(messageClass, QLatin1String("IPM.Task")))
            return std::make_shared<PstTaskItem>(std::move(data));
        if (hasClass(messageClass, QLatin1String("IPM.Appointment")))
            return std::make_shared<PstAppointmentItem>(std::move(data), entry.recurrence);
        return std::make_shared<PstOtherItem>(std::move(data));
    }

private:
    QList<Entry> m_entries;
    QByteArray m_recordKey;
};

class PstFolder : public MAPIFolder
{
public:
    PstFolder(std::shared_ptr<pst::File> file, quint32 identifier) : m_file(std::move(file)), m_identifier(identifier)
    {}

    std::shared_ptr<outlook::Items> Items() override
    {
        QList<Entry> entries;
        try {
            const QList<Message> messages = m_file->messages(m_identifier);
            entries.reserve(messages.size());
            for (const Message &message : messages) {
                Entry entry{std::make_shared<const Message>(message), std::nullopt};
                // A series whose pattern cannot be read is a damaged item: found out here, before
                // the import stores anything.
                if (hasClass(message.messageClass, QLatin1String("IPM.Appointment")) &&
                    message.properties.flag(message.properties.find(PropertySet::Appointment, lid::Recurring))) {
                    if (const pst::PropertyValue *blob =
                            message.properties.find(PropertySet::Appointment, lid::AppointmentRecur)) {
                        entry.recurrence = pst::parseRecurrence(blob->data);
                        if (!entry.recurrence)
                            throw pst::ReadError(pst::ReadError::Problem::Damaged, m_file->path());
                    }
                }
                entries.append(std::move(entry));
            }
        } catch (const pst::ReadError &e) {
            throw OutlookError(e.message(), OutlookError::Kind::CallFailed);
        }
        return std::make_shared<PstItems>(std::move(entries), m_file->recordKey());
    }

private:
    std::shared_ptr<pst::File> m_file;
    quint32 m_identifier;
};

class PstNameSpace : public NameSpace
{
public:
    explicit PstNameSpace(std::shared_ptr<pst::File> file) : m_file(std::move(file)) {}
    // A file without a folder of the kind gives an empty one, as Outlook makes a missing default
    // folder anew.
    std::shared_ptr<MAPIFolder> GetDefaultFolder(int folder) override
    {
        return std::make_shared<PstFolder>(m_file, m_file->defaultFolder(DefaultFolder(folder)));
    }

private:
    std::shared_ptr<pst::File> m_file;
};

class PstApplication : public Application
{
public:
    explicit PstApplication(std::shared_ptr<pst::File> file) : m_file(std::move(file)) {}
    std::shared_ptr<NameSpace> GetNamespace(const QString &type) override
    {
        if (type.compare(QLatin1String("MAPI"), Qt::CaseInsensitive) != 0)
            return nullptr;
        return std::make_shared<PstNameSpace>(m_file);
    }

private:
    std::shared_ptr<pst::File> m_file;
};

} // namespace

std::shared_ptr<Application> attachDataFile(const QString &path)
{
    try {
        return std::make_shared<PstApplication>(std::shared_ptr<pst::File>(pst::File::open(path)));
    } catch (const pst::ReadError &e) {
        throw OutlookError(e.message(), OutlookError::Kind::CannotAttach);
    }
}

OutlookSource dataFileSource(const QString &path)
{
    // The imports of one sequence attach one after the other: they share the opened file as long as
    // it is unchanged on disk.
    struct Opened
    {
        std::shared_ptr<Application> application;
        QDateTime modified;
        qint64 size = -1;
    };
    auto opened = std::make_shared<Opened>();
    return [path, opened]() {
        const QFileInfo info(path);
        if (!opened->application || !info.exists() || info.lastModified() != opened->modified ||
            info.size() != opened->size) {
            opened->application.reset();
            opened->application = attachDataFile(path);
            opened->modified = info.lastModified();
            opened->size = info.size();
        }
        return opened->application;
    };
}

} // namespace pimdesk::outlook
