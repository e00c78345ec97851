#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "outlook/FakeOutlook.h"
#include "outlook/OutlookSources.h"
#include "outlook/ui/OutlookImportWindow.h"
#include "records/Clock.h"
#include "records/DataSource.h"
#include "records/Store.h"
#include "shell/WindowRegistry.h"
#include "support/RecordingLists.h"
#include "support/ScriptedMessages.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;
using namespace pimdesk::outlook;
using pimdesk::test::FakeAppointment;
using pimdesk::test::FakeContact;
using pimdesk::test::FakeOther;
using pimdesk::test::FakeOutlook;
using pimdesk::test::FakeTask;

namespace {

const QDateTime now(QDate(2008, 3, 31), QTime(14, 5, 0));
const QString accessText = "OUTLOOK의 숨겨진 데이터의 접근을 위해 \r억섹스 허용시간을 10분으로 해주시기 바랍니다.";

QStringList boxes(QWidget *window, int first)
{
    QStringList texts;
    for (int i = first; i < first + 6; ++i)
        texts << window->findChild<QLineEdit *>(QString("Text%1").arg(i))->text();
    return texts;
}

void choose(QWidget *window, const char *combo, const QString &item)
{
    auto *box = window->findChild<QComboBox *>(combo);
    const int index = box->findText(item);
    QVERIFY(index >= 0);
    box->setCurrentIndex(index);
    emit box->activated(index);
}

} // namespace

