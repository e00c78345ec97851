#pragma once

#include "exchange/ListWindowsHost.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class QMdiArea;
class QMdiSubWindow;

namespace pimdesk {

class ListWindow;
struct ProgramContext;

// What closing a window by its frame does: hide it (it keeps its contents and is shown again as it
// was), or unload it (it is destroyed, and its next use builds it anew and runs its load again).
enum class OnClose { Hide, Unload };

// Owns the windows of the main window. A window is registered by name with a factory; it is built
// on first use as a child of the main window's work area (its constructor is its load step, so it
// runs once per run), and afterwards hidden and shown again. The registry knows windows by name
// only; which windows there are is up to the program that registers them. It also carries the
// launcher's enabled state and the enabling of the list windows.
class WindowRegistry : public QObject, public ListWindowsHost
{
    Q_OBJECT
public:
    using Factory = std::function<QWidget *(ProgramContext &)>;
    using ListFactory = std::function<ListWindow *(ProgramContext &)>;

    WindowRegistry(QMdiArea *area, ProgramContext &context, QObject *parent = nullptr);
    ~WindowRegistry() override;

    void registerWindow(const QString &name, Factory factory, OnClose onClose = OnClose::Hide);
    // A list window under its kind's name in the table of kinds (SUB2_1, SUB4_1, SUB3_1).
    void registerListWindow(RecordKind kind, ListFactory factory);

    bool isRegistered(const QString &name) const;
    bool isLoaded(const QString &name) const;

    // The window, built on first use but not shown; null when nothing is registered under the name
    // or building it failed (the user has been told why).
    QWidget *window(const QString &name);
    template <class T> T *windowAs(const QString &name) { return qobject_cast<T *>(window(name)); }
    ListWindow *listWindow(RecordKind kind);

    // Builds the window if needed, shows it and brings it to the front.
    QWidget *showWindow(const QString &name);

    // The list-opening steps: disable the launcher, place the list at the top left of the work area
    // with the work area's size, show it, and point its data source at the store with the record
    // source the table of kinds gives for its list.
    void openList(RecordKind kind);
    // Opens a window that is not a list from the launcher or the menus: disables the launcher and
    // shows the window where it was designed to be. Nothing happens for a name not registered.
    void openFromLauncher(const QString &name);

    void setLauncher(QWidget *launcher);
    QWidget *launcher() const { return m_launcher; }
    void setLauncherEnabled(bool enabled);

    void setListEnabled(RecordKind kind, bool enabled) override;
    // Re-reads the list's data source when the list is loaded (an unloaded list reads on opening).
    void reloadList(RecordKind kind) override;
    // Whether something of the list is open (ListWindow::openWindows()); false for a list not built.
    bool listInUse(RecordKind kind) const override;

    ProgramContext &context() { return m_context; }
    QMdiArea *area() const { return m_area; }

    static QString listWindowName(RecordKind kind);

signals:
    void registered(const QString &name);
    // A window of the registry was shown or hidden (the main window's menus follow the active one).
    void visibilityChanged(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Entry
    {
        Factory factory;
        OnClose onClose = OnClose::Hide;
        QPointer<QWidget> window;
    };

    QMdiArea *m_area;
    ProgramContext &m_context;
    QHash<QString, Entry> m_entries;
    QPointer<QWidget> m_launcher;
};

} // namespace pimdesk
