// The main window as the user meets it: its menus, the launcher, and the opening, closing and
// enabling of the windows it reaches through the window registry.
#include "app/Launcher.h"
#include "app/MainWindow.h"
#include "records/DataSource.h"
#include "records/Store.h"
#include "shell/ListWindow.h"
#include "shell/WindowRegistry.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace pimdesk;

namespace {

// A list window as later windows will be: a data source, a close button, optionally a menu.
class StandInList : public ListWindow
{
public:
    StandInList(RecordKind kind, int &loads, bool withMenu = false) : ListWindow(kind)
    {
        ++loads;
        auto *close = new QPushButton("종료", this);
        close->setObjectName("Command5");
        connect(close, &QPushButton::clicked, this, [this] { closeList(); });
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(close);
        if (withMenu) {
            m_menu = new QMenu(QStringLiteral("연락처"), this);
            m_menu->setObjectName("MENU_MAIN");
            m_menu->addAction(QStringLiteral("닫기(Exit)"));
        }
    }
    DataSource &dataSource() override { return m_data; }
    void open(const QString &databasePath, const QString &recordSource) override
    {
        opened.append(recordSource);
        ListWindow::open(databasePath, recordSource);
    }
    QList<QMenu *> ownMenus() const override { return m_menu ? QList<QMenu *>{m_menu} : QList<QMenu *>{}; }

    QStringList opened;

private:
    DataSource m_data;
    QMenu *m_menu = nullptr;
};

// A window that is not a list (the Outlook import window), with the size it was designed with.
class StandInWindow : public QWidget
{
public:
    explicit StandInWindow(int &loads)
    {
        ++loads;
        resize(300, 200);
    }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void menusAreThereInOrderWithTheirCaptions();
    void entriesWaitForTheirWindows();
    void launcherFillsTheWorkArea();
    void launcherOpensAndListCloseEnablesIt();
    void menuAndLauncherOpenTheSameListWithItsSource();
    void closingAListByItsFrameEnablesTheLauncher();
    void menusStayUsableWhileTheLauncherIsDisabled();
    void outlookWindowKeepsItsSizeAndUnloadsWhenClosed();
    void exchangeWindowsEnableAndReloadTheLists();
    void aStoreThatCannotBeReadIsReportedAndNothingStaysDisabled();
    void activeListWithMenusReplacesTheMainMenus();
    void launcherStaysBeneathOtherWindows();
    void windowsShowAndHideThemselvesWithTheirFrames();

private:
    QAction *action(const char *name) { return m_main->findChild<QAction *>(name); }
    QWidget *widget(const char *name) { return m_main->findChild<QWidget *>(name); }
    void registerLists(bool contactsMenu = false);
    QMdiSubWindow *frame(const char *name) { return qobject_cast<QMdiSubWindow *>(widget(name)->parentWidget()); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_storePath;
    std::shared_ptr<Store> m_store;
    ScriptedMessages m_messages;
    std::unique_ptr<MainWindow> m_main;
    int m_loads[3] = {0, 0, 0};
    int m_outlookLoads = 0;
};

void TestMainWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_storePath = Store::pathInDirectory(m_dir->filePath("DATA"));
    m_store = Store::shared(m_storePath);
    m_messages.clear();
    m_main = std::make_unique<MainWindow>(m_storePath, m_messages, m_store);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    m_loads[0] = m_loads[1] = m_loads[2] = 0;
    m_outlookLoads = 0;
}

void TestMainWindow::cleanup()
{
    m_main.reset();
    m_store.reset();
    m_dir.reset();
}

void TestMainWindow::registerLists(bool contactsMenu)
{
    WindowRegistry &windows = m_main->windows();
    windows.registerListWindow(RecordKind::Contacts, [this, contactsMenu](ProgramContext &) {
        return new StandInList(RecordKind::Contacts, m_loads[0], contactsMenu);
    });
    windows.registerListWindow(RecordKind::Events,
                               [this](ProgramContext &) { return new StandInList(RecordKind::Events, m_loads[1]); });
    windows.registerListWindow(RecordKind::Tasks,
                               [this](ProgramContext &) { return new StandInList(RecordKind::Tasks, m_loads[2]); });
}

void TestMainWindow::menusAreThereInOrderWithTheirCaptions()
{
    QCOMPARE(m_main->objectName(), QString("MAIN"));
    const QList<QAction *> bar = m_main->menuBar()->actions();
    QCOMPARE(bar.size(), 3);
    QMenu *program = bar[0]->menu();
    QMenu *outlook = bar[1]->menu();
    QMenu *files = bar[2]->menu();
    QVERIFY(program && outlook && files);
    // Other programs' files come after the menus the program always had.
    QCOMPARE(files->objectName(), QString("MENU_FILE"));
    QCOMPARE(files->title(), QString("파일"));
    const QStringList fileItems{"vCard 가져오기…", "vCard 내보내기…", "iCalendar 가져오기…", "iCalendar 내보내기…"};
    QCOMPARE(files->actions().size(), fileItems.size());
    for (int i = 0; i < fileItems.size(); ++i)
        QCOMPARE(files->actions()[i]->text(), fileItems[i]);
    QCOMPARE(program->objectName(), QString("MENU_PRG"));
    QCOMPARE(program->title(), QString("프로그램"));
    QCOMPARE(outlook->objectName(), QString("SNYC_OUTLOOK"));
    QCOMPARE(outlook->title(), QString("Outlook"));

    const QList<QAction *> items = program->actions();
    QCOMPARE(items.size(), 5);
    const char *names[] = {"PRG_CONTACTS", "prg_calendar", "prg_todo", "FILLER_LINE", "FILE_END"};
    const QStringList captions = {"연락처", "일정관리", "작업", QString(), "종료(&X)"};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(items[i]->objectName(), QString(names[i]));
        QCOMPARE(items[i]->text(), captions[i]);
        QCOMPARE(items[i]->isSeparator(), i == 3);
    }
    QCOMPARE(outlook->actions().size(), 1);
    QCOMPARE(outlook->actions()[0]->objectName(), QString("SNYC_OUTLOOK_READ"));
    QCOMPARE(outlook->actions()[0]->text(), QString("Outlook데이터가져오기"));