class TestOutlookImportWindow : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_storePath = Store::pathInDirectory(m_dir->filePath("DATA"));
        m_clock = std::make_unique<FixedClock>(now);
        Clock::setCurrent(m_clock.get());
        m_outlook = std::make_shared<FakeOutlook>();
        m_messages.clear();
        m_launcher.clear();
        m_window = std::make_unique<OutlookImportWindow>(m_storePath, m_messages,
                                                         [this](bool enabled) { m_launcher << enabled; });
        m_window->setSource(m_outlook->source());
        m_window->show();
    }
    void cleanup()
    {
        m_window.reset();
        Clock::setCurrent(nullptr);
        setProgramSource(nullptr);
    }

    void loadShowsEveryControlAndToday()
    {
        QWidget *w = m_window.get();
        QCOMPARE(w->objectName(), QString("SUB1_3"));
        QCOMPARE(w->windowTitle(), QString("Outlook"));
        QCOMPARE(w->findChild<QGroupBox *>("Frame1")->title(), QString("읽어올 데이터"));
        const QStringList checks{"연락처", "작업", "달력"};
        for (int i = 0; i < 3; ++i) {
            auto *check = w->findChild<QCheckBox *>(QString("Check%1").arg(i + 1));
            QCOMPARE(check->text(), checks[i]);
            QVERIFY(!check->isChecked());
            QCOMPARE(w->findChild<QLabel *>(QString("Label%1").arg(i + 1))->text(), checks[i]);
            QCOMPARE(w->findChild<QLabel *>(QString("Label%1").arg(i + 4))->text(), QString());
            QVERIFY(w->findChild<QFrame *>(QString("Shape%1").arg(2 * i + 1)));
            QCOMPARE(w->findChild<QFrame *>(QString("Shape%1").arg(2 * i + 2))->width(), 0);
        }
        QCOMPARE(w->findChild<QPushButton *>("Command2")->text(), QString("가져오기"));
        for (const char *name : {"Combo1", "Combo2"}) {
            auto *combo = w->findChild<QComboBox *>(name);
            QCOMPARE(combo->count(), 3);
            QCOMPARE(combo->itemText(0), QString("최근일주일"));
            QCOMPARE(combo->itemText(1), QString("최근한달"));
            QCOMPARE(combo->itemText(2), QString("전체"));
            QCOMPARE(combo->currentIndex(), -1);
            QCOMPARE(combo->placeholderText(), QString("사용자정의"));
        }
        QVERIFY(w->findChild<DataSource *>("Data1"));
        QVERIFY(w->findChild<DataSource *>("Data2"));
        const QStringList today{"2008", "03", "31", "2008", "03", "31"};
        QCOMPARE(boxes(w, 1), today);
        QCOMPARE(boxes(w, 7), today);
        // The captions of a range row.
        QStringList captions;
        for (QLabel *label : w->findChild<QGroupBox *>("Frame1")->findChildren<QLabel *>())
            captions << label->text();
        QCOMPARE(captions.count("일 부터"), 2);
        QCOMPARE(captions.count("일 까지 업데이트된 내용"), 2);
        QCOMPARE(captions.count("년"), 4);
        QCOMPARE(captions.count("월"), 4);
    }

    void presetsChangeTheirRange()
    {
        QWidget *w = m_window.get();
        choose(w, "Combo1", "전체");
        QCOMPARE(boxes(w, 1), (QStringList{"0000", "00", "00", "9999", "12", "31"}));
        QCOMPARE(boxes(w, 7), (QStringList{"2008", "03", "31", "2008", "03", "31"}));
        choose(w, "Combo1", "최근한달"); // 2008-02-31 does not exist: the last day of February
        QCOMPARE(boxes(w, 1), (QStringList{"2008", "02", "29", "9999", "12", "31"}));
        choose(w, "Combo2", "최근일주일");
        QCOMPARE(boxes(w, 7), (QStringList{"2008", "03", "24", "2008", "03", "31"}));
        choose(w, "Combo2", "전체");
        QCOMPARE(boxes(w, 7), (QStringList{"1970", "01", "02", "2038", "01", "18"}));
    }

    void nothingTickedShowsTheAccessMessageOnly()
    {
        // A start after the end becomes the end too.
        m_window->findChild<QLineEdit *>("Text2")->setText("04");
        m_window->findChild<QLineEdit *>("Text9")->setText("30");
        m_window->findChild<QLineEdit *>("Text12")->setText("29 ");
        QTest::mouseClick(m_window->findChild<QPushButton *>("Command2"), Qt::LeftButton);
        QCOMPARE(m_messages.texts(), QStringList{accessText});
        QCOMPARE(m_messages.shown().at(0).title, QString());
        QCOMPARE(m_messages.shown().at(0).icon, Icon::None);
        QCOMPARE(m_messages.shown().at(0).buttons, Buttons::Ok);
        QCOMPARE(m_outlook->attaches, 0);
        QCOMPARE(m_launcher, QList<bool>{true});
        QVERIFY(m_window->isHidden());
        QCOMPARE(boxes(m_window.get(), 1), (QStringList{"2008", "04", "31", "2008", "04", "31"}));
        QCOMPARE(boxes(m_window.get(), 7), (QStringList{"2008", "03", "30", "2008", "03", "30"}));
    }

    void importsTheTickedKindsWithProgress()
    {
        for (int i = 1; i <= 3; ++i) {
            auto c = std::make_shared<FakeContact>();
            c->texts["EntryID"] = QString("C%1").arg(i);
            m_outlook->contacts << c;
        }
        m_outlook->contacts << std::make_shared<FakeOther>();
        auto t = std::make_shared<FakeTask>();
        t->entryId = "T1";
        t->modified = now;
        m_outlook->tasks << t;
        auto old = std::make_shared<FakeTask>(*t);
        old->entryId = "T0";
        old->modified = now.addDays(-1);
        m_outlook->tasks << old;
        auto a = std::make_shared<FakeAppointment>();
        a->entryId = "E1";
        a->modified = now.addYears(-5);
        m_outlook->calendar << a;

        m_window->findChild<QCheckBox *>("Check1")->setChecked(true);
        m_window->findChild<QCheckBox *>("Check2")->setChecked(true);
        m_window->findChild<QCheckBox *>("Check3")->setChecked(true);
        choose(m_window.get(), "Combo2", "전체");
        QTest::mouseClick(m_window->findChild<QPushButton *>("Command2"), Qt::LeftButton);

        QCOMPARE(m_messages.texts(),
                 (QStringList{accessText, "OUTLOOK에서 주소록 데이터를 가져왔습니다.",
                              "OUTLOOK에서 작업 데이터를 가져왔습니다.", "OUTLOOK에서 일정 데이터를 가져왔습니다."}));
        for (int i = 1; i < 4; ++i) {
            QCOMPARE(m_messages.shown().at(i).title, QString("주소록"));
            QCOMPARE(m_messages.shown().at(i).icon, Icon::Information);
        }
        QCOMPARE(m_window->findChild<QLabel *>("Label4")->text(), QString("(4/4)"));
        QCOMPARE(m_window->findChild<QLabel *>("Label5")->text(), QString("(2/2)"));
        QCOMPARE(m_window->findChild<QLabel *>("Label6")->text(), QString("(1/1)"));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(m_window->findChild<QFrame *>(QString("Shape%1").arg(2 * i + 2))->width(),
                     m_window->findChild<QFrame *>(QString("Shape%1").arg(2 * i + 1))->width());
        QCOMPARE(m_launcher, QList<bool>{true});
        QVERIFY(m_window->isHidden());
        if (qEnvironmentVariableIsSet("PIMDESK_OUTLOOK_PNG")) {
            m_window->show();
            m_window->grab().save(qEnvironmentVariable("PIMDESK_OUTLOOK_PNG").replace(".png", "-after.png"));
        }

        auto store = Store::shared(m_storePath);
        QCOMPARE(store->count("Contacts"), 3);
        QCOMPARE(store->count("Todo"), 1); // the task changed yesterday is outside today to today
        QCOMPARE(store->count("Datebook"), 1);
        // The data sources were pointed at the store by the last import.
        QCOMPARE(m_window->findChild<DataSource *>("Data2")->recordSource(), QString("Datebook"));
        QCOMPARE(m_window->findChild<DataSource *>("Data1")->recordSource(),
                 QString("SELECT * FROM Datebook ORDER BY ID"));
    }

    void listsReReadAndUndoTakesTheImportBack()
    {
        test::RecordingLists lists;
        m_window->setLists(&lists);
        auto c = std::make_shared<FakeContact>();
        c->texts["EntryID"] = "C1";
        m_outlook->contacts << c;
        m_window->findChild<QCheckBox *>("Check1")->setChecked(true);
        m_window->findChild<QPushButton *>("Command2")->click();
        const std::shared_ptr<Store> store = Store::shared(m_storePath);
        QCOMPARE(store->count("Contacts"), 1);
        QCOMPARE(lists.calls, QStringList{"Contacts reloaded"});

        auto *undo = m_window->findChild<QPushButton *>("Command4");
        QCOMPARE(undo->text(), QString("되돌리기"));
        m_messages.clear();
        m_messages.answerNext(Answer::Ok);
        undo->click();
        QCOMPARE(store->count("Contacts"), 0);
        QVERIFY2(m_messages.texts().last().contains("되돌리기가 완료되었습니다."),
                 qPrintable(m_messages.texts().last()));
        QVERIFY(lists.calls.mid(1).contains("Contacts reloaded"));
    }

    void outlookThatCannotBeReachedIsReported()
    {
        m_window->setSource(nullptr); // and the program has none
        m_window->findChild<QCheckBox *>("Check2")->setChecked(true);
        m_window->findChild<QCheckBox *>("Check3")->setChecked(true);
        QTest::mouseClick(m_window->findChild<QPushButton *>("Command2"), Qt::LeftButton);
        // Nor is a data file named: the window asks for one and stays open.
        QCOMPARE(m_messages.texts(),
                 (QStringList{accessText, "가져올 Outlook 데이터 파일(.pst, .ost)을 지정하십시오."}));
        QCOMPARE(m_messages.shown().at(1).icon, Icon::Warning);
        QCOMPARE(m_launcher, QList<bool>{});
        QVERIFY(m_window->isVisible());

        // The program's source is used when the window has none of its own.
        m_messages.clear();
        setProgramSource(m_outlook->source());
        QTest::mouseClick(m_window->findChild<QPushButton *>("Command2"), Qt::LeftButton);
        QCOMPARE(m_outlook->attaches, 2);
        QCOMPARE(m_messages.texts().size(), 3);
    }

    void mainWindowOpensItAndItEnablesTheLauncher()
    {
        ScriptedMessages messages;
        MainWindow main(m_storePath, messages, Store::open(m_storePath));
        registerProgramWindows(main.windows());
        main.resize(1000, 700);
        main.show();
        QAction *entry = main.findChild<QAction *>("SNYC_OUTLOOK_READ");
        QVERIFY(entry && entry->isEnabled());
        QVERIFY(main.findChild<QWidget *>("Image4")->isEnabled());
        QWidget *launcher = main.findChild<QWidget *>("frmSplash");

        entry->trigger();
        QWidget *w = main.windows().window("SUB1_3");
        QVERIFY(qobject_cast<OutlookImportWindow *>(w));
        QVERIFY(w->isVisible());
        QVERIFY(!launcher->isEnabled());
        // Render it for a look by eye when asked to.
        if (qEnvironmentVariableIsSet("PIMDESK_OUTLOOK_PNG"))
            w->window()->grab().save(qEnvironmentVariable("PIMDESK_OUTLOOK_PNG"));

        w->findChild<QLineEdit *>("Text1")->setText("1999");
        QTest::mouseClick(w->findChild<QPushButton *>("Command2"), Qt::LeftButton);
        QVERIFY(launcher->isEnabled());
        QVERIFY(!w->isVisible());
        // Opened again it is the same window, as it was.
        entry->trigger();
        QCOMPARE(main.windows().window("SUB1_3"), w);
        QVERIFY(w->isVisible());
        QCOMPARE(w->findChild<QLineEdit *>("Text1")->text(), QString("1999"));
        QVERIFY(!launcher->isEnabled());
        // Closing unloads it and enables the launcher.
        QPointer<QWidget> alive(w);
        qobject_cast<QMdiSubWindow *>(w->parentWidget())->close();
        QTRY_VERIFY(alive.isNull());
        QVERIFY(launcher->isEnabled());
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_storePath;
    std::unique_ptr<FixedClock> m_clock;
    std::shared_ptr<FakeOutlook> m_outlook;
    ScriptedMessages m_messages;
    QList<bool> m_launcher;
    std::unique_ptr<OutlookImportWindow> m_window;
};

QTEST_MAIN(TestOutlookImportWindow)
#include "tst_outlookimportwindow.moc"
