// Export figures: stores of 1,000, 10,000 and 100,000 synthetic records of each kind, each kind
// exported as the export window does it (document, staging file, handheld file through a
// temporary name), beside two baselines measured in the same run on the same store:
//   scan     a plain SQLite scan of the same table (C API) writing as many bytes to a file;
//   sqlite3  the command  sqlite3 -csv Qtdata.mdb "SELECT * FROM <table>" > file.
// Prints records per second, the ratios and the peak memory of the export.
#include "BenchReport.h"
#include "Profiling.h"
#include "exchange/DeviceExport.h"
#include "exchange/DocumentWriters.h"
#include "records/Messages.h"
#include "records/Schema.h"
#include "records/Store.h"
#include "records/TextConversion.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>

using namespace pimdesk;

namespace {

// The resident-memory high-water mark of this process (Linux): reset, then read.
void resetPeakMemory()
{
    QFile f("/proc/self/clear_refs");
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

const QStringList koreanNames{"홍길동", "김철수", "이영희", "박지성", "최민수", "정다운", "강하늘", "조은비"};

// A value for every field; dates where the field holds dates.
QVariant syntheticValue(const QString &table, const QString &field, int i)
{
    if (field == "ID")
        return i + 1;
    if (schema::isDateTimeField(table, field)) {
        const QDateTime at = QDateTime(QDate(2006, 1, 1), QTime(9, 0), Qt::UTC).addSecs(qint64(i) * 3600);
        return at.addSecs(field == "Start" ? 0 : 5400).toString(schema::dateTimeFormat);
    }
    if (field == "Rhasenddate" || field == "Completed" || field == "Hasdate")
        return QString::number(i % 2);
    if (field == "Priority" || field == "Rfreq" || field == "alarm")
        return QString::number(i % 5 + 1);
    // Every tenth record has characters to escape in its notes, every third one Korean text.
    if (i % 10 == 0 && (field == "Notes" || field == "Note"))
        return QString("say \"%1\" <b> & go\r\nline 2").arg(i);
    if (i % 3 == 0)
        return QString("%1 %2 %3").arg(koreanNames.at(i % koreanNames.size()), field).arg(i);
    return QString("%1 value %2").arg(field).arg(i);
}

void fill(Store &store, const TableSchema &table, int n)
{
    QStringList names, marks;
    for (const QString &f : table.fields) {
        names << "\"" + f + "\"";
        marks << "?";
    }
    const QString sql = QString("INSERT INTO %1 (%2) VALUES (%3)").arg(table.name, names.join(","), marks.join(","));
    Store::Transaction tx(store);
    QVariantList values;
    for (int i = 0; i < n; ++i) {
        values.clear();
        for (const QString &f : table.fields)
            values << syntheticValue(table.name, f, i);
        store.exec(sql, values);
    }
    tx.commit();
}

// The baseline: every column of every row read as text through the C API, the bytes written out.
double scanBaseline(const QString &dbPath, const QString &table, qint64 bytesToWrite, const QString &outPath)
{
    QElapsedTimer t;
    t.start();
    sqlite3 *db = nullptr;
    sqlite3_open_v2(dbPath.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *s = nullptr;
    sqlite3_prepare_v2(db, QString("SELECT * FROM \"%1\"").arg(table).toUtf8().constData(), -1, &s, nullptr);
    QByteArray out;
    out.reserve(bytesToWrite);
    const int columns = sqlite3_column_count(s);
    while (sqlite3_step(s) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            const char *text = reinterpret_cast<const char *>(sqlite3_column_text(s, c));
            if (text)
                out.append(text, sqlite3_column_bytes(s, c));
            out.append(',');
        }
        out.append('\n');
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    out.resize(bytesToWrite, ' ');
    QFile f(outPath);
    f.open(QIODevice::WriteOnly);
    f.write(out);
    f.close();
    return t.nsecsElapsed() / 1e6;
}

double sqliteCommand(const QString &dbPath, const QString &table, const QString &outPath, qint64 *bytes)
{
    QProcess p;
    p.setStandardOutputFile(outPath);
    QElapsedTimer t;
    t.start();
    p.start("/usr/bin/sqlite3", {"-csv", dbPath, QString("SELECT * FROM %1").arg(table)});
    p.waitForFinished(-1);
    const double ms = t.nsecsElapsed() / 1e6;
    *bytes = QFileInfo(outPath).size();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 ? ms : -1;
}

} // namespace

template <typename F> double bestOf(int runs, F &&measure)
{
    double best = -1;
    for (int i = 0; i < runs; ++i) {
        const double ms = measure();
        if (ms >= 0 && (best < 0 || ms < best))
            best = ms;
    }
    return best;
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bool withSqliteCommand = QFileInfo::exists("/usr/bin/sqlite3");
    // Sizes may be given as arguments (for profiling one of them); by default all three.
    QList<int> sizes{1000, 10000, 100000};
    if (argc > 1) {
        sizes.clear();
        for (int i = 1; i < argc; ++i)
            sizes << QString(argv[i]).toInt();
    }
    constexpr int runs = 3;
    std::printf("Times are the best of %d runs. export: the whole export of one kind to a handheld that already\n"
                "holds the document (so it is kept as a backup first); scan, sqlite3: the baselines; ratio: export\n"
                "time / baseline time. Parts: bytes = the document's bytes from the store, text = the writer's\n"
                "text, conv = that text to UTF-8. peak MB: highest resident memory during the export.\n\n",
                runs);
    std::printf("kind      records | export ms    rec/s  doc MB | scan ms ratio | sqlite3 ms ratio | bytes ms text ms "
                "conv ms | peak MB\n");
    for (int n : sizes) {
        QTemporaryDir dir;
        const QString data = dir.filePath("DATA");
        const QString drive = dir.filePath("k7m");
        QDir().mkpath(drive + "/Qtopia/Applications");
        std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(data));
        for (const TableSchema *table : schema::tables())
            fill(*store, *table, n);

        for (RecordKind kind : allKinds) {
            const KindInfo &info = kindInfo(kind);
            SilentMessages messages;
            QElapsedTimer t;

            // The first export puts a document on the handheld; the measured ones replace it.
            exportToDevice(*store, data, drive, {kind}, messages, nullptr, {});
            // What the benchmark itself wrote (the store's records, the baselines' output files) is
            // on the disk before the export is timed: the export's own syncs wait only for its own
            // files, as they do for a user.
            ::sync();
            resetPeakMemory();
            bool failed = false;
            const double exportMs = bestOf(runs, [&] {
                bench::profile("export", true);
                t.start();
                failed =
                    failed || exportToDevice(*store, data, drive, {kind}, messages, nullptr, {}).completed.size() != 1;
                const double ms = t.nsecsElapsed() / 1e6;
                bench::profile("export", false);
                return ms;
            });
            const double peak = bench::processPeakMegabytes();
            if (failed) {
                std::fprintf(stderr, "export of %s failed\n", info.table);
                return 1;
            }
            const qint64 size = QFileInfo(data + "/" + info.documentName).size();

            const double scanMs =
                bestOf(runs, [&] { return scanBaseline(store->path(), info.table, size, dir.filePath("scan.out")); });
            qint64 csvBytes = 0;
            const double commandMs =
                withSqliteCommand
                    ? bestOf(
                          runs,
                          [&] { return sqliteCommand(store->path(), info.table, dir.filePath("out.csv"), &csvBytes); })
                    : -1;

            // The parts, once each; the bytes must be those of the writer's text.
            bench::profile("bytes", true);
            t.start();
            const QByteArray direct = handheldDocument(kind, *store);
            const double bytesMs = t.nsecsElapsed() / 1e6;
            bench::profile("bytes", false);
            t.start();
            const QString document = documentFromStore(kind, *store);
            const double textMs = t.nsecsElapsed() / 1e6;
            t.start();
            const QByteArray converted = UTF8FromUTF16withMark(utf16Bytes(document));
            const double convertMs = t.nsecsElapsed() / 1e6;
            if (direct != converted || direct.size() != size) {
                std::fprintf(stderr, "the handheld's bytes of %s differ from the writer's text\n", info.table);
                return 1;
            }

            std::printf("%-9s %7d | %9.1f %8.0f %7.1f | %7.1f %5.2f | %10.1f %5.2f | %8.1f %7.1f %7.1f | %7.1f\n",
                        info.table, n, exportMs, n / (exportMs / 1000), size / 1e6, scanMs, exportMs / scanMs,
                        commandMs, commandMs > 0 ? exportMs / commandMs : 0.0, bytesMs, textMs, convertMs, peak);
            bench::report(qPrintable(QString("export %1").arg(info.table)), n, exportMs / 1000, peak,
                          (commandMs > 0 ? commandMs : scanMs) / 1000,
                          commandMs > 0 ? "sqlite3 -csv SELECT *" : "C API scan to a file",
                          // The target holds at 100,000 records, where the fixed cost of the
                          // backup folder and the syncs no longer counts.
                          {n >= 100000 ? 0.5 : -1});
        }
    }
    return 0;
}
