#pragma once

#include <QDateTime>

namespace pimdesk {

// The one source of "now" in the program, so that anything depending on today's date can be tested.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }

    // The clock the program runs on; tests may replace it for the whole process.
    static Clock &current();
    static void setCurrent(Clock *clock); // nullptr restores the system clock
};

class SystemClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class FixedClock : public Clock
{
public:
    explicit FixedClock(QDateTime at) : m_at(std::move(at)) {}
    QDateTime now() const override { return m_at; }
    void set(const QDateTime &at) { m_at = at; }

private:
    QDateTime m_at;
};

// Called first in main(). With TZ unset, the C library looks at /etc/localtime again for every
// local date it converts, which was nearly half the time of an Outlook calendar import; TZ naming
// that same file lets it read the file once. A TZ the user set is left as it is. The price: a
// change of the system's time zone is seen at the next start.
void settleLocalTimeZone();

} // namespace pimdesk
