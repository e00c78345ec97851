#include "app/ProgramWindows.h"

#include "exchange/ui/ExportWindow.h"
#include "exchange/ui/ImportWindow.h"
#include "exchange/ui/SyncWindow.h"
#include "outlook/ui/OutlookImportWindow.h"
#include "shell/ProgramContext.h"
#include "shell/WindowRegistry.h"
#include "windows/calendar/CalendarWindows.h"
#include "windows/contacts/ContactsWindows.h"
#include "windows/tasks/TaskWindows.h"

#include <QFileInfo>

namespace pimdesk {

void registerProgramWindows(WindowRegistry &windows)
{
    // The exchange windows are opened by the list windows. Closing one unloads it, so the next
    // opening searches for the handheld again.
    windows.registerWindow(
        windowNames::exportToDevice,
        [](ProgramContext &c) {
            return new ExportWindow(QFileInfo(c.storePath).absolutePath(), *c.messages, c.windows);
        },
        OnClose::Unload);
    windows.context().exportToDeviceWindow = QString::fromLatin1(windowNames::exportToDevice);
    windows.registerWindow(
        windowNames::importFromDevice,
        [](ProgramContext &c) {
            return new ImportWindow(QFileInfo(c.storePath).absolutePath(), *c.messages, c.windows);
        },
        OnClose::Unload);
    windows.context().importFromDeviceWindow = QString::fromLatin1(windowNames::importFromDevice);
    windows.registerWindow(
        windowNames::syncWithDevice,
        [](ProgramContext &c) {
            return new SyncWindow(QFileInfo(c.storePath).absolutePath(), *c.messages, c.windows);
        },
        OnClose::Unload);
    windows.context().syncWithDeviceWindow = QString::fromLatin1(windowNames::syncWithDevice);
    // The Outlook import window: its import hides it (it keeps its boxes); closing it unloads it.
    windows.registerWindow(
        windowNames::outlookImport,
        [](ProgramContext &c) {
            WindowRegistry *registry = c.windows;
            auto *window = new OutlookImportWindow(c.storePath, *c.messages, [registry](bool enabled) {
                if (registry)
                    registry->setLauncherEnabled(enabled);
            });
            window->setLists(registry);
            return window;
        },
        OnClose::Unload);
    registerTaskWindows(windows);
    registerContactsWindows(windows);
    registerCalendarWindows(windows);
}

} // namespace pimdesk
