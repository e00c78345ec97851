// The calendar list (SUB4_1) and the event window (SUB4_2) as the user meets them inside the main
// window: opening newest first, viewing, deleting, the device pictures and closing.
#include "app/Launcher.h"
#include "records/Schema.h"
#include "shell/Geometry.h"
#include "windows/calendar/CalendarWindowsFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

using namespace pimdesk;

namespace {

const QString deleteTitle = "정말로 삭제 하시겠습니까?";

} // namespace

class TestCalendarList : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_f = std::make_unique<test::CalendarWindowsFixture>();
        QVERIFY(m_f->dir.isValid());
        QVERIFY(QTest::qWaitForWindowExposed(m_f->main.get()));
    }
    void cleanup() { m_f.reset(); }

    void opensNewestFirstWithItsControls();
    void closeCommandAndFrameEnableTheLauncher();
    void viewShowsTheEvent_data();
    void viewShowsTheEvent();
    void viewingAgainKeepsTheListsAndWritesNothing();
    void deleteAsksWithTheDescription_data();
    void deleteAsksWithTheDescription();
    void anEventGoneFromTheStoreIsNeitherViewedNorDeleted();
    void picturesOpenTheDeviceWindows();
    void picturesOfTheListAndTheEventWindow();

private:
    QToolButton *button(const char *name) { return m_f->control<QToolButton>("SUB4_1", name); }
    void clickView(qint64 id)
    {
        QVERIFY(m_f->selectEvent(id));
        QTest::mouseClick(button("Command2"), Qt::LeftButton);
    }

    std::unique_ptr<test::CalendarWindowsFixture> m_f;
};

void TestCalendarList::opensNewestFirstWithItsControls()
{
    QVERIFY(m_f->main->findChild<QAction *>("prg_calendar")->isEnabled());
    QVERIFY(m_f->main->launcher()->findChild<QWidget *>("Image2")->isEnabled());
    QWidget *list = m_f->openList();
    QVERIFY(list && list->isVisible() && list->isEnabled());
    QVERIFY(!m_f->window("frmSplash")->isEnabled());
    QCOMPARE(m_f->gridIds(), (QList<qint64>{5, 2, 1, 3, 4}));
    auto *data1 = list->findChild<DataSource *>("Data1");
    QVERIFY(data1 && list->findChild<DataSource *>("Data2"));
    QCOMPARE(data1->recordSource(), QString("SELECT * FROM Datebook ORDER BY Start DESC"));
    QCOMPARE(data1->databaseName(), m_f->storePath);

    // Columns: ID and the field nobody reads hidden, then start, end and description.
    RecordGrid *grid = m_f->grid();
    QVERIFY(grid->isColumnHidden(0) && grid->isColumnHidden(1));
    QCOMPARE(grid->model()->headerData(4, Qt::Horizontal).toString(), QString("Description"));
    const int widths[] = {1800, 1800, 5000};
    for (int c = 2; c <= 4; ++c) {
        QVERIFY(!grid->isColumnHidden(c));
        QCOMPARE(grid->columnWidth(c), twipsToPixels(widths[c - 2], grid));
    }
    QCOMPARE(grid->currentRow(), 0);
    QCOMPARE(grid->currentRowText(4), QString("Dinner"));
    QCOMPARE(grid->currentRowText(2), QString("2008-12-24 19:00"));

    const QStringList captions{"새로운 작업", "보기", "지우기", "검색", "종료"};
    for (int i = 1; i <= 5; ++i) {
        QToolButton *b = button(qPrintable(QString("Command%1").arg(i)));
        QVERIFY(b && b->isVisible());
        QCOMPARE(b->text(), captions[i - 1]);
    }
    QCOMPARE(list->findChild<QLabel *>("Image1")->toolTip(), QString("Norvel(K7M)에서 가져오기"));
    QCOMPARE(list->findChild<QLabel *>("Image2")->toolTip(), QString("Norvel(K7M)으로 내보내기"));

    // "새로운 작업" opens the event window on a new event; nothing is stored before it is saved, and
    // its cancel command hands the list back.
    const QStringList before = test::datebookDump(*m_f->store);
    QTest::mouseClick(button("Command1"), Qt::LeftButton);
    QWidget *event = m_f->window("SUB4_2");
    QVERIFY(event && event->isVisible());
    QCOMPARE(event->windowTitle(), QString("새 일정"));
    QVERIFY(!list->isEnabled());
    QCOMPARE(test::datebookDump(*m_f->store), before);
    QTest::mouseClick(m_f->control<QPushButton>("SUB4_2", "Command1"), Qt::LeftButton);
    QVERIFY(!event->isVisible() && list->isEnabled());
    QCOMPARE(test::datebookDump(*m_f->store), before);
    QVERIFY(!m_f->main->windows().isLoaded("Dialog2"));

    // The launcher's entry brings back the same list, newest first again after a change elsewhere.
    m_f->store->exec("INSERT INTO Datebook (ID, Description, Start) VALUES (6, '새해', '2009-01-01 00:00:00')");
    QTest::mouseClick(button("Command5"), Qt::LeftButton);
    QTest::mouseClick(m_f->main->launcher()->findChild<QWidget *>("Label2"), Qt::LeftButton);
    QCOMPARE(m_f->list(), list);
    QVERIFY(list->isVisible());
    QCOMPARE(m_f->gridIds(), (QList<qint64>{6, 5, 2, 1, 3, 4}));
}

