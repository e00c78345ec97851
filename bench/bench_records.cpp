// Record store figures: opening a record set on a large table, look-ups by ID, updates in one
// transaction. Prints records per second.
#include "BenchReport.h"
#include "records/RecordSet.h"
#include "records/Store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

using namespace pimdesk;

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
        bench::report("insert contacts", n, insertMs / 1000, peak);
        bench::report("open record set", n, openMs / 1000, peak);
        bench::report("open sorted record set", n, openSortedMs / 1000, peak);
        bench::report("find, edit, update by ID", n, updateMs / 1000, peak);
        bench::report("walk record set", n, walkMs / 1000, peak);
    }
    return 0;
}
