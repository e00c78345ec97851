// The contacts list as the user meets it: its grid, buttons, pictures and menu, and what each of
// them does to the store and to the other windows.
#include "support/ContactsFixture.h"

#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

using namespace pimdesk;

class TestContactsListWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(f.setUp()); }
    void cleanup() { f.tearDown(); }

    void showsTheTableWithItsColumnsButtonsAndMenu();
    void menuTakesThePlaceOfTheMainMenus();
    void newGivesTheNextId_data();
    void newGivesTheNextId();
    void editOpensTheRowsContact_data();
    void editOpensTheRowsContact();
    void deleteAsksWithTheName_data();
    void deleteAsksWithTheName();
    void closeHidesItsWindowsAndExitOnlyTheList();
    void picturesOpenTheDeviceWindows_data();
    void picturesOpenTheDeviceWindows();

private:
    void trigger(const QString &command);
    void addThree();
    test::ContactsFixture f;
};

// A button ("Command1") or a menu entry ("MENU_NEW") of the list.
void TestContactsListWindow::trigger(const QString &command)
{
    if (command.startsWith("MENU_"))
        f.find<QAction>(qPrintable(command))->trigger();
    else
        QTest::mouseClick(f.control<QToolButton>("SUB2_1", qPrintable(command)), Qt::LeftButton);
}

void TestContactsListWindow::addThree()
{
    f.addContact(1, {{"FileAs", "홍길동"}, {"H_Phone", "02-123"}, {"H_Mobile", "010-1"}, {"O_Phone", "02-999"}});
    f.addContact(2, {{"FileAs", "Kim &quot;Jay&quot;"}});
    f.addContact(7, {{"FileAs", "이순신"}});
}

void TestContactsListWindow::showsTheTableWithItsColumnsButtonsAndMenu()
{
    addThree();
    QWidget *list = f.openList();
    QVERIFY(list && list->isVisible());
    QCOMPARE(list->windowTitle(), QString("연락처관리"));
    QCOMPARE(f.listSource(), QString("Contacts"));

    RecordGrid *grid = f.grid();
    QCOMPARE(grid->gridModel().rowCount(), 3);
    QVERIFY(grid->isColumnHidden(0) && grid->isColumnHidden(1));
    const QStringList headers = {"이름", "집전화번호", "핸드폰번호", "회사전화번호"};
    const int widths[] = {3000, 1900, 1900, 1900};
    for (int c = 2; c <= 5; ++c) {
        QCOMPARE(grid->model()->headerData(c, Qt::Horizontal).toString(), headers[c - 2]);
        QCOMPARE(grid->columnWidth(c), twipsToPixels(widths[c - 2], grid));
    }
    QCOMPARE(grid->model()->headerData(6, Qt::Horizontal).toString(), QString("Title"));
    QCOMPARE(grid->gridModel().cellText(0, 0), QString("1"));
    QCOMPARE(grid->gridModel().cellText(0, 2), QString("홍길동"));
    QCOMPARE(grid->gridModel().cellText(0, 5), QString("02-999"));
    QCOMPARE(grid->currentRow(), 0);

    const QStringList captions = {"새로운연락처", "편집", "지우기", "검색", "종료"};
    for (int i = 1; i <= 5; ++i) {
        auto *button = f.control<QToolButton>("SUB2_1", qPrintable(QString("Command%1").arg(i)));
        QVERIFY(button);
        QCOMPARE(button->text(), captions[i - 1]);
        QVERIFY(!button->icon().isNull());
    }
    QCOMPARE(f.control<QLabel>("SUB2_1", "Image1")->toolTip(), QString("Norvel(K7M)에서 가져오기"));
    QCOMPARE(f.control<QLabel>("SUB2_1", "Image2")->toolTip(), QString("Norvel(K7M)으로 내보내기"));

    auto *menu = f.find<QMenu>("MENU_MAIN");
    QCOMPARE(menu->title(), QString("연락처"));
    QStringList entries;
    for (QAction *a : menu->actions())
        entries << a->objectName() + "=" + a->text();
    QCOMPARE(entries, (QStringList{"MENU_NEW=새로운연락처(New)", "MENU_EDIT=수정(Edit)", "MENU_DELETE=삭제(Delete)",
                                   "MENU_FIND=검색(Find)", "MENU_LINE=", "MENU_EXIT=닫기(Exit)"}));
    QVERIFY(menu->actions()[4]->isSeparator());
}

