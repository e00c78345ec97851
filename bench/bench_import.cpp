// Import from the handheld: documents of 1,000, 10,000 and 100,000 records of each kind, written in
// the handheld's own style, merged into an empty store and into a store that already holds them.
// Prints records per second, peak memory, and the outside baseline measured on the same rows in the
// same run: the sqlite3 shell loading them from CSV (.import) into a table of the same fields with
// a unique index on ID, plus `xmllint --stream --noout` on the document.
//
//   bench_import [--sizes 1000,10000,100000] [--keep DIR]
//
// Each import runs in a child process of this program, so its peak memory (VmHWM) is its own.
// Times are the best of three runs, the baselines' too (each import into an empty store gets a
// new data folder); peak memory is the highest of the three.

#include "BenchReport.h"
#include "exchange/DeviceReaders.h"
#include "exchange/DeviceTime.h"
#include "exchange/DocumentReader.h"
#include "exchange/ImportFromDevice.h"
#include "records/Messages.h"
#include "records/Schema.h"
#include "records/Store.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <unistd.h>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace pimdesk;

namespace {

// One record: attributes in the order the handheld writes them, and the fields the reader stores.
struct Generated
{
    QByteArray element;
    QHash<QString, QByteArray> fields;
};

QByteArray deviceTimeText(qint64 seconds)
{
    return dateTimeFromDeviceTime(QByteArray::number(seconds)).toLatin1();
}

const char *const familyNames[] = {"김", "이", "박", "최", "정", "강", "조", "윤", "장", "임"};
const char *const givenNames[] = {"민준", "서연", "도윤", "지우", "하준", "서윤", "시우", "민서", "주원", "하은"};

Generated contact(int i)
{
    const qint64 uid = -1100000000LL - i;
    const QByteArray n = QByteArray::number(i);
    const QByteArray last = familyNames[i % 10], first = givenNames[(i / 10) % 10];
    QList<std::pair<const char *, QByteArray>> attributes{
        {"Categories", QByteArray::number(i % 5)},
        {"FirstName", first},
        {"LastName", last},
        {"FileAs", last + ", " + first},
        {"JobTitle", "과장"},
        {"Department", "영업" + QByteArray::number(i % 20) + "팀"},
        {"Company", "Norvel Corp " + QByteArray::number(i % 300)},
        {"BusinessPhone", "02-555-" + n.rightJustified(4, '0')},
        {"BusinessFax", "02-556-" + n.rightJustified(4, '0')},
        {"BusinessMobile", "010-2" + n.rightJustified(7, '0')},
        {"BusinessStreet", "테헤란로 " + QByteArray::number(i % 500) + "\n" + QByteArray::number(i % 30) + "층"},
        {"BusinessCity", "서울"},
        {"BusinessZip", QByteArray::number(10000 + i % 90000)},
        {"Emails", "user" + n + "@example.kr"},
        {"HomePhone", "031-" + n.rightJustified(7, '0')},
        {"HomeMobile", "010-9" + n.rightJustified(7, '0')},
        {"HomeStreet", "수원시 팔달구 " + QByteArray::number(i % 999) + "번지"},
        {"HomeCity", "수원"},
        {"Gender", QByteArray::number(1 + i % 2)},
        {"Birthday", "19" + QByteArray::number(50 + i % 50) + "0" + QByteArray::number(1 + i % 9) + "15"},
        {"Notes", i % 4 ? QByteArray("메모 ") + n : QByteArray("여러 줄 메모\n둘째 줄 &amp; 셋째")},
    };
    static const QHash<QString, QString> fieldOf{{"Categories", ""},
                                                 {"FirstName", "FirstName"},
                                                 {"LastName", "LastName"},
                                                 {"FileAs", "FileAs"},
                                                 {"JobTitle", "O_Title"},
                                                 {"Department", "O_Department"},
                                                 {"Company", "O_Company"},
                                                 {"BusinessPhone", "O_Phone"},
                                                 {"BusinessFax", "O_Fax"},
                                                 {"BusinessMobile", "O_Mobile"},
                                                 {"BusinessStreet", "O_Street"},
                                                 {"BusinessCity", "O_City"},
                                                 {"BusinessZip", "O_Zip"},
                                                 {"Emails", "Emails"},
                                                 {"HomePhone", "H_Phone"},
                                                 {"HomeMobile", "H_Mobile"},
                                                 {"HomeStreet", "H_Street"},
                                                 {"HomeCity", "H_City"},
                                                 {"Gender", "H_Gender"},
                                                 {"Birthday", "H_Birthday"},
                                                 {"Notes", "Notes"}};
    Generated g;
    g.element = "<Contact Uid=\"" + QByteArray::number(uid) + "\"";
    for (const auto &[name, value] : attributes) {
        g.element += " " + QByteArray(name) + "=\"" + value + "\"";
        if (const QString f = fieldOf.value(name); !f.isEmpty())
            g.fields.insert(f, value);
    }
    g.element += " />\n";
    g.fields.insert("ID", QByteArray::number(uid));
    g.fields.insert("BusinessContact", "0");
    g.fields.insert("BusinessCard", "0");
    return g;
}

Generated event(int i)
{
    const qint64 uid = -1100000000LL - i;
    const qint64 start = 1136041200 + qint64(i) * 3600;
    QList<std::tuple<const char *, QByteArray, const char *>> attributes{
        {"categories", QByteArray::number(i % 5), "Categories"},
        {"description", "주간 회의 " + QByteArray::number(i), "Description"},
        {"location", QByteArray::number(i % 12) + "층 회의실", "Location"},
        {"timezone", "Asia/Seoul", "Timezone"},
        {"note", i % 3 ? QByteArray("안건 ") + QByteArray::number(i) : QByteArray("안건:\n1. 예산\n2. 일정"), "Note"},
        {"start", QByteArray::number(start), "Start"},
        {"end", QByteArray::number(start + 1800), "End"},
        {"type", "Timed", "Type"},
        {"balarm", i % 2 ? "true" : "false", "balarm"},
        {"alarm", "15", "alarm"},
        {"sound", "loud", "sound"},
        {"rtype", i % 7 ? "NoRepeat" : "Weekly", "Rtype"},
        {"rfreq", "1", "Rfreq"},
        {"rweekdays", "0", "Rweekdays"},
        {"rhasenddate", "1", "Rhasenddate"},
        {"enddt", QByteArray::number(start + 86400 * 60), "Enddt"},
    };
    Generated g;
    g.element = "<event uid=\"" + QByteArray::number(uid) + "\"";
    for (const auto &[name, value, field] : attributes) {
        g.element += " " + QByteArray(name) + "=\"" + value + "\"";
        const bool time = QByteArray(name) == "start" || QByteArray(name) == "end" || QByteArray(name) == "enddt";
        g.fields.insert(field, time ? deviceTimeText(value.toLongLong()) : value);
    }
    g.element += " />\n";
    g.fields.insert("ID", QByteArray::number(uid));
    return g;
}

Generated task(int i)
{
    const qint64 uid = -1100000000LL - i;
    QList<std::tuple<const char *, QByteArray, const char *>> attributes{
        {"Categories", QByteArray::number(i % 5), "Categories"},
        {"Completed", QByteArray::number(i % 2), "Completed"},
        {"HasDate", "1", "Hasdate"},
        {"Priority", QByteArray::number(1 + i % 5), "Priority"},
        {"Description", "보고서 작성 " + QByteArray::number(i), "Description"},
        {"DateYear", QByteArray::number(2006 + i % 5), "Dateyear"},
        {"DateMonth", QByteArray::number(1 + i % 12), "Datemonth"},
        {"DateDay", QByteArray::number(1 + i % 28), "Dateday"},
        {"PercentCompleted", QByteArray::number(i % 100), "PercentCompleted"},
        {"Status", "InProgress", "Status"},
        {"Notes", i % 3 ? QByteArray("참고 ") + QByteArray::number(i) : QByteArray("참고:\n자료 &quot;A&quot;"),
         "Notes"},
    };
    Generated g;
    g.element = "<Task Uid=\"" + QByteArray::number(uid) + "\"";
    for (const auto &[name, value, field] : attributes) {
        g.element += " " + QByteArray(name) + "=\"" + value + "\"";
        g.fields.insert(field, value);
    }
    g.element += " />\n";
    g.fields.insert("ID", QByteArray::number(uid));
    return g;
}

struct Kind
{
    RecordKind kind;
    const char *name;
    const TableSchema &table;
    Generated (*generate)(int);
    QByteArray prologue;
    QByteArray epilogue;
};

QList<Kind> kinds()
{
    return {
        {RecordKind::Contacts, "contacts", schema::contacts(), contact,
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE Addressbook ><AddressBook>\n<Groups>\n</Groups>\n"
         "<Contacts>\n",
         "</Contacts>\n</AddressBook>\n"},
        {RecordKind::Events, "events", schema::datebook(), event, "<!DOCTYPE DATEBOOK>\n<events>\n", "</events>\n"},
        {RecordKind::Tasks, "tasks", schema::todo(), task, "<!DOCTYPE Tasks>\n<Tasks>\n", "</Tasks>\n"},
    };
}

QByteArray csvField(const QByteArray &value)
{
    if (!value.contains('"') && !value.contains(',') && !value.contains('\n') && !value.contains('\r'))
        return value;
    QByteArray quoted = value;
    quoted.replace("\"", "\"\"");
    return "\"" + quoted + "\"";
}

// Writes the document and a CSV of the same rows (every field of the table, in stored order).
bool generate(const Kind &kind, int count, const QString &documentPath, const QString &csvPath)
{
    QFile document(documentPath), csv(csvPath);
    if (!document.open(QIODevice::WriteOnly) || !csv.open(QIODevice::WriteOnly))
        return false;
    document.write(kind.prologue);
    for (int i = 0; i < count; ++i) {
        const Generated g = kind.generate(i);
        document.write(g.element);
        QByteArray row;
        for (int f = 0; f < kind.table.fields.size(); ++f) {
            if (f > 0)
                row += ',';
            row += csvField(g.fields.value(kind.table.fields.at(f)));
        }
        row += '\n';
        csv.write(row);
    }
    document.write(kind.epilogue);
    return true;
}

double runMs(const QString &program, const QStringList &args, const QByteArray &input = QByteArray())
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(-1);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
    p.readAllStandardOutput();
    return ms;
}

