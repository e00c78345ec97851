// The task list on a large table: opening it and one search, each from the call to the grid showing
// its first rows (events processed, the grid painted), beside the sqlite3 shell running the same
// query to the end with its output thrown away. Also the peak memory before and after scrolling
// the grid to its last row, which must not read the whole table into memory.
//
// Targets: opening at most 0.5 times its baseline, a search at most 1.0 times, both under 200 ms.
#include "BenchReport.h"
#include "ListPainting.h"
#include "Profiling.h"
#include "SqliteShell.h"
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "records/JetSql.h"
#include "records/Messages.h"
#include "records/Store.h"
#include "records/search/TaskSearch.h"
#include "shell/RecordGrid.h"
#include "shell/WindowRegistry.h"
#include "windows/tasks/TaskListWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace pimdesk;

namespace {

constexpr int taskCount = 100000;
constexpr int runs = 5;

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? -1 : values.at(values.size() / 2);
}

void fill(Store &store)
{
    static const char *statuses[] = {"NotStarted", "InProgress", "Completed", "Waiting", "Deferred"};
    Store::Transaction transaction(store);
    for (int i = 0; i < taskCount; ++i) {
        store.exec("INSERT INTO Todo (ID, Priority, Status, Description, Completed, PercentCompleted, Hasdate, "
                   "Dateyear, Datemonth, Dateday, Starteddate, Completeddate, Categories, Notes, application) "
                   "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                   {i + 1, QString::number(i % 5 + 1), statuses[(i / 5) % 5],
                    QString("작업 %1: %2").arg(i).arg(i % 97 == 0 ? "분기 보고서" : "전화 회신"),
                    i % 5 == 2 ? "1" : "0", QString::number(i % 101), "1", "2026", QString::number(i % 12 + 1),
                    QString::number(i % 28 + 1), "None", "", "업무", QString("메모 %1").arg(i), ""});
    }
    transaction.commit();
}


} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString storePath = Store::pathInDirectory(dir.filePath("DATA"));
    auto store = Store::shared(storePath);
    QElapsedTimer timer;
    timer.start();
    fill(*store);
    std::printf("%d tasks stored in %.0f ms\n", taskCount, timer.nsecsElapsed() / 1e6);

    SilentMessages messages;
    MainWindow main(storePath, messages, store);
    registerProgramWindows(main.windows());
    main.resize(1000, 760);
    main.show();
    QCoreApplication::processEvents();

    // Opening: the first time builds the window (its load step), later times re-read its table.
    QList<double> open;
    TaskListWindow *list = nullptr;
    for (int run = 0; run < runs; ++run) {
        bench::profile("open", true);
        timer.restart();
        main.windows().openList(RecordKind::Tasks);
        list = main.findChild<TaskListWindow *>(kindInfo(RecordKind::Tasks).listWindow);
        bench::showFirstRows(list->grid());
        open << timer.nsecsElapsed() / 1e6;
        bench::profile("open", false);
    }
    if (list->grid()->model()->rowCount() != taskCount) {
        std::printf("the list shows %d rows, not %d\n", list->grid()->model()->rowCount(), taskCount);
        return 1;
    }
    const double firstOpen = open.takeFirst();

    struct Search
    {
        const char *name;
        const char *part; // for bench/Profiling.h
        search::TaskCriteria criteria;
    };
    const Search searches[] = {
        {"presets (priority 3, NotStarted)", "search presets", {"3 - Normal", "NotStarted", "", ""}},
        {"description \"보고서\"", "search description", {"6 - All", "All", "보고서", ""}},
        {"priority 1, InProgress, notes \"메모 1\"", "search notes", {"1 - Very High", "InProgress", "", "메모 1"}},
    };

    QProcess probe;
    probe.start("sqlite3", {"-version"});
    const bool haveShell =
        probe.waitForFinished() && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
    auto shellMs = [&](const QString &query) {
        QList<double> times;
        for (int run = 0; haveShell && run < runs; ++run)
            times << bench::sqliteShell(storePath, query).ms;
        return median(times);
    };

    std::printf("\n%-42s %9s %9s %7s %7s\n", "", "list ms", "sqlite3", "ratio", "rows");
    const double openBase = shellMs(jet::toSqlite("SELECT * FROM Todo"));
    std::printf("%-42s %9.1f %9.1f %7.2f %7d   (target <= 0.50, < 200 ms)\n", "open, first (window built)", firstOpen,
                openBase, firstOpen / openBase, taskCount);
    std::printf("%-42s %9.1f %9.1f %7.2f %7d\n", "open again", median(open), openBase, median(open) / openBase,
                taskCount);
    const bench::Targets openTargets{0.5, 0.2};
    bench::report("task list: first opening", taskCount, firstOpen / 1000, bench::processPeakMegabytes(),
                  openBase / 1000, "sqlite3 shell query", openTargets);
    bench::report("task list: open again", taskCount, median(open) / 1000, bench::processPeakMegabytes(),
                  openBase / 1000, "sqlite3 shell query", openTargets);

    for (const Search &s : searches) {
        const QString sql = search::taskSearchSql(s.criteria);
        QList<double> times;
        for (int run = 0; run < runs; ++run) {
            list->showRecordSource("Todo");
            bench::showFirstRows(list->grid());
            bench::profile(s.part, true);
            timer.restart();
            list->showRecordSource(sql);
            bench::showFirstRows(list->grid());
            times << timer.nsecsElapsed() / 1e6;
            bench::profile(s.part, false);
        }
        const int rows = list->grid()->model()->rowCount();
        const double base = shellMs(jet::toSqlite(sql));
        std::printf("%-42s %9.1f %9.1f %7.2f %7d   (target <= 1.00, < 200 ms)\n", s.name, median(times), base,
                    median(times) / base, rows);
        bench::report(qPrintable(QString("task list: search %1").arg(QString::fromUtf8(s.name))), taskCount,
                      median(times) / 1000, bench::processPeakMegabytes(), base / 1000, "sqlite3 shell query",
                      {1.0, 0.2});
    }

    list->showRecordSource("Todo");
    bench::showFirstRows(list->grid());
    const long before = bench::processPeakKilobytes();
    timer.restart();
    list->grid()->scrollToBottom();
    bench::showFirstRows(list->grid());
    const double scrollMs = timer.nsecsElapsed() / 1e6;
    const long after = bench::processPeakKilobytes();
    std::printf("\nscroll to the last row: %.1f ms; peak memory %ld kB before, %ld kB after (+%ld kB)\n", scrollMs,
                before, after, after - before);
    bench::report("task list: scroll to the last row", taskCount, scrollMs / 1000, after / 1024.0);
    if (!haveShell)
        std::printf("(no sqlite3 shell on this machine: no baselines)\n");
    return 0;
}
