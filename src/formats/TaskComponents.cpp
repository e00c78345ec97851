#include "formats/TaskComponents.h"

#include "records/Schema.h"

namespace pimdesk::formats::calendar {

namespace {

const QSet<QString> &mappedFields()
{
    static const QSet<QString> fields{QStringLiteral("Description"), QStringLiteral("Notes"),
                                      QStringLiteral("Categories"),  QStringLiteral("Priority"),
                                      QStringLiteral("Status"),      QStringLiteral("Completed"),
                                      QStringLiteral("PercentCompleted"), QStringLiteral("Hasdate"),
                                      QStringLiteral("Dateyear"),    QStringLiteral("Datemonth"),
                                      QStringLiteral("Dateday"),     QStringLiteral("Starteddate"),
                                      QStringLiteral("Completeddate")};
    return fields;
}

struct TextRow
{
    const char *field;
    icalproperty_kind kind;
    icalproperty *(*make)(const char *);
};

const TextRow textRows[] = {
    {"Description", ICAL_SUMMARY_PROPERTY, icalproperty_new_summary},
    {"Notes", ICAL_DESCRIPTION_PROPERTY, icalproperty_new_description},
};

// Status: the store's five and iCalendar's four. Waiting and Deferred have no status of their
// own; they go as NEEDS-ACTION (and come back through X-PIMDESK-STATUS).
struct StatusRow
{
    const char *store;
    icalproperty_status status;
};

const StatusRow statusRows[] = {
    {"NotStarted", ICAL_STATUS_NEEDSACTION}, {"InProgress", ICAL_STATUS_INPROCESS},
    {"Completed", ICAL_STATUS_COMPLETED},    {"Waiting", ICAL_STATUS_NEEDSACTION},
    {"Deferred", ICAL_STATUS_NEEDSACTION},   {"Deferred", ICAL_STATUS_CANCELLED},
};

// Priority: the store's 1 (highest) to 5 and iCalendar's 1 (highest) to 9, 0 meaning none.
int icalPriority(int store)
{
    return 2 * store - 1;
}

int storePriority(int ical)
{
    return (ical + 1) / 2;
}

bool isRead(icalproperty_kind kind)
{
    switch (kind) {
    case ICAL_UID_PROPERTY:
    case ICAL_DTSTAMP_PROPERTY:
    case ICAL_SUMMARY_PROPERTY:
    case ICAL_DESCRIPTION_PROPERTY:
    case ICAL_CATEGORIES_PROPERTY:
    case ICAL_DUE_PROPERTY:
    case ICAL_DTSTART_PROPERTY:
    case ICAL_COMPLETED_PROPERTY:
    case ICAL_PRIORITY_PROPERTY:
    case ICAL_STATUS_PROPERTY:
    case ICAL_PERCENTCOMPLETE_PROPERTY:
    case ICAL_SEQUENCE_PROPERTY:
    case ICAL_CREATED_PROPERTY:
    case ICAL_LASTMODIFIED_PROPERTY:
    case ICAL_XLICERROR_PROPERTY:
        return true;
    default:
        return false;
    }
}

// A task's date as the store holds it: the task editor's yyyy-mm-dd (also the handheld's
// yyyymmdd and a date with a time).
QDate storedDate(const QString &stored)
{
    const QString text = stored.trimmed();
    QDate d = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    if (!d.isValid())
        d = QDate::fromString(text, QStringLiteral("yyyyMMdd"));
    return d;
}

QDate dueDate(const StoreRecord &t)
{
    if (t.value(QStringLiteral("Hasdate")).trimmed() != u"1")
        return QDate();
    bool y = false, m = false, d = false;
    const QDate due(t.value(QStringLiteral("Dateyear")).trimmed().toInt(&y),
                    t.value(QStringLiteral("Datemonth")).trimmed().toInt(&m),
                    t.value(QStringLiteral("Dateday")).trimmed().toInt(&d));
    return y && m && d ? due : QDate();
}

ical::Component buildTask(const StoreRecord &t, Writing &w)
{
    ical::Component c(ICAL_VTODO_COMPONENT);
    bool ok = false;
    const qint64 id = t.value(QStringLiteral("ID")).toLongLong(&ok);
    // An item that came from another program's file goes back under its UID (an occurrence taken
    // out of a series keeps its record's own, as its series is no more).
    const QString foreign = plain(t, schema::foreignUidColumn).trimmed();
    if (!foreign.isEmpty() && !foreign.contains(u'#'))
        c.add(ical::Property(icalproperty_new_uid(foreign.toUtf8().constData())));
    else if (ok)
        c.add(ical::Property(icalproperty_new_uid(ownUid(RecordKind::Tasks, id).toUtf8().constData())));
    c.add(ical::Property(icalproperty_new_dtstamp(w.stamp())));
    for (const TextRow &row : textRows)
        addText(c, row.make, t, row.field);
    if (present(t, "Categories")) {
        QStringList items;
        for (const QString &item : plain(t, "Categories").split(u','))
            if (!item.trimmed().isEmpty())
                items << item.trimmed();
        c.add(ical::Property(icalproperty_new_categories(items.join(u',').toUtf8().constData())));
    }
    if (const QDate due = dueDate(t); due.isValid())
        c.add(w.dateProperty(icalproperty_new_due, due));
    if (const QDate started = storedDate(t.value(QStringLiteral("Starteddate"))); started.isValid())
        c.add(w.dateProperty(icalproperty_new_dtstart, started));
    // COMPLETED is a time in UTC: the start of the local day.
    if (const QDate done = storedDate(t.value(QStringLiteral("Completeddate"))); done.isValid())
        c.add(ical::Property(icalproperty_new_completed(w.utcTime(done, QTime(0, 0)))));
    const int priority = t.value(QStringLiteral("Priority")).trimmed().toInt(&ok);
    if (ok && priority >= 1 && priority <= 5)
        c.add(ical::Property(icalproperty_new_priority(icalPriority(priority))));
    const QString status = t.value(QStringLiteral("Status")).trimmed();
    for (const StatusRow &row : statusRows)
        if (status.compare(QLatin1String(row.store), Qt::CaseInsensitive) == 0) {
            c.add(ical::Property(icalproperty_new_status(row.status)));
            break;
        }
    const int percent = t.value(QStringLiteral("PercentCompleted")).trimmed().toInt(&ok);
    if (ok && percent >= 0 && percent <= 100)
        c.add(ical::Property(icalproperty_new_percentcomplete(percent)));
    return c;
}

} // namespace

ical::Component taskComponent(const StoreRecord &task, Writing &writing)
{
    ical::Component c = buildTask(task, writing);
    // What the import makes of this VTODO, read from its text as a file gives it, decides which
    // fields need their private property.
    const ical::Component written(icalparser_parse_string(c.text().constData()));
    CalendarImport scratch;
    CalendarOptions options;
    options.localZone = writing.zoneId();
    Reading reading(nullptr, options, scratch);
    const StoreRecord canonical = taskOfComponent(written.get(), reading, 0).fields;
    addInexactFields(c, task, canonical, schema::todo().fields, mappedFields());
    return c;
}

ImportedRecord taskOfComponent(icalcomponent *todo, Reading &reading, int position)
{
    ImportedRecord task;
    task.position = position;
    StoreRecord &f = task.fields;
    const QString uid = ical::text(icalcomponent_get_uid(todo)).trimmed();
    if (const auto id = idFromOwnUid(RecordKind::Tasks, uid))
        task.ownId = id;
    else
        task.foreignUid = uid;

    QStringList categories;
    QString statusText;
    bool completedSeen = false;
    ical::forEachProperty(todo, ICAL_ANY_PROPERTY, [&](icalproperty *p) {
        const icalproperty_kind kind = icalproperty_isa(p);
        switch (kind) {
        case ICAL_CATEGORIES_PROPERTY:
            for (const QString &item : ical::text(icalproperty_get_categories(p)).split(u','))
                if (!item.trimmed().isEmpty())
                    categories << item.trimmed();
            break;
        case ICAL_DUE_PROPERTY: {
            const LocalTime due = reading.localOf(p, icalproperty_get_due(p));
            if (due.valid()) {
                f.insert(QStringLiteral("Hasdate"), QStringLiteral("1"));
                f.insert(QStringLiteral("Dateyear"), QString::number(due.date.year()));
                f.insert(QStringLiteral("Datemonth"), QString::number(due.date.month()));
                f.insert(QStringLiteral("Dateday"), QString::number(due.date.day()));
            }
            break;
        }
        case ICAL_DTSTART_PROPERTY: {
            const LocalTime started = reading.localOf(p, icalproperty_get_dtstart(p));
            if (started.valid())
                f.insert(QStringLiteral("Starteddate"), started.date.toString(QStringLiteral("yyyy-MM-dd")));
            break;
        }
        case ICAL_COMPLETED_PROPERTY: {
            const LocalTime done = reading.localOf(p, icalproperty_get_completed(p));
            if (done.valid()) {
                f.insert(QStringLiteral("Completeddate"), done.date.toString(QStringLiteral("yyyy-MM-dd")));
                completedSeen = true;
            }
            break;
        }
        case ICAL_PRIORITY_PROPERTY: {
            const int priority = icalproperty_get_priority(p);
            if (priority >= 1 && priority <= 9)
                f.insert(QStringLiteral("Priority"), QString::number(storePriority(priority)));
            break;
        }
        case ICAL_STATUS_PROPERTY: {
            const icalproperty_status status = icalproperty_get_status(p);
            for (const StatusRow &row : statusRows)
                if (row.status == status) {
                    statusText = QLatin1String(row.store);
                    break;
                }
            break;
        }
        case ICAL_PERCENTCOMPLETE_PROPERTY:
            f.insert(QStringLiteral("PercentCompleted"), QString::number(std::clamp(icalproperty_get_percentcomplete(p), 0, 100)));
            break;
        case ICAL_X_PROPERTY:
            if (propertyName(p).startsWith("X-PIMDESK-") &&
                !fieldOfPrivateProperty(propertyName(p), schema::todo().fields).isEmpty())
                break;
            reading.out().foreign.add(QString::fromLatin1(propertyName(p)));
            break;
        default:
            if (!isRead(kind))
                reading.out().foreign.add(QString::fromLatin1(propertyName(p)));
            break;
        }
    });
    ical::forEachChild(todo, ICAL_ANY_COMPONENT, [&](icalcomponent *child) {
        reading.out().foreign.add(QString::fromLatin1(icalcomponent_kind_to_string(icalcomponent_isa(child))));
    });
    for (const TextRow &row : textRows)
        if (icalproperty *p = icalcomponent_get_first_property(todo, row.kind))
            putText(f, row.field, textOf(p));
    if (!categories.isEmpty())
        putText(f, "Categories", categories.join(QStringLiteral(", ")));
    if (!f.contains(QStringLiteral("Hasdate")))
        f.insert(QStringLiteral("Hasdate"), QStringLiteral("0"));
    // No status: done when it says it was completed (or all of it is), else not started.
    if (statusText.isEmpty())
        statusText = completedSeen || f.value(QStringLiteral("PercentCompleted")) == u"100" ? QStringLiteral("Completed")
                                                                                            : QStringLiteral("NotStarted");
    f.insert(QStringLiteral("Status"), statusText);
    // The task editor's rule: completed exactly when the status says so.
    f.insert(QStringLiteral("Completed"), statusText == u"Completed" ? QStringLiteral("1") : QStringLiteral("0"));
    ical::forEachProperty(todo, ICAL_X_PROPERTY, [&](icalproperty *p) { takePrivate(p, f, schema::todo().fields); });
    return task;
}

} // namespace pimdesk::formats::calendar
