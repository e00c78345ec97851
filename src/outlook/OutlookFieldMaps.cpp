#include "outlook/OutlookFieldMaps.h"

#include "outlook/OutlookRanges.h"
#include "records/ContactNames.h"
#include "records/RecordSet.h"
#include "records/StoreText.h"

#include <QStringList>

#include <algorithm>
#include <bit>

#include <span>

namespace pimdesk::outlook {

namespace {

// What a row fills: the record, and the list of what the handheld cannot show as Outlook has it.
struct Filling
{
    RecordSet &record;
    QStringList &notes;
};

// One field of a record and where its value comes from. Most rows read one property of the item;
// a row with fill sets its fields itself, for values that depend on more than one property or that
// are set only in some cases.
template <class T> struct FieldRow
{
    const char *field;
    QVariant (*value)(T &item) = nullptr;
    void (*fill)(Filling &to, T &item) = nullptr;
};

// Texts go into the store in the form the handheld's documents give them ("&amp;", "&quot;", ...);
// other values as they are.
template <class V> QVariant stored(const V &value)
{
    if constexpr (std::is_same_v<V, QString>)
        return storeTextFromPlain(value);
    else
        return QVariant(value);
}

template <class T, auto property> QVariant read(T &item)
{
    return stored((item.*property)());
}
template <auto property> constexpr auto contact = &read<ContactItem, property>;
template <auto property> constexpr auto task = &read<TaskItem, property>;
template <auto property> constexpr auto appointment = &read<AppointmentItem, property>;

// A text of length zero, not a null.
template <class T> QVariant emptyText(T &)
{
    return QString("");
}

template <class T> void fillRows(std::span<const FieldRow<T>> rows, Filling &to, T &item)
{
    for (const FieldRow<T> &row : rows) {
        if (row.fill)
            row.fill(to, item);
        else
            to.record.setField(QLatin1String(row.field), row.value(item));
    }
}

bool isBlank(const QString &text)
{
    return text.trimmed().isEmpty();
}

// The name the list shows. Outlook keeps none for contacts written by some other programs; then
// the full name, the display name, the name's parts or the company stand in, so that no row of
// the list is blank.
QVariant fileAs(ContactItem &c)
{
    const QString kept = preparedFileAs(c.FileAs());
    if (!isBlank(kept))
        return storeTextFromPlain(kept);
    for (const QString &name : {c.FullName(), c.Subject()})
        if (!isBlank(name))
            return storeTextFromPlain(preparedFileAs(name));
    const QString composed =
        composeFileAs({c.Title(), c.FirstName(), c.NickName(), c.MiddleName(), c.LastName(), c.Suffix(), {}, {}});
    return storeTextFromPlain(composed.isEmpty() ? c.CompanyName() : composed);
}

// Outlook numbers a gender 1 female, 2 male; the handheld 1 male, 2 female, 0 for neither.
QVariant gender(ContactItem &c)
{
    switch (c.Gender()) {
    case 1:
        return QString("2");
    case 2:
        return QString("1");
    default:
        return QString("0");
    }
}

// An address Outlook keeps only as one text (its parts empty) goes whole, line breaks and all, into
// the street field, where the handheld shows it.
template <QString (ContactItem::*street)() const, QString (ContactItem::*whole)() const,
          QString (ContactItem::*city)() const, QString (ContactItem::*state)() const,
          QString (ContactItem::*zip)() const, QString (ContactItem::*country)() const>
QVariant streetOrWholeAddress(ContactItem &c)
{
    const QString parts[] = {(c.*street)(), (c.*city)(), (c.*state)(), (c.*zip)(), (c.*country)()};
    const bool noParts = std::all_of(std::begin(parts), std::end(parts), isBlank);
    return storeTextFromPlain(noParts && !isBlank((c.*whole)()) ? (c.*whole)() : parts[0]);
}
constexpr auto businessStreet =
    streetOrWholeAddress<&ContactItem::BusinessAddressStreet, &ContactItem::BusinessAddress,
                         &ContactItem::BusinessAddressCity, &ContactItem::BusinessAddressState,
                         &ContactItem::BusinessAddressPostalCode, &ContactItem::BusinessAddressCountry>;
constexpr auto homeStreet = streetOrWholeAddress<&ContactItem::HomeAddressStreet, &ContactItem::HomeAddress,
                                                 &ContactItem::HomeAddressCity, &ContactItem::HomeAddressState,
                                                 &ContactItem::HomeAddressPostalCode, &ContactItem::HomeAddressCountry>;

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
    {"O_Street", businessStreet},
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
    {"H_Street", homeStreet},
    {"H_City", contact<&ContactItem::HomeAddressCity>},
    {"H_State", contact<&ContactItem::HomeAddressState>},
    {"H_Zip", contact<&ContactItem::HomeAddressPostalCode>},
    {"H_Country", contact<&ContactItem::HomeAddressCountry>},
    {"H_URL", contact<&ContactItem::PersonalHomePage>},
    {"H_Spouse", contact<&ContactItem::Spouse>},
    {"H_Children", contact<&ContactItem::Children>},
    {"H_Anniv", contact<&ContactItem::Anniversary>},
    {"H_Gender", gender},
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
void fillPriority(Filling &to, TaskItem &t)
{
    RecordSet &rs = to.record;
    static const char *const priorityOfImportance[] = {"5", "3", "1"};
    const int importance = t.Importance();
    if (importance >= 0 && importance < int(std::size(priorityOfImportance)))
        rs.setField("Priority", QString(priorityOfImportance[importance]));
}

void fillDueDate(Filling &to, TaskItem &t)
{
    RecordSet &rs = to.record;
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

// The fields of a series' repetition; a single appointment leaves them empty.
constexpr const char *repetitionFields[] = {"Rtype", "Rfreq", "Rweekdays", "Rhasenddate", "Enddt", "Exceptions"};

// The days between the series' own days and this computer's: a series at Tuesday 15:00 UTC falls
// on Wednesday in Seoul. Taken from the first occurrence; nothing when the pattern does not say.
int localDayShift(const QDateTime &patternStart, const QDateTime &start)
{
    if (!patternStart.isValid() || !start.isValid() || isNoDate(patternStart))
        return 0;
    const qint64 days = patternStart.date().daysTo(start.date());
    return days >= -2 && days <= 2 ? int(days) : 0;
}

// Outlook's weekday bits (Sunday 1 ... Saturday 64) moved by shift days, as the handheld's
// (Monday 1 ... Sunday 64).
int handheldWeekdays(int outlookMask, int shift)
{
    int mask = 0;
    for (int day = 0; day < 7; ++day) { // 0 Sunday ... 6 Saturday
        if (!(outlookMask & (1 << day)))
            continue;
        const int local = ((day + shift) % 7 + 7) % 7;
        mask |= 1 << (local == 0 ? 6 : local - 1);
    }
    return mask;
}

// The day of the last of count occurrences from first, for a back end that gives the count of a
// series but not the day it ends. weekdays are the handheld's bits.
QDate lastOccurrence(const QString &type, int interval, int weekdays, const QDate &first, int count)
{
    if (count <= 1)
        return first;
    if (type == QLatin1String("Daily"))
        return first.addDays(qint64(count - 1) * interval);
    if (type == QLatin1String("Weekly")) {
        // A count beyond any real series (or a week without days) gives no day rather than a
        // walk without end.
        const QDate monday = first.addDays(1 - first.dayOfWeek());
        int left = count;
        for (int weeks = 0; weeks < 20000 && (weekdays & 0x7F); ++weeks) {
            for (int d = 0; d < 7; ++d) {
                const QDate day = monday.addDays((qint64(weeks) * interval) * 7 + d);
                if (day >= first && (weekdays & (1 << d)) && --left == 0)
                    return day;
            }
        }
        return QDate();
    }
    if (type == QLatin1String("Yearly"))
        return first.addYears((count - 1) * interval);
    return first.addMonths((count - 1) * interval);
}

QString dayList(const QList<QDate> &days, const QString &format, const QString &separator)
{
    QStringList texts;
    for (const QDate &d : days)
        texts << d.toString(format);
    return texts.join(separator);
}

// The repetition of a series, for every series whether it has a reminder or not. The pattern is
// asked for afresh for every value, as Outlook hands out a new pattern object on every request.
// What the handheld cannot repeat as Outlook does is stored as near as it can be and noted.
void fillRecurrence(Filling &to, AppointmentItem &a)
{
    RecordSet &rs = to.record;
    for (const char *field : repetitionFields)
        rs.setField(field, QString(""));
    if (a.RecurrenceState() != olApptMaster)
        return;
    const auto pattern = [&a]() {
        auto p = a.GetRecurrencePattern();
        if (!p)
            throw OutlookError(QStringLiteral("반복 일정의 반복 방식을 읽을 수 없습니다."));
        return p;
    };
    QStringList notes;
    const QDateTime start = a.Start();
    const int shift = localDayShift(pattern()->PatternStartDate(), start);
    const int interval = std::max(1, pattern()->Interval());
    const int outlookMask = pattern()->DayOfWeekMask() & 0x7F;
    int weekdays = handheldWeekdays(outlookMask, shift);
    QString type;
    switch (pattern()->RecurrenceType()) {
    case olRecursDaily:
        type = QStringLiteral("Daily");
        break;
    case olRecursWeekly:
        type = QStringLiteral("Weekly");
        if (weekdays == 0 && start.isValid())
            weekdays = 1 << (start.date().dayOfWeek() - 1);
        rs.setField("Rweekdays", QString::number(weekdays));
        break;
    case olRecursMonthly:
        type = QStringLiteral("MonthlyDate");
        break;
    case olRecursMonthNth:
        // The handheld repeats on the weekday and week of the month of the first occurrence.
        type = pattern()->Instance() == 5 ? QStringLiteral("MonthlyEndDay") : QStringLiteral("MonthlyDay");
        if (std::popcount(unsigned(outlookMask)) > 1)
            notes << QStringLiteral("여러 요일 중 매월 몇째 날의 반복은 첫 일정의 요일로 저장했습니다.");
        break;
    case olRecursYearly:
        type = QStringLiteral("Yearly");
        break;
    case olRecursYearNth:
        type = QStringLiteral("Yearly");
        notes << QStringLiteral("매년 정해진 달의 몇째 요일 반복은 매년 첫 일정과 같은 날짜의 반복으로 저장했습니다.");
        break;
    default:
        notes << QStringLiteral("알 수 없는 반복 방식이라 첫 일정만 저장했습니다.");
        break;
    }
    if (!type.isEmpty()) {
        rs.setField("Rtype", type);
        rs.setField("Rfreq", QString::number(interval));
        if (pattern()->NoEndDate()) {
            rs.setField("Rhasenddate", QString("0"));
        } else {
            QDateTime end = pattern()->PatternEndDate();
            QDate last = end.isValid() && !isNoDate(end) ? end.date().addDays(shift) : QDate();
            if (!last.isValid() && start.isValid())
                last = lastOccurrence(type, interval, weekdays, start.date(), pattern()->Occurrences());
            if (last.isValid()) {
                rs.setField("Rhasenddate", QString("1"));
                rs.setField("Enddt", QDateTime(last, QTime(0, 0)));
            } else {
                rs.setField("Rhasenddate", QString("0"));
                notes << QStringLiteral("마지막 날을 알 수 없어 끝없이 반복하도록 저장했습니다.");
            }
        }

        QList<QDate> deleted, moved;
        for (const RecurrenceException &e : pattern()->Exceptions()) {
            if (!e.OriginalDate.isValid())
                continue;
            QList<QDate> &list = e.Deleted ? deleted : moved;
            if (!list.contains(e.OriginalDate.date()))
                list << e.OriginalDate.date();
        }
        std::sort(deleted.begin(), deleted.end());
        std::sort(moved.begin(), moved.end());
        rs.setField("Exceptions", dayList(deleted, QStringLiteral("yyyyMMdd"), QStringLiteral(" ")));
        // A single occurrence moved to another time stays where the pattern puts it.
        if (!moved.isEmpty())
            notes << QStringLiteral("따로 바뀐 %1의 일정은 반복대로 남겼습니다.")
                         .arg(dayList(moved, QStringLiteral("yyyy-MM-dd"), QStringLiteral(", ")));
    }
    const QString subject = a.Subject();
    for (const QString &note : notes)
        to.notes << QStringLiteral("%1 (%2): %3")
                        .arg(subject, start.isValid() ? start.toString("yyyy-MM-dd HH:mm") : QString(), note);
}

// The handheld's alarm for every appointment with a reminder, single or recurring; without one,
// no alarm.
void fillReminder(Filling &to, AppointmentItem &a)
{
    RecordSet &rs = to.record;
    if (!a.ReminderSet()) {
        for (const char *field : {"balarm", "alarm", "sound"})
            rs.setField(field, QString(""));
        return;
    }
    rs.setField("balarm", QString("true"));
    rs.setField("alarm", QString::number(std::max(0, a.ReminderMinutesBeforeStart())));
    rs.setField("sound", QString("loud"));
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
    {"Rtype", nullptr, fillRecurrence}, // with Rfreq, Rweekdays, Rhasenddate, Enddt and Exceptions
    {"balarm", nullptr, fillReminder},  // with alarm and sound
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

template <class T, const auto &rows> void fillFrom(RecordSet &record, Item &item, QStringList &notes)
{
    Filling to{record, notes};
    fillRows<T>(rows, to, static_cast<T &>(item));
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