    const QStringList labels = {"주소록(Contacts)", "일정관리(Calendar)", "작업(Todo List)", "OUTLOOK"};
    for (int i = 1; i <= 4; ++i) {
        auto *label = m_main->findChild<QLabel *>(QString("Label%1").arg(i));
        auto *image = m_main->findChild<QLabel *>(QString("Image%1").arg(i));
        QVERIFY(label && image);
        QCOMPARE(label->text(), labels[i - 1]);
        QVERIFY(!image->pixmap().isNull());
        QVERIFY(label->isVisible() && image->isVisible());
    }
}

void TestMainWindow::entriesWaitForTheirWindows()
{
    for (const char *name : {"PRG_CONTACTS", "prg_calendar", "prg_todo", "SNYC_OUTLOOK_READ"})
        QVERIFY2(!action(name)->isEnabled(), name);
    QVERIFY(action("FILE_END")->isEnabled());
    for (const char *name : {"Image1", "Image2", "Image3", "Image4", "Label1", "Label2", "Label3", "Label4"})
        QVERIFY2(!widget(name)->isEnabled(), name);
    QVERIFY(widget("frmSplash")->isEnabled());

    // Clicking a disabled entry does nothing at all.
    QTest::mouseClick(widget("Image1"), Qt::LeftButton);
    QVERIFY(widget("frmSplash")->isEnabled());

    m_main->windows().registerListWindow(
        RecordKind::Tasks, [this](ProgramContext &) { return new StandInList(RecordKind::Tasks, m_loads[2]); });
    QVERIFY(action("prg_todo")->isEnabled());
    QVERIFY(widget("Image3")->isEnabled() && widget("Label3")->isEnabled());
    QVERIFY(!action("PRG_CONTACTS")->isEnabled() && !widget("Image1")->isEnabled());
    QVERIFY(!action("SNYC_OUTLOOK_READ")->isEnabled() && !widget("Label4")->isEnabled());
    // Registering builds nothing: windows are built on first use.
    QCOMPARE(m_loads[2], 0);
    QVERIFY(!m_main->windows().isLoaded("SUB3_1"));
}

void TestMainWindow::launcherFillsTheWorkArea()
{
    QWidget *launcher = widget("frmSplash");
    QVERIFY(launcher->isVisible());
    const QRect area = m_main->mdiArea()->viewport()->rect();
    QVERIFY(area.width() > 400 && area.height() > 300);
    QCOMPARE(frame("frmSplash")->geometry(), area);

    m_main->resize(m_main->size() + QSize(120, 80));
    QTRY_COMPARE(frame("frmSplash")->geometry(), m_main->mdiArea()->viewport()->rect());
    QCOMPARE(frame("frmSplash")->width(), area.width() + 120);
}

