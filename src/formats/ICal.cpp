#include "formats/ICal.h"

#include <QMutex>

// libicalvcal's headers do not declare C linkage themselves.
extern "C" {
#include <libical/icalvcal.h>
#include <libical/vcc.h>
}

namespace pimdesk::formats::ical {

namespace {

// libical's own error handling ends the process on some errors unless told otherwise.
void settleErrorHandling()
{
    static const bool settled = [] {
        icalerror_set_errors_are_fatal(0);
        return true;
    }();
    Q_UNUSED(settled);
}

QByteArrayView withoutMark(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return bytes.sliced(3);
    return bytes;
}

// A vCalendar 1.0 file says VERSION:1.0 in its VCALENDAR before any item.
bool isVCalendar(QByteArrayView bytes)
{
    const QByteArray head = bytes.first(std::min<qsizetype>(bytes.size(), 4096)).toByteArray().toUpper();
    const qsizetype version = head.indexOf("\nVERSION:1.0");
    if (version < 0)
        return false;
    const qsizetype item = head.indexOf("BEGIN:V", head.indexOf("BEGIN:VCALENDAR") + 1);
    return item < 0 || version < item;
}

int countDamage(icalcomponent *component)
{
    int count = icalcomponent_count_properties(component, ICAL_XLICERROR_PROPERTY);
    forEachChild(component, ICAL_ANY_COMPONENT, [&count](icalcomponent *child) { count += countDamage(child); });
    return count;
}

// libicalvcal's parser keeps its state in globals.
QMutex &vCalendarParser()
{
    static QMutex mutex;
    return mutex;
}

QString vCalendarError;

void rememberVCalendarError(char *message)
{
    if (vCalendarError.isEmpty() && message)
        vCalendarError = QString::fromUtf8(message);
}

ParsedFile parseVCalendar(QByteArrayView bytes)
{
    ParsedFile result;
    result.vCalendar = true;
    QMutexLocker lock(&vCalendarParser());
    vCalendarError.clear();
    registerMimeErrorHandler(rememberVCalendarError);
    const QByteArray text = bytes.toByteArray();
    VObject *objects = Parse_MIME(text.constData(), static_cast<unsigned long>(text.size()));
    for (VObject *o = objects; o; o = nextVObjectInList(o)) {
        Component calendar(icalvcal_convert(o));
        if (calendar) {
            result.damagedLines += countDamage(calendar.get());
            result.calendars.push_back(std::move(calendar));
        }
    }
    if (objects)
        cleanVObjects(objects);
    if (result.calendars.empty())
        result.failure = vCalendarError.isEmpty() ? QStringLiteral("vCalendar 파일을 읽을 수 없습니다.")
                                                  : QStringLiteral("vCalendar 파일을 읽을 수 없습니다: %1").arg(vCalendarError);
    return result;
}

// Some writers escape the semicolons of a rule as if it were text ("RRULE:FREQ=DAILY\;COUNT=10");
// libical drops such a rule, so the escapes are taken out first.
QByteArray mendedRules(QByteArray text)
{
    qsizetype at = 0;
    while ((at = text.indexOf("RRULE:", at)) >= 0) {
        const bool lineStart = at == 0 || text[at - 1] == '\n' || text[at - 1] == '\r';
        qsizetype end = text.indexOf('\n', at);
        if (end < 0)
            end = text.size();
        if (lineStart) {
            QByteArray rule = text.mid(at, end - at);
            if (rule.contains("\\;")) {
                rule.replace("\\;", ";");
                text.replace(at, end - at, rule);
                end = at + rule.size();
            }
        }
        at = end;
    }
    return text;
}

} // namespace

QByteArray Component::text() const
{
    char *text = icalcomponent_as_ical_string_r(get());
    QByteArray bytes(text);
    icalmemory_free_buffer(text);
    return bytes;
}

QByteArray parameter(icalproperty *property, icalparameter_kind kind)
{
    icalparameter *p = icalproperty_get_first_parameter(property, kind);
    if (!p)
        return QByteArray();
    char *value = icalparameter_as_ical_string_r(p);
    QByteArray text(value ? value : "");
    icalmemory_free_buffer(value);
    // "TZID=Europe/Berlin" as the parameter writes itself: the value after the first "=", unquoted.
    const qsizetype eq = text.indexOf('=');
    text = eq >= 0 ? text.mid(eq + 1) : text;
    if (text.size() >= 2 && text.startsWith('"') && text.endsWith('"'))
        text = text.mid(1, text.size() - 2);
    return text;
}

ParsedFile parseFile(QByteArrayView bytes)
{
    settleErrorHandling();
    bytes = withoutMark(bytes);
    if (isVCalendar(bytes))
        return parseVCalendar(bytes);
    ParsedFile result;
    const QByteArray text = mendedRules(bytes.toByteArray());
    Component root(icalparser_parse_string(text.constData()));
    if (!root) {
        result.failure = QStringLiteral("iCalendar 파일이 아닙니다 (BEGIN:VCALENDAR가 없습니다).");
        return result;
    }
    // Items outside any VCALENDAR (some programs write a bare VEVENT) share one of their own, with
    // the time zones written beside them.
    Component loose;
    const auto take = [&result, &loose](Component c) {
        const icalcomponent_kind kind = icalcomponent_isa(c.get());
        result.damagedLines += countDamage(c.get());
        if (kind == ICAL_VCALENDAR_COMPONENT) {
            result.calendars.push_back(std::move(c));
        } else if (kind == ICAL_VEVENT_COMPONENT || kind == ICAL_VTODO_COMPONENT || kind == ICAL_VTIMEZONE_COMPONENT) {
            if (!loose)
                loose = Component(ICAL_VCALENDAR_COMPONENT);
            loose.add(std::move(c));
        }
    };
    if (icalcomponent_isa(root.get()) == ICAL_XROOT_COMPONENT) {
        QList<icalcomponent *> children;
        forEachChild(root.get(), ICAL_ANY_COMPONENT, [&children](icalcomponent *c) { children << c; });
        for (icalcomponent *c : children) {
            icalcomponent_remove_component(root.get(), c);
            take(Component(c));
        }
    } else {
        take(std::move(root));
    }
    if (loose)
        result.calendars.push_back(std::move(loose));
    if (result.calendars.empty())
        result.failure = QStringLiteral("iCalendar 파일이 아닙니다 (일정도 작업도 없습니다).");
    return result;
}

} // namespace pimdesk::formats::ical
