#include "app/MainWindow.h"

#include "app/FileMenu.h"
#include "app/Launcher.h"
#include "app/LauncherPictures.h"
#include "app/ProgramWindows.h"
#include "shell/Geometry.h"
#include "shell/ListWindow.h"
#include "shell/WindowRegistry.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>

namespace pimdesk {

namespace {

// The main window's size when it opens, in twips.
constexpr QSize designedSize(15360, 10800);

} // namespace

MainWindow::MainWindow(const QString &storePath, Messages &messages, std::shared_ptr<Store> store, QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName("MAIN");
    setWindowTitle(QString::fromUtf8(programTitle));
    QIcon icon;
    for (int side : {16, 32, 48, 64})
        icon.addPixmap(launcherPicture(LauncherPicture::Contacts, side));
    setWindowIcon(icon);

    m_context.storePath = storePath;
    m_context.store = std::move(store);
    m_context.messages = &messages;
    m_context.mainWindow = this;

    m_area = new QMdiArea(this);
    m_area->setObjectName("MDIArea");
    m_area->setBackground(QColor(0xab, 0xb4, 0xc2));
    setCentralWidget(m_area);
    m_windows = std::make_unique<WindowRegistry>(m_area, m_context);

    buildMenus();

    m_launcher = new Launcher;
    m_launcherFrame = m_area->addSubWindow(m_launcher, Qt::FramelessWindowHint);
    m_launcherFrame->setObjectName("frmSplash_frame");
    m_launcherFrame->setAttribute(Qt::WA_DeleteOnClose, false);
    m_launcherFrame->installEventFilter(this);
    m_area->viewport()->installEventFilter(this);
    m_windows->setLauncher(m_launcher);
    connect(m_launcher, &Launcher::entryClicked, this, [this](int entry) {
        switch (entry) {
        case Launcher::Contacts:
            m_windows->openList(RecordKind::Contacts);
            break;
        case Launcher::Calendar:
            m_windows->openList(RecordKind::Events);
            break;
        case Launcher::Tasks:
            m_windows->openList(RecordKind::Tasks);
            break;
        case Launcher::Outlook:
            m_windows->openFromLauncher(windowNames::outlookImport);
            break;
        }
    });

    connect(m_windows.get(), &WindowRegistry::registered, this, &MainWindow::updateEntries);
    connect(m_windows.get(), &WindowRegistry::visibilityChanged, this, &MainWindow::updateMenus);
    connect(m_area, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow *active) {
        // The launcher stays beneath every other window, even when it is clicked.
        // The area raises the window it activates after telling us, hence the queued call.
        if (active && active == m_launcherFrame)
            QMetaObject::invokeMethod(m_launcherFrame, &QWidget::lower, Qt::QueuedConnection);
        updateMenus();
    });
    updateEntries();

    resize(twipsToPixels(designedSize, this));
    // Start-up: the launcher takes the size of the work area and is shown.
    fitLauncher();
    m_launcherFrame->show();
}

MainWindow::~MainWindow()
{
    // The windows may use the context and the registry while they go, so they go first, and
    // without telling this half-destroyed window about it.
    if (m_area) {
        m_area->disconnect(this);
        m_area->viewport()->removeEventFilter(this);
        m_launcherFrame->removeEventFilter(this);
        m_windows->disconnect(this);
        QMdiArea *area = m_area;
        m_area = nullptr;
        m_launcherFrame = nullptr;
        m_launcher = nullptr;
        delete area;
    }
    m_windows.reset();
}

