// The task list and the task search as the user meets them: the grid over the Todo table, new,
// edit, delete, the device pictures, closing, and filtering the list.
#include "app/Launcher.h"
#include "records/DataSource.h"
#include "shell/Geometry.h"
#include "shell/RecordGrid.h"
#include "support/TasksFixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QToolButton>

using namespace pimdesk;

class TestTaskList : public QObject
{
    Q_OBJECT

private slots:
    void init() { t.setUp(); }
    void cleanup() { t.tearDown(); }

    void listShowsTheTableWithItsCommands();
    void newGivesTheNextIdAndANewTask();
    void editFillsTheEditor_data();
    void editFillsTheEditor();
    void deleteAsksWithTheDescription();
    void editAndDeleteOfAVanishedTaskDoNothing();
    void closingEnablesTheLauncher();
    void picturesOpenTheDeviceWindows();
    void searchFiltersTheList_data();
    void searchFiltersTheList();
    void searchWindowKeepsOrResetsItsChoices();

private:
    void addSampleTasks();
    QStringList shownIds(TaskListWindow *list);
    void selectRow(TaskListWindow *list, int row) { list->grid()->setCurrentCell(row, 1); }

    test::TasksFixture t;
};

void TestTaskList::addSampleTasks()
{
    t.addTask({{"ID", 4}, {"Priority", "3"}, {"Status", "NotStarted"}, {"Description", "call the office"}});
    t.addTask({{"ID", 2}, {"Priority", "1"}, {"Status", "InProgress"}, {"Description", "Call mother"}});
    t.addTask({{"ID", 9},
               {"Priority", "3"},
               {"Status", "NotStarted"},
               {"Description", "write \"report\""},
               {"Notes", "due friday"}});
}

QStringList TestTaskList::shownIds(TaskListWindow *list)
{
    QStringList ids;
    for (int row = 0; row < list->grid()->model()->rowCount(); ++row)
        ids << list->grid()->gridModel().cellText(row, 0);
    return ids;
}

void TestTaskList::listShowsTheTableWithItsCommands()
{
    addSampleTasks();
    QVERIFY(t.main->findChild<QAction *>("prg_todo")->isEnabled());
    TaskListWindow *list = t.openList();
    QVERIFY(list && list->isVisible());
    QCOMPARE(list->windowTitle(), QString("작업(Todo list)"));
    QVERIFY(!t.main->launcher()->isEnabled());

    auto *data1 = list->findChild<DataSource *>("Data1");
    QVERIFY(data1 && list->findChild<DataSource *>("Data2"));
    QCOMPARE(data1->recordSource(), QString("Todo"));
    RecordGrid *grid = list->findChild<RecordGrid *>("MSFlexGrid1");
    QCOMPARE(grid, list->grid());
    QCOMPARE(shownIds(list), (QStringList{"4", "2", "9"})); // stored order
    QCOMPARE(grid->model()->headerData(3, Qt::Horizontal).toString(), QString("Description"));
    QVERIFY(grid->isColumnHidden(0));
    const int widths[] = {0, 1000, 1000, 6000, 600};
    for (int column = 1; column < 5; ++column)
        QCOMPARE(grid->columnWidth(column), twipsToPixels(widths[column], grid));
    QCOMPARE(grid->currentRow(), 0);

    const std::pair<const char *, const char *> commands[] = {{"Command1", "새로운 작업"},
                                                              {"Command2", "편집"},
                                                              {"Command3", "지우기"},
                                                              {"Command4", "검색"},
                                                              {"Command5", "종료"}};
    for (const auto &[name, caption] : commands) {
        auto *button = list->findChild<QToolButton *>(name);
        QVERIFY2(button && !button->icon().isNull(), name);
        QCOMPARE(button->text(), QString(caption));
    }
    QCOMPARE(list->findChild<QWidget *>("Image1")->toolTip(), QString("Norvel(K7M)에서 가져오기"));
    QCOMPARE(list->findChild<QWidget *>("Image2")->toolTip(), QString("Norvel(K7M)으로 내보내기"));
    QCOMPARE(list->findChild<QWidget *>("Image3")->toolTip(), QString("Norvel(K7M)과 동기화"));
}