void TestContactsListWindow::menuTakesThePlaceOfTheMainMenus()
{
    QWidget *list = f.openList();
    const auto visibleMenus = [this] {
        QStringList names;
        for (QAction *a : f.main->menuBar()->actions())
            if (a->isVisible() && a->menu())
                names << a->menu()->objectName();
        return names;
    };
    QCOMPARE(visibleMenus(), (QStringList{"MENU_MAIN", "MENU_FILE"}));
    // While the editor is in front the list's menu is neither shown nor usable.
    trigger("Command1");
    QVERIFY(!visibleMenus().contains("MENU_MAIN"));
    QVERIFY(!f.find<QMenu>("MENU_MAIN")->isEnabled());
    QTest::mouseClick(f.control<QPushButton>("SUB2_2", "Command1"), Qt::LeftButton);
    QVERIFY(list->isEnabled());
    QCOMPARE(visibleMenus(), (QStringList{"MENU_MAIN", "MENU_FILE"}));
    f.find<QAction>("MENU_EXIT")->trigger();
    QCOMPARE(visibleMenus(), (QStringList{"MENU_PRG", "SNYC_OUTLOOK", "MENU_FILE"}));
}

void TestContactsListWindow::newGivesTheNextId_data()
{
    QTest::addColumn<QList<qint64>>("existing");
    QTest::addColumn<QString>("command");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("empty table") << QList<qint64>{} << "Command1" << qint64(1);
    QTest::newRow("1, 2 and 7") << QList<qint64>{7, 1, 2} << "Command1" << qint64(8);
    QTest::newRow("menu") << QList<qint64>{3} << "MENU_NEW" << qint64(4);
}

void TestContactsListWindow::newGivesTheNextId()
{
    QFETCH(QList<qint64>, existing);
    QFETCH(QString, command);
    QFETCH(qint64, expected);
    for (qint64 id : existing)
        f.addContact(id, {{"FileAs", QString("c%1").arg(id)}});
    QWidget *list = f.openList();
    trigger(command);

    QWidget *editor = f.widget("SUB2_2");
    QVERIFY(editor && editor->isVisible());
    QCOMPARE(mdiFrame(editor)->windowTitle(), QString("새로운연락처입력"));
    QCOMPARE(mdiFrame(editor)->pos(), QPoint(0, 0));
    QVERIFY(!list->isEnabled());
    QCOMPARE(f.listSource(), QString("SELECT * FROM Contacts ORDER BY ID"));
    QList<qint64> sorted = existing;
    std::sort(sorted.begin(), sorted.end());
    for (int row = 0; row < sorted.size(); ++row) // the list now shows them in ID order
        QCOMPARE(f.grid()->gridModel().cellText(row, 0).toLongLong(), sorted.at(row));

    f.type(f.control<QLineEdit>("SUB2_2", "Text1"), "새 사람");
    f.messages.answerNext(Answer::Ok);
    QTest::mouseClick(f.control<QPushButton>("SUB2_2", "Command2"), Qt::LeftButton);
    QCOMPARE(f.messages.texts(), QStringList{"작업내용을 저장 하시겠습니까?"});
    QCOMPARE(f.messages.shown()[0].title, QString("저장 할까요?"));
    QVERIFY(!editor->isVisible());
    QVERIFY(list->isEnabled());
    QCOMPARE(f.stored(expected, "FileAs").toString(), QString("새 사람"));
    QCOMPARE(f.storedIds().size(), existing.size() + 1);
    QCOMPARE(f.grid()->gridModel().rowCount(), existing.size() + 1);
    QCOMPARE(f.grid()->currentRowText(0).toLongLong(), expected); // the list is on the new contact
}

void TestContactsListWindow::editOpensTheRowsContact_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("button") << "Command2";
    QTest::newRow("menu") << "MENU_EDIT";
    QTest::newRow("double click") << "double click";
}

void TestContactsListWindow::editOpensTheRowsContact()
{
    QFETCH(QString, how);
    addThree();
    QWidget *list = f.openList();
    f.selectRow(how == "double click" ? 0 : 2);
    if (how == "double click") {
        RecordGrid *grid = f.grid();
        const QRect cell = grid->visualRect(grid->model()->index(2, 2));
        // A double click is a press and a release followed by the double-click press.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    } else {
        trigger(how);
    }
    QWidget *editor = f.widget("SUB2_2");
    QVERIFY(editor && editor->isVisible());
    QCOMPARE(mdiFrame(editor)->windowTitle(), QString("연락처수정"));
    QCOMPARE(f.control<DataSource>("SUB2_2", "Data1")->recordSource(), QString("SELECT * FROM Contacts WHERE ID =  7"));
    QCOMPARE(f.control<QLineEdit>("SUB2_2", "Text1")->text(), QString("이순신"));
    QVERIFY(!list->isEnabled());
}

