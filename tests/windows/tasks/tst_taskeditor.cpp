// The task editor: the status rules, the spinner, the due date and the calendar, and what saving,
// cancelling and closing do to the store.
#include "records/DataSource.h"
#include "shell/Geometry.h"
#include "support/TasksFixture.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

using namespace pimdesk;

class TestTaskEditor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { t.tearDown(); }

    void statusChoiceSetsTheOtherControls_data();
    void statusChoiceSetsTheOtherControls();
    void statusFilledByTheListChangesNothingElse();
    void spinnerStaysWithinItsBounds_data();
    void spinnerStaysWithinItsBounds();
    void dueBoxDecidesWhetherTheDateIsSaved();
    void calendarSetsTheDateOfItsButton();
    void notesKeepTheirLineBreaks();
    void marksShowAsCharactersAndAreStoredInTheDocumentsForm();
    void cancellingLeavesTheStoreAsItWas();
    void aTaskThatCannotBeStoredStaysInTheEditor();

private:
    template <class T = QWidget> T *control(const char *name) { return t.child<T>("SUB3_2", name); }
    void newTask();
    void chooseStatus(const QString &status);
    void pickInCalendar(const char *button, const QDate &date);

    test::TasksFixture t;
    TaskListWindow *m_list = nullptr;
};

void TestTaskEditor::init()
{
    t.setUp();
    m_list = t.openList();
    QVERIFY(m_list);
}

void TestTaskEditor::newTask()
{
    t.click("SUB3_1", "Command1");
    QVERIFY(t.editor() && t.editor()->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(t.main.get()));
}

// As the user chooses: with the keyboard on the closed list, which reports the choice as the user's.
void TestTaskEditor::chooseStatus(const QString &status)
{
    auto *box = control<QComboBox>("Combo2");
    const int index = box->findText(status);
    QVERIFY(index >= 0);
    box->setCurrentIndex(index == 0 ? 1 : index - 1);
    QTest::keyClick(box, index == 0 ? Qt::Key_Up : Qt::Key_Down);
    QCOMPARE(box->currentText(), status);
}

void TestTaskEditor::pickInCalendar(const char *button, const QDate &date)
{
    t.click("SUB3_2", button);
    auto *calendar = control<QCalendarWidget>("MonthView1");
    QVERIFY(calendar->isVisible());
    calendar->setSelectedDate(date);
    QTest::keyClick(calendar->findChild<QTableView *>(), Qt::Key_Return);
    QVERIFY(!calendar->isVisible());
}

void TestTaskEditor::statusChoiceSetsTheOtherControls_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("percentEnabled");
    QTest::addColumn<QString>("percent");
    QTest::addColumn<bool>("startEnabled");
    QTest::addColumn<bool>("completionEnabled");

    QTest::newRow("NotStarted") << "NotStarted" << false << "0" << false << false;
    QTest::newRow("InProgress") << "InProgress" << true << "0" << true << false;
    QTest::newRow("Completed") << "Completed" << false << "100" << true << true;
    QTest::newRow("Waiting") << "Waiting" << true << "99" << true << false;
    QTest::newRow("Deferred") << "Deferred" << true << "99" << true << false;
}

void TestTaskEditor::statusChoiceSetsTheOtherControls()
{
    QFETCH(QString, status);
    QFETCH(bool, percentEnabled);
    QFETCH(QString, percent);
    QFETCH(bool, startEnabled);
    QFETCH(bool, completionEnabled);
    newTask();
    // The new task's state: nothing but the lists and the due date's caption preset.
    QCOMPARE(control<QComboBox>("Combo1")->currentText(), QString("3 - Normal"));
    QCOMPARE(control<QPushButton>("Command3")->text(), QString("2026-12-08"));
    QVERIFY(!control("Command3")->isEnabled());
    QCOMPARE(control<QPushButton>("Command4")->text(), QString("None"));
    QCOMPARE(control<QPushButton>("Command5")->text(), QString());

    control<QLineEdit>("Text2")->setText("42");
    chooseStatus(status);
    QCOMPARE(control("Text2")->isEnabled(), percentEnabled);
    QCOMPARE(control("UpDown1")->isEnabled(), percentEnabled);
    QCOMPARE(control<QLineEdit>("Text2")->text(), percent);
    QCOMPARE(control("Command4")->isEnabled(), startEnabled);
    QCOMPARE(control("Command5")->isEnabled(), completionEnabled);

    t.click("SUB3_2", "Command2");
    const QVariantMap saved = t.task(1);
    QCOMPARE(saved.value("Status").toString(), status);
    QCOMPARE(saved.value("PercentCompleted").toString(), percent);
    QCOMPARE(saved.value("Completed").toString(), QString(status == "Completed" ? "1" : "0"));
}

