#include "formats/CalendarFiles.h"

#include "formats/EventComponents.h"
#include "formats/TaskComponents.h"

#include <QHash>

namespace pimdesk::formats {

using namespace calendar;

CalendarImport recordsFromCalendarFile(QByteArrayView bytes, const CalendarOptions &options)
{
    CalendarImport out;
    ical::ParsedFile file = ical::parseFile(bytes);
    if (!file.failure.isEmpty()) {
        out.failure = file.failure;
        return out;
    }
    if (file.damagedLines > 0)
        out.notes << QStringLiteral("읽을 수 없는 줄 %1개는 건너뛰었습니다.").arg(file.damagedLines);
    int position = 0;
    for (const ical::Component &calendar : std::as_const(file.calendars)) {
        Reading reading(calendar.get(), options, out);
        // A series is its VEVENT and the VEVENTs with the same UID and a RECURRENCE-ID.
        struct Series
        {
            icalcomponent *master = nullptr;
            QList<icalcomponent *> overrides;
            int position = 0;
        };
        QList<QString> order;
        QHash<QString, Series> series;
        QList<std::pair<icalcomponent *, int>> todos;
        ical::forEachChild(calendar.get(), ICAL_ANY_COMPONENT, [&](icalcomponent *c) {
            const icalcomponent_kind kind = icalcomponent_isa(c);
            if (kind == ICAL_VTIMEZONE_COMPONENT)
                return;
            if (kind == ICAL_VTODO_COMPONENT) {
                todos << std::pair{c, ++position};
                return;
            }
            if (kind != ICAL_VEVENT_COMPONENT) {
                out.foreign.add(QString::fromLatin1(icalcomponent_kind_to_string(kind)));
                return;
            }
            ++position;
            QString key = QString::fromUtf8(icalcomponent_get_uid(c)).trimmed();
            const bool isOverride = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY) != nullptr;
            // An item without UID, or a second series under one UID, stands alone.
            if (key.isEmpty() || (!isOverride && series.contains(key) && series[key].master))
                key += QStringLiteral("#%1").arg(position);
            auto it = series.find(key);
            if (it == series.end()) {
                it = series.insert(key, Series{nullptr, {}, position});
                order << key;
            }
            if (isOverride)
                it->overrides << c;
            else {
                it->master = c;
                it->position = position;
            }
        });
        for (const QString &key : std::as_const(order)) {
            const Series &s = series[key];
            out.events << eventsOfSeries(s.master, s.overrides, reading, s.position);
        }
        for (const auto &[todo, at] : std::as_const(todos))
            out.tasks << taskOfComponent(todo, reading, at);
        reading.finish();
    }
    if (out.events.isEmpty() && out.tasks.isEmpty() && out.skipped.isEmpty())
        out.failure = QStringLiteral("일정도 작업도 없습니다.");
    return out;
}

QByteArray calendarFileFromRecords(const QList<StoreRecord> &events, const QList<StoreRecord> &tasks,
                                   const CalendarOptions &options)
{
    Writing writing(options);
    std::vector<ical::Component> items;
    items.reserve(events.size() + tasks.size());
    for (const StoreRecord &e : events)
        items.push_back(eventComponent(e, writing));
    for (const StoreRecord &t : tasks)
        items.push_back(taskComponent(t, writing));

    ical::Component calendar(ICAL_VCALENDAR_COMPONENT);
    calendar.add(ical::Property(icalproperty_new_version("2.0")));
    calendar.add(ical::Property(icalproperty_new_prodid("-//pimdesk//pimdesk//KO")));
    calendar.add(ical::Property(icalproperty_new_calscale("GREGORIAN")));
    if (writing.usedZone())
        if (ical::Component zone = timezoneComponent(writing.zoneId()))
            calendar.add(std::move(zone));
    for (ical::Component &item : items)
        calendar.add(std::move(item));
    return calendar.text();
}

} // namespace pimdesk::formats
