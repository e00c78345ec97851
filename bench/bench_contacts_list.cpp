// The contacts list on 100,000 contacts: opening it and one search, each from the command to the
// grid showing its first rows, beside the sqlite3 shell running the same query to the end
// (output to /dev/null) in the same run. Also the memory taken by scrolling to the last row.
//   opening  the real list window opened from the main menu (record source "Contacts");
//   search   a display-name criterion that matches 1% of the contacts, through the search's SQL
//            text on the list's data source.
// Targets: opening <= 0.5x its baseline, search <= 1.0x, both under 200 ms.
#include "BenchReport.h"
#include "ListPainting.h"
#include "Profiling.h"
#include "SqliteShell.h"
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "records/JetSql.h"
#include "records/Messages.h"
#include "records/Schema.h"
#include "records/Store.h"
#include "records/search/ContactSearch.h"
#include "shell/ListWindow.h"
#include "shell/RecordGrid.h"
#include "shell/WindowRegistry.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace pimdesk;

namespace {

constexpr int contactCount = 100000;
constexpr int rounds = 5;

const QStringList names{"홍길동", "김철수", "이영희", "박지성", "최민수", "정다운", "강하늘", "조은비"};

// Every field filled; one display name in a hundred holds "Zq", the text searched for.
void fill(Store &store)
{
    const TableSchema &table = schema::contacts();
    QStringList columns, marks;
    for (const QString &f : table.fields) {
        columns << "\"" + f + "\"";
        marks << "?";
    }
    const QString sql = QString("INSERT INTO Contacts (%1) VALUES (%2)").arg(columns.join(","), marks.join(","));
    Store::Transaction tx(store);
    QVariantList values;
    for (int i = 0; i < contactCount; ++i) {
        values.clear();
        for (const QString &f : table.fields) {
            if (f == "ID")
                values << i + 1;
            else if (f == "FileAs")
                values << QString("%1 %2%3").arg(names.at(i % names.size())).arg(i % 100 == 42 ? "Zq" : "No").arg(i);
            else if (f.endsWith("Phone") || f.endsWith("Mobile"))
                values << QString("010-%1-%2").arg(1000 + i % 9000).arg(i % 10000, 4, 10, QChar('0'));
            else
                values << QString("%1 %2").arg(f).arg(i);
        }
        store.exec(sql, values);
    }
    tx.commit();
}


bench::Timing median(const QList<bench::Timing> &timings)
{
    QList<double> ms, cpu;
    for (const bench::Timing &t : timings) {
        ms << t.ms;
        cpu << t.cpu;
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    return {ms.at(ms.size() / 2), cpu.at(cpu.size() / 2)};
}

void report(const char *what, const QList<bench::Timing> &ours, const QList<bench::Timing> &baseline,
            const char *target, bench::Targets targets)
{
    const bench::Timing o = median(ours), b = median(baseline);
    std::printf("%-8s %7.1f ms (cpu %6.1f)   sqlite3 %7.1f ms (cpu %6.1f)   ratio %.2f, cpu %.2f   %s\n", what, o.ms,
                o.cpu, b.ms, b.cpu, o.ms / b.ms, o.cpu / b.cpu, target);
    bench::report(qPrintable(QString("contacts list: %1").arg(what)), contactCount, o.ms / 1000,
                  bench::processPeakMegabytes(), b.ms / 1000, "sqlite3 shell query", targets);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString storePath = Store::pathInDirectory(dir.filePath("DATA"));
    auto store = Store::shared(storePath);
    QElapsedTimer fillTimer;
    fillTimer.start();
    fill(*store);
    std::printf("filled %d contacts in %.0f ms\n", contactCount, fillTimer.nsecsElapsed() / 1e6);

    SilentMessages messages;
    MainWindow main(storePath, messages, store);
    registerProgramWindows(main.windows());
    main.resize(1200, 800);
    main.show();
    QCoreApplication::processEvents();
    QAction *open = main.findChild<QAction *>("PRG_CONTACTS");

    const QString openSql = jet::selectSql(jet::parseSource("Contacts"), "*");
    ContactSearchCriteria criteria;
    criteria.fileAs = "Zq";
    const QString searchSource = contactSearchSql(criteria);
    const QString searchSql = jet::selectSql(jet::parseSource(searchSource), "*");

    // Opening: the first one builds the window (its load reads the table once more).
    QList<bench::Timing> opening, openingBase, search, searchBase;
    RecordGrid *grid = nullptr;
    ListWindow *list = nullptr;
    for (int round = 0; round < rounds; ++round) {
        bench::profile("open", true);
        const double cpu = bench::cpuMs();
        QElapsedTimer t;
        t.start();
        open->trigger();
        list = main.windows().listWindow(RecordKind::Contacts);
        grid = list->findChild<RecordGrid *>("MSFlexGrid1");
        bench::showFirstRows(grid);
        const bench::Timing took{t.nsecsElapsed() / 1e6, bench::cpuMs() - cpu};
        bench::profile("open", false);
        if (grid->gridModel().rowCount() != contactCount || grid->gridModel().cellText(0, 0) != "1") {
            std::printf("the list does not show the contacts\n");
            return 1;
        }
        if (round == 0)
            std::printf("first opening (window built) %7.1f ms (cpu %6.1f)\n", took.ms, took.cpu);
        opening << took;
        openingBase << bench::sqliteShell(storePath, openSql);
    }
    bench::report("contacts list: first opening", contactCount, opening.first().ms / 1000,
                  bench::processPeakMegabytes(), median(openingBase).ms / 1000, "sqlite3 shell query", {0.5, 0.2});
    for (int round = 0; round < rounds; ++round) {
        list->open(storePath, "Contacts");
        bench::profile("search", true);
        const double cpu = bench::cpuMs();
        QElapsedTimer t;
        t.start();
        list->open(storePath, searchSource);
        bench::showFirstRows(grid);
        search << bench::Timing{t.nsecsElapsed() / 1e6, bench::cpuMs() - cpu};
        bench::profile("search", false);
        if (grid->gridModel().rowCount() != contactCount / 100) {
            std::printf("the search found %d contacts\n", grid->gridModel().rowCount());
            return 1;
        }
        searchBase << bench::sqliteShell(storePath, searchSql);
    }
    std::printf("medians of %d rounds; the search: %s\n", rounds, qPrintable(searchSource));
    report("opening", opening, openingBase, "(target <= 0.5, < 200 ms)", {0.5, 0.2});
    report("search", search, searchBase, "(target <= 1.0, < 200 ms)", {1.0, 0.2});

    list->open(storePath, "Contacts");
    bench::showFirstRows(grid);
    const double before = bench::processPeakMegabytes();
    QElapsedTimer t;
    t.start();
    grid->scrollToBottom();
    bench::showFirstRows(grid);
    const double scrollMs = t.nsecsElapsed() / 1e6;
    const double after = bench::processPeakMegabytes();
    std::printf("scroll to the last row %.1f ms; peak memory %.1f MB before, %.1f MB after (+%.1f MB)\n", scrollMs,
                before, after, after - before);
    bench::report("contacts list: scroll to the last row", contactCount, scrollMs / 1000, after);
    return 0;
}
