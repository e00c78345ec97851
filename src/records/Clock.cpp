#include "records/Clock.h"

namespace pimdesk {

namespace {
SystemClock systemClock;
Clock *currentClock = nullptr;
} // namespace

Clock &Clock::current()
{
    return currentClock ? *currentClock : systemClock;
}

void Clock::setCurrent(Clock *clock)
{
    currentClock = clock;
}

void settleLocalTimeZone()
{
#ifndef Q_OS_WIN
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
#endif
}

} // namespace pimdesk
