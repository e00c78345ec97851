// The check that runs before every export and import (the data folder's lock, then PRAGMA
// quick_check through Store::verifyIntegrity) on stores of 1,000, 10,000 and 100,000 contacts
// with every field filled. Baseline in the same run: the sqlite3 shell running the same pragma on
// the same file (`sqlite3 Qtdata.mdb "PRAGMA quick_check"`, process start included).
//
//   bench_integrity [--sizes 1000,10000,100000]

#include "BenchReport.h"
#include "records/DataFolderLock.h"
#include "records/Messages.h"
#include "records/Schema.h"
#include "records/Store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace pimdesk;

namespace {

void fill(Store &store, int count)
{
    const TableSchema *contacts = schema::table("Contacts");
    QStringList columns, marks;
    for (const QString &field : contacts->fields) {
        columns << "\"" + field + "\"";
        marks << "?";
    }
    const QString sql = QString("INSERT INTO Contacts (%1) VALUES (%2)").arg(columns.join(", "), marks.join(", "));
    Store::Transaction t(store);
    for (int i = 0; i < count; ++i) {
        QVariantList values;
        for (const QString &field : contacts->fields)
            values << (field == "ID" ? QVariant(i + 1) : QVariant(QString("%1 %2 홍길동").arg(field).arg(i)));
        store.exec(sql, values);
    }
    t.commit();
}

double medianMs(int runs, const std::function<void()> &step)
{
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        step();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QList<int> sizes{1000, 10000, 100000};
    const QStringList args = app.arguments();
    if (const qsizetype at = args.indexOf("--sizes"); at >= 0 && at + 1 < args.size()) {
        sizes.clear();
        for (const QString &n : args.at(at + 1).split(','))
            sizes << n.toInt();
    }
    const QString sqlite3 = QStandardPaths::findExecutable("sqlite3");
    std::printf("%-9s %10s %14s %14s %16s %8s\n", "contacts", "file MB", "check ms", "lock+check ms",
                "sqlite3 shell ms", "ratio");
    for (const int n : sizes) {
        QTemporaryDir dir;
        const QString path = Store::pathInDirectory(dir.path());
        {
            const std::shared_ptr<Store> store = Store::open(path);
            fill(*store, n);
        }
        const std::shared_ptr<Store> store = Store::open(path);
        const double check = medianMs(5, [&] { store->verifyIntegrity(); });
        SilentMessages messages;
        const double lockAndCheck = medianMs(5, [&] {
            if (!lockForWriting(*store, messages, dir.path()))
                std::fprintf(stderr, "lock or check failed\n");
        });
        double shell = -1;
        if (!sqlite3.isEmpty())
            shell = medianMs(5, [&] {
                QProcess p;
                p.start(sqlite3, {path, "PRAGMA quick_check"});
                p.waitForFinished(-1);
            });
        std::printf("%-9d %10.1f %14.1f %14.1f %16.1f %8.2f\n", n, double(QFileInfo(path).size()) / 1e6, check,
                    lockAndCheck, shell, shell > 0 ? lockAndCheck / shell : 0.0);
        const double peak = bench::processPeakMegabytes();
        bench::report("integrity check", n, check / 1000, peak, shell / 1000, "sqlite3 PRAGMA quick_check");
        bench::report("lock and integrity check", n, lockAndCheck / 1000, peak, shell / 1000,
                      "sqlite3 PRAGMA quick_check");
    }
    return 0;
}
