#include "formats/EventComponents.h"

#include "formats/Recurrence.h"
#include "records/Clock.h"
#include "records/Schema.h"

#include <QRegularExpression>

namespace pimdesk::formats::calendar {

namespace {

// Fields the standard properties carry; every other one goes as X-PIMDESK-<field>.
const QSet<QString> &mappedFields()
{
    static const QSet<QString> fields{
        QStringLiteral("Description"), QStringLiteral("Location"),    QStringLiteral("Note"),
        QStringLiteral("Categories"),  QStringLiteral("Start"),       QStringLiteral("End"),
        QStringLiteral("Type"),        QStringLiteral("Rtype"),       QStringLiteral("Rfreq"),
        QStringLiteral("Rweekdays"),   QStringLiteral("Rhasenddate"), QStringLiteral("Enddt"),
        QStringLiteral("Exceptions"),  QStringLiteral("balarm"),      QStringLiteral("alarm"),
        QStringLiteral("sound")};
    return fields;
}

const char *const repeatFields[] = {"Rtype", "Rfreq", "Rweekdays", "Rhasenddate", "Enddt", "Exceptions"};

// The rows of text: store field and property, both ways.
struct TextRow
{
    const char *field;
    icalproperty_kind kind;
    icalproperty *(*make)(const char *);
};

const TextRow textRows[] = {
    {"Description", ICAL_SUMMARY_PROPERTY, icalproperty_new_summary},
    {"Location", ICAL_LOCATION_PROPERTY, icalproperty_new_location},
    {"Note", ICAL_DESCRIPTION_PROPERTY, icalproperty_new_description},
};

// Properties read by the mapping (or describing the item rather than the event); any other is
// counted as foreign.
bool isRead(icalproperty_kind kind)
{
    switch (kind) {
    case ICAL_UID_PROPERTY:
    case ICAL_DTSTAMP_PROPERTY:
    case ICAL_DTSTART_PROPERTY:
    case ICAL_DTEND_PROPERTY:
    case ICAL_DURATION_PROPERTY:
    case ICAL_SUMMARY_PROPERTY:
    case ICAL_LOCATION_PROPERTY:
    case ICAL_DESCRIPTION_PROPERTY:
    case ICAL_CATEGORIES_PROPERTY:
    case ICAL_RRULE_PROPERTY:
    case ICAL_EXDATE_PROPERTY:
    case ICAL_RDATE_PROPERTY:
    case ICAL_RECURRENCEID_PROPERTY:
    case ICAL_SEQUENCE_PROPERTY:
    case ICAL_CREATED_PROPERTY:
    case ICAL_LASTMODIFIED_PROPERTY:
    case ICAL_XLICERROR_PROPERTY:
        return true;
    default:
        return false;
    }
}

bool isTrue(const QString &value)
{
    const QString v = value.trimmed();
    return v == u"1" || v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
           v.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
}

QString categoriesText(icalcomponent *c)
{
    QStringList items;
    ical::forEachProperty(c, ICAL_CATEGORIES_PROPERTY, [&items](icalproperty *p) {
        for (const QString &item : ical::text(icalproperty_get_categories(p)).split(u','))
            if (!item.trimmed().isEmpty())
                items << item.trimmed();
    });
    return items.join(QStringLiteral(", "));
}

// ---------------------------------------------------------------------------------------------
// Writing

icaltimetype dateValue(const QDate &d)
{
    icaltimetype t = icaltime_null_date();
    t.year = d.year();
    t.month = d.month();
    t.day = d.day();
    return t;
}

ical::Component buildEvent(const StoreRecord &e, Writing &w)
{
    ical::Component c(ICAL_VEVENT_COMPONENT);
    bool ok = false;
    const qint64 id = e.value(QStringLiteral("ID")).toLongLong(&ok);
    // An item that came from another program's file goes back under its UID (an occurrence taken
    // out of a series keeps its record's own, as its series is no more).
    const QString foreign = plain(e, schema::foreignUidColumn).trimmed();
    if (!foreign.isEmpty() && !foreign.contains(u'#'))
        c.add(ical::Property(icalproperty_new_uid(foreign.toUtf8().constData())));
    else if (ok)
        c.add(ical::Property(icalproperty_new_uid(ownUid(RecordKind::Events, id).toUtf8().constData())));
    c.add(ical::Property(icalproperty_new_dtstamp(w.stamp())));
    for (const TextRow &row : textRows)
        addText(c, row.make, e, row.field);
    if (present(e, "Categories")) {
        QStringList items;
        for (const QString &item : plain(e, "Categories").split(u','))
            if (!item.trimmed().isEmpty())
                items << item.trimmed();
        c.add(ical::Property(icalproperty_new_categories(items.join(u',').toUtf8().constData())));
    }

    const LocalTime start = storedTime(e.value(QStringLiteral("Start")));
    const LocalTime end = storedTime(e.value(QStringLiteral("End")));
    const bool allDay = e.value(QStringLiteral("Type")).trimmed().compare(QLatin1String("AllDay"), Qt::CaseInsensitive) == 0;
    if (start.valid()) {
        if (allDay) {
            // A DATE value and an exclusive end: the day after the last day. The store's end is the
            // last day (at 23:59:59), or the next midnight as some programs give it.
            QDate last = start.date;
            if (end.valid())
                last = end.time == QTime(0, 0) && end.date > start.date ? end.date.addDays(-1) : end.date;
            if (last < start.date)
                last = start.date;
            c.add(w.dateProperty(icalproperty_new_dtstart, start.date));
            c.add(w.dateProperty(icalproperty_new_dtend, last.addDays(1)));
        } else {
            c.add(w.timeProperty(icalproperty_new_dtstart, start.date, start.time));
            if (end.valid() && end.clock() >= start.clock())
                c.add(w.timeProperty(icalproperty_new_dtend, end.date, end.time));
        }
        const StoreRepeat repeat = storeRepeatOf(e);
        if (repeat.kind != StoreRepeat::None) {
            // The series ends with its last day: for a timed event, at the end of that day in UTC.
            icaltimetype until = icaltime_null_time();
            if (repeat.until)
                until = allDay ? dateValue(*repeat.until) : w.utcTime(*repeat.until, QTime(23, 59, 59));
            c.add(ical::Property(icalproperty_new_rrule(ruleOf(repeat, start.date, until))));
            for (const QDate &d : repeat.exceptions)
                c.add(allDay ? w.dateProperty(icalproperty_new_exdate, d)
                             : w.timeProperty(icalproperty_new_exdate, d, start.time));
        }
    }

    const QString balarm = e.value(QStringLiteral("balarm"));
    if (isTrue(balarm) || (isAbsent(balarm) && present(e, "alarm"))) {
        const int minutes = std::max(0, e.value(QStringLiteral("alarm")).trimmed().toInt());
        const bool silent = e.value(QStringLiteral("sound")).trimmed().compare(QLatin1String("silent"), Qt::CaseInsensitive) == 0;
        ical::Component alarm(ICAL_VALARM_COMPONENT);
        alarm.add(ical::Property(icalproperty_new_action(silent ? ICAL_ACTION_DISPLAY : ICAL_ACTION_AUDIO)));
        icaltriggertype trigger;
        trigger.time = icaltime_null_time();
        trigger.duration = icaldurationtype_from_int(-minutes * 60);
        alarm.add(ical::Property(icalproperty_new_trigger(trigger)));
        if (silent) {
            const QString text = present(e, "Description") ? plain(e, "Description") : QStringLiteral("알림");
            alarm.add(ical::Property(icalproperty_new_description(text.toUtf8().constData())));
        }
        c.add(std::move(alarm));
    }
    return c;
}

// ---------------------------------------------------------------------------------------------
// Reading

struct Times
{
    icaltimetype zonedStart = icaltime_null_time();
    LocalTime start;
    LocalTime end;
    bool allDay = false;

