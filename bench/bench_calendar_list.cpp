// The calendar list on 100,000 events: opening it (the real window, from the menu command to the grid
// painting its first rows) and one search (from the search window's OK to the grid painting the
// first matches), each beside the sqlite3 shell running the same query to the end into /dev/null.
// Also the peak memory before and after scrolling the grid to its last row.
//
// Run from a Release build:  build/release/bench/bench_calendar_list [events]
#include "BenchReport.h"
#include "Profiling.h"
#include "SqliteShell.h"
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "records/JetSql.h"
#include "records/Messages.h"
#include "records/RecordSet.h"
#include "records/Schema.h"
#include "records/Store.h"
#include "records/search/CalendarSearch.h"
#include "shell/ListWindow.h"
#include "shell/RecordGrid.h"
#include "shell/WindowRegistry.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <cstdio>

using namespace pimdesk;

namespace {

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? -1 : values.at(values.size() / 2);
}

const QStringList titles{"주간 회의", "점심 약속",     "출장", "저녁 식사",
                         "치과 예약", "프로젝트 검토", "생일", "Meeting"};
const QStringList places{"Office", "Home", "회의실 3", "강남역", ""};

void fill(Store &store, int count)
{
    QRandomGenerator random(7);
    const QDateTime first(QDate(2000, 1, 1), QTime(0, 0));
    Store::Transaction tx(store);
    const QString sql = "INSERT INTO Datebook (ID, Description, Location, Timezone, Note, Start, \"End\", Type, "
                        "balarm, alarm, Rtype) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    for (int i = 0; i < count; ++i) {
        const QDateTime start = first.addSecs(qint64(random.bounded(10 * 365 * 24)) * 3600);
        const bool allDay = random.bounded(10) == 0;
        store.exec(sql, {i + 1, QString("%1 %2").arg(titles.at(random.bounded(titles.size()))).arg(i),
                         places.at(random.bounded(places.size())), "Asia/Seoul",
                         QString("메모 %1: 준비물 확인, 자료 %2부").arg(i).arg(random.bounded(50)),
                         start.toString(schema::dateTimeFormat),
                         start.addSecs(allDay ? 86399 : 3600).toString(schema::dateTimeFormat),
                         allDay ? "AllDay" : "Timed", random.bounded(3) == 0 ? QVariant("true") : QVariant(),
                         random.bounded(3) == 0 ? QVariant("15") : QVariant(), QVariant()});
    }
    tx.commit();
}

