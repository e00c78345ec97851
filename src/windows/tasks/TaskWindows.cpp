#include "windows/tasks/TaskWindows.h"

#include "shell/ProgramContext.h"
#include "shell/WindowRegistry.h"
#include "windows/tasks/TaskEditor.h"
#include "windows/tasks/TaskListWindow.h"
#include "windows/tasks/TaskSearchDialog.h"

namespace pimdesk {

void registerTaskWindows(WindowRegistry &windows)
{
    windows.registerListWindow(RecordKind::Tasks, [](ProgramContext &c) { return new TaskListWindow(c); });
    windows.registerWindow(taskWindowNames::editor, [](ProgramContext &c) { return new TaskEditor(c); });
    // Closing the search by its frame discards it: its next opening fills the lists and presets anew.
    windows.registerWindow(
        taskWindowNames::search,
        [](ProgramContext &c) -> QWidget * {
            ListWindow *list = c.windows ? c.windows->listWindow(RecordKind::Tasks) : nullptr;
            return list ? new TaskSearchDialog(*list) : nullptr;
        },
        OnClose::Unload);
}

} // namespace pimdesk