void TestMainWindow::launcherOpensAndListCloseEnablesIt()
{
    registerLists();
    QWidget *launcher = widget("frmSplash");

    QTest::mouseClick(widget("Image1"), Qt::LeftButton);
    auto *contacts = m_main->findChild<StandInList *>("SUB2_1");
    QVERIFY(contacts);
    QVERIFY(contacts->isVisible());
    QVERIFY(!launcher->isEnabled());
    QCOMPARE(frame("SUB2_1")->geometry(), m_main->mdiArea()->viewport()->rect());
    QCOMPARE(frame("SUB2_1")->pos(), QPoint(0, 0));
    QCOMPARE(m_main->mdiArea()->activeSubWindow(), frame("SUB2_1"));
    QCOMPARE(contacts->opened, QStringList{"Contacts"});
    QCOMPARE(contacts->dataSource().databaseName(), m_storePath);
    QVERIFY(contacts->dataSource().isOpen());

    // Its close command hides it and the launcher takes clicks again.
    QTest::mouseClick(contacts->findChild<QPushButton *>("Command5"), Qt::LeftButton);
    QVERIFY(!contacts->isVisible());
    QVERIFY(!frame("SUB2_1")->isVisible());
    QVERIFY(launcher->isEnabled());

    // The caption does what the picture does, with the same window, loaded once.
    QTest::mouseClick(widget("Label1"), Qt::LeftButton);
    QCOMPARE(m_main->findChild<StandInList *>("SUB2_1"), contacts);
    QVERIFY(contacts->isVisible());
    QVERIFY(!launcher->isEnabled());
    QCOMPARE(contacts->opened, (QStringList{"Contacts", "Contacts"}));
    QCOMPARE(m_loads[0], 1);

    QTest::mouseClick(contacts->findChild<QPushButton *>("Command5"), Qt::LeftButton);
    QVERIFY(launcher->isEnabled());
    QTest::mouseClick(widget("Label3"), Qt::LeftButton);
    auto *tasks = m_main->findChild<StandInList *>("SUB3_1");
    QVERIFY(tasks && tasks->isVisible());
    QCOMPARE(tasks->opened, QStringList{"Todo"});
    QVERIFY(!launcher->isEnabled());
}

void TestMainWindow::menuAndLauncherOpenTheSameListWithItsSource()
{
    registerLists();
    m_store->exec("INSERT INTO Datebook (ID, Start) VALUES (1, '2004-01-05 09:00:00')");
    m_store->exec("INSERT INTO Datebook (ID, Start) VALUES (2, '2006-03-01 10:00:00')");
    m_store->exec("INSERT INTO Datebook (ID, Start) VALUES (3, '2005-12-24 18:30:00')");

    action("prg_calendar")->trigger();
    auto *calendar = m_main->findChild<StandInList *>("SUB4_1");
    QVERIFY(calendar && calendar->isVisible());
    QCOMPARE(calendar->dataSource().recordSource(), QString("SELECT * FROM Datebook ORDER BY Start DESC"));
    RecordSet &events = calendar->dataSource().recordset();
    QCOMPARE(events.recordCount(), 3);
    QList<qint64> order;
    for (events.moveFirst(); !events.eof(); events.moveNext())
        order.append(events.field("ID").toLongLong());
    QCOMPARE(order, (QList<qint64>{2, 3, 1}));
    QTest::mouseClick(calendar->findChild<QPushButton *>("Command5"), Qt::LeftButton);

    QTest::mouseClick(widget("Image2"), Qt::LeftButton);
    QCOMPARE(m_main->findChild<StandInList *>("SUB4_1"), calendar);
    QCOMPARE(calendar->opened,
             (QStringList{"SELECT * FROM Datebook ORDER BY Start DESC", "SELECT * FROM Datebook ORDER BY Start DESC"}));
    calendar->dataSource().recordset().moveFirst();
    QCOMPARE(calendar->dataSource().recordset().field("ID").toLongLong(), 2);
    QCOMPARE(m_loads[1], 1);

    // Opening again sets the source anew, even after something else pointed the list elsewhere.
    calendar->dataSource().setRecordSource("SELECT * FROM Datebook WHERE ID = 1");
    calendar->dataSource().refresh();
    action("prg_calendar")->trigger();
    QCOMPARE(calendar->dataSource().recordset().recordCount(), 3);

    action("PRG_CONTACTS")->trigger();
    QCOMPARE(m_main->findChild<StandInList *>("SUB2_1")->dataSource().recordSource(), QString("Contacts"));
    action("prg_todo")->trigger();
    QCOMPARE(m_main->findChild<StandInList *>("SUB3_1")->dataSource().recordSource(), QString("Todo"));
}

