// The event window (SUB4_2) making and changing events: a new event's defaults and every control,
// an edit that writes only what changed, what cannot be stored, cancelling in every way, and an
// event made here that goes to the handheld and comes back whole.
#include "exchange/DeviceExport.h"
#include "exchange/ImportFromDevice.h"
#include "records/Clock.h"
#include "records/Schema.h"
#include "windows/calendar/CalendarWindowsFixture.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

using namespace pimdesk;

namespace {

const QString saveQuestion = "작업내용을 저장 하시겠습니까?";
const QString saveTitle = "저장 할까요?";
const QString cannotSaveTitle = "저장 할 수 없습니다.";
const QString endBeforeStart = "종료 시간이 시작 시간보다 빠릅니다.";

// "Now" for the event window: a Wednesday morning.
const QDateTime now(QDate(2026, 12, 9), QTime(10, 20, 5));

// A stored event's fields by name, null as "<null>"; empty when there is no such event. The
// store's own bookkeeping columns (other programs' identities) are no fields of the event.
QMap<QString, QString> storedEvent(const std::shared_ptr<Store> &store, qint64 id)
{
    QMap<QString, QString> fields;
    RecordSet records(store, "SELECT * FROM Datebook WHERE ID = " + QString::number(id));
    if (records.eof())
        return fields;
    for (const QString &name : records.fieldNames()) {
        if (schema::addedColumnNames("Datebook").contains(name))
            continue;
        const QVariant value = records.field(name);
        fields.insert(name, value.isNull() ? QString("<null>") : value.toString());
    }
    return fields;
}

// What a new event holds before anything is typed: the defaults, and empty texts in every field
// the window does not show.
QMap<QString, QString> newEventFields(qint64 id)
{
    QMap<QString, QString> fields;
    for (const char *f :
         {"application", "Description", "Location", "Categories", "Timezone", "Note", "Rtype", "Rfreq", "Rweekdays",
          "Rhasenddate", "Recchildren", "Exceptions", "balarm", "alarm", "sound", "qdl-private-data", "outlook_index"})
        fields.insert(f, "");
    fields.insert("ID", QString::number(id));
    fields.insert("Start", "2026-12-09 11:00:00");
    fields.insert("End", "2026-12-09 12:00:00");
    fields.insert("Type", "Timed");
    fields.insert("Enddt", "<null>");
    return fields;
}

// Types text key by key, as the user would (Hangul included, which keyClicks refuses).
void keys(QWidget *box, const QString &text)
{
    for (const QChar ch : text) {
        if (ch == '\n')
            QTest::keyClick(box, Qt::Key_Return);
        else
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

} // namespace

class TestEventWindow : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        Clock::setCurrent(&m_clock);
        m_f = std::make_unique<test::CalendarWindowsFixture>();
        QVERIFY(QTest::qWaitForWindowExposed(m_f->main.get()));
        m_list = m_f->openList();
        QVERIFY(m_list);
    }
    void cleanup()
    {
        m_f.reset();
        Clock::setCurrent(nullptr);
    }

