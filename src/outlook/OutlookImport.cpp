#include "outlook/OutlookImport.h"

#include "exchange/Snapshots.h"
#include "records/Clock.h"
#include "records/DataFolderLock.h"
#include "records/DataSource.h"
#include "records/JetSql.h"
#include "records/Messages.h"
#include "records/Schema.h"
#include "records/Store.h"

#include <QFileInfo>

#include <optional>

namespace pimdesk::outlook {

namespace {

// Cuts year, month and day out of a date text by position, as the range boxes hold them.
void splitInto(const QString &text, QString &year, QString &month, QString &day)
{
    year = text.mid(0, 4).trimmed();
    month = text.mid(5, 2).trimmed();
    day = text.mid(8, 2).trimmed();
}

QString kindName(OutlookKind kind)
{
    switch (kind) {
    case OutlookKind::Contacts:
        return QStringLiteral("주소록");
    case OutlookKind::Tasks:
        return QStringLiteral("작업");
    case OutlookKind::Calendar:
        break;
    }
    return QStringLiteral("일정");
}

struct KindSettings
{
    OutlookKind kind;
    const char *table;
    int folder;
    const char *identitySource;
    const RangeBoxes *range; // null: no date filter
};

template <class T> T *as(Item *item)
{
    return dynamic_cast<T *>(item);
}

// The item's Outlook identity as the store keeps it.
QString lookupCriteria(OutlookKind kind, const QString &entryId)
{
    // The calendar matches by pattern; an identity holding a wildcard of the pattern dialect would
    // match other items too, so such an identity is matched as an equal text instead.
    static const QString wildcards = QStringLiteral("*?#[");
    bool hasWildcard = false;
    for (const QChar c : entryId)
        hasWildcard = hasWildcard || wildcards.contains(c);
    if (kind == OutlookKind::Calendar && !hasWildcard)
        return "outlook_index LIKE " + jet::quote(entryId);
    return "outlook_index = " + jet::quote(entryId);
}

void mapContact(RecordSet &rs, ContactItem &c, const QString &fileAs, const QString &entryId)
{
    rs.setField("Title", c.Title());
    rs.setField("FirstName", c.FirstName());
    rs.setField("FirstPronunciation", QString(""));
    rs.setField("MiddleName", c.MiddleName());
    rs.setField("LastName", c.LastName());
    rs.setField("LastPronunciation", QString(""));
    rs.setField("Suffix", c.Suffix());
    rs.setField("Nickname", c.NickName());
    rs.setField("Emails", c.Email1Address());
    rs.setField("O_Company", c.CompanyName());
    rs.setField("O_Pronunciation", QString(""));
    rs.setField("O_Title", c.JobTitle());
    rs.setField("O_Phone", c.BusinessTelephoneNumber());
    rs.setField("O_Mobile", c.MobileTelephoneNumber());
    rs.setField("O_Fax", c.BusinessFaxTelephoneNumber());
    rs.setField("O_Pager", c.PagerNumber());
    rs.setField("O_Street", c.BusinessAddressStreet());
    rs.setField("O_City", c.BusinessAddressCity());
    rs.setField("O_State", c.BusinessAddressState());
    rs.setField("O_Zip", c.BusinessAddressPostalCode());
    rs.setField("O_Country", c.BusinessAddressCountry());
    rs.setField("O_URL", c.BusinessHomePage());
    rs.setField("O_Department", c.Department());
    rs.setField("O_Office", c.OfficeLocation());
    rs.setField("O_Profession", c.Profession());
    rs.setField("O_Manager", c.ManagerName());
    rs.setField("O_Assistant", c.AssistantName());
    rs.setField("H_Phone", c.HomeTelephoneNumber());
    rs.setField("H_Mobile", c.MobileTelephoneNumber());
    rs.setField("H_Fax", c.HomeFaxTelephoneNumber());
    rs.setField("H_Street", c.HomeAddressStreet());
    rs.setField("H_City", c.HomeAddressCity());
    rs.setField("H_State", c.HomeAddressState());
    rs.setField("H_Zip", c.HomeAddressPostalCode());
    rs.setField("H_Country", c.HomeAddressCountry());
    rs.setField("H_URL", c.PersonalHomePage());
    rs.setField("H_Spouse", c.Spouse());
    rs.setField("H_Children", c.Children());
    rs.setField("H_Anniv", c.Anniversary());
    rs.setField("H_Gender", c.Gender());
    rs.setField("H_Birthday", c.Birthday());
    rs.setField("Photo", QString(""));
    rs.setField("Notes", c.Body());
    rs.setField("Category", c.Categories());
    rs.setField("BusinessContact", QString(""));
    rs.setField("BusinessCard", QString(""));
    rs.setField("FileAs", fileAs);
    rs.setField("application", c.Application());
    rs.setField("outlook_index", entryId);
}

QString numberWithoutZeros(const QString &digits)
{
    bool ok = false;
    const int value = digits.trimmed().toInt(&ok);
    return ok ? QString::number(value) : QStringLiteral("0");
}

void mapTask(RecordSet &rs, TaskItem &t, const QString &entryId)
{
    rs.setField("Completed", t.Complete() ? QString("1") : QString("0"));
    switch (t.Importance()) {
    case 2:
        rs.setField("Priority", QString("1"));
        break;
    case 1:
        rs.setField("Priority", QString("3"));
        break;
    case 0:
        rs.setField("Priority", QString("5"));
        break;
    default:
        break;
    }
    rs.setField("Description", t.Subject());
    rs.setField("PercentCompleted", t.Mileage());
    rs.setField("Categories", t.Categories());
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
    QString status;
    switch (t.Status()) {
    case 0:
        status = "NotStarted";
        break;
    case 1:
        status = "InProgress";
        break;
    case 2:
        status = "Completed";
        break;
    case 3:
        status = "Waiting";
        break;
    case 4:
        status = "Deferred";
        break;
    default:
        status = "";
        break;
    }
    rs.setField("Status", status);
    rs.setField("Starteddate", t.StartDate());
    rs.setField("Completeddate", t.DateCompleted());
    rs.setField("Notes", t.Body());
    rs.setField("qdl-private-data", QString(""));
    rs.setField("application", t.Application());
    rs.setField("outlook_index", entryId);
}

// The recurrence of a series; the pattern is asked for afresh for every value, as Outlook hands out
// a new pattern object on every request.
void mapRecurrence(RecordSet &rs, AppointmentItem &a)
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

void mapAppointment(RecordSet &rs, AppointmentItem &a, const QString &entryId)
{
    rs.setField("Categories", a.Categories());
    rs.setField("Description", a.Subject());
    rs.setField("Location", a.Location());
    rs.setField("Timezone", QString(""));
    rs.setField("Note", a.Body());
    rs.setField("Start", a.Start());
    rs.setField("End", a.End());
    rs.setField("Type", a.AllDayEvent() ? QString("AllDay") : QString("Timed"));
    if (a.ReminderSet()) {
        if (a.RecurrenceState() == olApptMaster) {
            mapRecurrence(rs, a);
        } else {
            for (const char *field : {"Rtype", "Rfreq", "Rweekdays", "Rhasenddate", "Enddt"})
                rs.setField(field, QString(""));
            rs.setField("balarm", QString("true"));
            rs.setField("alarm", QVariant());
        }
    }
    rs.setField("Exceptions", QString(""));
    rs.setField("Qdl-private-data", QString(""));
    rs.setField("application", a.Application());
    rs.setField("outlook_index", entryId);
}

// The first CR LF of a file-as text becomes two blanks; the text keeps its length.
QString preparedFileAs(QString fileAs)
{
    const qsizetype at = fileAs.indexOf(QStringLiteral("\r\n"));
    if (at >= 0)
        fileAs.replace(at, 2, QStringLiteral("  "));
    return fileAs;
}

QString failureText(OutlookKind kind, const OutlookError &e, int stored, bool kept)
{
    const QString name = kindName(kind);
    QString text;
    switch (e.kind()) {
    case OutlookError::Kind::CannotAttach:
        text = QString("OUTLOOK에 연결할 수 없어 %1 데이터를 가져오지 못했습니다.").arg(name);
        break;
    case OutlookError::Kind::AccessRefused:
        text = QString("OUTLOOK이 데이터 접근을 허락하지 않아 %1 데이터를 가져오지 못했습니다.").arg(name);
        break;
    case OutlookError::Kind::CallFailed:
        text = QString("OUTLOOK에서 %1 데이터를 가져오다가 멈췄습니다.").arg(name);
        break;
    }
    if (!e.reason().isEmpty())
        text += "\r" + e.reason();
    if (stored > 0)
        text += kept ? QString("\r그 전에 가져온 %1건은 저장되었습니다.").arg(stored)
                     : QString("\r그 전에 가져온 %1건도 저장하지 못했습니다.").arg(stored);
    return text;
}

QString storeFailureText(OutlookKind kind, const StoreError &e, int stored, bool kept)
{
    QString text = QString("OUTLOOK의 %1 데이터를 저장하다가 멈췄습니다.\r%2").arg(kindName(kind), e.message());
    if (stored > 0)
        text += kept ? QString("\r그 전에 가져온 %1건은 저장되었습니다.").arg(stored)
                     : QString("\r그 전에 가져온 %1건도 저장하지 못했습니다.").arg(stored);
    return text;
}

// The common frame of the three imports. Changes run in one transaction; when the run stops early,
// what was stored before is committed before the message says so.
KindOutcome runImport(const ImportContext &context, const KindSettings &settings)
{
    KindOutcome outcome;
    Messages *messages = context.messages;
    std::optional<Store::Transaction> transaction;
    RecordSet *records = nullptr;

    const auto keepStored = [&]() {
        if (records && records->editing())
            records->cancelUpdate();
        if (!transaction)
            return true;
        try {
            transaction->commit();
            return true;
        } catch (const StoreError &) {
            return false;
        }
    };

    try {
        // Attach and reach the folder's items.
        if (!context.source)
            throw OutlookError(QStringLiteral("이 컴퓨터에서 OUTLOOK 데이터를 읽을 곳이 정해지지 않았습니다."),
                               OutlookError::Kind::CannotAttach);
        const std::shared_ptr<Application> application = context.source();
        if (!application)
            throw OutlookError(QString(), OutlookError::Kind::CannotAttach);
        const auto nameSpace = application->GetNamespace(QStringLiteral("MAPI"));
        if (!nameSpace)
            throw OutlookError(QStringLiteral("MAPI 이름 공간을 열 수 없습니다."), OutlookError::Kind::CannotAttach);
        const auto folder = nameSpace->GetDefaultFolder(settings.folder);
        if (!folder)
            throw OutlookError(QStringLiteral("기본 폴더를 찾을 수 없습니다."), OutlookError::Kind::CannotAttach);
        const auto items = folder->Items();
        if (!items)
            throw OutlookError(QStringLiteral("폴더의 항목을 읽을 수 없습니다."), OutlookError::Kind::CannotAttach);

        // Point both data sources at the store.
        DataSource &data1 = *context.data1;
        DataSource &data2 = *context.data2;
        data2.setDatabaseName(context.storePath);
        data2.setRecordSource(QString::fromLatin1(settings.table));
        data1.setDatabaseName(context.storePath);
        data1.setRecordSource(QString::fromLatin1(settings.identitySource));
        data2.refresh();
        data1.refresh();

        RecordSet &identities = data1.recordset();
        qint64 counter = 0;
        if (identities.recordCount() > 0) {
            identities.moveLast();
            counter = identities.field("ID").toLongLong();
        }

        records = &data2.recordset();
        transaction.emplace(records->store());

        QString startKey, endKey;
        if (settings.range) {
            startKey = settings.range->startKey();
            endKey = settings.range->endKey();
        }

        const int n = items->Count();
        for (int i = 1; i <= n; ++i) {
            const int count = items->Count();
            if (context.progress)
                context.progress(settings.kind, QString("(%1/%2)").arg(i).arg(count),
                                 count > 0 ? std::min(1.0, double(i) / count) : 1.0);

            const std::shared_ptr<Item> item = items->Item(i);
            if (!item)
                throw OutlookError(QString("%1번째 항목을 읽을 수 없습니다.").arg(i));

            ContactItem *contact = nullptr;
            TaskItem *task = nullptr;
            AppointmentItem *appointment = nullptr;
            QDateTime modified;
            switch (settings.kind) {
            case OutlookKind::Contacts:
                contact = as<ContactItem>(item.get());
                break;
            case OutlookKind::Tasks:
                task = as<TaskItem>(item.get());
                if (task)
                    modified = task->LastModificationTime();
                break;
            case OutlookKind::Calendar:
                appointment = as<AppointmentItem>(item.get());
                if (appointment)
                    modified = appointment->LastModificationTime();
                break;
            }
            if (!contact && !task && !appointment) {
                ++outcome.skipped;
                continue;
            }
            if (settings.range) {
                const QString key = modificationKey(modified);
                if (!(key >= startKey && key <= endKey)) {
                    ++outcome.skipped;
                    continue;
                }
            }

            QString fileAs;
            if (contact)
                fileAs = preparedFileAs(contact->FileAs());
            const QString entryId = item->EntryID().trimmed();

            if (records->recordCount() > 0)
                records->moveFirst();
            records->findFirst(lookupCriteria(settings.kind, entryId));
            const bool adding = records->noMatch();
            if (adding) {
                records->addNew();
                ++counter;
                records->setField("ID", counter);
            } else {
                records->edit();
            }
            if (contact)
                mapContact(*records, *contact, fileAs, entryId);
            else if (task)
                mapTask(*records, *task, entryId);
            else
                mapAppointment(*records, *appointment, entryId);
            records->update();
            if (adding)
                ++outcome.added;
            else
                ++outcome.updated;
        }

        transaction->commit();
        transaction.reset();
    } catch (const OutlookError &e) {
        const bool kept = keepStored();
        outcome.failure = failureText(settings.kind, e, outcome.added + outcome.updated, kept);
    } catch (const StoreError &e) {
        const bool kept = keepStored();
        outcome.failure = storeFailureText(settings.kind, e, outcome.added + outcome.updated, kept);
    }

    if (!outcome.failure.isEmpty()) {
        if (messages)
            messages->showFailure(outcome.failure, QString::fromUtf8(messageTitle), Icon::Critical);
        return outcome;
    }
    outcome.ok = true;
    if (messages)
        messages->show(completionText(settings.kind), QString::fromUtf8(messageTitle), Buttons::Ok, Icon::Information);
    return outcome;
}

} // namespace

QString RangeBoxes::startKey() const
{
    return startYear.trimmed() + "-" + startMonth.trimmed() + "-" + startDay.trimmed();
}

QString RangeBoxes::endKey() const
{
    return endYear.trimmed() + "-" + endMonth.trimmed() + "-" + endDay.trimmed();
}

void RangeBoxes::correct()
{
    const QString start = startYear + startMonth + startDay;
    const QString end = endYear + endMonth + endDay;
    if (QString::compare(start, end, Qt::CaseSensitive) > 0) {
        endYear = startYear;
        endMonth = startMonth;
        endDay = startDay;
    }
}

QString dateText(const QDateTime &value)
{
    return value.isValid() ? value.toString(QString::fromLatin1(schema::dateTimeFormat)) : QString();
}

QString modificationKey(const QDateTime &lastModification)
{
    return dateText(lastModification).left(10).trimmed();
}

RangeBoxes todayRange(const Clock &clock)
{
    RangeBoxes range;
    const QString today = dateText(clock.now());
    splitInto(today, range.startYear, range.startMonth, range.startDay);
    splitInto(today, range.endYear, range.endMonth, range.endDay);
    return range;
}

void applyPreset(RangeBoxes &range, const QString &preset, bool forCalendar, const Clock &clock)
{
    if (preset == QString::fromUtf8(presetWeek) || preset == QString::fromUtf8(presetMonth)) {
        const bool week = preset == QString::fromUtf8(presetWeek);
        // The clock is read afresh for each box.
        const auto startText = [&]() {
            const QDateTime now = clock.now();
            // addMonths keeps a day beyond the end of the earlier month on its last day.
            return dateText(week ? now.addDays(-7) : now.addMonths(-1));
        };
        QString ignored1, ignored2;
        splitInto(startText(), range.startYear, ignored1, ignored2);
        splitInto(startText(), ignored1, range.startMonth, ignored2);
        splitInto(startText(), ignored1, ignored2, range.startDay);
    } else if (preset == QString::fromUtf8(presetAll)) {
        if (forCalendar)
            range = {"1970", "01", "02", "2038", "01", "18"};
        else
            range = {"0000", "00", "00", "9999", "12", "31"};
    }
}

QString accessMessageText()
{
    return QString("OUTLOOK의 숨겨진 데이터의 접근을 위해 ") + QChar(13) +
           QString("억섹스 허용시간을 10분으로 해주시기 바랍니다.");
}

QString completionText(OutlookKind kind)
{
    return QString("OUTLOOK에서 %1 데이터를 가져왔습니다.").arg(kindName(kind));
}

KindOutcome ContactsFromOutlook(const ImportContext &context)
{
    return runImport(
        context, {OutlookKind::Contacts, "Contacts", olFolderContacts, "SELECT * FROM Contacts ORDER BY ID", nullptr});
}

KindOutcome TodoFromOutlook(const ImportContext &context, const RangeBoxes &taskRange)
{
    return runImport(context,
                     {OutlookKind::Tasks, "Todo", olFolderTasks, "SELECT * FROM Todo ORDER BY ID", &taskRange});
}

KindOutcome DatebookFromOutlook(const ImportContext &context, const RangeBoxes &calendarRange)
{
    return runImport(context, {OutlookKind::Calendar, "Datebook", olFolderCalendar,
                               "SELECT * FROM Datebook ORDER BY ID", &calendarRange});
}

SequenceOutcome importFromOutlook(ImportRequest &request, const ImportContext &context)
{
    SequenceOutcome outcome;
    if (request.showAccessMessage && context.messages)
        context.messages->show(accessMessageText());
    request.taskRange.correct();
    request.calendarRange.correct();

    // One writer per data folder: the lock is held from the snapshot to the last kind. Then the
    // store as it was before this import, for an undo; without it nothing is imported. A store that
    // cannot be opened is left to the imports, which say so and write nothing.
    std::unique_ptr<DataFolderLock> lock;
    if (request.contacts || request.tasks || request.calendar) {
        std::shared_ptr<Store> store;
        try {
            store = Store::shared(context.storePath);
        } catch (const StoreError &) {
        }
        SilentMessages silent;
        Messages &say = context.messages ? *context.messages : silent;
        const QString dataDirectory = QFileInfo(context.storePath).absolutePath();
        lock = store ? lockForWriting(*store, say, dataDirectory) : DataFolderLock::acquire(dataDirectory, say);
        if (!lock) {
            outcome.ok = false;
            return outcome;
        }
        QList<RecordKind> kinds;
        if (request.contacts)
            kinds << RecordKind::Contacts;
        if (request.calendar)
            kinds << RecordKind::Events;
        if (request.tasks)
            kinds << RecordKind::Tasks;
        const SnapshotResult snapshot =
            store ? takeSnapshot(QFileInfo(context.storePath).absolutePath(), *store, operations::outlookImport, kinds)
                  : SnapshotResult{true, {}, {}};
        if (!snapshot.ok) {
            if (context.messages)
                context.messages->showFailure(snapshot.failure, QString::fromUtf8(messageTitle), Icon::Critical);
            outcome.ok = false;
            return outcome;
        }
    }

    const auto record = [&outcome](KindOutcome kind) {
        outcome.kinds.append(kind);
        outcome.ok = outcome.ok && kind.ok;
        return kind.ok;
    };
    if (request.contacts && !record(ContactsFromOutlook(context)))
        return outcome;
    if (request.tasks && !record(TodoFromOutlook(context, request.taskRange)))
        return outcome;
    if (request.calendar)
        record(DatebookFromOutlook(context, request.calendarRange));
    return outcome;
}

} // namespace pimdesk::outlook