    qint64 seconds() const { return start.clock().secsTo(end.clock()); }
};

// The days and times of a rule from the start on, in local time: the start first (RFC 5545
// counts it even where the rule would not give it), at most keep of them kept, none after
// through (when valid); last is the last one, counted to the rule's end or to cap.
struct RuleDays
{
    QList<LocalTime> first;
    LocalTime last;
    bool ended = false;
};

class SeriesReader
{
public:
    SeriesReader(Reading &reading, int position) : m_r(reading), m_position(position) {}

    QList<ImportedRecord> run(icalcomponent *master, const QList<icalcomponent *> &overrides)
    {
        QList<ImportedRecord> out;
        icalcomponent *named = master ? master : overrides.value(0);
        if (!named)
            return out;
        m_uid = ical::text(icalcomponent_get_uid(named)).trimmed();
        m_summary = textOf(named, ICAL_SUMMARY_PROPERTY);
        m_name = itemName("일정", m_position, m_summary);

        // The moved and cancelled occurrences: their original days are exceptions of the series.
        QList<std::pair<LocalTime, icalcomponent *>> moved;
        for (icalcomponent *o : overrides) {
            icalproperty *rid = icalcomponent_get_first_property(o, ICAL_RECURRENCEID_PROPERTY);
            const LocalTime original = m_r.localOf(rid, icalproperty_get_recurrenceid(rid));
            moved << std::pair{original, o};
        }

        if (master) {
            ImportedRecord base;
            base.position = m_position;
            setIdentity(base, QString());
            countForeign(master, true);
            readText(master, base.fields);
            Times times;
            const bool hasStart = readTimes(master, times, base.fields);
            const bool privateRepeat = hasPrivateRepeat(master);
            if (!hasStart) {
                if (hasPrivate(master, "X-PIMDESK-START")) {
                    takePrivates(master, base.fields);
                    out << base;
                } else if (!icalcomponent_get_first_property(master, ICAL_RDATE_PROPERTY)) {
                    m_r.out().skipped << QStringLiteral("%1: 시작 시각(DTSTART)이 없어 건너뜁니다.").arg(m_name);
                    return out;
                }
            } else {
                readAlarm(master, times, base.fields);
                QList<icalproperty *> rules;
                ical::forEachProperty(master, ICAL_RRULE_PROPERTY, [&rules](icalproperty *p) { rules << p; });
                QList<LocalTime> excluded = exdates(master);
                for (const auto &m : moved)
                    excluded << m.first;
                // A series written by this program with its repetition fields in private properties
                // is never taken apart: those fields give it back as it was.
                const bool mapped = rules.size() == 1 && mapRule(icalproperty_get_rrule(rules[0]), times, excluded, base.fields);
                if (!rules.isEmpty() && !mapped && !privateRepeat) {
                    QList<icalrecurrencetype> all;
                    for (icalproperty *p : rules)
                        all << icalproperty_get_rrule(p);
                    expand(all, times, excluded, base, out);
                } else {
                    takePrivates(master, base.fields);
                    out << base;
                }
                addRecurrenceDates(master, times, base, out);
            }
        } else {
            m_r.out().notes << QStringLiteral("%1: 반복의 원래 일정 없이 바뀐 반복만 있어 따로 된 일정으로 가져왔습니다.").arg(m_name);
        }

        for (const auto &[original, o] : std::as_const(moved)) {
            if (icalcomponent_get_status(o) == ICAL_STATUS_CANCELLED)
                continue; // the occurrence is gone: an exception of the series, nothing more
            ImportedRecord single;
            single.position = m_position;
            setIdentity(single, dayKey(original));
            countForeign(o, false);
            if (master)
                readText(master, single.fields);
            readText(o, single.fields);
            Times times;
            if (!readTimes(o, times, single.fields)) {
                // An override that keeps the original time.
                times.start = original;
                times.end = original;
                putTimes(times, single.fields);
            }
            readAlarm(o, times, single.fields);
            out << single;
            if (master) {
                const bool range = icalproperty_get_first_parameter(
                                       icalcomponent_get_first_property(o, ICAL_RECURRENCEID_PROPERTY), ICAL_RANGE_PARAMETER) != nullptr;
                m_r.out().notes << QStringLiteral("%1: %2의 반복을 바꾼 내용%3은 따로 된 일정으로 가져왔습니다.")
                                       .arg(m_name, original.date.toString(QStringLiteral("yyyy-MM-dd")),
                                            range ? QStringLiteral("(이후 반복 모두)") : QString());
            }
        }
        return out;
    }

private:
    static QString textOf(icalcomponent *c, icalproperty_kind kind)
    {
        icalproperty *p = icalcomponent_get_first_property(c, kind);
        return p ? calendar::textOf(p) : QString();
    }