double sqliteImportMs(const Kind &kind, const QString &csvPath, const QString &dbPath)
{
    QFile::remove(dbPath);
    QStringList columns;
    for (const QString &f : kind.table.fields)
        columns << (f == "ID" ? QString("\"ID\" INTEGER") : QString("\"%1\" TEXT").arg(f));
    const QByteArray script = QString("CREATE TABLE t (%1);\nCREATE UNIQUE INDEX t_id ON t (\"ID\");\n"
                                      ".import --csv '%2' t\n")
                                  .arg(columns.join(", "), csvPath)
                                  .toUtf8();
    return runMs("sqlite3", {dbPath}, script);
}

// Child: one import, printed as "milliseconds merged skipped peak-kB".
int child(const QStringList &args)
{
    const RecordKind kind = RecordKind(args.value(0).toInt());
    const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(args.value(1)));
    QElapsedTimer t;
    t.start();
    const ReadResult r = readDeviceDocument(kind, *store, args.value(2));
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (!r.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(r.failure));
        return 1;
    }
    std::printf("%.1f %lld %lld %lld\n", ms, qlonglong(r.merged), qlonglong(r.skipped),
                qlonglong(bench::processPeakKilobytes()));
    return 0;
}

// Child: the whole import as the import window and pimdesk-cli run it (the data folder's lock, the
// copy of the handheld's document beside the store, the backup of the store before the merge, the
// merge, the guard's kept copy), printed like child().
int deviceChild(const QStringList &args)
{
    const RecordKind kind = RecordKind(args.value(0).toInt());
    const QString data = args.value(1);
    const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(data));
    SilentMessages messages;
    QElapsedTimer t;
    t.start();
    const ImportOutcome outcome = importFromDevice(*store, data, args.value(2), {kind}, messages, nullptr);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (!outcome.allCompleted) {
        std::fprintf(stderr, "the import of %s did not complete\n", kindInfo(kind).table);
        return 1;
    }
    const qint64 records = store->count(QString::fromLatin1(kindInfo(kind).table));
    std::printf("%.1f %lld 0 %lld\n", ms, qlonglong(records), qlonglong(bench::processPeakKilobytes()));
    return 0;
}

