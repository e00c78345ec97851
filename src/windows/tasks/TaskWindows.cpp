#include "windows/tasks/TaskWindows.h"

#include "shell/ProgramContext.h"
#include "shell/WindowRegistry.h"
#include "windows/tasks/TaskEditor.h"
#include "windows/tasks/TaskListWindow.h"
#include "windows/tasks/TaskSearchDialog.h"

namespace pimdesk {

namespace {

TaskListWindow *taskList(ProgramContext &context)
{
    return context.windows
               ? context.windows->windowAs<TaskListWindow>(WindowRegistry::listWindowName(RecordKind::Tasks))
               : nullptr;
}

} // namespace

void registerTaskWindows(WindowRegistry &windows)
{
    windows.registerListWindow(RecordKind::Tasks, [](ProgramContext &c) { return new TaskListWindow(c); });
    windows.registerWindow(taskWindowNames::editor, [](ProgramContext &c) -> QWidget * {
        TaskListWindow *list = taskList(c);
        return list ? new TaskEditor(*list, c) : nullptr;
    });
    // Closing the search by its frame discards it: its next opening fills the lists and presets anew.
    windows.registerWindow(
        taskWindowNames::search,
        [](ProgramContext &c) -> QWidget * {
            TaskListWindow *list = taskList(c);
            return list ? new TaskSearchDialog(*list, c) : nullptr;
        },
        OnClose::Unload);
}

} // namespace pimdesk