void TestMainWindow::closingAListByItsFrameEnablesTheLauncher()
{
    registerLists();
    for (const char *name : {"Image3", "Image2", "Image1"}) {
        QVERIFY(widget("frmSplash")->isEnabled());
        QTest::mouseClick(widget(name), Qt::LeftButton);
        QVERIFY(!widget("frmSplash")->isEnabled());
        QMdiSubWindow *active = m_main->mdiArea()->activeSubWindow();
        QVERIFY(active && active->widget() != m_main->launcher());
        QWidget *list = active->widget();
        active->close();
        // Hidden, not destroyed: it keeps its contents for the next opening.
        QVERIFY(!list->isVisible());
        QVERIFY(m_main->windows().isLoaded(list->objectName()));
        QVERIFY2(widget("frmSplash")->isEnabled(), name);
    }
    QTest::mouseClick(widget("Label3"), Qt::LeftButton);
    QVERIFY(m_main->findChild<QWidget *>("SUB3_1")->isVisible());
    QCOMPARE(m_loads[2], 1);
}

void TestMainWindow::menusStayUsableWhileTheLauncherIsDisabled()
{
    registerLists();
    QTest::mouseClick(widget("Image1"), Qt::LeftButton);
    QVERIFY(!widget("frmSplash")->isEnabled());
    // The launcher takes no clicks now...
    QTest::mouseClick(widget("Image3"), Qt::LeftButton);
    QVERIFY(!m_main->windows().isLoaded("SUB3_1"));
    // ...but the menu still opens a second list over the first.
    QVERIFY(action("prg_todo")->isEnabled());
    action("prg_todo")->trigger();
    QVERIFY(widget("SUB3_1")->isVisible());
    QVERIFY(widget("SUB2_1")->isVisible());
    QCOMPARE(m_main->mdiArea()->activeSubWindow(), frame("SUB3_1"));
    QTest::mouseClick(widget("SUB3_1")->findChild<QPushButton *>("Command5"), Qt::LeftButton);
    QVERIFY(widget("frmSplash")->isEnabled());
}

void TestMainWindow::outlookWindowKeepsItsSizeAndUnloadsWhenClosed()
{
    m_main->windows().registerWindow(
        "SUB1_3", [this](ProgramContext &) { return new StandInWindow(m_outlookLoads); }, OnClose::Unload);
    QVERIFY(action("SNYC_OUTLOOK_READ")->isEnabled());
    QVERIFY(widget("Image4")->isEnabled());

    action("SNYC_OUTLOOK_READ")->trigger();
    QWidget *outlook = widget("SUB1_3");
    QVERIFY(outlook && outlook->isVisible());
    QVERIFY(!widget("frmSplash")->isEnabled());
    QCOMPARE(outlook->size(), QSize(300, 200));
    QVERIFY(frame("SUB1_3")->width() < m_main->mdiArea()->viewport()->width());

    // The window itself enables the launcher again; closing it unloads it.
    m_main->windows().setLauncherEnabled(true);
    QPointer<QWidget> first = outlook;
    frame("SUB1_3")->close();
    QTRY_VERIFY(first.isNull());
    QVERIFY(!m_main->windows().isLoaded("SUB1_3"));

    QTest::mouseClick(widget("Label4"), Qt::LeftButton);
    QVERIFY(widget("SUB1_3") && widget("SUB1_3")->isVisible());
    QVERIFY(!widget("frmSplash")->isEnabled());
    QCOMPARE(m_outlookLoads, 2);
}

void TestMainWindow::exchangeWindowsEnableAndReloadTheLists()
{
    registerLists();
    ListWindowsHost &host = m_main->windows();
    // A list that was never opened is not built for this.
    host.setListEnabled(RecordKind::Events, false);
    host.reloadList(RecordKind::Events);
    QVERIFY(!m_main->windows().isLoaded("SUB4_1"));

    action("PRG_CONTACTS")->trigger();
    auto *contacts = m_main->findChild<StandInList *>("SUB2_1");
    host.setListEnabled(RecordKind::Contacts, false);
    QVERIFY(!contacts->isEnabled());
    QVERIFY(widget("frmSplash") && !widget("frmSplash")->isEnabled());
    host.setListEnabled(RecordKind::Contacts, true);
    QVERIFY(contacts->isEnabled());

    QCOMPARE(contacts->dataSource().recordset().recordCount(), 0);
    m_store->exec("INSERT INTO Contacts (ID, FileAs) VALUES (1, '홍길동')");
    m_store->exec("INSERT INTO Contacts (ID, FileAs) VALUES (2, '김철수')");
    host.reloadList(RecordKind::Contacts);
    QCOMPARE(contacts->dataSource().recordset().recordCount(), 2);
    QCOMPARE(contacts->opened.size(), 1);
    QVERIFY(m_messages.shown().isEmpty());
}