    void aNewEventHasItsDefaults();
    void everyControlOfANewEvent();
    void eachRepeatAndAlarmKindIsStoredAndComesBackFromTheHandheld_data();
    void eachRepeatAndAlarmKindIsStoredAndComesBackFromTheHandheld();
    void allDayEvents();
    void whatCannotBeStoredIsRefused_data();
    void whatCannotBeStoredIsRefused();
    void anEditWritesOnlyWhatChanged();
    void cancelEscapeAndTheFrameLeaveTheStore_data();
    void cancelEscapeAndTheFrameLeaveTheStore();
    void declinedSaveQuestionWritesNothing();
    void aNumberTakenMeanwhileAndAFailingStore();
    void pictureOfANewEvent();

private:
    QWidget *window() const { return m_f->window("SUB4_2"); }
    template <class T = QWidget> T *c(const char *name) const { return m_f->control<T>("SUB4_2", name); }
    void listCommand(const char *name) { QTest::mouseClick(m_list->findChild<QToolButton *>(name), Qt::LeftButton); }
    void click(const char *name) { QTest::mouseClick(c<QAbstractButton>(name), Qt::LeftButton); }
    void newEvent()
    {
        listCommand("Command1");
        QVERIFY(window() && window()->isVisible());
        QCOMPARE(window()->windowTitle(), QString("새 일정"));
    }
    void editEvent(qint64 id)
    {
        QVERIFY(m_f->selectEvent(id));
        listCommand("Command2");
        QVERIFY(window()->isVisible());
        QCOMPARE(window()->windowTitle(), QString("일정 보기"));
        QVERIFY(c("Command6")->isVisible());
        QCOMPARE(c<QPushButton>("Command6")->text(), QString("편집"));
        click("Command6");
        QCOMPARE(window()->windowTitle(), QString("일정 편집"));
        QVERIFY(!c("Command6")->isVisible());
    }
    void type(const char *name, const QString &text)
    {
        QLineEdit *box = c<QLineEdit>(name);
        if (!box)
            box = c<QComboBox>(name)->lineEdit();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        keys(box, text);
    }
    void choose(const char *combo, const QString &entry)
    {
        QComboBox *box = c<QComboBox>(combo);
        const int index = box->findText(entry);
        QVERIFY2(index >= 0, qPrintable(entry));
        box->setCurrentIndex(index);
    }
    void pick(const char *button, const QDate &date)
    {
        click(button);
        auto *calendar = c<QCalendarWidget>("MonthView1");
        QVERIFY(calendar->isVisible());
        calendar->setSelectedDate(date);
        QTest::keyClick(calendar->findChild<QTableView *>(), Qt::Key_Return);
        QVERIFY(!calendar->isVisible());
    }
    // 확인, answering the save question.
    void ok(Answer answer = Answer::Ok)
    {
        m_f->messages.answerNext(answer);
        click("Command2");
    }
    QMap<QString, QString> stored(qint64 id) const { return storedEvent(m_f->store, id); }
    void checkSaveQuestionOnly()
    {
        QCOMPARE(m_f->messages.shown().size(), 1);
        const ScriptedMessages::Shown &asked = m_f->messages.shown().first();
        QCOMPARE(asked.text, saveQuestion);
        QCOMPARE(asked.title, saveTitle);
        QCOMPARE(asked.buttons, Buttons::OkCancel);
        QCOMPARE(asked.icon, Icon::None);
    }

    FixedClock m_clock{now};
    std::unique_ptr<test::CalendarWindowsFixture> m_f;
    QWidget *m_list = nullptr;
};

void TestEventWindow::aNewEventHasItsDefaults()
{
    newEvent();
    QVERIFY(!m_list->isEnabled());
    QCOMPARE(m_f->frame("SUB4_2")->pos(), QPoint(0, 0));
    QVERIFY(!c("Command6")->isVisible());
    for (const char *name : {"Combo1", "Combo2", "Combo3"})
        QVERIFY2(c<QComboBox>(name)->currentText().isEmpty(), name);
    QVERIFY(c<QPlainTextEdit>("Text4")->toPlainText().isEmpty());
    QCOMPARE(c<QPushButton>("Command3")->text(), QString("2026-12-09"));
    QCOMPARE(c<QLineEdit>("Text2")->text(), QString("11:00"));
    QCOMPARE(c<QPushButton>("Command4")->text(), QString("2026-12-09"));
    QCOMPARE(c<QLineEdit>("Text1")->text(), QString("12:00"));
    QVERIFY(!c<QCheckBox>("Check1")->isChecked());
    QVERIFY(c("Text2")->isVisible() && c("UpDown1")->isVisible());
    QCOMPARE(c<QComboBox>("Combo4")->currentText(), QString("No Alarm"));
    QVERIFY(c<QLineEdit>("Text3")->text().isEmpty());
    QVERIFY(!c("Text3")->isEnabled());
    QComboBox *repeat = c<QComboBox>("Combo5");
    QCOMPARE(repeat->currentText(), QString("No Repeat"));
    QStringList entries;
    for (int i = 0; i < repeat->count(); ++i)
        entries << repeat->itemText(i);
    QCOMPARE(entries, (QStringList{"No Repeat", "Daily", "Weekly", "MonthlyDate", "MonthlyDay", "Yearly"}));
    QVERIFY(c("Text5")->isVisible() && !c("Text5")->isEnabled());
    QCOMPARE(c<QPushButton>("Command5")->text(), QString("End Date"));
    QVERIFY(!c("Command5")->isEnabled());
    QVERIFY(c<QLineEdit>("Text6")->text().isEmpty());
    for (int d = 2; d <= 8; ++d) {
        auto *day = c<QCheckBox>(qPrintable(QString("Check%1").arg(d)));
        QVERIFY(day && !day->isChecked() && !day->isEnabled());
    }
    for (const char *name : {"UpDown2", "UpDown3", "UpDown4"})
        QVERIFY2(c(name), name);

    // Stored as it stands: one more than the largest ID, every field the handheld reads in place.
    ok();
    checkSaveQuestionOnly();
    QVERIFY(!window()->isVisible());
    QVERIFY(m_list->isEnabled());
    QCOMPARE(stored(6), newEventFields(6));
    QCOMPARE(m_f->store->count("Datebook"), 6);
    QCOMPARE(m_f->grid()->currentRowText(0), QString("6"));
}

