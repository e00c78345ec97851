#pragma once

namespace pimdesk {

class WindowRegistry;

namespace windowNames {
inline constexpr char eventWindow[] = "SUB4_2";
inline constexpr char calendarSearch[] = "Dialog2";
} // namespace windowNames

// Registers the calendar list (SUB4_1) with the windows it opens: the event window (SUB4_2) and the
// calendar search (Dialog2).
void registerCalendarWindows(WindowRegistry &windows);

} // namespace pimdesk
