#include "shell/WindowRegistry.h"

#include "records/DataSource.h"
#include "records/StoreError.h"
#include "shell/Geometry.h"
#include "shell/ListWindow.h"
#include "shell/ProgramContext.h"
#include "shell/StoreProblem.h"

#include <QEvent>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace pimdesk {

WindowRegistry::WindowRegistry(QMdiArea *area, ProgramContext &context, QObject *parent)
    : QObject(parent), m_area(area), m_context(context)
{
    m_context.windows = this;
}

WindowRegistry::~WindowRegistry()
{
    // The windows go with the work area; stop listening to them first.
    for (const Entry &entry : std::as_const(m_entries)) {
        if (entry.window) {
            entry.window->disconnect(this);
            if (QMdiSubWindow *frame = mdiFrame(entry.window))
                frame->removeEventFilter(this);
        }
    }
}

QString WindowRegistry::listWindowName(RecordKind kind)
{
    return QLatin1String(kindInfo(kind).listWindow);
}

void WindowRegistry::registerWindow(const QString &name, Factory factory, OnClose onClose)
{
    Entry &entry = m_entries[name];
    entry.factory = std::move(factory);
    entry.onClose = onClose;
    emit registered(name);
}

void WindowRegistry::registerListWindow(RecordKind kind, ListFactory factory)
{
    registerWindow(listWindowName(kind),
                   [factory = std::move(factory)](ProgramContext &context) -> QWidget * { return factory(context); });
}

bool WindowRegistry::isRegistered(const QString &name) const
{
    const auto it = m_entries.constFind(name);
    return it != m_entries.constEnd() && it->factory;
}

bool WindowRegistry::isLoaded(const QString &name) const
{
    const auto it = m_entries.constFind(name);
    return it != m_entries.constEnd() && it->window;
}

QWidget *WindowRegistry::window(const QString &name)
{
    const auto it = m_entries.find(name);
    if (it == m_entries.end() || !it->factory)
        return nullptr;
    if (it->window)
        return it->window;

    // Copies: a factory may register or build other windows, which can move the entries.
    const Factory factory = it->factory;
    const OnClose onClose = it->onClose;
    QWidget *built = nullptr;
    try {
        built = factory(m_context);
    } catch (const StoreError &error) {
        reportStoreProblem(m_context.messages, error);
        return nullptr;
    }
    if (!built)
        return nullptr;
    built->setObjectName(name);

    // A window that gave itself a size (and a place) keeps them inside its frame.
    const bool sized = built->testAttribute(Qt::WA_Resized);
    const bool moved = built->testAttribute(Qt::WA_Moved);
    const QSize designedSize = built->size();
    const QPoint designedPos = built->pos();
    QMdiSubWindow *frame = m_area->addSubWindow(built);
    if (sized) {
        frame->layout()->activate();
        frame->resize(designedSize + (frame->size() - built->size()));
    }
    if (moved)
        frame->move(designedPos);
    frame->setObjectName(name + QStringLiteral("_frame"));
    frame->setWindowTitle(built->windowTitle());
    frame->setAttribute(Qt::WA_DeleteOnClose, onClose == OnClose::Unload);
    // Both hidden until shown: the window's own show() then brings its frame along.
    built->hide();
    frame->hide();
    frame->installEventFilter(this);
    built->installEventFilter(this);
    m_entries[name].window = built;

    if (auto *list = qobject_cast<ListWindow *>(built))
        connect(list, &ListWindow::closed, this, [this] { setLauncherEnabled(true); });
    return built;
}

ListWindow *WindowRegistry::listWindow(RecordKind kind)
{
    return qobject_cast<ListWindow *>(window(listWindowName(kind)));
}

QWidget *WindowRegistry::showWindow(const QString &name)
{
    QWidget *shown = window(name);
    if (!shown)
        return nullptr;
    shown->show();
    if (QMdiSubWindow *frame = mdiFrame(shown)) {
        frame->show();
        frame->raise();
        m_area->setActiveSubWindow(frame);
    }
    return shown;
}

void WindowRegistry::openList(RecordKind kind)
{
    ListWindow *list = listWindow(kind);
    if (!list)
        return;
    setLauncherEnabled(false);
    placeWindow(list, QRect(QPoint(0, 0), m_area->viewport()->size()));
    showWindow(listWindowName(kind));
    try {
        list->open(m_context.storePath, QString::fromUtf8(kindInfo(kind).listSource));
    } catch (const StoreError &error) {
        // The list cannot show its table: say why and leave things as they were before it opened.
        reportStoreProblem(m_context.messages, error);
        list->hide();
        setLauncherEnabled(true);
    }
}

void WindowRegistry::openFromLauncher(const QString &name)
{
    if (!isRegistered(name))
        return;
    setLauncherEnabled(false);
    if (!showWindow(name))
        setLauncherEnabled(true);
}

void WindowRegistry::setLauncher(QWidget *launcher)
{
    m_launcher = launcher;
}

void WindowRegistry::setLauncherEnabled(bool enabled)
{
    if (m_launcher)
        m_launcher->setEnabled(enabled);
}

void WindowRegistry::setListEnabled(RecordKind kind, bool enabled)
{
    const auto it = m_entries.constFind(listWindowName(kind));
    if (it != m_entries.constEnd() && it->window)
        it->window->setEnabled(enabled);
}

bool WindowRegistry::listInUse(RecordKind kind) const
{
    const auto it = m_entries.constFind(listWindowName(kind));
    if (it == m_entries.constEnd() || !it->window)
        return false;
    const auto *list = qobject_cast<const ListWindow *>(it->window.data());
    return list && !list->openWindows().isEmpty();
}

void WindowRegistry::reloadList(RecordKind kind)
{
    const auto it = m_entries.constFind(listWindowName(kind));
    if (it == m_entries.constEnd() || !it->window)
        return;
    auto *list = qobject_cast<ListWindow *>(it->window.data());
    if (!list || list->dataSource().databaseName().isEmpty())
        return;
    try {
        list->dataSource().refresh();
    } catch (const StoreError &error) {
        reportStoreProblem(m_context.messages, error);
    }
}

bool WindowRegistry::eventFilter(QObject *watched, QEvent *event)
{
    // A window hides and shows itself as any widget does; its frame follows.
    if (event->type() == QEvent::HideToParent || event->type() == QEvent::ShowToParent) {
        auto *window = qobject_cast<QWidget *>(watched);
        if (QMdiSubWindow *frame = mdiFrame(window)) {
            if (event->type() == QEvent::HideToParent)
                frame->hide();
            else
                frame->show();
        }
    }
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
        if (auto *frame = qobject_cast<QMdiSubWindow *>(watched))
            emit visibilityChanged(frame->widget());
    }
    return QObject::eventFilter(watched, event);
}

} // namespace pimdesk
