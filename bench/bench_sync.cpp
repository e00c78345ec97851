// Sync figures: a store of 10,000 synthetic contacts exported to a folder standing in for the
// handheld, then 100 contacts changed in the store and 100 others on the handheld. Measured:
//   sync           the two-way sync of both sides (what `pimdesk-cli sync --yes` does);
//   import+export  the same starting point brought together the old way: an import of the
//                  handheld's document, then an export of the store.
// Each is run three times from a fresh copy of the starting point; the best time counts. Prints
// the times and the ratio sync / (import+export); the target is at most 1.0 (in scripts/bench.sh's
// table of targets too).
#include "BenchReport.h"
#include "Profiling.h"
#include "exchange/DeviceExport.h"
#include "exchange/DeviceLocation.h"
#include "exchange/ImportFromDevice.h"
#include "exchange/Sync.h"
#include "records/Messages.h"
#include "records/Store.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace pimdesk;

namespace {

constexpr int records = 10000;
constexpr int changes = 100;

void makeStartingPoint(const QString &folder)
{
    const QString data = folder + "/DATA";
    const QString drive = folder + "/k7m";
    QDir().mkpath(drive + "/Qtopia/Applications");
    {
        const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(data));
        Store::Transaction tx(*store);
        for (int i = 1; i <= records; ++i)
            store->exec("INSERT INTO Contacts (ID, FirstName, LastName, FileAs, O_Company, Emails, H_Phone, Notes) "
                        "VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                        {i, QString("이름%1").arg(i), QString("성%1").arg(i), QString("성%1, 이름%1").arg(i),
                         QString("회사 %1").arg(i % 97), QString("p%1@example.com").arg(i),
                         QString("02-555-%1").arg(i, 4, 10, QChar('0')), QString("메모 %1 \"인용\" & <b>").arg(i)});
        tx.commit();
        SilentMessages messages;
        exportToDevice(*store, data, drive, {RecordKind::Contacts}, messages, nullptr, {});
        for (int i = 1; i <= changes; ++i)
            store->exec("UPDATE Contacts SET H_Phone = ? WHERE ID = ?", {QString("031-%1").arg(i), i});
    }
    // On the handheld: the notes of 100 other contacts.
    QFile document(handheldDocumentPath(drive, RecordKind::Contacts));
    document.open(QIODevice::ReadOnly);
    QByteArray bytes = document.readAll();
    document.close();
    for (int i = records - changes + 1; i <= records; ++i)
        bytes.replace(QString("Notes=\"메모 %1 ").arg(i).toUtf8(), QString("Notes=\"바뀐 메모 %1 ").arg(i).toUtf8());
    document.open(QIODevice::WriteOnly);
    document.write(bytes);
}

void copyFolder(const QString &from, const QString &to)
{
    QProcess::execute("cp", {"-a", from, to});
}

double best(const char *part, const QString &start,
            const std::function<void(const QString &data, const QString &drive)> &run)
{
    double fastest = 1e9;
    for (int round = 0; round < 3; ++round) {
        QTemporaryDir dir;
        copyFolder(start, dir.filePath("w"));
        const QString data = dir.filePath("w/DATA");
        const QString drive = dir.filePath("w/k7m");
        QElapsedTimer timer;
        timer.start();
        bench::profile(part, true);
        run(data, drive);
        bench::profile(part, false);
        fastest = std::min(fastest, timer.nsecsElapsed() / 1e9);
    }
    return fastest;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString start = dir.filePath("start");
    makeStartingPoint(start);

    const double sync = best("sync", start, [](const QString &data, const QString &drive) {
        const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(data));
        SilentMessages messages;
        const SyncOutcome outcome = syncWithDevice(*store, data, drive, {RecordKind::Contacts}, {}, messages, nullptr);
        if (!outcome.inSync(1) || outcome.plans.value(0).onPc.changed != changes ||
            outcome.plans.value(0).onHandheld.changed != changes)
            std::fprintf(stderr, "sync did not do what was expected\n");
    });
    const double importExport = best("import+export", start, [](const QString &data, const QString &drive) {
        const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(data));
        SilentMessages messages;
        importFromDevice(*store, data, drive, {RecordKind::Contacts}, messages, nullptr);
        exportToDevice(*store, data, drive, {RecordKind::Contacts}, messages, nullptr, {});
    });
    std::printf("%d contacts, %d changed on each side\n", records, changes);
    std::printf("  sync           %8.3f s\n", sync);
    std::printf("  import+export  %8.3f s\n", importExport);
    std::printf("  ratio          %8.2f (target <= 1.0)\n", sync / importExport);
    bench::report("sync-contacts", records, sync, bench::processPeakMegabytes(), importExport, "import+export", {1.0});
    return 0;
}
