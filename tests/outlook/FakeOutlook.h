#pragma once

#include "outlook/OutlookModel.h"

#include <QHash>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

namespace pimdesk::test {

using namespace pimdesk::outlook;

// A back end of the Outlook interface filled from code: three folders of items, a count of the
// attaches, and failures to order (attach refused, an item that cannot be read).
struct FakeOther : OtherItem
{
    QString entryId = "DL";
    QString EntryID() const override { return entryId; }
    QString Subject() const override { return "distribution list"; }
    QString Body() const override { return {}; }
    QString Categories() const override { return {}; }
};

// A contact's texts by member name; members not set are empty texts.
struct FakeContact : ContactItem
{
    QHash<QString, QString> texts;
    QDateTime anniversary = noDate();
    QDateTime birthday = noDate();
    int gender = 0;

    QString text(const char *member) const { return texts.value(QString::fromLatin1(member), QString("")); }
#define PIMDESK_FAKE_TEXT(member)                                                                                      \
    QString member() const override                                                                                    \
    {                                                                                                                  \
        return text(#member);                                                                                          \
    }
    PIMDESK_FAKE_TEXT(EntryID)
    PIMDESK_FAKE_TEXT(Subject)
    PIMDESK_FAKE_TEXT(Body)
    PIMDESK_FAKE_TEXT(Categories)
    PIMDESK_FAKE_TEXT(Title)
    PIMDESK_FAKE_TEXT(FirstName)
    PIMDESK_FAKE_TEXT(MiddleName)
    PIMDESK_FAKE_TEXT(LastName)
    PIMDESK_FAKE_TEXT(Suffix)
    PIMDESK_FAKE_TEXT(NickName)
    PIMDESK_FAKE_TEXT(Email1Address)
    PIMDESK_FAKE_TEXT(CompanyName)
    PIMDESK_FAKE_TEXT(JobTitle)
    PIMDESK_FAKE_TEXT(BusinessTelephoneNumber)
    PIMDESK_FAKE_TEXT(MobileTelephoneNumber)
    PIMDESK_FAKE_TEXT(BusinessFaxTelephoneNumber)
    PIMDESK_FAKE_TEXT(PagerNumber)
    PIMDESK_FAKE_TEXT(BusinessAddressStreet)
    PIMDESK_FAKE_TEXT(BusinessAddressCity)
    PIMDESK_FAKE_TEXT(BusinessAddressState)
    PIMDESK_FAKE_TEXT(BusinessAddressPostalCode)
    PIMDESK_FAKE_TEXT(BusinessAddressCountry)
    PIMDESK_FAKE_TEXT(BusinessHomePage)
    PIMDESK_FAKE_TEXT(Department)
    PIMDESK_FAKE_TEXT(OfficeLocation)
    PIMDESK_FAKE_TEXT(Profession)
    PIMDESK_FAKE_TEXT(ManagerName)
    PIMDESK_FAKE_TEXT(AssistantName)
    PIMDESK_FAKE_TEXT(HomeTelephoneNumber)
    PIMDESK_FAKE_TEXT(HomeFaxTelephoneNumber)
    PIMDESK_FAKE_TEXT(HomeAddressStreet)
    PIMDESK_FAKE_TEXT(HomeAddressCity)
    PIMDESK_FAKE_TEXT(HomeAddressState)
    PIMDESK_FAKE_TEXT(HomeAddressPostalCode)
    PIMDESK_FAKE_TEXT(HomeAddressCountry)
    PIMDESK_FAKE_TEXT(PersonalHomePage)
    PIMDESK_FAKE_TEXT(Spouse)
    PIMDESK_FAKE_TEXT(Children)
    PIMDESK_FAKE_TEXT(FileAs)
    PIMDESK_FAKE_TEXT(FullName)
    PIMDESK_FAKE_TEXT(BusinessAddress)
    PIMDESK_FAKE_TEXT(HomeAddress)
#undef PIMDESK_FAKE_TEXT
    QDateTime Anniversary() const override
    {
        return anniversary;
    }
    int Gender() const override
    {
        return gender;
    }
    QDateTime Birthday() const override
    {
        return birthday;
    }
};

struct FakeTask : TaskItem
{
    QString entryId, subject, body, categories, mileage;
    QDateTime modified, due = noDate(), start = noDate(), completedOn = noDate();
    int importance = 1;
    int status = 0;
    bool complete = false;