    static QString dayKey(const LocalTime &t)
    {
        return t.date.toString(QStringLiteral("yyyyMMdd")) + u'T' + t.time.toString(QStringLiteral("HHmmss"));
    }

    void setIdentity(ImportedRecord &record, const QString &instance)
    {
        if (instance.isEmpty()) {
            if (const auto id = idFromOwnUid(RecordKind::Events, m_uid))
                record.ownId = id;
            else
                record.foreignUid = m_uid;
            return;
        }
        record.foreignUid = m_uid + u'#' + instance;
    }

    void countForeign(icalcomponent *c, bool master)
    {
        ical::forEachProperty(c, ICAL_ANY_PROPERTY, [&](icalproperty *p) {
            const icalproperty_kind kind = icalproperty_isa(p);
            if (isRead(kind))
                return;
            const QByteArray name = propertyName(p);
            if (kind == ICAL_X_PROPERTY && name.startsWith("X-PIMDESK-") &&
                !fieldOfPrivateProperty(name, schema::datebook().fields).isEmpty())
                return;
            if (!master && kind == ICAL_STATUS_PROPERTY)
                return;
            m_r.out().foreign.add(QString::fromLatin1(name));
        });
        bool firstAlarm = true;
        ical::forEachChild(c, ICAL_ANY_COMPONENT, [&](icalcomponent *child) {
            const icalcomponent_kind kind = icalcomponent_isa(child);
            if (kind == ICAL_VALARM_COMPONENT && firstAlarm) {
                firstAlarm = false;
                return;
            }
            m_r.out().foreign.add(QString::fromLatin1(icalcomponent_kind_to_string(kind)));
        });
    }

