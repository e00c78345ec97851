#pragma once

namespace pimdesk {

class WindowRegistry;

// Registers every window of the program with the registry: the three list windows, the Outlook
// import window and the windows they open. A window that is not registered here has its menu
// entry and launcher entry shown but disabled.
void registerProgramWindows(WindowRegistry &windows);

} // namespace pimdesk