    QString EntryID() const override { return entryId; }
    QString Subject() const override { return subject; }
    QString Body() const override { return body; }
    QString Categories() const override { return categories; }
    QDateTime LastModificationTime() const override { return modified; }
    int Importance() const override { return importance; }
    QString Mileage() const override { return mileage; }
    bool Complete() const override { return complete; }
    QDateTime DueDate() const override { return due; }
    int Status() const override { return status; }
    QDateTime StartDate() const override { return start; }
    QDateTime DateCompleted() const override { return completedOn; }
};

struct FakePattern : RecurrencePattern
{
    int type = olRecursDaily, occurrences = 0, mask = 0, instance = 0, interval = 1;
    bool noEnd = false;
    QDateTime end = noDate();
    QDateTime first; // PatternStartDate; invalid: not known
    QList<RecurrenceException> exceptions;

    int Interval() const override { return interval; }
    QDateTime PatternStartDate() const override { return first; }
    QList<RecurrenceException> Exceptions() const override { return exceptions; }

    int RecurrenceType() const override { return type; }
    int Occurrences() const override { return occurrences; }
    int DayOfWeekMask() const override { return mask; }
    int Instance() const override { return instance; }
    bool NoEndDate() const override { return noEnd; }
    QDateTime PatternEndDate() const override { return end; }
};

struct FakeAppointment : AppointmentItem
{
    QString entryId, subject, body, categories, location;
    QDateTime modified, start, end;
    bool allDay = false, reminder = false;
    int reminderMinutes = 15;
    int recurrenceState = olApptNotRecurring;
    FakePattern pattern;
    int patternRequests = 0;

    QString EntryID() const override { return entryId; }
    QString Subject() const override { return subject; }
    QString Body() const override { return body; }
    QString Categories() const override { return categories; }
    QDateTime LastModificationTime() const override { return modified; }
    QString Location() const override { return location; }
    QDateTime Start() const override { return start; }
    QDateTime End() const override { return end; }
    bool AllDayEvent() const override { return allDay; }
    bool ReminderSet() const override { return reminder; }
    int ReminderMinutesBeforeStart() const override { return reminderMinutes; }
    int RecurrenceState() const override { return recurrenceState; }
    std::shared_ptr<RecurrencePattern> GetRecurrencePattern() override
    {
        ++patternRequests;
        return std::make_shared<FakePattern>(pattern);
    }
};

class FakeOutlook : public Application, public NameSpace, public std::enable_shared_from_this<FakeOutlook>
{
public:
    QList<std::shared_ptr<Item>> contacts, tasks, calendar;
    int attaches = 0;
    // Set to make attaching fail with this kind of failure.
    std::optional<OutlookError> attachFailure;
    // Item number (from 1) whose reading fails, in every folder; 0: none.
    int failingItem = 0;

    OutlookSource source()
    {
        return [self = shared_from_this()]() -> std::shared_ptr<Application> {
            ++self->attaches;
            if (self->attachFailure)
                throw *self->attachFailure;
            return self;
        };
    }

    std::shared_ptr<NameSpace> GetNamespace(const QString &type) override
    {
        if (type != "MAPI")
            throw OutlookError("unknown namespace");
        return shared_from_this();
    }

    std::shared_ptr<MAPIFolder> GetDefaultFolder(int folder) override
    {
        QList<std::shared_ptr<Item>> *list = folder == olFolderContacts   ? &contacts
                                             : folder == olFolderTasks    ? &tasks
                                             : folder == olFolderCalendar ? &calendar
                                                                          : nullptr;
        if (!list)
            throw OutlookError(QString("no folder %1").arg(folder));
        return std::make_shared<Folder>(shared_from_this(), *list);
    }

private:
    struct List : outlook::Items
    {
        std::shared_ptr<FakeOutlook> owner;
        QList<std::shared_ptr<outlook::Item>> &list;
        List(std::shared_ptr<FakeOutlook> o, QList<std::shared_ptr<outlook::Item>> &l) : owner(std::move(o)), list(l) {}
        int Count() override { return int(list.size()); }
        std::shared_ptr<outlook::Item> Item(int index) override
        {
            if (index == owner->failingItem)
                throw OutlookError(QString("item %1 cannot be read").arg(index));
            if (index < 1 || index > list.size())
                throw OutlookError("index out of range");
            return list.at(index - 1);
        }
    };
    struct Folder : MAPIFolder
    {
        std::shared_ptr<FakeOutlook> owner;
        QList<std::shared_ptr<Item>> &list;
        Folder(std::shared_ptr<FakeOutlook> o, QList<std::shared_ptr<Item>> &l) : owner(std::move(o)), list(l) {}
        std::shared_ptr<outlook::Items> Items() override { return std::make_shared<List>(owner, list); }
    };
};

} // namespace pimdesk::test