    static void readText(icalcomponent *c, StoreRecord &f)
    {
        for (const TextRow &row : textRows)
            if (icalproperty *p = icalcomponent_get_first_property(c, row.kind))
                putText(f, row.field, calendar::textOf(p));
        const QString categories = categoriesText(c);
        if (!categories.isEmpty())
            putText(f, "Categories", categories);
    }

    static void putTimes(const Times &t, StoreRecord &f)
    {
        if (t.allDay) {
            f.insert(QStringLiteral("Type"), QStringLiteral("AllDay"));
            f.insert(QStringLiteral("Start"), LocalTime{t.start.date, QTime(0, 0)}.storeText());
            f.insert(QStringLiteral("End"), LocalTime{t.end.date, QTime(23, 59, 59)}.storeText());
        } else {
            f.insert(QStringLiteral("Type"), QStringLiteral("Timed"));
            f.insert(QStringLiteral("Start"), t.start.storeText());
            f.insert(QStringLiteral("End"), t.end.storeText());
        }
    }

    // Start, end and type; false when the item has no start. An all-day event keeps its days:
    // its exclusive end date becomes the last day (at 23:59:59), never a day more or less.
    bool readTimes(icalcomponent *c, Times &t, StoreRecord &f)
    {
        icalproperty *ps = icalcomponent_get_first_property(c, ICAL_DTSTART_PROPERTY);
        if (!ps)
            return false;
        const icaltimetype s = icalproperty_get_dtstart(ps);
        if (icaltime_is_null_time(s))
            return false;
        t.zonedStart = m_r.zoned(ps, s);
        t.start = m_r.local(t.zonedStart);
        t.allDay = s.is_date;
        bool haveEnd = false;
        if (icalproperty *pe = icalcomponent_get_first_property(c, ICAL_DTEND_PROPERTY)) {
            const icaltimetype e = icalproperty_get_dtend(pe);
            if (!icaltime_is_null_time(e)) {
                t.end = m_r.localOf(pe, e);
                haveEnd = true;
            }
        }
        if (!haveEnd) {
            if (icalproperty *pd = icalcomponent_get_first_property(c, ICAL_DURATION_PROPERTY)) {
                const int seconds = icaldurationtype_as_int(icalproperty_get_duration(pd));
                t.end = LocalTime::ofClock(t.start.clock().addSecs(seconds), t.allDay);
                haveEnd = true;
            }
        }
        if (t.allDay) {
            QDate last = haveEnd ? (t.end.isDate || t.end.time == QTime(0, 0) ? t.end.date.addDays(-1) : t.end.date)
                                 : t.start.date;
            if (last < t.start.date)
                last = t.start.date;
            t.end = {last, QTime(23, 59, 59), true};
        } else if (!haveEnd || t.end.clock() < t.start.clock()) {
            t.end = t.start;
        }
        putTimes(t, f);
        return true;
    }

