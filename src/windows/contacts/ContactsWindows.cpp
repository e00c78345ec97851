#include "windows/contacts/ContactsWindows.h"

#include "shell/WindowRegistry.h"
#include "windows/contacts/ContactEditor.h"
#include "windows/contacts/ContactSearchDialog.h"
#include "windows/contacts/ContactsListWindow.h"

namespace pimdesk {

void registerContactsWindows(WindowRegistry &windows)
{
    windows.registerListWindow(RecordKind::Contacts, [](ProgramContext &c) { return new ContactsListWindow(c); });
    // The editor keeps its data source between uses; closing it by its frame is its cancel.
    windows.registerWindow(windowNames::contactEditor, [](ProgramContext &c) { return new ContactEditor(c); });
    // Closing the search by its frame discards it: it starts with empty criteria the next time.
    windows.registerWindow(
        windowNames::contactSearch, [](ProgramContext &c) { return new ContactSearchDialog(c); }, OnClose::Unload);
}

} // namespace pimdesk
