// The three lists on 100,000 records each, sorted by a click on a column header: from the click to
// the grid showing its first rows in the new order (the median of three), beside the sqlite3 shell
// running the same sorted query to the end (output to /dev/null, once) in the same run. Every shown column of every list,
// ascending (the first click) and descending (the second).
// Targets: as for opening a list, at most 0.5x the baseline and under 200 ms; the columns a list is
// commonly sorted by (a contact's name, an event's start or end) read their order from an index.
#include "BenchReport.h"
#include "ListPainting.h"
#include "SqliteShell.h"
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "records/JetSql.h"
#include "records/Messages.h"
#include "records/Schema.h"
#include "records/Store.h"
#include "shell/ListWindow.h"
#include "shell/RecordGrid.h"
#include "shell/WindowRegistry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace pimdesk;

namespace {

constexpr int recordCount = 100000;
constexpr int rounds = 3;

const QStringList names{"홍길동", "김철수", "이영희", "박지성", "최민수", "정다운", "강하늘", "조은비"};

// Every field of every table filled, in an order that is not the sorted one.
void fill(Store &store)
{
    static const char *statuses[] = {"NotStarted", "InProgress", "Completed", "Waiting", "Deferred"};
    Store::Transaction tx(store);
    for (const TableSchema *table : schema::tables()) {
        QStringList columns, marks;
        for (const QString &f : table->fields) {
            columns << "\"" + f + "\"";
            marks << "?";
        }
        const QString sql =
            QString("INSERT INTO %1 (%2) VALUES (%3)").arg(table->name, columns.join(","), marks.join(","));
        QVariantList values;
        for (int i = 0; i < recordCount; ++i) {
            // A spread that differs from the stored order.
            const int k = int((qint64(i) * 7919) % recordCount);
            values.clear();
            for (const QString &f : table->fields) {
                if (f == "ID")
                    values << i + 1;
                else if (f == "FileAs")
                    values << QString("%1 %2").arg(names.at(k % names.size())).arg(k);
                else if (f.endsWith("Phone") || f.endsWith("Mobile"))
                    values << QString("010-%1-%2").arg(1000 + k % 9000).arg(k % 10000, 4, 10, QChar('0'));
                else if (f == "Start" || f == "End")
                    values << QDateTime(QDate(2020, 1, 1), QTime(9, 0))
                                  .addSecs(qint64(k) * 3600 + (f == "End" ? 1800 : 0))
                                  .toString("yyyy-MM-dd HH:mm:ss");
                else if (f == "Priority")
                    values << QString::number(k % 5 + 1);
                else if (f == "Status")
                    values << statuses[k % 5];
                else if (f == "Completed")
                    values << (k % 5 == 2 ? "1" : "0");
                else
                    values << QString("%1 %2").arg(f).arg(k);
            }
            store.exec(sql, values);
        }
    }
    tx.commit();
}


bench::Timing median(QList<bench::Timing> timings)
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

// What a click on the header's section does.
void clickHeader(RecordGrid *grid, int column)
{
    emit grid->horizontalHeader()->sectionClicked(column);
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
    std::printf("filled %d records in each table in %.0f ms\n", recordCount, fillTimer.nsecsElapsed() / 1e6);

    SilentMessages messages;
    MainWindow main(storePath, messages, store);
    registerProgramWindows(main.windows());
    main.resize(1200, 800);
    main.show();
    QCoreApplication::processEvents();

    struct Column
    {
        RecordKind kind;
        int column;
    };
    const Column columns[] = {
        {RecordKind::Contacts, 2}, {RecordKind::Contacts, 3}, {RecordKind::Contacts, 4}, {RecordKind::Contacts, 5},
        {RecordKind::Events, 2},   {RecordKind::Events, 3},   {RecordKind::Events, 4},   {RecordKind::Tasks, 1},
        {RecordKind::Tasks, 2},    {RecordKind::Tasks, 3},    {RecordKind::Tasks, 4},
    };
    std::printf("medians of %d rounds, from the header click to the first rows shown\n", rounds);
    std::printf("%-30s %-5s %9s %9s %12s %9s %7s %s\n", "list and column", "order", "ms", "cpu ms", "sqlite3 ms",
                "cpu ms", "ratio", "plan");
    for (const Column &c : columns) {
        main.windows().openList(c.kind);
        ListWindow *list = main.windows().listWindow(c.kind);
        RecordGrid *grid = list->grid();
        bench::showFirstRows(grid);
        const QString source = list->dataSource().recordSource();
        const QString field = list->dataSource().recordset().fieldNames().value(c.column);
        for (bool descending : {false, true}) {
            QList<bench::Timing> ours, baseline;
            QString plan;
            for (int round = 0; round < rounds; ++round) {
                // From the other order (or the source's own), so that every click changes the rows.
                list->dataSource().setSortOrder(descending ? SortOrder{field, false} : SortOrder{});
                list->reload();
                bench::showFirstRows(grid);
                const double cpu = bench::cpuMs();
                QElapsedTimer t;
                t.start();
                clickHeader(grid, c.column);
                bench::showFirstRows(grid);
                ours << bench::Timing{t.nsecsElapsed() / 1e6, bench::cpuMs() - cpu};
                const RecordSet &records = list->dataSource().recordset();
                if (records.sortOrder() != SortOrder{field, descending} || records.recordCount() != recordCount) {
                    std::printf("the list is not sorted by %s\n", qPrintable(field));
                    return 1;
                }
                if (round == 0) {
                    Store::Query steps(*store, "EXPLAIN QUERY PLAN " + records.membershipSql());
                    QStringList parts;
                    while (steps.next())
                        parts << steps.text(3);
                    plan = parts.join(" | ");
                    // The shell's run takes many times ours: once per column and order.
                    const QString direction = descending ? " DESC" : " ASC";
                    jet::Source parsed = jet::parseSource(source);
                    parsed.orderBy = "\"" + field + "\"" + direction + ", rowid" + direction;
                    baseline << bench::sqliteShell(storePath, jet::selectSql(parsed, "*"));
                }
            }
            const bench::Timing o = median(ours), b = median(baseline);
            const QString what = QString("%1 by %2").arg(kindInfo(c.kind).table, field);
            std::printf("%-30s %-5s %9.1f %9.1f %12.1f %9.1f %7.2f %s\n", qPrintable(what),
                        descending ? "desc" : "asc", o.ms, o.cpu, b.ms, b.cpu, o.ms / b.ms, qPrintable(plan));
            bench::report(qPrintable(QString("sorted list: %1 %2").arg(what, descending ? "desc" : "asc")),
                          recordCount, o.ms / 1000, bench::processPeakMegabytes(), b.ms / 1000,
                          "sqlite3 shell sorted query");
        }
        list->dataSource().setSortOrder({});
        list->reload();
    }
    return 0;
}