    void readAlarm(icalcomponent *c, const Times &t, StoreRecord &f)
    {
        icalcomponent *alarm = icalcomponent_get_first_component(c, ICAL_VALARM_COMPONENT);
        if (!alarm)
            return;
        icalproperty *pt = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
        if (!pt)
            return;
        const icaltriggertype trigger = icalproperty_get_trigger(pt);
        qint64 before = 0; // seconds before the start
        if (!icaltime_is_null_time(trigger.time)) {
            const LocalTime at = m_r.localOf(pt, trigger.time);
            before = at.clock().secsTo(t.start.clock());
        } else {
            qint64 offset = icaldurationtype_as_int(trigger.duration);
            icalparameter *related = icalproperty_get_first_parameter(pt, ICAL_RELATED_PARAMETER);
            if (related && icalparameter_get_related(related) == ICAL_RELATED_END)
                offset += t.seconds() + (t.allDay ? 1 : 0);
            before = -offset;
        }
        if (before < 0) {
            m_r.out().notes << QStringLiteral("%1: 알람이 시작 뒤에 울리게 되어 있어 시작 시각에 울리게 했습니다.").arg(m_name);
            before = 0;
        }
        f.insert(QStringLiteral("balarm"), QStringLiteral("true"));
        f.insert(QStringLiteral("alarm"), QString::number((before + 59) / 60));
        // A reminder rings on the handheld; "silent" comes back only through X-PIMDESK-SOUND.
        f.insert(QStringLiteral("sound"), QStringLiteral("loud"));
    }

    QList<LocalTime> exdates(icalcomponent *c)
    {
        QList<LocalTime> days;
        ical::forEachProperty(c, ICAL_EXDATE_PROPERTY,
                              [&](icalproperty *p) { days << m_r.localOf(p, icalproperty_get_exdate(p)); });
        return days;
    }

    static bool hasPrivate(icalcomponent *c, const char *name)
    {
        bool found = false;
        ical::forEachProperty(c, ICAL_X_PROPERTY, [&](icalproperty *p) { found = found || propertyName(p) == name; });
        return found;
    }

    static bool hasPrivateRepeat(icalcomponent *c)
    {
        for (const char *field : repeatFields)
            if (hasPrivate(c, privatePropertyName(QLatin1String(field)).constData()))
                return true;
        return false;
    }

    static void takePrivates(icalcomponent *c, StoreRecord &f)
    {
        ical::forEachProperty(c, ICAL_X_PROPERTY,
                              [&](icalproperty *p) { takePrivate(p, f, schema::datebook().fields); });
    }

