// Record store figures: opening a record set on a large table, look-ups by ID, updates in one
// transaction. Prints records per second. Baselines, measured in the same run: the same inserts,
// updates by ID and walk done directly through SQLite's C API with prepared statements.
#include "BenchReport.h"
#include "records/RecordSet.h"
#include "records/Store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <sqlite3.h>

using namespace pimdesk;

namespace {

struct Baselines
{
    double insertMs = 0, updateMs = 0, walkMs = 0;
};

// The three operations on a fresh file of the same layout, straight through the C API.
Baselines measureBaselines(const QString &path, int n)
{
    Baselines b;
    { // the store makes the file with its tables
        Store::open(path);
    }
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    auto run = [db](const char *sql, const std::function<void(sqlite3_stmt *, int)> &bind, int times) {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *s = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
        for (int i = 0; i < times; ++i) {
            bind(s, i);
            while (sqlite3_step(s) == SQLITE_ROW) {
            }
            sqlite3_reset(s);
        }
        sqlite3_finalize(s);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    };
    QElapsedTimer t;
    t.start();
    run(
        "INSERT INTO Contacts (ID, FileAs, H_Phone, Notes) VALUES (?, ?, ?, ?)",
        [](sqlite3_stmt *s, int i) {
            const QByteArray fileAs = QString("홍길동 %1").arg(i).toUtf8();
            sqlite3_bind_int(s, 1, i + 1);
            sqlite3_bind_text(s, 2, fileAs.constData(), int(fileAs.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(s, 3, "010-1234-5678", -1, SQLITE_STATIC);
            sqlite3_bind_text(s, 4, "note", -1, SQLITE_STATIC);
        },
        n);
    b.insertMs = t.nsecsElapsed() / 1e6;
    t.restart();
    run(
        "UPDATE Contacts SET Notes = ? WHERE ID = ?",
        [n](sqlite3_stmt *s, int i) {
            const QByteArray notes = QString("changed %1").arg(i).toUtf8();
            sqlite3_bind_text(s, 1, notes.constData(), int(notes.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int(s, 2, n - i);
        },
        n);
    b.updateMs = t.nsecsElapsed() / 1e6;
    t.restart();
    run(
        "SELECT * FROM Contacts", [](sqlite3_stmt *, int) {}, 1);
    b.walkMs = t.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    return b;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    for (int n : {1000, 10000, 100000}) {
        QTemporaryDir dir;
        auto store = Store::open(dir.filePath("Qtdata.mdb"));
        QElapsedTimer t;
        t.start();
        {
            Store::Transaction tx(*store);
            for (int i = 0; i < n; ++i)
                store->exec("INSERT INTO Contacts (ID, FileAs, H_Phone, Notes) VALUES (?, ?, ?, ?)",
                            {i + 1, QString("홍길동 %1").arg(i), "010-1234-5678", "note"});
            tx.commit();
        }
        const double insertMs = t.nsecsElapsed() / 1e6;
        t.restart();
        RecordSet rs(store, "Contacts");
        const double openMs = t.nsecsElapsed() / 1e6;
        t.restart();
        RecordSet ordered(store, "SELECT * FROM Contacts ORDER BY FileAs");
        const double openSortedMs = t.nsecsElapsed() / 1e6;
        t.restart();
        {
            Store::Transaction tx(*store);
            for (int i = 0; i < n; ++i) {
                if (!rs.findFirst(QString("ID = %1").arg(n - i)))
                    return 1;
                rs.edit();
                rs.setField("Notes", QString("changed %1").arg(i));
                rs.update();
            }
            tx.commit();
        }
        const double updateMs = t.nsecsElapsed() / 1e6;
        t.restart();
        qint64 bytes = 0;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            bytes += rs.field("FileAs").toString().size();
        const double walkMs = t.nsecsElapsed() / 1e6;
        std::printf("%6d records: insert %8.1f ms | open set %6.1f ms (sorted %6.1f ms) | find+edit+update %8.1f ms "
                    "(%8.0f rec/s) | walk %7.1f ms (%8.0f rec/s)\n",
                    n, insertMs, openMs, openSortedMs, updateMs, n / (updateMs / 1000), walkMs, n / (walkMs / 1000));
        (void)bytes;
        const double peak = bench::processPeakMegabytes();
        const Baselines base = measureBaselines(dir.filePath("baseline.mdb"), n);
        bench::report("insert contacts", n, insertMs / 1000, peak, base.insertMs / 1000, "C API prepared INSERT");
        bench::report("open record set", n, openMs / 1000, peak);
        bench::report("open sorted record set", n, openSortedMs / 1000, peak);
        bench::report("find, edit, update by ID", n, updateMs / 1000, peak, base.updateMs / 1000,
                      "C API prepared UPDATE");
        bench::report("walk record set", n, walkMs / 1000, peak, base.walkMs / 1000, "C API SELECT *");
    }
    return 0;
}
