#pragma once

namespace pimdesk {

class WindowRegistry;

namespace taskWindowNames {
inline constexpr char editor[] = "SUB3_2";
inline constexpr char search[] = "Dialog1";
} // namespace taskWindowNames

// Registers the task list (SUB3_1), the task editor and the task search with the main window's
// registry. The search works on the list, so asking for it builds the list too.
void registerTaskWindows(WindowRegistry &windows);

} // namespace pimdesk