// The document walked by the reader's front end alone, without the store: the share of the
// import that is reading rather than storing.
double parseOnlyMs(const QString &documentPath, const QByteArray &recordElement)
{
    QFile file(documentPath);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    QElapsedTimer t;
    t.start();
    DocumentReader reader(file, recordElement, {});
    qint64 attributes = 0;
    while (reader.next())
        attributes += reader.attributes().size();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    return attributes > 0 ? ms : -1;
}

struct ChildRun
{
    double ms = 0;
    qint64 merged = 0;
    qint64 peakKb = 0;
};

ChildRun runChild(const Kind &kind, const QString &dataDirectory, const QString &documentPath,
                  const char *mode = "--child")
{
    // The documents, stores and baselines the benchmark wrote are on the disk first: the import's
    // own syncs then wait only for its own files.
    ::sync();
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(),
            {mode, QString::number(int(kind.kind)), dataDirectory, documentPath});
    p.waitForFinished(-1);
    const QList<QByteArray> parts = p.readAllStandardOutput().trimmed().split(' ');
    return {parts.value(0).toDouble(), parts.value(1).toLongLong(), parts.value(3).toLongLong()};
}

constexpr int runs = 3;

double bestMs(const std::function<double()> &measure)
{
    double best = -1;
    for (int i = 0; i < runs; ++i) {
        const double ms = measure();
        if (best < 0 || ms < best)
            best = ms;
    }
    return best;
}

