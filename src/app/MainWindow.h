#pragma once

#include "shell/ProgramContext.h"

#include <QMainWindow>
#include <memory>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace pimdesk {

class FileMenu;
class Launcher;
class WindowRegistry;

// The main window (MAIN): the program's frame. Its work area holds every other window; the
// launcher covers the work area, and the menus open the record windows and the Outlook import.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // The store path is where the windows find the record store; messages is how they talk to the
    // user. The store, when given, is kept open for as long as the window lives.
    MainWindow(const QString &storePath, Messages &messages, std::shared_ptr<Store> store = nullptr,
               QWidget *parent = nullptr);
    ~MainWindow() override;

    WindowRegistry &windows() { return *m_windows; }
    ProgramContext &context() { return m_context; }
    QMdiArea *mdiArea() const { return m_area; }
    Launcher *launcher() const { return m_launcher; }
    // The 파일 menu: vCard and iCalendar files in and out.
    FileMenu *fileMenu() const { return m_fileMenu; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void updateEntries();
    void updateMenus();
    void fitLauncher();

    ProgramContext m_context;
    QMdiArea *m_area = nullptr;
    std::unique_ptr<WindowRegistry> m_windows;
    Launcher *m_launcher = nullptr;
    QMdiSubWindow *m_launcherFrame = nullptr;
    QMenu *m_programMenu = nullptr;
    QMenu *m_outlookMenu = nullptr;
    FileMenu *m_fileMenu = nullptr;
    QAction *m_contactsAction = nullptr;
    QAction *m_calendarAction = nullptr;
    QAction *m_tasksAction = nullptr;
    QAction *m_outlookAction = nullptr;
};

} // namespace pimdesk