void TestEventWindow::everyControlOfANewEvent()
{
    newEvent();
    type("Combo1", "부산 \"출장\" <A&B>");
    choose("Combo2", "Office");
    type("Combo3", "Asia/Seoul");
    keys(c("Text4"), "첫 줄\n둘째 줄");

    // The start: its date from the month calendar (the end keeps the event's length in days), its
    // time typed and stepped by a quarter of an hour.
    pick("Command3", QDate(2027, 3, 1));
    QCOMPARE(c<QPushButton>("Command3")->text(), QString("2027-03-01"));
    QCOMPARE(c<QPushButton>("Command4")->text(), QString("2027-03-01"));
    type("Text2", "09:10");
    click("UpDown1Up");
    QCOMPARE(c<QLineEdit>("Text2")->text(), QString("09:25"));
    click("UpDown1Down");
    click("UpDown1Down");
    QCOMPARE(c<QLineEdit>("Text2")->text(), QString("08:55"));
    pick("Command4", QDate(2027, 3, 2));
    QCOMPARE(c<QPushButton>("Command3")->text(), QString("2027-03-01"));
    type("Text1", "17:00");
    click("UpDown2Down");
    QCOMPARE(c<QLineEdit>("Text1")->text(), QString("16:45"));

    // The alarm: a kind gives the minutes box its preset, which the spinner and typing change.
    choose("Combo4", "Audible Alarm");
    QVERIFY(c("Text3")->isEnabled());
    QCOMPARE(c<QLineEdit>("Text3")->text(), QString("5"));
    click("UpDown3Up");
    QCOMPARE(c<QLineEdit>("Text3")->text(), QString("10"));
    click("UpDown3Down");
    click("UpDown3Down");
    click("UpDown3Down");
    QCOMPARE(c<QLineEdit>("Text3")->text(), QString("0"));
    type("Text3", "30");

    // Weekly: the start's weekday (a Monday) is ticked; a Wednesday is added; every second week
    // until the end of June.
    choose("Combo5", "Weekly");
    QVERIFY(c<QCheckBox>("Check2")->isChecked());
    for (int d = 2; d <= 8; ++d)
        QVERIFY(c(qPrintable(QString("Check%1").arg(d)))->isEnabled());
    QVERIFY(c("Text5")->isEnabled() && c("Command5")->isEnabled());
    QCOMPARE(c<QLineEdit>("Text5")->text(), QString("1"));
    c<QCheckBox>("Check4")->click();
    click("UpDown4Up");
    click("UpDown4Up");
    QCOMPARE(c<QLineEdit>("Text5")->text(), QString("3"));
    for (int i = 0; i < 5; ++i)
        click("UpDown4Down");
    QCOMPARE(c<QLineEdit>("Text5")->text(), QString("1"));
    type("Text5", "2");
    pick("Command5", QDate(2027, 6, 30));
    QCOMPARE(c<QLineEdit>("Text6")->text(), QString("2027-06-30"));

    ok();
    checkSaveQuestionOnly();
    QMap<QString, QString> expected = newEventFields(6);
    expected["Description"] = "부산 &quot;출장&quot; &lt;A&amp;B&gt;";
    expected["Location"] = "Office";
    expected["Timezone"] = "Asia/Seoul";
    expected["Note"] = "첫 줄\n둘째 줄";
    expected["Start"] = "2027-03-01 08:55:00";
    expected["End"] = "2027-03-02 16:45:00";
    expected["balarm"] = "true";
    expected["alarm"] = "30";
    expected["sound"] = "loud";
    expected["Rtype"] = "Weekly";
    expected["Rfreq"] = "2";
    expected["Rweekdays"] = "5";
    expected["Rhasenddate"] = "1";
    expected["Enddt"] = "2027-06-30 00:00:00";
    QCOMPARE(stored(6), expected);

    // Viewed again, its texts show as they were typed.
    QCOMPARE(m_f->grid()->currentRowText(0), QString("6"));
    editEvent(6);
    QCOMPARE(c<QComboBox>("Combo1")->currentText(), QString("부산 \"출장\" <A&B>"));
    QCOMPARE(c<QComboBox>("Combo5")->currentText(), QString("Weekly"));
    QVERIFY(c<QCheckBox>("Check2")->isChecked() && c<QCheckBox>("Check4")->isChecked());
    QVERIFY(!c<QCheckBox>("Check3")->isChecked());
    QCOMPARE(c<QLineEdit>("Text6")->text(), QString("2027-06-30"));
    QCOMPARE(c<QLineEdit>("Text3")->text(), QString("30"));
    QCOMPARE(c<QComboBox>("Combo4")->currentText(), QString("Audible Alarm"));
}

