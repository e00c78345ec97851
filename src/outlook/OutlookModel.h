#pragma once

// The part of Outlook's object model that the Outlook import reads, as a C++ interface.
//
// The import never talks to Outlook (or to an Outlook data file) directly: it is handed an
// OutlookSource, calls it once per import to attach, and from the Application it gets walks
//   Application::GetNamespace("MAPI") -> NameSpace::GetDefaultFolder(n) -> MAPIFolder::Items()
//   -> Items::Count() / Items::Item(i), i counted from 1
// and reads the members below. Member names are Outlook's own, so that a reader of Outlook's
// documentation finds them.
//
// How a back end implements it:
// - Derive from Application, NameSpace, MAPIFolder, Items and the item classes. GetDefaultFolder is
//   asked for olFolderContacts (10), olFolderTasks (13) and olFolderCalendar (9) only.
// - Items::Item(i) returns a ContactItem, TaskItem or AppointmentItem for items of those kinds, and
//   some other Item (for example a distribution list: OtherItem below will do) for anything else;
//   the import tells the kinds apart with dynamic_cast and skips the other items, but counts them.
// - Values have Outlook's types: texts are QString (empty, never null, when the item has none), dates
//   and times are local QDateTime, flags bool, enumerations and numbers int. A date member Outlook
//   reports as "None" (a task without due date, a contact without birthday) returns noDate(),
//   4501-01-01 00:00, exactly as Outlook does; isNoDate() recognises it.
// - LastModificationTime must be a valid date-time: the import compares its date with the window's
//   ranges, and an item without one (an invalid QDateTime) falls outside every range. A back end whose
//   data lacks it should give the best it has (for example the creation time).
// - Every call may fail: throw OutlookError with a reason for the user (for example a damaged item,
//   or a data file that cannot be read any more). The import stops at the first failure, keeps what
//   it has stored and shows the reason. The OutlookSource throws OutlookError too, when Outlook (or
//   the data file) cannot be reached or refuses access.
// - Objects are handed out as shared_ptr; the import keeps an item only while it reads it and keeps
//   the Application for the whole import, so a back end may create items on demand.
// - Everything runs on one thread; no call needs to be reentrant.

#include <QDateTime>
#include <QList>
#include <QString>
#include <exception>
#include <functional>
#include <memory>

namespace pimdesk::outlook {

// Outlook's numbers of its default folders (OlDefaultFolders).
enum DefaultFolder : int { olFolderCalendar = 9, olFolderContacts = 10, olFolderTasks = 13 };

// Outlook's "None" of a date member: 4501-01-01 00:00 local time.
QDateTime noDate();
bool isNoDate(const QDateTime &value);

// A failure of Outlook or of a call into it. The reason is meant for the user.
class OutlookError : public std::exception
{
public:
    enum class Kind {
        CannotAttach,  // Outlook (or its data) cannot be reached or started
        AccessRefused, // the user or Outlook refused access to its data
        CallFailed,    // a call failed during a run
    };