// The fastest of the runs, with the highest peak memory of them and the fewest records merged (a
// run that merged less shows).
ChildRun bestRun(const std::function<ChildRun()> &run)
{
    ChildRun best;
    for (int i = 0; i < runs; ++i) {
        const ChildRun r = run();
        best.ms = i == 0 ? r.ms : std::min(best.ms, r.ms);
        best.merged = i == 0 ? r.merged : std::min(best.merged, r.merged);
        best.peakKb = std::max(best.peakKb, r.peakKb);
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.value(0) == "--child")
        return child(args.mid(1));
    if (args.value(0) == "--device-child")
        return deviceChild(args.mid(1));

    QList<int> sizes{1000, 10000, 100000};
    QString keep;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--sizes" && i + 1 < args.size()) {
            sizes.clear();
            for (const QString &s : args[++i].split(','))
                sizes << s.toInt();
        } else if (args[i] == "--keep" && i + 1 < args.size()) {
            keep = args[++i];
        }
    }
    QTemporaryDir temporary;
    const QString work = keep.isEmpty() ? temporary.path() : keep;
    QDir().mkpath(work);

    QTextStream out(stdout);
    out << "Times are the best of " << runs << " runs, the baselines' too; peak memory the highest of them.\n";
    out << "kind      records  store  import-ms  records/s  peak-MB  doc-MB  limit-MB  baseline-ms (sqlite3 + "
           "xmllint)  ratio  parse-only-ms\n";
    for (const Kind &kind : kinds()) {
        for (const int n : sizes) {
            const QString base = QString("%1/%2-%3").arg(work, kind.name).arg(n);
            const QString document = base + ".xml", csv = base + ".csv";
            if (!generate(kind, n, document, csv)) {
                out << "cannot write " << document << '\n';
                return 1;
            }
            const double sqliteMs = bestMs([&] { return sqliteImportMs(kind, csv, base + "-baseline.db"); });
            const double xmllintMs = bestMs([&] { return runMs("xmllint", {"--stream", "--noout", document}); });
            const double baseline = sqliteMs + xmllintMs;
            const double documentMb = double(QFileInfo(document).size()) / (1 << 20);
            const QByteArray recordElement = kind.kind == RecordKind::Contacts ? "Contact"
                                             : kind.kind == RecordKind::Events ? "event"
                                                                               : "Task";
            const double parseMs = parseOnlyMs(document, recordElement);
            const QString data = base + "-data";
            QDir(data).removeRecursively();
            for (const char *storeState : {"empty", "full"}) {
                const bool empty = storeState == QLatin1String("empty");
                const ChildRun r = bestRun([&] {
                    if (empty)
                        QDir(data).removeRecursively();
                    return runChild(kind, data, document);
                });
                if (r.merged != n) {
                    out << kind.name << ' ' << n << ": merged " << r.merged << " records\n";
                    return 1;
                }
                out << QString("%1 %2  %3  %4  %5  %6  %7  %8  %9 (%10 + %11)  %12")
                           .arg(kind.name, -8)
                           .arg(n, 8)
                           .arg(storeState, 5)
                           .arg(r.ms, 9, 'f', 1)
                           .arg(qint64(n / (r.ms / 1000.0)), 9)
                           .arg(double(r.peakKb) / 1024.0, 7, 'f', 1)
                           .arg(documentMb, 6, 'f', 1)
                           .arg(3 * documentMb + 50, 8, 'f', 1)
                           .arg(baseline, 11, 'f', 1)
                           .arg(sqliteMs, 0, 'f', 1)
                           .arg(xmllintMs, 0, 'f', 1)
                           .arg(r.ms / baseline, 5, 'f', 2)
                    << QString("  %1\n").arg(parseMs, 9, 'f', 1);
                out.flush();
                bench::report(qPrintable(QString("import %1 into %2 store").arg(kind.name, storeState)), n, r.ms / 1000,
                              double(r.peakKb) / 1024.0, baseline / 1000, "sqlite3 .import + xmllint");
            }
            // The whole import from a handheld (a folder standing in for it), backup and kept copy
            // included: into a new data folder, then again into the full store (whose backup is then
            // a store of n records).
            const QString drive = base + "-drive";
            const QString onHandheld = QDir(drive).filePath(QLatin1String(kindInfo(kind.kind).handheldFolder));
            QDir().mkpath(onHandheld);
            QFile::remove(QDir(onHandheld).filePath(QLatin1String(kindInfo(kind.kind).documentName)));
            if (!QFile::copy(document, QDir(onHandheld).filePath(QLatin1String(kindInfo(kind.kind).documentName)))) {
                out << "cannot put " << document << " on the stand-in handheld\n";
                return 1;
            }
            const QString deviceData = base + "-device-data";
            QDir(deviceData).removeRecursively();
            for (const char *storeState : {"empty", "full"}) {
                const bool empty = storeState == QLatin1String("empty");
                const ChildRun r = bestRun([&] {
                    if (empty)
                        QDir(deviceData).removeRecursively();
                    return runChild(kind, deviceData, drive, "--device-child");
                });
                if (r.merged != n) {
                    out << kind.name << ' ' << n << ": the device import left " << r.merged << " records\n";
                    return 1;
                }
                const double peakMb = double(r.peakKb) / 1024.0, limitMb = 3 * documentMb + 50;
                out << QString("%1 %2  %3  %4  %5  %6  %7  %8  %9  %10  (whole import: backup, kept copy)\n")
                           .arg(kind.name, -8)
                           .arg(n, 8)
                           .arg(storeState, 5)
                           .arg(r.ms, 9, 'f', 1)
                           .arg(qint64(n / (r.ms / 1000.0)), 9)
                           .arg(peakMb, 7, 'f', 1)
                           .arg(documentMb, 6, 'f', 1)
                           .arg(limitMb, 8, 'f', 1)
                           .arg(baseline, 11, 'f', 1)
                           .arg(r.ms / baseline, 5, 'f', 2);
                out.flush();
                bench::report(
                    qPrintable(
                        QString("device import %1 into %2 store (backup, kept copy)").arg(kind.name, storeState)),
                    n, r.ms / 1000, peakMb, baseline / 1000, "sqlite3 .import + xmllint",
                    // The time target holds at 100,000 records, the memory target at every size.
                    {n >= 100000 ? 0.6 : -1, -1, limitMb});
            }
        }
    }
    return 0;
}