void TestCalendarList::closeCommandAndFrameEnableTheLauncher()
{
    QWidget *list = m_f->openList();
    QWidget *launcher = m_f->window("frmSplash");
    QTest::mouseClick(button("Command5"), Qt::LeftButton);
    QVERIFY(!list->isVisible());
    QVERIFY(launcher->isEnabled());

    QTest::mouseClick(m_f->main->launcher()->findChild<QWidget *>("Image2"), Qt::LeftButton);
    QVERIFY(list->isVisible() && !launcher->isEnabled());
    m_f->frame("SUB4_1")->close();
    QVERIFY(!list->isVisible());
    QVERIFY(m_f->main->windows().isLoaded("SUB4_1"));
    QVERIFY(launcher->isEnabled());
}

void TestCalendarList::viewShowsTheEvent_data()
{
    QTest::addColumn<qint64>("id");
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<QStringList>("texts"); // description, location, start, end, time zone, note
    QTest::addColumn<bool>("allDay");
    QTest::addColumn<QString>("alarm");

    QTest::newRow("timed, alarm set") << qint64(1) << false
                                      << QStringList{"주간 회의",           "Office",     "2006-03-01 09:00:00",
                                                     "2006-03-01 10:30:00", "Asia/Seoul", "분기 보고 준비"}
                                      << false << "Silent Alarm";
    QTest::newRow("all day, alarm null") << qint64(2) << true
                                         << QStringList{"점심", "Home",     "2007-05-02", "2007-05-02 23:59:00",
                                                        "",     "김 과장과"}
                                         << true << "No Alarm";
    QTest::newRow("alarm empty, quote") << qint64(3) << false
                                        << QStringList{"Travel \"Busan\"",    "", "2005-01-01 08:00:00",
                                                       "2005-01-03 18:00:00", "", "50% done_x \\ ok"}
                                        << false << "No Alarm";
    QTest::newRow("every field null") << qint64(4) << true << QStringList{"", "", "", "", "", ""} << false
                                      << "No Alarm";
    QTest::newRow("Type in other letter case, alarm blank")
        << qint64(5) << false
        << QStringList{"Dinner", "Home", "2008-12-24 19:00:00", "2008-12-24 22:00:00", "Asia/Seoul", "회의 뒤 저녁"}
        << false << "No Alarm";
}

void TestCalendarList::viewShowsTheEvent()
{
    QFETCH(qint64, id);
    QFETCH(bool, doubleClick);
    QFETCH(QStringList, texts);
    QFETCH(bool, allDay);
    QFETCH(QString, alarm);

    QWidget *list = m_f->openList();
    if (doubleClick) {
        QVERIFY(m_f->selectEvent(id));
        RecordGrid *grid = m_f->grid();
        const QPoint at = grid->visualRect(grid->model()->index(grid->currentRow(), 4)).center();
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    } else {
        clickView(id);
    }

    QWidget *event = m_f->window("SUB4_2");
    QVERIFY(event && event->isVisible());
    QCOMPARE(m_f->frame("SUB4_2")->pos(), QPoint(0, 0));
    QVERIFY(!list->isEnabled());
    auto combo = [&](const char *name) { return m_f->control<QComboBox>("SUB4_2", name); };
    QCOMPARE(combo("Combo1")->currentText(), texts[0]);
    QCOMPARE(combo("Combo2")->currentText(), texts[1]);
    QCOMPARE(m_f->control<QPushButton>("SUB4_2", "Command3")->text(), texts[2]);
    QCOMPARE(m_f->control<QPushButton>("SUB4_2", "Command4")->text(), texts[3]);
    QCOMPARE(combo("Combo3")->currentText(), texts[4]);
    QCOMPARE(m_f->control<QPlainTextEdit>("SUB4_2", "Text4")->toPlainText(), texts[5]);
    QCOMPARE(m_f->control<QCheckBox>("SUB4_2", "Check1")->isChecked(), allDay);
    QCOMPARE(combo("Combo4")->currentText(), alarm);
    QCOMPARE(combo("Combo5")->currentText(), QString("other.."));
    for (const char *name : {"Text1", "Text2", "Text3"})
        QVERIFY(m_f->control<QLineEdit>("SUB4_2", name)->text().isEmpty());
    for (const char *name : {"UpDown1", "UpDown2", "UpDown3", "Command5"})
        QVERIFY2(m_f->control<QWidget>("SUB4_2", name), name);
}