void TestEventWindow::eachRepeatAndAlarmKindIsStoredAndComesBackFromTheHandheld_data()
{
    QTest::addColumn<QString>("repeat");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QString>("until");
    QTest::addColumn<QString>("alarm");
    QTest::addColumn<QStringList>("fields"); // Rtype Rfreq Rweekdays Rhasenddate Enddt balarm alarm sound

    QTest::newRow("no repeat, no alarm") << "No Repeat"
                                         << ""
                                         << ""
                                         << "No Alarm" << QStringList{"", "", "", "", "<null>", "", "", ""};
    QTest::newRow("daily, silent") << "Daily"
                                   << "2"
                                   << ""
                                   << "Silent Alarm"
                                   << QStringList{"Daily", "2", "", "0", "<null>", "true", "5", "silent"};
    // A new weekly event repeats on its start's weekday, a Wednesday.
    QTest::newRow("weekly, audible, until")
        << "Weekly"
        << "1"
        << "2027-01-31"
        << "Audible Alarm" << QStringList{"Weekly", "1", "4", "1", "2027-01-31 00:00:00", "true", "5", "loud"};
    QTest::newRow("monthly by date") << "MonthlyDate"
                                     << "3"
                                     << ""
                                     << "No Alarm" << QStringList{"MonthlyDate", "3", "", "0", "<null>", "", "", ""};
    QTest::newRow("monthly by weekday, until")
        << "MonthlyDay"
        << "1"
        << "2027-12-09"
        << "Silent Alarm" << QStringList{"MonthlyDay", "1", "", "1", "2027-12-09 00:00:00", "true", "5", "silent"};
    QTest::newRow("yearly, audible") << "Yearly"
                                     << "1"
                                     << ""
                                     << "Audible Alarm"
                                     << QStringList{"Yearly", "1", "", "0", "<null>", "true", "5", "loud"};
}

void TestEventWindow::eachRepeatAndAlarmKindIsStoredAndComesBackFromTheHandheld()
{
    QFETCH(QString, repeat);
    QFETCH(QString, interval);
    QFETCH(QString, until);
    QFETCH(QString, alarm);
    QFETCH(QStringList, fields);

    newEvent();
    type("Combo1", repeat + " 일정");
    type("Combo2", "회의실 \"A\"");
    type("Combo3", "Asia/Seoul");
    keys(c("Text4"), "메모 & 할 일");
    choose("Combo4", alarm);
    choose("Combo5", repeat);
    if (!interval.isEmpty())
        type("Text5", interval);
    if (!until.isEmpty())
        type("Text6", until);
    ok();
    checkSaveQuestionOnly();

    QMap<QString, QString> expected = newEventFields(6);
    expected["Description"] = repeat + " 일정";
    expected["Location"] = "회의실 &quot;A&quot;";
    expected["Timezone"] = "Asia/Seoul";
    expected["Note"] = "메모 &amp; 할 일";
    const char *names[] = {"Rtype", "Rfreq", "Rweekdays", "Rhasenddate", "Enddt", "balarm", "alarm", "sound"};
    for (int i = 0; i < 8; ++i)
        expected[names[i]] = fields[i];
    QCOMPARE(stored(6), expected);

    // To the handheld and back: into an empty store, and into the store it came from.
    const QString data = QFileInfo(m_f->storePath).absolutePath();
    const QString root = m_f->dir.filePath("k7m");
    QVERIFY(QDir().mkpath(root + "/Qtopia/Applications"));
    ScriptedMessages messages;
    const QList<RecordKind> events{RecordKind::Events};
    QCOMPARE(exportToDevice(*m_f->store, data, root, events, messages, nullptr, {}).completed, events);
    const QString otherData = m_f->dir.filePath("other");
    const std::shared_ptr<Store> other = Store::open(Store::pathInDirectory(otherData));
    QVERIFY(importFromDevice(*other, otherData, root, events, messages, nullptr).allCompleted);
    QCOMPARE(storedEvent(other, 6), expected);
    QVERIFY(importFromDevice(*m_f->store, data, root, events, messages, nullptr).allCompleted);
    QCOMPARE(stored(6), expected);
}