void TestMainWindow::aStoreThatCannotBeReadIsReportedAndNothingStaysDisabled()
{
    registerLists();
    const QString bad = m_dir->filePath("bad/Qtdata.mdb");
    QVERIFY(test::writeFile(bad, QByteArray("Standard Jet DB\0 not an SQLite file", 35)));
    m_main->context().storePath = bad;

    QTest::mouseClick(widget("Image3"), Qt::LeftButton);
    QCOMPARE(m_messages.shown().size(), 1);
    QVERIFY(m_messages.shown()[0].text.contains(QDir::toNativeSeparators(bad)) ||
            m_messages.shown()[0].text.contains(bad));
    QCOMPARE(m_messages.shown()[0].icon, Icon::Critical);
    QVERIFY(!widget("SUB3_1")->isVisible());
    QVERIFY(widget("frmSplash")->isEnabled());
    QCOMPARE(test::readFile(bad), QByteArray("Standard Jet DB\0 not an SQLite file", 35));
}

void TestMainWindow::activeListWithMenusReplacesTheMainMenus()
{
    registerLists(true);
    auto visibleMenus = [this] {
        QStringList names;
        for (QAction *a : m_main->menuBar()->actions())
            if (a->isVisible() && a->menu())
                names << a->menu()->objectName();
        return names;
    };
    // 파일 stays, after whichever menus are shown.
    QCOMPARE(visibleMenus(), (QStringList{"MENU_PRG", "SNYC_OUTLOOK", "MENU_FILE"}));

    action("PRG_CONTACTS")->trigger();
    QCOMPARE(visibleMenus(), (QStringList{"MENU_MAIN", "MENU_FILE"}));
    // A list without menus of its own leaves the main menus in place.
    action("prg_todo")->trigger();
    QCOMPARE(visibleMenus(), (QStringList{"MENU_PRG", "SNYC_OUTLOOK", "MENU_FILE"}));
    m_main->mdiArea()->setActiveSubWindow(frame("SUB2_1"));
    QCOMPARE(visibleMenus(), (QStringList{"MENU_MAIN", "MENU_FILE"}));

    QTest::mouseClick(widget("SUB2_1")->findChild<QPushButton *>("Command5"), Qt::LeftButton);
    QTest::mouseClick(widget("SUB3_1")->findChild<QPushButton *>("Command5"), Qt::LeftButton);
    QTRY_COMPARE(visibleMenus(), (QStringList{"MENU_PRG", "SNYC_OUTLOOK", "MENU_FILE"}));
}

void TestMainWindow::launcherStaysBeneathOtherWindows()
{
    m_main->windows().registerWindow("SUB1_3", [this](ProgramContext &) { return new StandInWindow(m_outlookLoads); });
    action("SNYC_OUTLOOK_READ")->trigger();
    m_main->windows().setLauncherEnabled(true);
    m_main->mdiArea()->setActiveSubWindow(frame("frmSplash"));
    QTRY_COMPARE(m_main->mdiArea()->subWindowList(QMdiArea::StackingOrder).last(), frame("SUB1_3"));
    QVERIFY(widget("SUB1_3")->isVisible());
}

void TestMainWindow::windowsShowAndHideThemselvesWithTheirFrames()
{
    // An editor a list fetches from the registry and shows by itself.
    m_main->windows().registerWindow("SUB2_2", [this](ProgramContext &) { return new StandInWindow(m_outlookLoads); });
    QWidget *editor = m_main->windows().window("SUB2_2");
    QVERIFY(editor);
    QVERIFY(!frame("SUB2_2")->isVisible());
    QCOMPARE(m_outlookLoads, 1);
    editor->show();
    QVERIFY(frame("SUB2_2")->isVisible());
    QVERIFY(editor->isVisible());
    editor->hide();
    QVERIFY(!frame("SUB2_2")->isVisible());
    QCOMPARE(m_main->windows().window("SUB2_2"), editor);
    QCOMPARE(m_outlookLoads, 1);
    QCOMPARE(m_main->windows().window("nothing registered"), nullptr);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