void TestTaskList::newGivesTheNextIdAndANewTask()
{
    TaskListWindow *list = t.openList();
    t.click("SUB3_1", "Command1");
    TaskEditor *editor = t.editor();
    QVERIFY(editor && editor->isVisible());
    QVERIFY(!list->isEnabled());
    QCOMPARE(mdiFrame(editor)->pos(), QPoint(0, 0));
    QCOMPARE(editor->windowTitle(), QString("새 작업"));
    QCOMPARE(mdiFrame(editor)->windowTitle(), QString("새 작업"));

    // Saved untouched: the new task's fields as the editor leaves them.
    t.click("SUB3_2", "Command2");
    QCOMPARE(t.messages.shown().last().text, QString("작업내용을 저장 하시겠습니까?"));
    QCOMPARE(t.messages.shown().last().title, QString("저장 할까요?"));
    QCOMPARE(t.messages.shown().last().buttons, Buttons::OkCancel);
    QVERIFY(!editor->isVisible());
    QVERIFY(list->isEnabled());
    const QVariantMap saved = t.task(1);
    const QVariantMap expected{{"ID", 1},           {"Priority", "3"},       {"Status", "NotStarted"},
                               {"Description", ""}, {"Completed", "0"},      {"PercentCompleted", ""},
                               {"Hasdate", "0"},    {"Dateyear", ""},        {"Datemonth", ""},
                               {"Dateday", ""},     {"Starteddate", "None"}, {"Completeddate", ""},
                               {"Categories", ""},  {"Notes", ""},           {"qdl-private-data", ""},
                               {"application", ""}};
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        QVERIFY2(!saved.value(it.key()).isNull(), qPrintable(it.key()));
        QCOMPARE(saved.value(it.key()).toString(), it.value().toString());
    }
    QCOMPARE(shownIds(list), QStringList{"1"});

    // The next one goes above the largest identifier, wherever it is stored.
    t.addTask({{"ID", 41}});
    t.addTask({{"ID", 7}});
    t.click("SUB3_1", "Command1");
    t.click("SUB3_2", "Command2");
    QVERIFY(!t.task(42).isEmpty());
}

void TestTaskList::editFillsTheEditor_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<QVariantMap>("shown"); // control name -> text (a bool for Check1)

    const QString today = "2026-12-08";
    QTest::newRow("priority 7, due date padded")
        << QVariantMap{{"Priority", "7"}, {"Hasdate", "1"}, {"Dateyear", "2005"}, {"Datemonth", "3"}, {"Dateday", "9"}}
        << QVariantMap{{"Combo1", "3 - Normal"}, {"Check1", true}, {"Command3", "2005-03-09"}, {"Command4", "None"}};
    QTest::newRow("fields as stored") << QVariantMap{{"Priority", "2"},          {"Description", "pay \"rent\""},
                                                     {"PercentCompleted", "40"}, {"Categories", "Home"},
                                                     {"Status", "InProgress"},   {"Starteddate", "2006-07-01"},
                                                     {"Completeddate", "x"},     {"Notes", "line 1\r\nline 2"}}
                                      << QVariantMap{{"Combo1", "2 - High"},   {"Text1", "pay \"rent\""},
                                                     {"Text2", "40"},          {"Combo3", "Home"},
                                                     {"Combo2", "InProgress"}, {"Command4", "2006-07-01"},
                                                     {"Command5", "x"},        {"Text3", "line 1\nline 2"},
                                                     {"Check1", false},        {"Command3", today}};
    QTest::newRow("nothing stored") << QVariantMap{} << QVariantMap{{"Combo1", "3 - Normal"}, {"Combo2", "NotStarted"},
                                                                    {"Command4", "None"},     {"Command5", ""},
                                                                    {"Check1", false},        {"Command3", today}};
    QTest::newRow("blank start date, short year")
        << QVariantMap{{"Starteddate", "  "},
                       {"Hasdate", "1"},
                       {"Dateyear", " 5 "},
                       {"Datemonth", "12"},
                       {"Dateday", "31"}}
        << QVariantMap{{"Command4", "None"}, {"Command3", "0005-12-31"}, {"Check1", true}};
    QTest::newRow("due without parts") << QVariantMap{{"Hasdate", "1"}}
                                       << QVariantMap{{"Check1", true}, {"Command3", today}};
    QTest::newRow("date parts without due")
        << QVariantMap{{"Hasdate", "0"}, {"Dateyear", "2005"}, {"Datemonth", "3"}, {"Dateday", "9"}}
        << QVariantMap{{"Check1", false}, {"Command3", today}};
    QTest::newRow("status not in the list") << QVariantMap{{"Status", "Someday"}} << QVariantMap{{"Combo2", "Someday"}};
}