void TestEventWindow::allDayEvents()
{
    newEvent();
    type("Combo1", "창립 기념일");
    c<QCheckBox>("Check1")->click();
    for (const char *name : {"Text1", "Text2", "UpDown1", "UpDown2"})
        QVERIFY2(!c(name)->isVisible(), name);
    pick("Command3", QDate(2006, 6, 1));
    pick("Command4", QDate(2006, 6, 2));
    ok();
    QMap<QString, QString> expected = newEventFields(6);
    expected["Description"] = "창립 기념일";
    expected["Start"] = "2006-06-01 00:00:00";
    expected["End"] = "2006-06-02 23:59:00";
    expected["Type"] = "AllDay";
    QCOMPARE(stored(6), expected);
    // Among the others by its start: the list makes it current where it stands.
    QCOMPARE(m_f->gridIds(), (QList<qint64>{5, 2, 6, 1, 3, 4}));
    QCOMPARE(m_f->grid()->currentRow(), 2);

    // Timed again: the times come back, as the all-day event's 00:00 and 23:59.
    editEvent(6);
    QVERIFY(c<QCheckBox>("Check1")->isChecked());
    QVERIFY(!c("Text2")->isVisible());
    c<QCheckBox>("Check1")->click();
    QVERIFY(c("Text2")->isVisible() && c("Text1")->isVisible());
    QCOMPARE(c<QLineEdit>("Text2")->text(), QString("00:00"));
    QCOMPARE(c<QLineEdit>("Text1")->text(), QString("23:59"));
    type("Text2", "13:00");
    ok();
    expected["Start"] = "2006-06-01 13:00:00";
    expected["Type"] = "Timed";
    QCOMPARE(stored(6), expected);
}

void TestEventWindow::whatCannotBeStoredIsRefused_data()
{
    QTest::addColumn<QString>("startTime");
    QTest::addColumn<QString>("endTime");
    QTest::addColumn<QDate>("endDate");
    QTest::addColumn<QString>("alarmMinutes"); // with a silent alarm, when not empty
    QTest::addColumn<QString>("interval");     // repeating daily, when not empty
    QTest::addColumn<QString>("until");
    QTest::addColumn<QString>("message");
    const QDate day(2026, 12, 9);
    QTest::newRow("end a minute before the start") << "10:00"
                                                   << "09:59" << day << ""
                                                   << ""
                                                   << "" << endBeforeStart;
    QTest::newRow("end the day before") << "10:00"
                                        << "11:00" << day.addDays(-1) << ""
                                        << ""
                                        << "" << endBeforeStart;
    QTest::newRow("a start that is no time") << "25:00"
                                             << "11:00" << day << ""
                                             << ""
                                             << ""
                                             << "시간은 00:00부터 23:59까지 HH:mm 형식으로 입력하세요.";
    QTest::newRow("an end that is no time") << "10:00"
                                            << "" << day << ""
                                            << ""
                                            << ""
                                            << "시간은 00:00부터 23:59까지 HH:mm 형식으로 입력하세요.";
    QTest::newRow("alarm minutes that are no number")
        << "10:00"
        << "11:00" << day << "soon"
        << ""
        << ""
        << "알람은 시작 몇 분 전인지 0부터 99999까지의 숫자로 입력하세요.";
    QTest::newRow("negative alarm minutes") << "10:00"
                                            << "11:00" << day << "-5"
                                            << ""
                                            << ""
                                            << "알람은 시작 몇 분 전인지 0부터 99999까지의 숫자로 입력하세요.";
    QTest::newRow("repeating every 0 days") << "10:00"
                                            << "11:00" << day << ""
                                            << "0"
                                            << ""
                                            << "반복 간격은 1부터 999까지의 숫자로 입력하세요.";
    QTest::newRow("repeat ending before the start") << "10:00"
                                                    << "11:00" << day << ""
                                                    << "1"
                                                    << "2026-12-08"
                                                    << "반복 종료일이 시작일보다 빠릅니다.";
    QTest::newRow("repeat end that is no date") << "10:00"
                                                << "11:00" << day << ""
                                                << "1"
                                                << "2026-13-01"
                                                << "반복 종료일은 yyyy-MM-dd 형식으로 입력하세요.";
}