void TestCalendarList::viewingAgainKeepsTheListsAndWritesNothing()
{
    QWidget *list = m_f->openList();
    const QStringList stored = test::datebookDump(*m_f->store);
    auto combo = [&](const char *name) { return m_f->control<QComboBox>("SUB4_2", name); };

    clickView(1);
    QWidget *event = m_f->window("SUB4_2");
    QVERIFY(event->isVisible());
    // The user changes every text, ticks the box and presses Enter in the description: nothing of
    // it may reach the store or the lists.
    combo("Combo1")->lineEdit()->selectAll();
    QTest::keyClicks(combo("Combo1")->lineEdit(), "Changed title");
    QTest::keyClick(combo("Combo1")->lineEdit(), Qt::Key_Return);
    combo("Combo2")->lineEdit()->selectAll();
    QTest::keyClicks(combo("Combo2")->lineEdit(), "Somewhere");
    QTest::keyClicks(m_f->control<QPlainTextEdit>("SUB4_2", "Text4"), " more");
    QTest::keyClicks(m_f->control<QLineEdit>("SUB4_2", "Text2"), "10:00");
    m_f->control<QCheckBox>("SUB4_2", "Check1")->click();
    combo("Combo4")->setCurrentIndex(2);
    QTest::mouseClick(m_f->control<QPushButton>("SUB4_2", "Command2"), Qt::LeftButton); // 확인
    QVERIFY(!event->isVisible());
    QVERIFY(list->isEnabled());
    QCOMPARE(test::datebookDump(*m_f->store), stored);

    // A second View shows the other event as stored, with each list as it was.
    clickView(2);
    QVERIFY(event->isVisible() && !list->isEnabled());
    QCOMPARE(combo("Combo1")->currentText(), QString("점심"));
    QCOMPARE(combo("Combo1")->count(), 4);
    QCOMPARE(combo("Combo2")->count(), 2);
    QCOMPARE(combo("Combo4")->count(), 3);
    QCOMPARE(combo("Combo1")->itemText(3), QString("Travel"));
    QCOMPARE(combo("Combo4")->currentText(), QString("No Alarm"));
    QTest::mouseClick(m_f->control<QPushButton>("SUB4_2", "Command1"), Qt::LeftButton); // 취소
    QVERIFY(!event->isVisible() && list->isEnabled());

    // Closed by its frame it lets go of the list too.
    clickView(5);
    QVERIFY(!list->isEnabled());
    m_f->frame("SUB4_2")->close();
    QVERIFY(!event->isVisible());
    QVERIFY(list->isEnabled());
    QCOMPARE(test::datebookDump(*m_f->store), stored);
    QVERIFY(m_f->messages.shown().isEmpty());
}

void TestCalendarList::deleteAsksWithTheDescription_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

void TestCalendarList::deleteAsksWithTheDescription()
{
    QFETCH(bool, ok);
    m_f->openList();
    const QStringList stored = test::datebookDump(*m_f->store);
    QVERIFY(m_f->selectEvent(3));
    m_f->messages.answerNext(ok ? Answer::Ok : Answer::Cancel);
    QTest::mouseClick(button("Command3"), Qt::LeftButton);

    QCOMPARE(m_f->messages.shown().size(), 1);
    const ScriptedMessages::Shown &asked = m_f->messages.shown().first();
    QCOMPARE(asked.text, QString("Travel \"Busan\""));
    QCOMPARE(asked.title, deleteTitle);
    QCOMPARE(asked.buttons, Buttons::OkCancel);
    QCOMPARE(asked.icon, Icon::None);
    if (ok) {
        QCOMPARE(m_f->store->scalar("SELECT count(*) FROM Datebook WHERE ID = 3").toInt(), 0);
        QCOMPARE(m_f->store->count("Datebook"), 4);
        QCOMPARE(m_f->gridIds(), (QList<qint64>{5, 2, 1, 4}));
        // The row that took its place is the current one.
        QCOMPARE(m_f->grid()->currentRowText(0), QString("4"));
    } else {
        QCOMPARE(test::datebookDump(*m_f->store), stored);
        QCOMPARE(m_f->gridIds(), (QList<qint64>{5, 2, 1, 3, 4}));
        QCOMPARE(m_f->grid()->currentRowText(0), QString("3"));
    }
}