    explicit OutlookError(QString reason, Kind kind = Kind::CallFailed)
        : m_reason(std::move(reason)), m_kind(kind), m_utf8(m_reason.toUtf8())
    {}
    const QString &reason() const { return m_reason; }
    Kind kind() const { return m_kind; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_reason;
    Kind m_kind;
    QByteArray m_utf8;
};

class Items;

class MAPIFolder
{
public:
    virtual ~MAPIFolder() = default;
    virtual std::shared_ptr<outlook::Items> Items() = 0;
};

class NameSpace
{
public:
    virtual ~NameSpace() = default;
    virtual std::shared_ptr<MAPIFolder> GetDefaultFolder(int folder) = 0;
};

class Application
{
public:
    virtual ~Application() = default;
    // The application object's default value, the text the import stores in `application`.
    virtual QString Name() const { return QStringLiteral("Outlook"); }
    // Only "MAPI" is asked for.
    virtual std::shared_ptr<NameSpace> GetNamespace(const QString &type) = 0;
};

// Any item of a folder.
class Item
{
public:
    virtual ~Item() = default;
    virtual QString EntryID() const = 0;
    virtual QString Subject() const = 0;
    virtual QString Body() const = 0;
    virtual QString Categories() const = 0;
    // The text of the item's Application object (its default value, the application's name).
    virtual QString Application() const { return QStringLiteral("Outlook"); }
};

// An item of a kind the import does not read (distribution lists, notes, ...).
class OtherItem : public Item
{
};

class Items
{
public:
    virtual ~Items() = default;
    virtual int Count() = 0;
    // Item number index, counted from 1.
    virtual std::shared_ptr<outlook::Item> Item(int index) = 0;
};

class ContactItem : public Item
{
public:
    virtual QString Title() const = 0;
    virtual QString FirstName() const = 0;
    virtual QString MiddleName() const = 0;
    virtual QString LastName() const = 0;
    virtual QString Suffix() const = 0;
    virtual QString NickName() const = 0;
    virtual QString Email1Address() const = 0;
    virtual QString CompanyName() const = 0;
    virtual QString JobTitle() const = 0;
    virtual QString BusinessTelephoneNumber() const = 0;
    virtual QString MobileTelephoneNumber() const = 0;
    virtual QString BusinessFaxTelephoneNumber() const = 0; // Outlook's BusinessFaxNumber
    virtual QString PagerNumber() const = 0;
    virtual QString BusinessAddressStreet() const = 0;
    virtual QString BusinessAddressCity() const = 0;
    virtual QString BusinessAddressState() const = 0;
    virtual QString BusinessAddressPostalCode() const = 0;
    virtual QString BusinessAddressCountry() const = 0;
    virtual QString BusinessHomePage() const = 0;
    virtual QString Department() const = 0;
    virtual QString OfficeLocation() const = 0;
    virtual QString Profession() const = 0;
    virtual QString ManagerName() const = 0;
    virtual QString AssistantName() const = 0;
    virtual QString HomeTelephoneNumber() const = 0;
    virtual QString HomeFaxTelephoneNumber() const = 0; // Outlook's HomeFaxNumber
    virtual QString HomeAddressStreet() const = 0;
    virtual QString HomeAddressCity() const = 0;
    virtual QString HomeAddressState() const = 0;
    virtual QString HomeAddressPostalCode() const = 0;
    virtual QString HomeAddressCountry() const = 0;
    virtual QString PersonalHomePage() const = 0;
    virtual QString Spouse() const = 0;
    virtual QString Children() const = 0;
    virtual QDateTime Anniversary() const = 0; // noDate() when none
    virtual int Gender() const = 0;            // 0 unspecified, 1 female, 2 male
    virtual QDateTime Birthday() const = 0;    // noDate() when none
    virtual QString FileAs() const = 0;
    // The name as one text ("Margaret J. Tolle"), what Outlook shows where no file-as name is kept.
    virtual QString FullName() const { return QString(""); }
    // An address as one text with its line breaks, kept by some writers instead of its parts.
    virtual QString BusinessAddress() const { return QString(""); }
    virtual QString HomeAddress() const { return QString(""); }
};

class TaskItem : public Item
{
public:
    virtual QDateTime LastModificationTime() const = 0;
    virtual int Importance() const = 0; // 0 low, 1 normal, 2 high
    virtual QString Mileage() const = 0;
    virtual bool Complete() const = 0;
    virtual QDateTime DueDate() const = 0;       // noDate() when none
    virtual int Status() const = 0;              // 0 not started, 1 in progress, 2 complete, 3 waiting, 4 deferred
    virtual QDateTime StartDate() const = 0;     // noDate() when none
    virtual QDateTime DateCompleted() const = 0; // noDate() when none
};

// Outlook's numbers of a recurrence type (OlRecurrenceType).
enum RecurrenceType : int {
    olRecursDaily = 0,
    olRecursWeekly = 1,
    olRecursMonthly = 2,
    olRecursMonthNth = 3,
    olRecursYearly = 5,
    olRecursYearNth = 6,
};

// Outlook's weekday bits (OlDaysOfWeek).
enum DaysOfWeek : int {
    olSunday = 1,
    olMonday = 2,
    olTuesday = 4,
    olWednesday = 8,
    olThursday = 16,
    olFriday = 32,
    olSaturday = 64,
};

// One occurrence of a series that differs from its pattern: removed (Deleted) or changed (moved to
// another time, another subject, ...). OriginalDate is the local date and time at which the pattern
// puts it.
struct RecurrenceException
{
    QDateTime OriginalDate;
    bool Deleted = true;
};

// A series' pattern. Its days (DayOfWeekMask, DayOfMonth, PatternStartDate, PatternEndDate) are the
// days of the series' own time zone, the one it was made in, as Outlook counts them; the Start of the
// appointment is this computer's local time.
class RecurrencePattern
{
public:
    virtual ~RecurrencePattern() = default;
    virtual int RecurrenceType() const = 0;
    virtual int Occurrences() const = 0;
    virtual int DayOfWeekMask() const = 0;
    virtual int Instance() const = 0; // the n of "n-th weekday"; 5 is the last
    virtual bool NoEndDate() const = 0;
    // The day of the last occurrence, also of a series that ends after a number of occurrences;
    // 4500-12-31 for a series without end.
    virtual QDateTime PatternEndDate() const = 0;
    // Every Interval days, weeks, months or years; 0 for "every weekday".
    virtual int Interval() const { return 1; }
    virtual int DayOfMonth() const { return 0; }
    virtual int MonthOfYear() const { return 0; }
    // The day of the first occurrence; invalid when the back end does not know it.
    virtual QDateTime PatternStartDate() const { return QDateTime(); }
    virtual QList<RecurrenceException> Exceptions() const { return {}; }
};

// Outlook's numbers of an appointment's recurrence state (OlRecurrenceState).
enum RecurrenceState : int {
    olApptNotRecurring = 0,
    olApptMaster = 1,
    olApptOccurrence = 2,
    olApptException = 3,
};

class AppointmentItem : public Item
{
public:
    virtual QDateTime LastModificationTime() const = 0;
    virtual QString Location() const = 0;
    virtual QDateTime Start() const = 0;
    virtual QDateTime End() const = 0;
    virtual bool AllDayEvent() const = 0;
    virtual bool ReminderSet() const = 0;
    // Minutes between the reminder and the start; read only when ReminderSet.
    virtual int ReminderMinutesBeforeStart() const { return 15; }
    virtual int RecurrenceState() const = 0;
    // Asked only of a series' master (RecurrenceState 1).
    virtual std::shared_ptr<outlook::RecurrencePattern> GetRecurrencePattern() = 0;
};

// How the import reaches Outlook: called once at the start of each import (contacts, tasks,
// calendar); returns the attached application or throws OutlookError (CannotAttach or
// AccessRefused) with the reason.
using OutlookSource = std::function<std::shared_ptr<Application>()>;

} // namespace pimdesk::outlook
