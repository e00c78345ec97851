#include "windows/calendar/CalendarWindows.h"

#include "shell/ProgramContext.h"
#include "shell/WindowRegistry.h"
#include "windows/calendar/CalendarListWindow.h"
#include "windows/calendar/CalendarSearchDialog.h"
#include "windows/calendar/EventWindow.h"

namespace pimdesk {

void registerCalendarWindows(WindowRegistry &windows)
{
    windows.registerListWindow(RecordKind::Events, [](ProgramContext &c) { return new CalendarListWindow(c); });
    windows.registerWindow(windowNames::eventWindow, [](ProgramContext &c) { return new EventWindow(c); });
    windows.registerWindow(windowNames::calendarSearch, [](ProgramContext &c) { return new CalendarSearchDialog(c); });
}

} // namespace pimdesk