    RuleDays walk(const QList<icalrecurrencetype> &rules, const Times &t, int keep, const QDate &through, int cap)
    {
        RuleDays days;
        days.ended = true;
        QList<LocalTime> all{t.start};
        LocalTime last = t.start;
        for (const icalrecurrencetype &rule : rules) {
            icalrecur_iterator *it = icalrecur_iterator_new(rule, t.zonedStart);
            if (!it)
                continue;
            int n = 0;
            int own = 0;
            bool startGiven = false;
            bool natural = true;
            QList<LocalTime> mine;
            LocalTime ruleLast, beforeLast;
            for (icaltimetype next = icalrecur_iterator_next(it); !icaltime_is_null_time(next);
                 next = icalrecur_iterator_next(it)) {
                next.zone = t.zonedStart.zone;
                next.is_date = t.zonedStart.is_date;
                const LocalTime local = m_r.local(next);
                if ((through.isValid() && local.date > through) || n >= cap) {
                    natural = false;
                    break;
                }
                ++n;
                if (icaltime_compare(next, t.zonedStart) == 0) {
                    startGiven = true;
                    continue;
                }
                ++own;
                if (mine.size() < keep)
                    mine << local;
                beforeLast = ruleLast;
                ruleLast = local;
            }
            icalrecur_iterator_free(it);
            // COUNT counts the start: where the rule did not give it, it has one fewer of its own.
            if (rule.count > 0 && !startGiven && natural && own > 0) {
                if (mine.size() == own)
                    mine.removeLast();
                ruleLast = beforeLast;
            }
            days.ended = days.ended && natural;
            all << mine;
            if (ruleLast.valid() && ruleLast.clock() > last.clock())
                last = ruleLast;
        }
        std::sort(all.begin(), all.end(), [](const LocalTime &a, const LocalTime &b) { return a.clock() < b.clock(); });
        all.erase(std::unique(all.begin(), all.end()), all.end());
        days.last = last;
        days.first = all.mid(0, keep);
        return days;
    }

    // The series as a handheld repetition, when one gives the same days; false otherwise.
    bool mapRule(const icalrecurrencetype &rule, const Times &t, const QList<LocalTime> &excluded, StoreRecord &f)
    {
        const bool ends = rule.count > 0 || !icaltime_is_null_time(rule.until);
        constexpr int checked = 60;
        // An endless rule is looked at for its first days only; one that ends, to its end.
        const RuleDays days = walk({rule}, t, checked, QDate(), ends ? 200000 : checked);
        if (ends && !days.ended)
            return false;
        QList<QDate> dates;
        for (const LocalTime &d : days.first)
            dates << d.date;
        // The whole series when it is short; its first days and its last one otherwise.
        std::optional<StoreRepeat> repeat = storeRepeatOfRule(rule, t.start.date, dates, ends && days.first.size() < checked);
        if (!repeat)
            return false;
        if (ends)
            repeat->until = days.last.date;
        for (const LocalTime &x : excluded)
            if (!repeat->exceptions.contains(x.date))
                repeat->exceptions << x.date;
        putStoreRepeat(f, *repeat);
        for (const LocalTime &d : days.first)
            if (!t.allDay && d.time != t.start.time) {
                m_r.out().notes << QStringLiteral("%1: 반복 시각이 서머타임에 따라 바뀌지만 핸드헬드에는 첫 시각(%2)으로 둡니다.")
                                       .arg(m_name, t.start.time.toString(QStringLiteral("HH:mm")));
                break;
            }
        return true;
    }

    static bool isExcluded(const LocalTime &occurrence, const QList<LocalTime> &excluded)
    {
        for (const LocalTime &x : excluded)
            if (x.date == occurrence.date && (x.isDate || x.time == occurrence.time))
                return true;
        return false;
    }

    ImportedRecord singleAt(const ImportedRecord &base, const Times &t, const LocalTime &at)
    {
        ImportedRecord single;
        single.position = m_position;
        single.fields = base.fields;
        for (const char *field : repeatFields)
            single.fields.remove(QLatin1String(field));
        Times moved = t;
        moved.start = {at.date, t.allDay ? QTime(0, 0) : at.time, t.allDay};
        moved.end = LocalTime::ofClock(moved.start.clock().addSecs(t.seconds()), t.allDay);
        putTimes(moved, single.fields);
        setIdentity(single, dayKey(moved.start));
        return single;
    }

    static QString ruleText(const icalrecurrencetype &rule)
    {
        icalrecurrencetype copy = rule;
        char *text = icalrecurrencetype_as_string_r(&copy);
        const QString result = QString::fromUtf8(text ? text : "");
        icalmemory_free_buffer(text);
        return result;
    }