void TestTaskEditor::statusFilledByTheListChangesNothingElse()
{
    t.addTask({{"ID", 3}, {"Status", "Completed"}, {"PercentCompleted", "37"}});
    m_list->reload();
    t.click("SUB3_1", "Command2");
    QCOMPARE(control<QComboBox>("Combo2")->currentText(), QString("Completed"));
    QCOMPARE(control<QLineEdit>("Text2")->text(), QString("37"));
    QVERIFY(control("Text2")->isEnabled());
    QVERIFY(!control("Command4")->isEnabled());
    QVERIFY(!control("Command5")->isEnabled());
}

void TestTaskEditor::spinnerStaysWithinItsBounds_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("up");
    QTest::addColumn<QString>("down");

    QTest::newRow("top") << "100"
                         << "100"
                         << "99";
    QTest::newRow("bottom") << "0"
                            << "1"
                            << "0";
    QTest::newRow("empty") << ""
                           << "1"
                           << "0";
    QTest::newRow("not a number") << "abc"
                                  << "1"
                                  << "0";
    QTest::newRow("number and text") << " 12 %"
                                     << "13"
                                     << "11";
    QTest::newRow("above the top") << "150"
                                   << "100"
                                   << "149";
    QTest::newRow("below the bottom") << "-3"
                                      << "-2"
                                      << "0";
}

void TestTaskEditor::spinnerStaysWithinItsBounds()
{
    QFETCH(QString, before);
    QFETCH(QString, up);
    QFETCH(QString, down);
    newTask();
    auto *percent = control<QLineEdit>("Text2");
    for (const auto &[button, after] : {std::pair{"UpDown1Up", up}, std::pair{"UpDown1Down", down}}) {
        percent->setText(before);
        t.click("SUB3_2", button);
        QCOMPARE(percent->text(), after);
    }
}

void TestTaskEditor::dueBoxDecidesWhetherTheDateIsSaved()
{
    newTask();
    auto *due = control<QCheckBox>("Check1");
    QTest::mouseClick(due, Qt::LeftButton, {}, QPoint(6, due->height() / 2));
    QVERIFY(control("Command3")->isEnabled());
    pickInCalendar("Command3", QDate(2005, 3, 9));
    QCOMPARE(control<QPushButton>("Command3")->text(), QString("2005-03-09"));
    t.click("SUB3_2", "Command2");
    QVariantMap saved = t.task(1);
    QCOMPARE(saved.value("Hasdate").toString(), QString("1"));
    QCOMPARE(saved.value("Dateyear").toString(), QString("2005"));
    QCOMPARE(saved.value("Datemonth").toString(), QString("03"));
    QCOMPARE(saved.value("Dateday").toString(), QString("09"));

    // Due unchecked: no date, whatever the caption shows.
    t.click("SUB3_1", "Command2");
    QVERIFY(due->isChecked());
    QTest::mouseClick(due, Qt::LeftButton, {}, QPoint(6, due->height() / 2));
    QVERIFY(!control("Command3")->isEnabled());
    QCOMPARE(control<QPushButton>("Command3")->text(), QString("2005-03-09"));
    t.click("SUB3_2", "Command2");
    saved = t.task(1);
    QCOMPARE(saved.value("Hasdate").toString(), QString("0"));
    for (const char *part : {"Dateyear", "Datemonth", "Dateday"}) {
        QVERIFY(!saved.value(part).isNull());
        QCOMPARE(saved.value(part).toString(), QString());
    }
}

void TestTaskEditor::calendarSetsTheDateOfItsButton()
{
    newTask();
    chooseStatus("Completed"); // enables the start and completion dates
    auto *calendar = control<QCalendarWidget>("MonthView1");
    QVERIFY(!calendar->isVisible());

    t.click("SUB3_2", "Command4");
    QCOMPARE(t.editor()->calendarTarget(), qint16(2));
    auto *start = control<QPushButton>("Command4");
    QCOMPARE(calendar->geometry().topLeft(), start->mapTo(t.editor(), QPoint(0, start->height())));
    // Leaving the calendar hides it and changes nothing.
    control("Text1")->setFocus();
    QVERIFY(!calendar->isVisible());
    QCOMPARE(start->text(), QString("None"));

    pickInCalendar("Command4", QDate(2006, 7, 1));
    QCOMPARE(start->text(), QString("2006-07-01"));
    pickInCalendar("Command5", QDate(987, 11, 23));
    QCOMPARE(t.editor()->calendarTarget(), qint16(3));
    QCOMPARE(control<QPushButton>("Command5")->text(), QString("0987-11-23"));
    t.click("SUB3_2", "Command2");
    QCOMPARE(t.task(1).value("Starteddate").toString(), QString("2006-07-01"));
    QCOMPARE(t.task(1).value("Completeddate").toString(), QString("0987-11-23"));
}

