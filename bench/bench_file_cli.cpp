// vCard and iCalendar end to end through pimdesk-cli: a store of 10,000 contacts and 10,000 events
// (1,000 and 10,000 by default) exported to a file, that file imported into an empty store (every
// record added, under the lock, after the snapshot) and again (nothing changes, no snapshot), each a
// whole run of the command-line tool, beside the outside readers of the same files:
//   vobject    python3-vobject reading every card of the file;
//   icalendar  python3-icalendar reading the calendar (Calendar.from_ical), events walked.
// The outside time is what the reader itself reports for reading the file (interpreter start and
// module import left out); ours is the whole command, process start and store included. Target:
// each of ours at most the outside reader's time (ratio <= 1.0). Peak memory is the command's own
// (its maximum resident set, from the kernel's accounting of the finished process).
#include "BenchReport.h"
#include "records/Store.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace pimdesk;

namespace {

const QStringList family{"김", "이", "박", "최", "정", "강", "조", "윤"};
const QStringList given{"철수", "영희", "민수", "지성", "다운", "하늘", "은비", "서연"};

void fill(Store &store, int n)
{
    Store::Transaction transaction(store);
    const QDateTime first(QDate(2024, 1, 1), QTime(9, 0), Qt::UTC);
    for (int i = 0; i < n; ++i) {
        const QString last = family[i % family.size()];
        const QString firstName = given[(i / 8) % given.size()];
        store.exec("INSERT INTO Contacts (ID, LastName, FirstName, FileAs, H_Mobile, O_Phone, Emails, O_Company, "
                   "O_Title, H_Street, H_City, H_Zip, H_Birthday, Notes) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                   {i + 1, last, firstName, last + firstName + QString::number(i),
                    QStringLiteral("010-%1-%2").arg(1000 + i % 9000).arg(i % 10000, 4, 10, QChar(u'0')),
                    QStringLiteral("02-555-%1").arg(i % 10000, 4, 10, QChar(u'0')),
                    QStringLiteral("user%1@example.com").arg(i), QStringLiteral("한국전자 %1").arg(i % 50), "과장",
                    QStringLiteral("강남대로 %1길 %2").arg(i % 300).arg(i % 70), "서울",
                    QStringLiteral("0%1").arg(6000 + i % 1000),
                    QStringLiteral("%1 Jan 19%2").arg(1 + i % 28).arg(50 + i % 50),
                    i % 10 == 0 ? QVariant(QStringLiteral("메모 %1\n둘째 줄, &quot;인용&quot; &amp; 기호").arg(i)) : QVariant()});
        const QDateTime start = first.addSecs(qint64(i) * 5400);
        const bool weekly = i % 10 == 7 || i % 10 == 8;
        const bool allDay = i % 10 == 9;
        store.exec("INSERT INTO Datebook (ID, Description, Location, Type, Start, \"End\", Rtype, Rfreq, Rweekdays, "
                   "Rhasenddate, Enddt, Exceptions, balarm, alarm, sound) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                   {i + 1, QStringLiteral("회의 %1, 3층").arg(i), "본사", allDay ? "AllDay" : "Timed",
                    allDay ? start.date().toString("yyyy-MM-dd") + " 00:00:00" : start.toString("yyyy-MM-dd HH:mm:ss"),
                    allDay ? start.date().toString("yyyy-MM-dd") + " 23:59:59"
                           : start.addSecs(3600).toString("yyyy-MM-dd HH:mm:ss"),
                    weekly ? QVariant("Weekly") : QVariant(), weekly ? QVariant("1") : QVariant(),
                    weekly ? QVariant(QString::number(1 << (start.date().dayOfWeek() - 1))) : QVariant(),
                    weekly ? QVariant("1") : QVariant(),
                    weekly ? QVariant(start.date().addDays(7 * 20).toString("yyyy-MM-dd") + " 00:00:00") : QVariant(),
                    weekly ? QVariant(start.date().addDays(14).toString("yyyyMMdd")) : QVariant(),
                    i % 2 == 0 ? QVariant("true") : QVariant(), i % 2 == 0 ? QVariant("10") : QVariant(),
                    i % 2 == 0 ? QVariant("loud") : QVariant()});
    }
    transaction.commit();
}

struct Run
{
    double seconds = -1;
    double peakMegabytes = -1;
};

// One run of a command, timed, with its own peak memory: a small python parent starts it and
// reports the wall time and the finished child's maximum resident set.
const char *const runner = R"(
import resource, subprocess, sys, time
t = time.perf_counter()
r = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL)
dt = time.perf_counter() - t
print(dt, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, r.returncode)
)";

Run command(const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start("/usr/bin/python3", QStringList{"-c", QString::fromLatin1(runner)} + args);
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        return {};
    const QList<QByteArray> parts = p.readAllStandardOutput().trimmed().split(' ');
    if (parts.size() != 3 || parts[2] != "0")
        return {};
    return {parts[0].toDouble(), parts[1].toDouble() / 1024.0};
}