void TestEventWindow::whatCannotBeStoredIsRefused()
{
    QFETCH(QString, startTime);
    QFETCH(QString, endTime);
    QFETCH(QDate, endDate);
    QFETCH(QString, alarmMinutes);
    QFETCH(QString, interval);
    QFETCH(QString, until);
    QFETCH(QString, message);

    const QStringList before = test::datebookDump(*m_f->store);
    newEvent();
    type("Combo1", "고칠 일정");
    type("Text2", startTime);
    type("Text1", endTime);
    if (endDate != QDate(2026, 12, 9))
        pick("Command4", endDate);
    if (!alarmMinutes.isEmpty()) {
        choose("Combo4", "Silent Alarm");
        type("Text3", alarmMinutes);
    }
    if (!interval.isEmpty()) {
        choose("Combo5", "Daily");
        type("Text5", interval);
        type("Text6", until);
    }
    ok();
    // Told why, not asked to save; the window keeps everything typed.
    QCOMPARE(m_f->messages.shown().size(), 1);
    const ScriptedMessages::Shown &told = m_f->messages.shown().first();
    QCOMPARE(told.text, message);
    QCOMPARE(told.title, cannotSaveTitle);
    QCOMPARE(told.buttons, Buttons::Ok);
    QCOMPARE(told.icon, Icon::Warning);
    QVERIFY(window()->isVisible());
    QVERIFY(!m_list->isEnabled());
    QCOMPARE(c<QComboBox>("Combo1")->currentText(), QString("고칠 일정"));
    QCOMPARE(test::datebookDump(*m_f->store), before);

    // Mended, it is stored.
    m_f->messages.clear();
    type("Text2", "10:00");
    type("Text1", "11:00");
    pick("Command4", QDate(2026, 12, 9));
    type("Text3", "15");
    type("Text5", "1");
    type("Text6", "");
    ok();
    checkSaveQuestionOnly();
    QCOMPARE(stored(6).value("Start"), QString("2026-12-09 10:00:00"));
    QCOMPARE(stored(6).value("End"), QString("2026-12-09 11:00:00"));
    QVERIFY(m_list->isEnabled());
}

