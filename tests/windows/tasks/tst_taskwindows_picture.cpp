// Renders the task windows offscreen with a few tasks: the list, both pages of the editor (the task
// page with its calendar open) and the search. Set PIMDESK_TASK_PICTURES to a folder to keep them
// (docs/task-list.png is made so).
#include "shell/Geometry.h"
#include "shell/RecordGrid.h"
#include "support/PictureChecks.h"
#include "support/TasksFixture.h"

#include <QCalendarWidget>
#include <QDir>
#include <QMdiSubWindow>
#include <QTabWidget>

using namespace pimdesk;

class TestTaskWindowsPicture : public QObject
{
    Q_OBJECT

private slots:
    void rendersEachWindow();
};

void TestTaskWindowsPicture::rendersEachWindow()
{
    test::TasksFixture t;
    t.setUp();
    const char *tasks[][5] = {
        {"1", "InProgress", "분기 보고서 작성", "0", "60"},        {"3", "NotStarted", "치과 예약 전화하기", "0", ""},
        {"2", "Waiting", "견적서 회신 기다리기", "0", "99"},       {"5", "Deferred", "창고 정리", "0", "99"},
        {"3", "Completed", "Norvel K7M 백업", "1", "100"},         {"4", "NotStarted", "도서관 책 반납", "0", ""},
        {"2", "InProgress", "Review the budget draft", "0", "30"}, {"3", "NotStarted", "부모님 선물 고르기", "0", ""},
    };
    int id = 1;
    for (const auto &task : tasks)
        t.addTask({{"ID", id++},
                   {"Priority", task[0]},
                   {"Status", task[1]},
                   {"Description", QString::fromUtf8(task[2])},
                   {"Completed", task[3]},
                   {"PercentCompleted", task[4]},
                   {"Hasdate", "1"},
                   {"Dateyear", "2026"},
                   {"Datemonth", "12"},
                   {"Dateday", QString::number(10 + id)},
                   {"Notes", QString::fromUtf8("준비물: 자료 %1부").arg(id)}});
    TaskListWindow *list = t.openList();
    QVERIFY(list);

    QTemporaryDir scratch;
    const QString keep = qEnvironmentVariable("PIMDESK_TASK_PICTURES");
    const QDir folder(keep.isEmpty() ? scratch.path() : keep);
    auto save = [&](QWidget *widget, const QString &name) {
        QCoreApplication::processEvents();
        const QImage picture = widget->grab().toImage();
        QVERIFY2(test::distinctColours(picture) > 40, qPrintable(name));
        QVERIFY(picture.save(folder.filePath(name), "PNG"));
    };
    save(t.main.get(), "task-list.png");

    list->grid()->setCurrentCell(0, 1);
    t.click("SUB3_1", "Command2");
    t.click("SUB3_2", "Check1");
    t.click("SUB3_2", "Command3");
    QVERIFY(t.editor()->findChild<QCalendarWidget *>("MonthView1")->isVisible());
    save(mdiFrame(t.editor()), "task-editor-task.png");
    t.editor()->findChild<QTabWidget *>()->setCurrentIndex(1);
    QVERIFY(!t.editor()->findChild<QCalendarWidget *>("MonthView1")->isVisible());
    save(mdiFrame(t.editor()), "task-editor-notes.png");
    t.click("SUB3_2", "Command1");

    t.click("SUB3_1", "Command4");
    save(mdiFrame(t.main->findChild<QWidget *>("Dialog1")), "task-search.png");
    t.tearDown();
}

QTEST_MAIN(TestTaskWindowsPicture)
#include "tst_taskwindows_picture.moc"