Run bestOf(int runs, const std::function<Run()> &once)
{
    Run best;
    for (int i = 0; i < runs; ++i) {
        const Run r = once();
        if (r.seconds < 0)
            return r;
        if (best.seconds < 0 || r.seconds < best.seconds)
            best.seconds = r.seconds;
        best.peakMegabytes = std::max(best.peakMegabytes, r.peakMegabytes);
    }
    return best;
}

double outsideSeconds(const char *script, const QString &path, int runs)
{
    double best = -1;
    for (int i = 0; i < runs; ++i) {
        QProcess p;
        p.start("/usr/bin/python3", {"-c", QString::fromLatin1(script), path});
        if (!p.waitForFinished(-1) || p.exitCode() != 0)
            return -1;
        bool ok = false;
        const double s = p.readAllStandardOutput().trimmed().toDouble(&ok);
        if (ok && (best < 0 || s < best))
            best = s;
    }
    return best;
}

const char *const vobjectReader = R"(
import sys, time, vobject
text = open(sys.argv[1], encoding='utf-8').read()
t = time.perf_counter()
cards = list(vobject.readComponents(text))
assert cards
print(time.perf_counter() - t)
)";

const char *const icalendarReader = R"(
import sys, time, icalendar
data = open(sys.argv[1], 'rb').read()
t = time.perf_counter()
cal = icalendar.Calendar.from_ical(data)
events = [c for c in cal.walk('VEVENT')]
assert events
print(time.perf_counter() - t)
)";

void line(const char *operation, int n, const Run &run, double baseline, const char *baselineName, qint64 bytes)
{
    std::printf("%-28s %7d | %8.3f s %9.0f rec/s %7.1f MB peak %6.1f MB file | %8.3f s %6.2f\n", operation, n,
                run.seconds, n / run.seconds, run.peakMegabytes, bytes / 1048576.0, baseline,
                baseline > 0 ? run.seconds / baseline : 0.0);
    bench::report(operation, n, run.seconds, run.peakMegabytes, baseline, baselineName);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QList<int> sizes{1000, 10000};
    if (argc > 1) {
        sizes.clear();
        for (int i = 1; i < argc; ++i)
            sizes << QString(argv[i]).toInt();
    }
    // The tool of this build, or another build's (PIMDESK_BENCH_CLI=build-release/src/pimdesk-cli).
    const QString cli = qEnvironmentVariableIsEmpty("PIMDESK_BENCH_CLI") ? QStringLiteral(PIMDESK_BENCH_CLI)
                                                                         : qEnvironmentVariable("PIMDESK_BENCH_CLI");
    std::printf("pimdesk-cli: %s\n", qPrintable(cli));
    qputenv("TZ", "Asia/Seoul");
    // Fewer runs on a busy machine: PIMDESK_BENCH_RUNS=1.
    const int runs = qEnvironmentVariableIsSet("PIMDESK_BENCH_RUNS")
                         ? std::max(1, qEnvironmentVariableIntValue("PIMDESK_BENCH_RUNS"))
                         : 3;
    std::printf("Best of %d runs of pimdesk-cli, each a whole process (store opened, lock, snapshot).\n"
                "out: export-* of the store; in: import-* into an empty store; again: the same file once more\n"
                "(nothing changes). Outside: the python reader's own time for the same file; ratio = ours / "
                "outside.\n\n",
                runs);
    for (int n : sizes) {
        QTemporaryDir dir;
        const QString from = dir.filePath("from");
        fill(*Store::open(Store::pathInDirectory(from)), n);
        for (const bool cards : {true, false}) {
            const QString file = dir.filePath(cards ? "contacts.vcf" : "calendar.ics");
            const QString exportCommand = cards ? "export-vcard" : "export-ical";
            const QString importCommand = cards ? "import-vcard" : "import-ical";
            const Run out = bestOf(runs, [&] { return command({cli, "--data", from, exportCommand, file}); });
            int round = 0;
            QString into;
            const Run in = bestOf(runs, [&] {
                into = dir.filePath(QString("into-%1-%2").arg(cards).arg(++round));
                return command({cli, "--data", into, importCommand, file});
            });
            const Run again = bestOf(runs, [&] { return command({cli, "--data", into, importCommand, file}); });
            if (out.seconds < 0 || in.seconds < 0 || again.seconds < 0) {
                std::fprintf(stderr, "pimdesk-cli failed\n");
                return 1;
            }
            const qint64 stored = Store::open(Store::pathInDirectory(into))->count(cards ? "Contacts" : "Datebook");
            if (stored != n) {
                std::fprintf(stderr, "imported %lld of %d\n", static_cast<long long>(stored), n);
                return 1;
            }
            const double outside = outsideSeconds(cards ? vobjectReader : icalendarReader, file, runs);
            const char *outsideName = cards ? "python3-vobject read" : "python3-icalendar read";
            const qint64 bytes = QFile(file).size();
            line(cards ? "cli vCard out (3.0)" : "cli iCalendar out", n, out, outside, outsideName, bytes);
            line(cards ? "cli vCard in (all added)" : "cli iCalendar in (all added)", n, in, outside, outsideName, bytes);
            line(cards ? "cli vCard in again" : "cli iCalendar in again", n, again, outside, outsideName, bytes);
        }
    }
    return 0;
}
