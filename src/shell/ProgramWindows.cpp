#include "shell/ProgramWindows.h"

#include "shell/WindowRegistry.h"

namespace pimdesk {

void registerProgramWindows(WindowRegistry &windows)
{
    // Each window adds one line here, e.g.
    //   windows.registerListWindow(RecordKind::Contacts, [](ProgramContext &c) { return new ContactsList(c); });
    Q_UNUSED(windows);
}

} // namespace pimdesk