void TestTaskList::editFillsTheEditor()
{
    QFETCH(QVariantMap, stored);
    QFETCH(QVariantMap, shown);
    stored.insert("ID", 5);
    t.addTask(stored);
    TaskListWindow *list = t.openList();
    // A double click performs Edit.
    const QPoint cell = list->grid()->visualRect(list->grid()->model()->index(0, 3)).center();
    QTest::mouseClick(list->grid()->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(list->grid()->viewport(), Qt::LeftButton, {}, cell);
    TaskEditor *editor = t.editor();
    QVERIFY(editor && editor->isVisible());
    QVERIFY(!list->isEnabled());
    QCOMPARE(editor->windowTitle(), QString("작업 편집"));
    for (auto it = shown.cbegin(); it != shown.cend(); ++it) {
        QWidget *control = editor->findChild<QWidget *>(it.key());
        QVERIFY2(control, qPrintable(it.key()));
        QString text;
        if (auto *box = qobject_cast<QComboBox *>(control))
            text = box->currentText();
        else if (auto *line = qobject_cast<QLineEdit *>(control))
            text = line->text();
        else if (auto *check = qobject_cast<QAbstractButton *>(control); check && check->isCheckable())
            QCOMPARE(check->isChecked(), it.value().toBool());
        else if (auto *button = qobject_cast<QAbstractButton *>(control))
            text = button->text();
        else
            text = control->property("plainText").toString();
        if (it.value().typeId() != QMetaType::Bool)
            QCOMPARE(text, it.value().toString());
    }

    // Saved unchanged, the task keeps what it showed; the priority and date in their stored forms.
    t.click("SUB3_2", "Command2");
    const QVariantMap saved = t.task(5);
    QCOMPARE(saved.value("Priority").toString(), shown.value("Combo1", "3 - Normal").toString().left(1));
    if (shown.value("Check1").toBool() && stored.contains("Dateyear")) {
        const QStringList parts = shown.value("Command3").toString().split('-');
        QCOMPARE(saved.value("Dateyear").toString(), parts[0]);
        QCOMPARE(saved.value("Datemonth").toString(), parts[1]);
        QCOMPARE(saved.value("Dateday").toString(), parts[2]);
    }
    for (const char *field : {"Description", "PercentCompleted", "Categories", "Notes", "Completeddate"})
        QCOMPARE(saved.value(field).toString(), stored.value(field).toString());
    QCOMPARE(saved.value("Status").toString(), shown.value("Combo2", stored.value("Status", "NotStarted")).toString());
}

void TestTaskList::deleteAsksWithTheDescription()
{
    addSampleTasks();
    TaskListWindow *list = t.openList();
    selectRow(list, 1);
    t.messages.answerNext(Answer::Cancel);
    t.click("SUB3_1", "Command3");
    QCOMPARE(t.messages.shown().last().text, QString("Call mother"));
    QCOMPARE(t.messages.shown().last().title, QString("정말로 삭제 하시겠습니까?"));
    QCOMPARE(t.messages.shown().last().buttons, Buttons::OkCancel);
    QCOMPARE(t.messages.shown().last().icon, Icon::None);
    QVERIFY(!t.task(2).isEmpty());

    t.click("SUB3_1", "Command3");
    QVERIFY(t.task(2).isEmpty());
    QCOMPARE(shownIds(list), (QStringList{"4", "9"}));
    QCOMPARE(list->grid()->currentRow(), 1); // the row below moved up into place
}

void TestTaskList::editAndDeleteOfAVanishedTaskDoNothing()
{
    addSampleTasks();
    TaskListWindow *list = t.openList();
    t.store->exec("DELETE FROM Todo");
    t.click("SUB3_1", "Command2");
    QVERIFY(!t.editor() || !t.editor()->isVisible());
    QVERIFY(list->isEnabled());
    t.click("SUB3_1", "Command3"); // asked (OK), then nothing to delete
    QCOMPARE(t.messages.shown().size(), 1);
    QVERIFY(list->isEnabled());
}

void TestTaskList::closingEnablesTheLauncher()
{
    TaskListWindow *list = t.openList();
    t.click("SUB3_1", "Command5");
    QVERIFY(!list->isVisible());
    QVERIFY(t.main->launcher()->isEnabled());

    t.openList();
    QVERIFY(!t.main->launcher()->isEnabled());
    mdiFrame(list)->close();
    QVERIFY(!list->isVisible());
    QVERIFY(t.main->launcher()->isEnabled());
}

void TestTaskList::picturesOpenTheDeviceWindows()
{
    TaskListWindow *list = t.openList();
    const std::pair<const char *, const char *> pictures[] = {{"Image1", windowNames::importFromDevice},
                                                              {"Image2", windowNames::exportToDevice},
                                                              {"Image3", windowNames::syncWithDevice}};
    for (const auto &[picture, name] : pictures) {
        QTest::mouseClick(list->findChild<QWidget *>(picture), Qt::LeftButton);
        QWidget *device = t.main->findChild<QWidget *>(name);
        QVERIFY2(device && device->isVisible(), name);
        QVERIFY(!list->isEnabled());
        mdiFrame(device)->close();
        QVERIFY(list->isEnabled());
    }
}

void TestTaskList::searchFiltersTheList_data()
{
    QTest::addColumn<QString>("priority");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("notes");
    QTest::addColumn<QStringList>("ids");

    QTest::newRow("presets") << ""
                             << ""
                             << ""
                             << "" << QStringList{"4", "9"};
    QTest::newRow("only notes") << "6 - All"
                                << "All"
                                << ""
                                << "friday" << QStringList{"9"};
    QTest::newRow("quote alone") << "6 - All"
                                 << "All"
                                 << "\""
                                 << "" << QStringList{"9"};
}

void TestTaskList::searchFiltersTheList()
{
    QFETCH(QString, priority);
    QFETCH(QString, status);
    QFETCH(QString, description);
    QFETCH(QString, notes);
    QFETCH(QStringList, ids);
    addSampleTasks();
    TaskListWindow *list = t.openList();
    t.click("SUB3_1", "Command4");
    QWidget *search = t.main->findChild<QWidget *>("Dialog1");
    QVERIFY(search && search->isVisible());
    QCOMPARE(search->windowTitle(), QString("대화 상자 캡션"));
    QVERIFY(!list->isEnabled());
    if (!priority.isEmpty())
        search->findChild<QComboBox *>("Combo1")->setCurrentText(priority);
    if (!status.isEmpty())
        search->findChild<QComboBox *>("Combo2")->setCurrentText(status);
    QTest::keyClicks(search->findChild<QLineEdit *>("Text1"), description);
    QTest::keyClicks(search->findChild<QLineEdit *>("Text2"), notes);
    t.click("Dialog1", "OKButton");
    QVERIFY(t.messages.shown().isEmpty());
    QVERIFY(!search->isVisible());
    QVERIFY(list->isEnabled());
    QCOMPARE(shownIds(list), ids);

    // Show all: every task, by the show-all text.
    t.click("SUB3_1", "Command4");
    t.click("Dialog1", "Command1");
    QCOMPARE(list->dataSource().recordSource(), QString("SELECT * FROM Todo "));
    QCOMPARE(shownIds(list), (QStringList{"4", "2", "9"}));
    QVERIFY(list->isEnabled() && !search->isVisible());
}

void TestTaskList::searchWindowKeepsOrResetsItsChoices()
{
    TaskListWindow *list = t.openList();
    t.click("SUB3_1", "Command4");
    auto *priority = t.child<QComboBox>("Dialog1", "Combo1");
    auto *status = t.child<QComboBox>("Dialog1", "Combo2");
    QCOMPARE(priority->count(), 6);
    QCOMPARE(priority->itemText(5), QString("6 - All"));
    QCOMPARE(status->itemText(5), QString("All"));
    QCOMPARE(priority->currentText(), QString("3 - Normal"));
    QCOMPARE(status->currentText(), QString("NotStarted"));
    priority->setCurrentText("5 - Very Low");
    QTest::keyClicks(t.child<QLineEdit>("Dialog1", "Text2"), "x");

    // Cancel: hidden with its choices, the list's source unchanged.
    t.click("Dialog1", "CancelButton");
    QVERIFY(list->isEnabled());
    QCOMPARE(list->dataSource().recordSource(), QString("Todo"));
    t.click("SUB3_1", "Command4");
    QCOMPARE(t.child<QComboBox>("Dialog1", "Combo1"), priority);
    QCOMPARE(priority->currentText(), QString("5 - Very Low"));

    // Closed by its frame: discarded, so its next opening starts from the presets.
    QPointer<QWidget> search = t.main->findChild<QWidget *>("Dialog1");
    mdiFrame(search)->close();
    QTRY_VERIFY(search.isNull());
    QVERIFY(list->isEnabled());
    t.click("SUB3_1", "Command4");
    QCOMPARE(t.child<QComboBox>("Dialog1", "Combo1")->currentText(), QString("3 - Normal"));
    QCOMPARE(t.child<QLineEdit>("Dialog1", "Text2")->text(), QString());
}

QTEST_MAIN(TestTaskList)
#include "tst_tasklist.moc"