void TestEventWindow::anEditWritesOnlyWhatChanged()
{
    // An event as the handheld gave it, with what the window does not show, and values the window
    // would store in another form (seconds, a character reference, a blank end flag).
    m_f->store->exec("UPDATE Datebook SET Description = '주간 &quot;회의&quot;', Categories = '3;7', "
                     "Start = '2006-03-01 09:00:30', Note = 'It&#39;s  ', "
                     "Recchildren = '12 13', Exceptions = '20060308', \"qdl-private-data\" = '<x a=\"1\"/>', "
                     "Rtype = 'Weekly', Rfreq = '1', Rweekdays = '4', Rhasenddate = '', alarm = '15', "
                     "sound = 'loud', application = 'qtopia', outlook_index = 'AB12' WHERE ID = 1");
    QCOMPARE(m_f->gridIds(), (QList<qint64>{5, 2, 1, 3, 4}));

    // Viewing stays a viewer: the spinners and date buttons do nothing until "편집".
    QVERIFY(m_f->selectEvent(1));
    listCommand("Command2");
    click("UpDown1Up");
    QVERIFY(c<QLineEdit>("Text2")->text().isEmpty());
    click("Command3");
    QVERIFY(!c("MonthView1")->isVisible());
    QVERIFY(!c("RepeatDetails")->isVisible());
    QCOMPARE(c<QComboBox>("Combo5")->currentText(), QString("other.."));
    // Escape does what "취소" does here too.
    QTest::keyClick(c("Text4"), Qt::Key_Escape);
    QVERIFY(!window()->isVisible());
    QVERIFY(m_list->isEnabled());

    QMap<QString, QString> expected = stored(1);
    editEvent(1);
    QCOMPARE(c<QComboBox>("Combo1")->currentText(), QString("주간 \"회의\""));
    QCOMPARE(c<QPlainTextEdit>("Text4")->toPlainText(), QString("It's  "));
    QCOMPARE(c<QPushButton>("Command3")->text(), QString("2006-03-01"));
    QCOMPARE(c<QLineEdit>("Text2")->text(), QString("09:00"));
    QCOMPARE(c<QPushButton>("Command4")->text(), QString("2006-03-01"));
    QCOMPARE(c<QLineEdit>("Text1")->text(), QString("10:30"));
    QCOMPARE(c<QComboBox>("Combo4")->currentText(), QString("Audible Alarm"));
    QCOMPARE(c<QLineEdit>("Text3")->text(), QString("15"));
    QCOMPARE(c<QComboBox>("Combo5")->currentText(), QString("Weekly"));
    QVERIFY(c<QCheckBox>("Check4")->isChecked() && !c<QCheckBox>("Check2")->isChecked());
    QVERIFY(c<QLineEdit>("Text6")->text().isEmpty());
    QVERIFY(c("RepeatDetails")->isVisible());

    // Nothing changed: nothing written, not even the field forms the window would write.
    ok();
    checkSaveQuestionOnly();
    QCOMPARE(stored(1), expected);

    // The location alone.
    editEvent(1);
    choose("Combo2", "Home");
    ok();
    expected["Location"] = "Home";
    QCOMPARE(stored(1), expected);

    // A later start date: the end follows, and the list shows the event where it now stands.
    QCOMPARE(m_f->grid()->currentRowText(0), QString("1"));
    editEvent(1);
    pick("Command3", QDate(2009, 2, 1));
    QCOMPARE(c<QPushButton>("Command4")->text(), QString("2009-02-01"));
    ok();
    expected["Start"] = "2009-02-01 09:00:00";
    expected["End"] = "2009-02-01 10:30:00";
    QCOMPARE(stored(1), expected);
    QCOMPARE(m_f->gridIds(), (QList<qint64>{1, 5, 2, 3, 4}));
    QCOMPARE(m_f->grid()->currentRow(), 0);

    // The alarm taken away, the repeat turned daily.
    editEvent(1);
    choose("Combo4", "No Alarm");
    choose("Combo5", "Daily");
    QVERIFY(!c("Check4")->isEnabled());
    ok();
    expected["balarm"] = "";
    expected["alarm"] = "";
    expected["sound"] = "";
    expected["Rtype"] = "Daily";
    expected["Rweekdays"] = "";
    expected["Rhasenddate"] = "0";
    QCOMPARE(stored(1), expected);

    // A note with the carriage returns Outlook writes keeps them when it is edited.
    m_f->store->exec("UPDATE Datebook SET Note = '첫째 줄\r\n둘째 줄' WHERE ID = 2");
    editEvent(2);
    QCOMPARE(c<QPlainTextEdit>("Text4")->toPlainText(), QString("첫째 줄\n둘째 줄"));
    keys(c("Text4"), "새 ");
    ok();
    QCOMPARE(stored(2).value("Note"), QString("새 첫째 줄\r\n둘째 줄"));
}

void TestEventWindow::cancelEscapeAndTheFrameLeaveTheStore_data()
{
    QTest::addColumn<bool>("isNew");
    QTest::addColumn<QString>("how");
    for (const bool isNew : {true, false})
        for (const char *how : {"취소", "Escape", "frame"})
            QTest::newRow(qPrintable(QString("%1, %2").arg(isNew ? "new" : "edit", how))) << isNew << QString(how);
}