void MainWindow::buildMenus()
{
    m_programMenu = menuBar()->addMenu(QStringLiteral("프로그램"));
    m_programMenu->setObjectName("MENU_PRG");
    m_contactsAction = m_programMenu->addAction(QStringLiteral("연락처"));
    m_contactsAction->setObjectName("PRG_CONTACTS");
    m_calendarAction = m_programMenu->addAction(QStringLiteral("일정관리"));
    m_calendarAction->setObjectName("prg_calendar");
    m_tasksAction = m_programMenu->addAction(QStringLiteral("작업"));
    m_tasksAction->setObjectName("prg_todo");
    QAction *line = m_programMenu->addSeparator();
    line->setObjectName("FILLER_LINE");
    QAction *end = m_programMenu->addAction(QStringLiteral("종료(&X)"));
    end->setObjectName("FILE_END");

    m_outlookMenu = menuBar()->addMenu(QStringLiteral("Outlook"));
    m_outlookMenu->setObjectName("SNYC_OUTLOOK");
    m_outlookAction = m_outlookMenu->addAction(QStringLiteral("Outlook데이터가져오기"));
    m_outlookAction->setObjectName("SNYC_OUTLOOK_READ");

    // Other programs' files, after the menus above, whatever window is in front.
    m_fileMenu = new FileMenu(menuBar(), m_context, *m_windows, m_area);

    connect(m_contactsAction, &QAction::triggered, this, [this] { m_windows->openList(RecordKind::Contacts); });
    connect(m_calendarAction, &QAction::triggered, this, [this] { m_windows->openList(RecordKind::Events); });
    connect(m_tasksAction, &QAction::triggered, this, [this] { m_windows->openList(RecordKind::Tasks); });
    connect(m_outlookAction, &QAction::triggered, this,
            [this] { m_windows->openFromLauncher(windowNames::outlookImport); });
    // Ends the program at once: no window is asked whether it may close, nothing is saved.
    connect(end, &QAction::triggered, this, [] { QCoreApplication::exit(0); });
}

void MainWindow::updateEntries()
{
    const bool contacts = m_windows->isRegistered(WindowRegistry::listWindowName(RecordKind::Contacts));
    const bool calendar = m_windows->isRegistered(WindowRegistry::listWindowName(RecordKind::Events));
    const bool tasks = m_windows->isRegistered(WindowRegistry::listWindowName(RecordKind::Tasks));
    const bool outlook = m_windows->isRegistered(windowNames::outlookImport);
    m_contactsAction->setEnabled(contacts);
    m_calendarAction->setEnabled(calendar);
    m_tasksAction->setEnabled(tasks);
    m_outlookAction->setEnabled(outlook);
    if (m_launcher) {
        m_launcher->setEntryEnabled(Launcher::Contacts, contacts);
        m_launcher->setEntryEnabled(Launcher::Calendar, calendar);
        m_launcher->setEntryEnabled(Launcher::Tasks, tasks);
        m_launcher->setEntryEnabled(Launcher::Outlook, outlook);
    }
}

void MainWindow::updateMenus()
{
    if (!m_area)
        return;
    // While a list with menus of its own is the active window, its menus take the place of ours.
    QList<QMenu *> own;
    const QMdiSubWindow *current = m_area->currentSubWindow();
    if (current && current->isVisible()) {
        if (const auto *list = qobject_cast<const ListWindow *>(current->widget()))
            own = list->ownMenus();
    }
    QMenuBar *bar = menuBar();
    for (QMenu *menu : std::as_const(own)) {
        // The list's menus stand where the main menus stood, before 파일.
        if (!bar->actions().contains(menu->menuAction()))
            bar->insertMenu(m_fileMenu->menu()->menuAction(), menu);
    }
    for (QAction *action : bar->actions()) {
        QMenu *menu = action->menu();
        if (menu == m_fileMenu->menu())
            action->setVisible(true);
        else if (menu == m_programMenu || menu == m_outlookMenu)
            action->setVisible(own.isEmpty());
        else
            action->setVisible(own.contains(menu));
    }
}

void MainWindow::fitLauncher()
{
    if (m_launcherFrame && m_area)
        m_launcherFrame->setGeometry(m_area->viewport()->rect());
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (m_area && watched == m_area->viewport() && event->type() == QEvent::Resize)
        fitLauncher();
    if (watched == m_launcherFrame && event->type() == QEvent::Close) {
        // The launcher is part of the main window; it is not closed on its own.
        event->ignore();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace pimdesk