    // A series the handheld cannot repeat becomes single events, at most the limit of them, and an
    // endless one up to a few years after today.
    void expand(const QList<icalrecurrencetype> &rules, const Times &t, const QList<LocalTime> &excluded,
                const ImportedRecord &base, QList<ImportedRecord> &out)
    {
        bool endless = false;
        for (const icalrecurrencetype &rule : rules)
            endless = endless || (rule.count == 0 && icaltime_is_null_time(rule.until));
        const int limit = std::max(1, m_r.options().expansionLimit);
        const QDate today = Clock::current().today();
        const QDate through = endless ? std::max(today, t.start.date).addYears(m_r.options().expansionYears) : QDate();
        const RuleDays days = walk(rules, t, limit + int(excluded.size()), through, 200000);
        int made = 0;
        LocalTime lastMade;
        for (const LocalTime &d : days.first) {
            if (made >= limit)
                break;
            if (isExcluded(d, excluded))
                continue;
            out << singleAt(base, t, d);
            lastMade = d;
            ++made;
        }
        QStringList texts;
        for (const icalrecurrencetype &rule : rules)
            texts << ruleText(rule);
        QString note = QStringLiteral("%1: 핸드헬드가 나타낼 수 없는 반복(%2)이라 %3개의 일정으로 풀었습니다.")
                           .arg(m_name, texts.join(QStringLiteral(" / ")))
                           .arg(made);
        const bool cut = !days.ended || days.first.size() > made + excluded.size() ||
                         (days.last.valid() && lastMade.valid() && days.last.clock() > lastMade.clock());
        if (cut && lastMade.valid())
            note += QStringLiteral(" %1 뒤의 반복은 가져오지 않았습니다.").arg(lastMade.date.toString(QStringLiteral("yyyy-MM-dd")));
        m_r.out().notes << note;
    }

    // RDATE: occurrences beside the rule, each an event of its own.
    void addRecurrenceDates(icalcomponent *c, const Times &t, const ImportedRecord &base, QList<ImportedRecord> &out)
    {
        int added = 0;
        ical::forEachProperty(c, ICAL_RDATE_PROPERTY, [&](icalproperty *p) {
            const icaldatetimeperiodtype rd = icalproperty_get_rdate(p);
            Times at = t;
            if (!icaltime_is_null_time(rd.time)) {
                at.start = m_r.localOf(p, rd.time);
                at.end = LocalTime::ofClock(at.start.clock().addSecs(t.seconds()), t.allDay);
            } else if (!icaltime_is_null_time(rd.period.start)) {
                at.start = m_r.localOf(p, rd.period.start);
                at.end = !icaltime_is_null_time(rd.period.end)
                             ? m_r.localOf(p, rd.period.end)
                             : LocalTime::ofClock(at.start.clock().addSecs(icaldurationtype_as_int(rd.period.duration)));
            } else {
                return;
            }
            if (at.start == t.start)
                return;
            ImportedRecord single;
            single.position = m_position;
            single.fields = base.fields;
            for (const char *field : repeatFields)
                single.fields.remove(QLatin1String(field));
            putTimes(at, single.fields);
            setIdentity(single, dayKey(at.start));
            out << single;
            ++added;
        });
        if (added > 0)
            m_r.out().notes << QStringLiteral("%1: 반복 규칙 밖의 날짜(RDATE) %2개는 따로 된 일정으로 가져왔습니다.").arg(m_name).arg(added);
    }

    Reading &m_r;
    int m_position;
    QString m_uid;
    QString m_summary;
    QString m_name;
};

} // namespace

ical::Component eventComponent(const StoreRecord &event, Writing &writing)
{
    ical::Component c = buildEvent(event, writing);
    // What the import makes of this VEVENT, read from its text as a file gives it, decides which
    // fields need their private property.
    const ical::Component written(icalparser_parse_string(c.text().constData()));
    CalendarImport scratch;
    CalendarOptions options;
    options.localZone = writing.zoneId();
    Reading reading(nullptr, options, scratch);
    const QList<ImportedRecord> back = eventsOfSeries(written.get(), {}, reading, 0);
    const StoreRecord canonical = back.isEmpty() ? StoreRecord() : back.first().fields;
    addInexactFields(c, event, canonical, schema::datebook().fields, mappedFields());
    return c;
}

QList<ImportedRecord> eventsOfSeries(icalcomponent *master, const QList<icalcomponent *> &overrides, Reading &reading,
                                     int position)
{
    return SeriesReader(reading, position).run(master, overrides);
}

} // namespace pimdesk::formats::calendar
