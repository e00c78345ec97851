// The snapshot an import takes before it writes, beside the import itself: a store of 1,000,
// 10,000 and 100,000 contacts (about twenty fields each) is filled by importing an addressbook
// document, then copied with SQLite's online backup as an import's snapshot, and put back as an
// undo does. The import of the same document into the full store (what a second import costs)
// is the baseline measured in the same run.
//
//   bench_snapshot [--sizes 1000,10000,100000]

#include "BenchReport.h"
#include "exchange/DeviceReaders.h"
#include "exchange/Snapshots.h"
#include "exchange/StoreCopy.h"
#include "records/Store.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

using namespace pimdesk;

namespace {

QByteArray addressbook(int count)
{
    static const char *const family[] = {"김", "이", "박", "최", "정", "강", "조", "윤", "장", "임"};
    static const char *const given[] = {"민준", "서연", "도윤", "지우", "하준", "서윤", "시우", "민서", "주원", "하은"};
    QByteArray document = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE Addressbook ><AddressBook>"
                          "<Groups></Groups><Contacts>\n";
    for (int i = 0; i < count; ++i) {
        const QByteArray n = QByteArray::number(i);
        document +=
            "<Contact Uid=\"" + QByteArray::number(-1100000000LL - i) + "\" FirstName=\"" + given[i / 10 % 10] +
            "\" LastName=\"" + family[i % 10] + "\" FileAs=\"" + family[i % 10] + ", " + given[i / 10 % 10] +
            "\" JobTitle=\"과장\" Department=\"영업" + QByteArray::number(i % 20) + "팀\" Company=\"Norvel Corp " +
            QByteArray::number(i % 300) + "\" BusinessPhone=\"02-555-" + n.rightJustified(4, '0') +
            "\" BusinessFax=\"02-556-" + n.rightJustified(4, '0') + "\" BusinessMobile=\"010-2" +
            n.rightJustified(7, '0') + "\" BusinessStreet=\"테헤란로 " + QByteArray::number(i % 500) +
            "\" BusinessCity=\"서울\" BusinessZip=\"" + QByteArray::number(10000 + i % 90000) + "\" Emails=\"user" + n +
            "@example.kr\" HomePhone=\"031-" + n.rightJustified(7, '0') + "\" HomeMobile=\"010-9" +
            n.rightJustified(7, '0') + "\" HomeStreet=\"수원시 팔달구 " + QByteArray::number(i % 999) +
            "번지\" HomeCity=\"수원\" Gender=\"" + QByteArray::number(1 + i % 2) + "\" Notes=\"메모 " + n + "\" />\n";
    }
    return document + "</Contacts></AddressBook>\n";
}

double seconds(QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QList<int> sizes{1000, 10000, 100000};
    const QStringList args = app.arguments();
    if (const qsizetype at = args.indexOf("--sizes"); at >= 0 && at + 1 < args.size()) {
        sizes.clear();
        for (const QString &s : args.at(at + 1).split(','))
            sizes << s.toInt();
    }
    std::printf("%-9s %10s %10s %10s %10s %10s %8s\n", "contacts", "store MB", "import s", "reimport s", "snapshot s",
                "restore s", "snap/imp");
    for (int count : sizes) {
        QTemporaryDir dir;
        const QString data = dir.filePath("DATA");
        const QString document = dir.filePath("addressbook.xml");
        QFile file(document);
        if (!file.open(QIODevice::WriteOnly) || file.write(addressbook(count)) < 0)
            return 1;
        file.close();
        const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(data));

        QElapsedTimer timer;
        timer.start();
        if (!readDeviceDocument(RecordKind::Contacts, *store, document).ok)
            return 1;
        const double import = seconds(timer);

        timer.restart();
        const SnapshotResult snapshot = takeSnapshot(data, *store, operations::deviceImport, {RecordKind::Contacts});
        const double snap = seconds(timer);
        if (!snapshot.ok)
            return 1;

        timer.restart();
        if (!readDeviceDocument(RecordKind::Contacts, *store, document).ok)
            return 1;
        const double reimport = seconds(timer);

        QString error;
        timer.restart();
        if (!restoreStore(*store, Store::pathInDirectory(snapshot.folder), &error))
            return 1;
        const double restore = seconds(timer);

        const double megabytes = QFileInfo(Store::pathInDirectory(data)).size() / 1048576.0;
        std::printf("%-9d %10.1f %10.3f %10.3f %10.3f %10.3f %8.2f\n", count, megabytes, import, reimport, snap,
                    restore, snap / std::min(import, reimport));
        const double peak = bench::processPeakMegabytes();
        const double faster = std::min(import, reimport);
        bench::report("snapshot: import into empty store", count, import, peak);
        bench::report("snapshot: import into full store", count, reimport, peak);
        bench::report("snapshot before import", count, snap, peak, faster, "faster device import");
        bench::report("snapshot restore", count, restore, peak, faster, "faster device import");
    }
    std::printf("snap/imp: the snapshot's time over the faster of the two imports of the same records\n");
    return 0;
}
