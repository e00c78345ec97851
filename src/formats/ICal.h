#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <libical/ical.h>

#include <memory>
#include <vector>

// A small layer of our own over libical's C API: components and properties that free themselves,
// iteration that may nest, and files parsed and written whole. The mappings use it; nothing else
// of the program sees libical.
namespace pimdesk::formats::ical {

class Property
{
public:
    Property() = default;
    explicit Property(icalproperty *owned) : m_property(owned) {}

    icalproperty *get() const { return m_property.get(); }
    icalproperty *release() { return m_property.release(); }
    explicit operator bool() const { return bool(m_property); }

    // Adds a parameter (and its ownership).
    Property &with(icalparameter *owned)
    {
        icalproperty_add_parameter(get(), owned);
        return *this;
    }

private:
    struct Free
    {
        void operator()(icalproperty *p) const { icalproperty_free(p); }
    };
    std::unique_ptr<icalproperty, Free> m_property;
};

class Component
{
public:
    Component() = default;
    explicit Component(icalcomponent *owned) : m_component(owned) {}
    explicit Component(icalcomponent_kind kind) : m_component(icalcomponent_new(kind)) {}

    icalcomponent *get() const { return m_component.get(); }
    icalcomponent *release() { return m_component.release(); }
    explicit operator bool() const { return bool(m_component); }

    // Adopts a child component or a property.
    void add(Component child) { icalcomponent_add_component(get(), child.release()); }
    void add(Property property) { icalcomponent_add_property(get(), property.release()); }

    // The component as iCalendar text (CR LF line ends, folded by libical).
    QByteArray text() const;

private:
    struct Free
    {
        void operator()(icalcomponent *c) const { icalcomponent_free(c); }
    };
    std::unique_ptr<icalcomponent, Free> m_component;
};

// The children of one kind (ICAL_ANY_COMPONENT: all), through an iterator of their own, so that
// loops may nest. f must not remove children.
template <typename F> void forEachChild(icalcomponent *parent, icalcomponent_kind kind, F f)
{
    for (icalcompiter it = icalcomponent_begin_component(parent, kind); icalcompiter_deref(&it) != nullptr;
         icalcompiter_next(&it))
        f(icalcompiter_deref(&it));
}

// The properties of one kind (ICAL_ANY_PROPERTY: all), in file order. libical keeps one property
// cursor per component: f must not walk the same component's properties again.
template <typename F> void forEachProperty(icalcomponent *component, icalproperty_kind kind, F f)
{
    for (icalproperty *p = icalcomponent_get_first_property(component, kind); p;
         p = icalcomponent_get_next_property(component, kind))
        f(p);
}

// Text from libical (UTF-8; a null pointer gives an empty text).
inline QString text(const char *utf8)
{
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

// The value of a parameter of the property, or an empty text.
QByteArray parameter(icalproperty *property, icalparameter_kind kind);

// A parsed file: its calendars in file order (a bare VEVENT or VTODO, which some programs write,
// comes wrapped in a VCALENDAR of its own), or why there are none.
struct ParsedFile
{
    std::vector<Component> calendars;
    bool vCalendar = false; // the file was vCalendar 1.0, read through libicalvcal
    QString failure;        // set when nothing could be read
    int damagedLines = 0;   // lines libical could not read (it marks them X-LIC-ERROR)
};

// Parses iCalendar (2.0) or vCalendar (1.0) text; a UTF-8 byte-order mark is skipped.
ParsedFile parseFile(QByteArrayView bytes);

} // namespace pimdesk::formats::ical