void TestCalendarList::anEventGoneFromTheStoreIsNeitherViewedNorDeleted()
{
    QWidget *list = m_f->openList();
    QVERIFY(m_f->selectEvent(1));
    // Someone else (an import) removed the event after the list was read.
    m_f->store->exec("DELETE FROM Datebook WHERE ID = 1");
    QTest::mouseClick(button("Command2"), Qt::LeftButton);
    QVERIFY(!m_f->main->windows().isLoaded("SUB4_2"));
    QVERIFY(list->isEnabled());
    QVERIFY(m_f->messages.shown().isEmpty());

    const QStringList stored = test::datebookDump(*m_f->store);
    QTest::mouseClick(button("Command3"), Qt::LeftButton);
    QCOMPARE(m_f->messages.shown().size(), 1); // the question, nothing after it
    QCOMPARE(test::datebookDump(*m_f->store), stored);
}

void TestCalendarList::picturesOpenTheDeviceWindows()
{
    m_f->messages.setDefaultAnswer(Answer::Cancel); // no handheld here: decline the device search's offer
    QWidget *list = m_f->openList();
    for (const char *picture : {"Image1", "Image2"}) {
        const char *windowName = QByteArray(picture) == "Image1" ? "SUB1_1" : "SUB1_2";
        QTest::mouseClick(list->findChild<QLabel *>(picture), Qt::LeftButton);
        QWidget *device = m_f->window(windowName);
        QVERIFY2(device && device->isVisible(), picture);
        QVERIFY(!list->isEnabled());
        m_f->frame(windowName)->close();
        QTRY_VERIFY(!m_f->main->windows().isLoaded(windowName));
        QVERIFY(list->isEnabled());
    }
}

// Renders the list over a few more events, and the event window, as the README shows them. Set
// PIMDESK_CALENDAR_LIST_PNG (docs/calendar-list.png is made so) or PIMDESK_EVENT_WINDOW_PNG to keep them.
void TestCalendarList::picturesOfTheListAndTheEventWindow()
{
    const QStringList titles{"팀 주간 회의", "고객사 방문", "점심 약속", "프로젝트 검토", "부산 출장", "치과 예약"};
    for (int i = 0; i < 12; ++i) {
        const QDateTime start(QDate(2009, 1 + i / 2, 3 + i * 2), QTime(9 + i % 8, 0));
        m_f->store->exec("INSERT INTO Datebook (ID, Description, Location, Start, \"End\", Type) VALUES "
                         "(?, ?, ?, ?, ?, 'Timed')",
                         {100 + i, titles[i % titles.size()], i % 2 ? "Office" : "Home",
                          start.toString(schema::dateTimeFormat),
                          start.addSecs(5400).toString(schema::dateTimeFormat)});
    }
    m_f->openList();
    QCOMPARE(m_f->gridIds().size(), 17);
    QVERIFY(m_f->selectEvent(104));
    const QImage list = m_f->main->grab().toImage();
    clickView(1);
    QWidget *event = m_f->window("SUB4_2");
    QVERIFY(event->isVisible());
    const QImage eventImage = m_f->frame("SUB4_2")->grab().toImage();
    for (const auto &[image, variable] :
         {std::pair{list, "PIMDESK_CALENDAR_LIST_PNG"}, std::pair{eventImage, "PIMDESK_EVENT_WINDOW_PNG"}}) {
        QVERIFY(!image.isNull());
        // Something was drawn: far more than a frame and a background.
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3)
                colours.insert(image.pixel(x, y));
        QVERIFY2(colours.size() > 20, variable);
        if (qEnvironmentVariableIsSet(variable))
            QVERIFY(image.save(qEnvironmentVariable(variable)));
    }
}

QTEST_MAIN(TestCalendarList)
#include "tst_calendarlist.moc"