void TestContactsListWindow::deleteAsksWithTheName_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QList<qint64>>("left");
    QTest::newRow("button, cancel") << "Command3" << int(Answer::Cancel) << QList<qint64>{1, 2, 7};
    QTest::newRow("button, OK") << "Command3" << int(Answer::Ok) << QList<qint64>{1, 7};
    QTest::newRow("menu, OK") << "MENU_DELETE" << int(Answer::Ok) << QList<qint64>{1, 7};
}

void TestContactsListWindow::deleteAsksWithTheName()
{
    QFETCH(QString, command);
    QFETCH(int, answer);
    QFETCH(QList<qint64>, left);
    addThree();
    f.openList();
    f.selectRow(1);
    f.messages.answerNext(Answer(answer));
    trigger(command);
    QCOMPARE(f.messages.shown().size(), 1);
    // The question names the contact in characters, not in the store's references.
    QCOMPARE(f.messages.shown()[0].text, QString("Kim \"Jay\""));
    QCOMPARE(f.messages.shown()[0].title, QString("정말로 삭제 하시겠습니까?"));
    QCOMPARE(f.messages.shown()[0].buttons, Buttons::OkCancel);
    QCOMPARE(f.messages.shown()[0].icon, Icon::None);
    QCOMPARE(f.storedIds(), left);
    QCOMPARE(f.grid()->gridModel().rowCount(), left.size());
    // The list stays where it was: the row after the deleted one (or the same) is current.
    QCOMPARE(f.grid()->currentRow(), 1);
    QVERIFY(!f.widget("SUB2_2") || !f.widget("SUB2_2")->isVisible());

    // A row whose contact is gone by now: nothing happens, nothing is reported.
    f.store->exec("DELETE FROM Contacts WHERE ID = 7");
    f.selectRow(left.size() - 1);
    f.messages.clear();
    trigger(command);
    QCOMPARE(f.messages.shown().size(), 1);
    QCOMPARE(f.storedIds(), left.mid(0, left.size() - 1));
}

void TestContactsListWindow::closeHidesItsWindowsAndExitOnlyTheList()
{
    addThree();
    QWidget *list = f.openList();
    QWidget *launcher = f.widget("frmSplash");
    QVERIFY(!launcher->isEnabled());

    // Exit from the menu hides only the list.
    trigger("Command4");
    f.main->windows().setListEnabled(RecordKind::Contacts, true); // as if the search were left open
    f.find<QAction>("MENU_EXIT")->trigger();
    QVERIFY(!list->isVisible());
    QVERIFY(f.widget("Dialog")->isVisible());
    QVERIFY(launcher->isEnabled());

    // Close hides the editor and the search too, dropping what the editor held.
    f.openList();
    f.selectRow(0);
    trigger("Command2");
    f.type(f.control<QLineEdit>("SUB2_2", "Text1"), "바뀜");
    f.main->windows().setListEnabled(RecordKind::Contacts, true);
    trigger("Command5");
    QVERIFY(!list->isVisible());
    QVERIFY(!f.widget("SUB2_2")->isVisible());
    QVERIFY(!f.widget("Dialog")->isVisible());
    QVERIFY(launcher->isEnabled());
    QCOMPARE(f.stored(1, "FileAs").toString(), QString("홍길동"));

    // Closing by the frame enables the launcher as well.
    f.openList();
    QVERIFY(!launcher->isEnabled());
    mdiFrame(list)->close();
    QVERIFY(!list->isVisible());
    QVERIFY(launcher->isEnabled());
}

void TestContactsListWindow::picturesOpenTheDeviceWindows_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("window");
    QTest::newRow("import") << "Image1"
                            << "SUB1_1";
    QTest::newRow("export") << "Image2"
                            << "SUB1_2";
}

void TestContactsListWindow::picturesOpenTheDeviceWindows()
{
    QFETCH(QString, picture);
    QFETCH(QString, window);
    QWidget *list = f.openList();
    f.messages.setDefaultAnswer(Answer::Ok); // the device search may say that no handheld is there
    QTest::mouseClick(f.control<QLabel>("SUB2_1", qPrintable(picture)), Qt::LeftButton);
    QWidget *device = f.widget(qPrintable(window));
    QVERIFY(device && device->isVisible());
    QVERIFY(!list->isEnabled());
    // Closing the device window hands the list back.
    mdiFrame(device)->close();
    QTRY_VERIFY(list->isEnabled());
}

QTEST_MAIN(TestContactsListWindow)
#include "tst_contactslistwindow.moc"