// Lets the window settle: the posted layout and paint requests run, so the grid reads and draws its
// visible rows. A second round catches what the first one posted.
void showGrid(RecordGrid *)
{
    QApplication::processEvents();
    QApplication::processEvents();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? QString(argv[1]).toInt() : 100000;
    const int runs = 7;

    QTemporaryDir dir;
    const QString path = Store::pathInDirectory(dir.filePath("DATA"));
    std::shared_ptr<Store> store = Store::shared(path);
    QElapsedTimer t;
    t.start();
    fill(*store, count);
    std::printf("calendar list, %d events (filled in %.0f ms)\n", count, t.nsecsElapsed() / 1e6);

    SilentMessages messages;
    MainWindow main(path, messages, store);
    registerProgramWindows(main.windows());
    main.resize(1000, 700);
    main.show();
    QApplication::processEvents();
    QAction *open = main.findChild<QAction *>("prg_calendar");

    // (a) Opening: the first opening builds the window; later ones show it again with its source set anew.
    QList<double> opening, openingCpu;
    double firstOpening = -1;
    RecordGrid *grid = nullptr;
    for (int i = 0; i < runs + 1; ++i) {
        bench::profile("open", true);
        const double cpuBefore = bench::cpuMs();
        t.restart();
        open->trigger();
        if (!grid)
            grid = main.findChild<RecordGrid *>("MSFlexGrid1");
        showGrid(grid);
        const double ms = t.nsecsElapsed() / 1e6;
        bench::profile("open", false);
        if (i > 0)
            openingCpu << bench::cpuMs() - cpuBefore;
        if (grid->gridModel().rowCount() != count || grid->gridModel().cellText(0, 4).isEmpty()) {
            std::printf("the list does not show the events\n");
            return 1;
        }
        if (i == 0)
            firstOpening = ms;
        else
            opening << ms;
        main.findChild<QWidget *>("SUB4_1")->findChild<QToolButton *>("Command5")->click();
    }
    const QString showAll = QString::fromLatin1(search::calendarShowAllSql);
    QList<double> openingBase, openingBaseCpu;
    for (int i = 0; i < 3; ++i) {
        const bench::Timing shell = bench::sqliteShell(path, jet::toSqlite(showAll));
        openingBase << shell.ms;
        openingBaseCpu << shell.cpu;
    }

    // (b) One search through the search window.
    open->trigger();
    showGrid(grid);
    QWidget *list = main.findChild<QWidget *>("SUB4_1");
    const QString criterion = "회의";
    const QString searchSql = search::calendarSearchSql(criterion, QString());
    QList<double> searching, searchingCpu;
    int matches = 0;
    for (int i = 0; i < runs; ++i) {
        list->findChild<QToolButton *>("Command4")->click();
        QWidget *dialog = main.findChild<QWidget *>("Dialog2");
        dialog->findChild<QLineEdit *>("Text1")->setText(criterion);
        bench::profile("search", true);
        const double cpuBefore = bench::cpuMs();
        t.restart();
        dialog->findChild<QPushButton *>("OKButton")->click();
        showGrid(grid);
        searching << t.nsecsElapsed() / 1e6;
        bench::profile("search", false);
        searchingCpu << bench::cpuMs() - cpuBefore;
        matches = grid->gridModel().rowCount();
        // Back to the whole list for the next run.
        list->findChild<QToolButton *>("Command4")->click();
        dialog->findChild<QPushButton *>("Command1")->click();
    }
    QList<double> searchBase, searchBaseCpu;
    for (int i = 0; i < 3; ++i) {
        const bench::Timing shell = bench::sqliteShell(path, jet::toSqlite(searchSql));
        searchBase << shell.ms;
        searchBaseCpu << shell.cpu;
    }

    // The record sets alone, without the window: what the store's part of each figure is.
    QList<double> openSet, searchSet;
    for (int i = 0; i < runs; ++i) {
        t.restart();
        RecordSet all(store, showAll);
        openSet << t.nsecsElapsed() / 1e6;
        t.restart();
        RecordSet found(store, searchSql);
        searchSet << t.nsecsElapsed() / 1e6;
    }

    // Scrolling to the end reads only the rows shown there.
    showGrid(grid);
    const double peakBefore = bench::processPeakMegabytes();
    grid->scrollToBottom();
    showGrid(grid);
    const double peakAfter = bench::processPeakMegabytes();

    const double openMs = median(opening), openBase = median(openingBase);
    const double searchMs = median(searching), searchBaseMs = median(searchBase);
    const double openCpu = median(openingCpu), openBaseCpu = median(openingBaseCpu);
    const double searchCpu = median(searchingCpu), searchBaseCpuMs = median(searchBaseCpu);
    std::printf("                  wall ms | sqlite3 wall | ratio ||  cpu ms | sqlite3 cpu | ratio\n");
    std::printf("open list        %8.1f | %12.1f | %5.2f || %7.1f | %11.1f | %5.2f   (target <= 0.5, < 200 ms)\n",
                openMs, openBase, openMs / openBase, openCpu, openBaseCpu, openCpu / openBaseCpu);
    std::printf("search           %8.1f | %12.1f | %5.2f || %7.1f | %11.1f | %5.2f   (target <= 1.0, < 200 ms)\n",
                searchMs, searchBaseMs, searchMs / searchBaseMs, searchCpu, searchBaseCpuMs,
                searchCpu / searchBaseCpuMs);
    std::printf("first opening, building the window: %.1f ms; search matches: %d\n", firstOpening, matches);
    std::printf("record sets alone: %.1f ms newest first, %.1f ms search\n", median(openSet), median(searchSet));
    std::printf("peak memory %.1f MB before and %.1f MB after scrolling to the last row\n", peakBefore, peakAfter);
    std::printf("medians of %d runs; query: %s | %s\n", runs, qPrintable(jet::toSqlite(showAll)),
                qPrintable(jet::toSqlite(searchSql)));
    bench::report("calendar list: open", count, openMs / 1000, peakAfter, openBase / 1000, "sqlite3 shell query",
                  {0.5, 0.2});
    bench::report("calendar list: search", count, searchMs / 1000, peakAfter, searchBaseMs / 1000,
                  "sqlite3 shell query", {1.0, 0.2});
    bench::report("calendar list: first opening", count, firstOpening / 1000, peakAfter, openBase / 1000,
                  "sqlite3 shell query", {0.5, 0.2});
    bench::report("calendar record set: newest first", count, median(openSet) / 1000, peakAfter);
    bench::report("calendar record set: search", count, median(searchSet) / 1000, peakAfter);
    return 0;
}
