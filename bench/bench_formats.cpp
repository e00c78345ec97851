// vCard and iCalendar figures: 1,000 and 10,000 synthetic contacts and events, written from records
// in memory to a file and read from that file back to records, beside the outside readers of the
// same files measured in the same run:
//   vobject    python3-vobject reading every card of the file;
//   icalendar  python3-icalendar reading the calendar (Calendar.from_ical), events walked.
// The outside time is what the reader itself reports for reading the file (interpreter start and
// module import left out). Target: our writing and our reading each at most that time.
#include "BenchReport.h"
#include "formats/CalendarFiles.h"
#include "formats/ContactCards.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace pimdesk;
using namespace pimdesk::formats;

namespace {

const QStringList family{"김", "이", "박", "최", "정", "강", "조", "윤"};
const QStringList given{"철수", "영희", "민수", "지성", "다운", "하늘", "은비", "서연"};

QList<StoreRecord> contacts(int n)
{
    QList<StoreRecord> all;
    all.reserve(n);
    for (int i = 0; i < n; ++i) {
        const QString last = family[i % family.size()];
        const QString first = given[(i / 8) % given.size()];
        StoreRecord c{{"ID", QString::number(i + 1)},
                      {"LastName", last},
                      {"FirstName", first},
                      {"FileAs", last + first + QString::number(i)},
                      {"H_Mobile", QStringLiteral("010-%1-%2").arg(1000 + i % 9000).arg(i % 10000, 4, 10, QChar(u'0'))},
                      {"O_Phone", QStringLiteral("02-555-%1").arg(i % 10000, 4, 10, QChar(u'0'))},
                      {"Emails", QStringLiteral("user%1@example.com").arg(i)},
                      {"O_Company", QStringLiteral("한국전자 %1").arg(i % 50)},
                      {"O_Title", "과장"},
                      {"H_Street", QStringLiteral("강남대로 %1길 %2").arg(i % 300).arg(i % 70)},
                      {"H_City", "서울"},
                      {"H_Zip", QStringLiteral("0%1").arg(6000 + i % 1000)},
                      {"H_Birthday", QStringLiteral("%1 Jan 19%2").arg(1 + i % 28).arg(50 + i % 50)}};
        if (i % 10 == 0)
            c["Notes"] = QStringLiteral("메모 %1\n둘째 줄, &quot;인용&quot; &amp; 기호").arg(i);
        if (i % 4 == 0)
            c["H_Gender"] = QString::number(1 + i % 2);
        all << c;
    }
    return all;
}

// Seven in ten single events, two weekly series with an end and an exception, one all-day;
// an alarm on every other one.
QList<StoreRecord> events(int n)
{
    QList<StoreRecord> all;
    all.reserve(n);
    const QDateTime first(QDate(2024, 1, 1), QTime(9, 0), Qt::UTC);
    for (int i = 0; i < n; ++i) {
        const QDateTime start = first.addSecs(qint64(i) * 5400);
        StoreRecord e{{"ID", QString::number(i + 1)},
                      {"Description", QStringLiteral("회의 %1, 3층").arg(i)},
                      {"Location", "본사"},
                      {"Type", "Timed"},
                      {"Start", start.toString("yyyy-MM-dd HH:mm:ss")},
                      {"End", start.addSecs(3600).toString("yyyy-MM-dd HH:mm:ss")}};
        if (i % 10 == 7 || i % 10 == 8) {
            e["Rtype"] = "Weekly";
            e["Rfreq"] = "1";
            e["Rweekdays"] = QString::number(1 << (start.date().dayOfWeek() - 1));
            e["Rhasenddate"] = "1";
            e["Enddt"] = start.date().addDays(7 * 20).toString("yyyy-MM-dd") + " 00:00:00";
            e["Exceptions"] = start.date().addDays(14).toString("yyyyMMdd");
        } else if (i % 10 == 9) {
            e["Type"] = "AllDay";
            e["Start"] = start.date().toString("yyyy-MM-dd") + " 00:00:00";
            e["End"] = start.date().toString("yyyy-MM-dd") + " 23:59:59";
        }
        if (i % 2 == 0) {
            e["balarm"] = "true";
            e["alarm"] = "10";
            e["sound"] = "loud";
        }
        all << e;
    }
    return all;
}

template <typename F> double bestSeconds(int runs, F &&measure)
{
    double best = -1;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        measure();
        const double s = t.nsecsElapsed() / 1e9;
        if (best < 0 || s < best)
            best = s;
    }
    return best;
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The outside reader's own time for the file, the best of runs; -1 when it cannot run.
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

void line(const char *operation, int n, double seconds, double peak, double baseline, const char *baselineName,
          qint64 bytes)
{
    std::printf("%-24s %7d | %8.3f s %9.0f rec/s %6.1f MB file | %8.3f s %6.2f\n", operation, n, seconds, n / seconds,
                bytes / 1048576.0, baseline, baseline > 0 ? seconds / baseline : 0.0);
    bench::report(operation, n, seconds, peak, baseline, baselineName);
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
    constexpr int runs = 3;
    std::printf("Best of %d runs. out: records in memory to the file (written); in: the file (read) to records.\n"
                "Outside: the python reader's own time for the same file; ratio = ours / outside.\n\n",
                runs);
    CalendarOptions options;
    options.localZone = "Asia/Seoul";
    for (int n : sizes) {
        QTemporaryDir dir;
        const QString vcf = dir.filePath("contacts.vcf");
        const QString ics = dir.filePath("calendar.ics");
        const QList<StoreRecord> people = contacts(n);
        const QList<StoreRecord> items = events(n);

        const double contactsOut = bestSeconds(runs, [&] { writeAll(vcf, vcardFileFromContacts(people)); });
        int read = 0;
        const double contactsIn = bestSeconds(runs, [&] { read = int(contactsFromVCardFile(readAll(vcf)).contacts.size()); });
        if (read != n) {
            std::fprintf(stderr, "read %d contacts of %d\n", read, n);
            return 1;
        }
        const double vobject = outsideSeconds(vobjectReader, vcf, runs);
        const qint64 vcfBytes = readAll(vcf).size();
        line("vCard out (3.0)", n, contactsOut, bench::processPeakMegabytes(), vobject, "python3-vobject read", vcfBytes);
        line("vCard in", n, contactsIn, bench::processPeakMegabytes(), vobject, "python3-vobject read", vcfBytes);

        const double eventsOut = bestSeconds(runs, [&] { writeAll(ics, calendarFileFromRecords(items, {}, options)); });
        const double eventsIn = bestSeconds(runs, [&] {
            read = int(recordsFromCalendarFile(readAll(ics), options).events.size());
        });
        if (read != n) {
            std::fprintf(stderr, "read %d events of %d\n", read, n);
            return 1;
        }
        const double icalendar = outsideSeconds(icalendarReader, ics, runs);
        const qint64 icsBytes = readAll(ics).size();
        line("iCalendar out", n, eventsOut, bench::processPeakMegabytes(), icalendar, "python3-icalendar read", icsBytes);
        line("iCalendar in", n, eventsIn, bench::processPeakMegabytes(), icalendar, "python3-icalendar read", icsBytes);
    }
    return 0;
}