void TestEventWindow::cancelEscapeAndTheFrameLeaveTheStore()
{
    QFETCH(bool, isNew);
    QFETCH(QString, how);
    const QStringList before = test::datebookDump(*m_f->store);
    if (isNew)
        newEvent();
    else
        editEvent(1);
    type("Combo1", "버릴 내용");
    type("Text2", "07:15");
    c<QCheckBox>("Check1")->click();
    choose("Combo4", "Audible Alarm");
    choose("Combo5", "Daily");
    keys(c("Text4"), " 더");
    if (how == "Escape") {
        // With the month calendar open, Escape closes it first.
        click("Command4");
        QVERIFY(c("MonthView1")->isVisible());
        QTest::keyClick(c("Text5"), Qt::Key_Escape);
        QVERIFY(!c("MonthView1")->isVisible());
        QVERIFY(window()->isVisible());
        QTest::keyClick(c("Text5"), Qt::Key_Escape);
    } else if (how == "frame") {
        m_f->frame("SUB4_2")->close();
    } else {
        click("Command1");
    }
    QVERIFY(!window()->isVisible());
    QVERIFY(m_list->isEnabled());
    QVERIFY(m_f->messages.shown().isEmpty());
    QCOMPARE(test::datebookDump(*m_f->store), before);

    // Nothing is left pending: the next new event starts afresh with the same ID.
    newEvent();
    QVERIFY(c<QComboBox>("Combo1")->currentText().isEmpty());
    QCOMPARE(c<QComboBox>("Combo5")->currentText(), QString("No Repeat"));
    QVERIFY(c("Text2")->isVisible());
    ok();
    QCOMPARE(stored(6), newEventFields(6));
    QCOMPARE(m_f->store->count("Datebook"), 6);
}

void TestEventWindow::declinedSaveQuestionWritesNothing()
{
    const QStringList before = test::datebookDump(*m_f->store);
    for (const bool isNew : {true, false}) {
        m_f->messages.clear();
        if (isNew)
            newEvent();
        else
            editEvent(2);
        type("Combo1", "저장 안 함");
        ok(Answer::Cancel);
        checkSaveQuestionOnly();
        QVERIFY(!window()->isVisible());
        QVERIFY(m_list->isEnabled());
        QCOMPARE(test::datebookDump(*m_f->store), before);
    }
}

void TestEventWindow::aNumberTakenMeanwhileAndAFailingStore()
{
    // An import stores an event under the new event's number while it is being typed: the new
    // event takes the next free one and the imported one stays as it came.
    newEvent();
    type("Combo1", "내 일정");
    m_f->store->exec("INSERT INTO Datebook (ID, Description, Start) VALUES (6, '가져온 일정', '2001-01-01 00:00:00')");
    ok();
    checkSaveQuestionOnly();
    QCOMPARE(stored(6).value("Description"), QString("가져온 일정"));
    QCOMPARE(stored(7).value("Description"), QString("내 일정"));
    QCOMPARE(m_f->grid()->currentRowText(0), QString("7"));

    // The store fails under the window (another program took the table away): told once, the
    // window stays open with what was typed, and saving again once the store is back stores it.
    m_f->messages.clear();
    newEvent();
    type("Combo1", "잃지 않을 일정");
    m_f->store->exec("ALTER TABLE Datebook RENAME TO Gone");
    ok();
    QCOMPARE(m_f->messages.shown().size(), 2); // the question, then the failure
    QCOMPARE(m_f->messages.shown().last().icon, Icon::Critical);
    QVERIFY(window()->isVisible());
    QCOMPARE(c<QComboBox>("Combo1")->currentText(), QString("잃지 않을 일정"));
    m_f->store->exec("ALTER TABLE Gone RENAME TO Datebook");
    m_f->messages.clear();
    ok();
    checkSaveQuestionOnly();
    QVERIFY(!window()->isVisible());
    QCOMPARE(stored(8).value("Description"), QString("잃지 않을 일정"));
}

// Renders a new event being typed, as the README shows it. Set PIMDESK_NEW_EVENT_PNG (docs/new-event.png
// is made so) to keep the picture.
void TestEventWindow::pictureOfANewEvent()
{
    newEvent();
    type("Combo1", "팀 주간 회의");
    choose("Combo2", "Office");
    type("Combo3", "Asia/Seoul");
    choose("Combo4", "Silent Alarm");
    type("Text3", "15");
    choose("Combo5", "Weekly");
    keys(c("Text4"), "분기 보고 준비, 회의실 예약 확인");
    const QImage image = m_f->frame("SUB4_2")->grab().toImage();
    QVERIFY(!image.isNull());
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    QVERIFY(colours.size() > 20);
    if (qEnvironmentVariableIsSet("PIMDESK_NEW_EVENT_PNG"))
        QVERIFY(image.save(qEnvironmentVariable("PIMDESK_NEW_EVENT_PNG")));
}

QTEST_MAIN(TestEventWindow)
#include "tst_eventwindow.moc"
