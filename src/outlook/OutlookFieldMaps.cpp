#include "outlook/OutlookFieldMaps.h"

#include "outlook/OutlookRanges.h"
#include "records/RecordSet.h"

#include <span>

namespace pimdesk::outlook {

namespace {

// One field of a record and where its value comes from. Most rows read one property of the item;
// a row with fill sets its fields itself, for values that depend on more than one property or that
// are set only in some cases.
template <class T> struct FieldRow
{
    const char *field;
    QVariant (*value)(T &item) = nullptr;
    void (*fill)(RecordSet &record, T &item) = nullptr;
};

template <class T, auto property> QVariant read(T &item)
{
    return QVariant((item.*property)());
}
template <auto property> constexpr auto contact = &read<ContactItem, property>;
template <auto property> constexpr auto task = &read<TaskItem, property>;
template <auto property> constexpr auto appointment = &read<AppointmentItem, property>;

// A text of length zero, not a null.
template <class T> QVariant emptyText(T &)
{
    return QString("");
}

template <class T> void fillRows(std::span<const FieldRow<T>> rows, RecordSet &record, T &item)
{
    for (const FieldRow<T> &row : rows) {
        if (row.fill)
            row.fill(record, item);
        else
            record.setField(QLatin1String(row.field), row.value(item));
    }
}

QVariant fileAs(ContactItem &c)
{
    return preparedFileAs(c.FileAs());
}

constexpr FieldRow<ContactItem> contactRows[] = {
    {"Title", contact<&ContactItem::Title>},
    {"FirstName", contact<&ContactItem::FirstName>},
    {"FirstPronunciation", emptyText<ContactItem>},
    {"MiddleName", contact<&ContactItem::MiddleName>},
    {"LastName", contact<&ContactItem::LastName>},
    {"LastPronunciation", emptyText<ContactItem>},
    {"Suffix", contact<&ContactItem::Suffix>},
    {"Nickname", contact<&ContactItem::NickName>},
    {"Emails", contact<&ContactItem::Email1Address>},
    {"O_Company", contact<&ContactItem::CompanyName>},
    {"O_Pronunciation", emptyText<ContactItem>},
    {"O_Title", contact<&ContactItem::JobTitle>},
    {"O_Phone", contact<&ContactItem::BusinessTelephoneNumber>},
    {"O_Mobile", contact<&ContactItem::MobileTelephoneNumber>},
    {"O_Fax", contact<&ContactItem::BusinessFaxTelephoneNumber>},
    {"O_Pager", contact<&ContactItem::PagerNumber>},
    {"O_Street", contact<&ContactItem::BusinessAddressStreet>},
    {"O_City", contact<&ContactItem::BusinessAddressCity>},
    {"O_State", contact<&ContactItem::BusinessAddressState>},
    {"O_Zip", contact<&ContactItem::BusinessAddressPostalCode>},
    {"O_Country", contact<&ContactItem::BusinessAddressCountry>},
    {"O_URL", contact<&ContactItem::BusinessHomePage>},
    {"O_Department", contact<&ContactItem::Department>},
    {"O_Office", contact<&ContactItem::OfficeLocation>},
    {"O_Profession", contact<&ContactItem::Profession>},
    {"O_Manager", contact<&ContactItem::ManagerName>},
    {"O_Assistant", contact<&ContactItem::AssistantName>},
    {"H_Phone", contact<&ContactItem::HomeTelephoneNumber>},
    // Outlook's one mobile number fills both mobile fields.
    {"H_Mobile", contact<&ContactItem::MobileTelephoneNumber>},
    {"H_Fax", contact<&ContactItem::HomeFaxTelephoneNumber>},
    {"H_Street", contact<&ContactItem::HomeAddressStreet>},
    {"H_City", contact<&ContactItem::HomeAddressCity>},
    {"H_State", contact<&ContactItem::HomeAddressState>},
    {"H_Zip", contact<&ContactItem::HomeAddressPostalCode>},
    {"H_Country", contact<&ContactItem::HomeAddressCountry>},
    {"H_URL", contact<&ContactItem::PersonalHomePage>},
    {"H_Spouse", contact<&ContactItem::Spouse>},
    {"H_Children", contact<&ContactItem::Children>},
    {"H_Anniv", contact<&ContactItem::Anniversary>},
    {"H_Gender", contact<&ContactItem::Gender>},
    {"H_Birthday", contact<&ContactItem::Birthday>},
    {"Photo", emptyText<ContactItem>},
    {"Notes", contact<&ContactItem::Body>},
    {"Category", contact<&ContactItem::Categories>},
    {"BusinessContact", emptyText<ContactItem>},
    {"BusinessCard", emptyText<ContactItem>},
    {"FileAs", fileAs},
    {"application", contact<&ContactItem::Application>},
};

QString numberWithoutZeros(const QString &digits)
{
    bool ok = false;
    const int value = digits.trimmed().toInt(&ok);
    return ok ? QString::number(value) : QStringLiteral("0");
}

QVariant completedFlag(TaskItem &t)
{
    return t.Complete() ? QString("1") : QString("0");
}

// Outlook's importance (0 low, 1 normal, 2 high) as the handheld's priority; another value leaves
// the field as it is.
void fillPriority(RecordSet &rs, TaskItem &t)
{
    static const char *const priorityOfImportance[] = {"5", "3", "1"};
    const int importance = t.Importance();
    if (importance >= 0 && importance < int(std::size(priorityOfImportance)))
        rs.setField("Priority", QString(priorityOfImportance[importance]));
}

void fillDueDate(RecordSet &rs, TaskItem &t)
{
    if (isNoDate(t.DueDate())) {
        rs.setField("Hasdate", QString("0"));
        rs.setField("Dateyear", QString(""));
        rs.setField("Datemonth", QString(""));
        rs.setField("Dateday", QString(""));
    } else {
        rs.setField("Hasdate", QString("1"));
        rs.setField("Dateyear", dateText(t.DueDate()).mid(0, 4));
        rs.setField("Datemonth", numberWithoutZeros(dateText(t.DueDate()).mid(5, 2)));
        rs.setField("Dateday", numberWithoutZeros(dateText(t.DueDate()).mid(8, 2)));
    }
}

// Outlook's task status by its number; an unknown number gives an empty text.
QVariant statusName(TaskItem &t)
{
    static const char *const names[] = {"NotStarted", "InProgress", "Completed", "Waiting", "Deferred"};
    const int status = t.Status();
    return QString(status >= 0 && status < int(std::size(names)) ? names[status] : "");
}

constexpr FieldRow<TaskItem> taskRows[] = {
    {"Completed", completedFlag},
    {"Priority", nullptr, fillPriority},
    {"Description", task<&TaskItem::Subject>},
    {"PercentCompleted", task<&TaskItem::Mileage>},
    {"Categories", task<&TaskItem::Categories>},
    {"Hasdate", nullptr, fillDueDate}, // with Dateyear, Datemonth and Dateday
    {"Status", statusName},
    {"Starteddate", task<&TaskItem::StartDate>},
    {"Completeddate", task<&TaskItem::DateCompleted>},
    {"Notes", task<&TaskItem::Body>},
    {"qdl-private-data", emptyText<TaskItem>},
    {"application", task<&TaskItem::Application>},
};

// The recurrence of a series; the pattern is asked for afresh for every value, as Outlook hands out
// a new pattern object on every request.
void fillRecurrence(RecordSet &rs, AppointmentItem &a)
{
    const auto pattern = [&a]() {
        auto p = a.GetRecurrencePattern();
        if (!p)
            throw OutlookError(QStringLiteral("반복 일정의 반복 방식을 읽을 수 없습니다."));
        return p;
    };
    rs.setField("Rfreq", pattern()->Occurrences());
    switch (pattern()->RecurrenceType()) {
    case olRecursDaily:
        rs.setField("Rtype", QString("Daily"));
        break;
    case olRecursWeekly:
        rs.setField("Rtype", QString("Weekly"));
        rs.setField("Rweekdays", pattern()->DayOfWeekMask());
        break;
    case olRecursMonthNth: {
        const int instance = pattern()->Instance();
        rs.setField("Rtype", instance == 0   ? QString("Weekly")
                             : instance == 5 ? QString("MonthlyEndDay")
                                             : QString("MonthlyDay"));
        break;
    }
    case olRecursYearly:
    case olRecursYearNth:
        rs.setField("Rtype", QString("Yearly"));
        rs.setField("Rfreq", QString("1"));
        break;
    default:
        break;
    }
    rs.setField("Rhasenddate", pattern()->NoEndDate() ? QString("") : QString("1"));
    rs.setField("Enddt", pattern()->PatternEndDate());
}

// An appointment with a reminder: a series' master gives its recurrence; any other gets the alarm
// and no recurrence. Without a reminder these fields stay as they are.
void fillReminder(RecordSet &rs, AppointmentItem &a)
{
    if (!a.ReminderSet())
        return;
    if (a.RecurrenceState() == olApptMaster) {
        fillRecurrence(rs, a);
        return;
    }
    for (const char *field : {"Rtype", "Rfreq", "Rweekdays", "Rhasenddate", "Enddt"})
        rs.setField(field, QString(""));
    rs.setField("balarm", QString("true"));
    rs.setField("alarm", QVariant());
}

QVariant eventType(AppointmentItem &a)
{
    return a.AllDayEvent() ? QString("AllDay") : QString("Timed");
}

constexpr FieldRow<AppointmentItem> appointmentRows[] = {
    {"Categories", appointment<&AppointmentItem::Categories>},
    {"Description", appointment<&AppointmentItem::Subject>},
    {"Location", appointment<&AppointmentItem::Location>},
    {"Timezone", emptyText<AppointmentItem>},
    {"Note", appointment<&AppointmentItem::Body>},
    {"Start", appointment<&AppointmentItem::Start>},
    {"End", appointment<&AppointmentItem::End>},
    {"Type", eventType},
    {"Rtype", nullptr, fillReminder}, // with the other recurrence fields, balarm and alarm
    {"Exceptions", emptyText<AppointmentItem>},
    {"Qdl-private-data", emptyText<AppointmentItem>},
    {"application", appointment<&AppointmentItem::Application>},
};

template <class T> bool isA(Item &item)
{
    return dynamic_cast<T *>(&item) != nullptr;
}

template <class T> QDateTime modifiedAt(Item &item)
{
    return static_cast<T &>(item).LastModificationTime();
}

template <class T, const auto &rows> void fillFrom(RecordSet &record, Item &item)
{
    fillRows<T>(rows, record, static_cast<T &>(item));
}

constexpr ItemMap itemMaps[] = {
    {RecordKind::Contacts, isA<ContactItem>, nullptr, false, fillFrom<ContactItem, contactRows>},
    {RecordKind::Events, isA<AppointmentItem>, modifiedAt<AppointmentItem>, true,
     fillFrom<AppointmentItem, appointmentRows>},
    {RecordKind::Tasks, isA<TaskItem>, modifiedAt<TaskItem>, false, fillFrom<TaskItem, taskRows>},
};

constexpr bool mapsInOrder()
{
    for (size_t i = 0; i < allKinds.size(); ++i)
        if (itemMaps[i].kind != allKinds[i])
            return false;
    return std::size(itemMaps) == allKinds.size();
}
static_assert(mapsInOrder(), "one item map per kind, in the order of allKinds");

} // namespace

const ItemMap &itemMap(RecordKind kind)
{
    return itemMaps[int(kind)];
}

QString preparedFileAs(QString fileAs)
{
    const qsizetype at = fileAs.indexOf(QStringLiteral("\r\n"));
    if (at >= 0)
        fileAs.replace(at, 2, QStringLiteral("  "));
    return fileAs;
}

} // namespace pimdesk::outlook
