#pragma once

#include <QString>
#include <memory>

class QMainWindow;

namespace pimdesk {

class Messages;
class Store;
class WindowRegistry;

// What every window of the program is given when it is created: where the record store is (and the
// store itself, kept open for the whole run), how to talk to the user, and the registry through
// which it reaches the other windows and the launcher.
struct ProgramContext
{
    QString storePath;
    std::shared_ptr<Store> store;
    Messages *messages = nullptr;
    WindowRegistry *windows = nullptr;
    QMainWindow *mainWindow = nullptr;
    // The registry names of the windows a list's handheld pictures open, given by the program
    // when it registers them (empty: the picture does nothing).
    QString importFromDeviceWindow;
    QString exportToDeviceWindow;
    QString syncWithDeviceWindow;
};

// The main window's title, also the title of the program's own error messages.
inline constexpr char programTitle[] = "pimdesk - Norvel K7M";

} // namespace pimdesk