void TestTaskEditor::notesKeepTheirLineBreaks()
{
    t.addTask({{"ID", 3}, {"Notes", "first\r\nsecond"}});
    m_list->reload();
    t.click("SUB3_1", "Command2");
    auto *notes = control<QPlainTextEdit>("Text3");
    QCOMPARE(notes->toPlainText(), QString("first\nsecond"));
    notes->moveCursor(QTextCursor::End);
    QTest::keyClick(notes, Qt::Key_Return);
    QTest::keyClicks(notes, "third");
    t.click("SUB3_2", "Command2");
    QCOMPARE(t.task(3).value("Notes").toString(), QString("first\r\nsecond\r\nthird"));
}

void TestTaskEditor::marksShowAsCharactersAndAreStoredInTheDocumentsForm()
{
    t.addTask({{"ID", 4}, {"Description", "AT&amp;T &lt;call&gt;"}, {"Notes", "x &amp; y\r\nAT&T"}});
    m_list->reload();
    t.click("SUB3_1", "Command2");
    auto *description = control<QLineEdit>("Text1");
    auto *notes = control<QPlainTextEdit>("Text3");
    QCOMPARE(description->text(), QString("AT&T <call>"));
    QCOMPARE(notes->toPlainText(), QString("x & y\nAT&T"));
    // Saved untouched: as stored, the bare "&" of the notes too.
    t.click("SUB3_2", "Command2");
    QCOMPARE(t.task(4).value("Description").toString(), QString("AT&amp;T &lt;call&gt;"));
    QCOMPARE(t.task(4).value("Notes").toString(), QString("x &amp; y\r\nAT&T"));

    t.click("SUB3_1", "Command2");
    description->selectAll();
    QTest::keyClicks(description, "A & B \"c\" <d>");
    notes->moveCursor(QTextCursor::End);
    QTest::keyClicks(notes, " \"q\"");
    t.click("SUB3_2", "Command2");
    QCOMPARE(t.task(4).value("Description").toString(), QString("A &amp; B &quot;c&quot; &lt;d&gt;"));
    QCOMPARE(t.task(4).value("Notes").toString(), QString("x &amp; y\r\nAT&amp;T &quot;q&quot;"));
}

void TestTaskEditor::cancellingLeavesTheStoreAsItWas()
{
    t.addTask({{"ID", 3}, {"Description", "keep me"}, {"Priority", "2"}, {"qdl-private-data", "q"}});
    m_list->reload();
    const QVariantMap before = t.task(3);

    // The save question answered Cancel: nothing stored, the editor is done.
    t.click("SUB3_1", "Command2");
    control<QLineEdit>("Text1")->setText("changed");
    t.messages.answerNext(Answer::Cancel);
    t.click("SUB3_2", "Command2");
    QVERIFY(!t.editor()->isVisible());
    QVERIFY(m_list->isEnabled());
    QCOMPARE(t.task(3), before);

    // The cancel command and closing the frame abandon the task without asking.
    for (bool byFrame : {false, true}) {
        t.click("SUB3_1", "Command1");
        control<QLineEdit>("Text1")->setText("new");
        if (byFrame)
            mdiFrame(t.editor())->close();
        else
            t.click("SUB3_2", "Command1");
        QVERIFY(!t.editor()->isVisible());
        QVERIFY(m_list->isEnabled());
        QCOMPARE(t.messages.shown().size(), 1);
        QCOMPARE(t.store->count("Todo"), 1);
    }
    // The pending record is gone: the next save stores only its own task.
    t.click("SUB3_1", "Command1");
    t.click("SUB3_2", "Command2");
    QCOMPARE(t.store->count("Todo"), 2);
    QCOMPARE(t.task(4).value("Description").toString(), QString());
}

void TestTaskEditor::aTaskThatCannotBeStoredStaysInTheEditor()
{
    newTask();
    control<QLineEdit>("Text1")->setText("typed");
    // The store refuses new tasks (another program's rule on the table). A task whose ID another
    // writer took meanwhile is no such failure: it takes the next free one (tst_openeditors).
    t.store->exec("CREATE TRIGGER refuse BEFORE INSERT ON Todo BEGIN SELECT RAISE(ABORT, 'no room'); END");
    t.click("SUB3_2", "Command2");
    QCOMPARE(t.messages.shown().size(), 2); // the question, then the store's complaint
    QCOMPARE(t.messages.shown().last().icon, Icon::Critical);
    QVERIFY(t.editor()->isVisible());
    QCOMPARE(control<QLineEdit>("Text1")->text(), QString("typed"));
    QVERIFY(!m_list->isEnabled());
    QCOMPARE(t.store->count("Todo"), 0);
    // Once the store takes it again, the same save stores what was typed.
    t.store->exec("DROP TRIGGER refuse");
    t.click("SUB3_2", "Command2");
    QVERIFY(!t.editor()->isVisible());
    QCOMPARE(t.task(1).value("Description").toString(), QString("typed"));
    QVERIFY(m_list->isEnabled());
}

QTEST_MAIN(TestTaskEditor)
#include "tst_taskeditor.moc"
