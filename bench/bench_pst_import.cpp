// Outlook data file import: the sample offline store (pst-extractor-mtnman1965.ost, 16.8 MB, 15
// contacts, 2 tasks, 170 appointments) read through libpff. Times, each the best of several runs:
//   - the import sequence of the Outlook window with every kind ticked and the widest ranges, into an
//     empty store and again into the store that holds the items (every item an update);
//   - reading every item of every folder (all 170 appointments, bodies turned into text);
// and beside them the baseline of the same run: Debian's pffexport exporting the same file.
//
//   bench_pst_import [FILE.ost|FILE.pst] [--runs N]
// Without FILE the offline store is unpacked from the shared test data.

#include "records/Clock.h"
#include "BenchReport.h"
#include "outlook/OutlookImport.h"
#include "outlook/pst/BodyText.h"
#include "outlook/pst/PstFile.h"
#include "outlook/pst/PstOutlook.h"
#include "records/DataSource.h"
#include "records/Messages.h"
#include "records/Store.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace pimdesk;
using namespace pimdesk::outlook;

namespace {

struct Timing
{
    QList<double> ms;
    double best() const { return ms.isEmpty() ? 0 : *std::min_element(ms.begin(), ms.end()); }
    double median() const
    {
        QList<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted.isEmpty() ? 0 : sorted.at(sorted.size() / 2);
    }
};

double elapsedMs(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    settleLocalTimeZone(); // as the program does at start
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int runs = 5;
    if (const qsizetype at = args.indexOf("--runs"); at >= 0 && at + 1 < args.size()) {
        runs = std::max(1, args.at(at + 1).toInt());
        args.remove(at, 2);
    }
    QTemporaryDir work;
    QString file = args.value(0);
    if (file.isEmpty()) {
        const QString shared = qEnvironmentVariable("PIMDESK_SHARED_TESTDATA", PIMDESK_BENCH_SHARED_TESTDATA);
        const QString archive = QDir(shared).filePath("pst/pst-extractor-mtnman1965.ost.tar.xz");
        QProcess tar;
        tar.start("tar", {"-xJf", archive, "-C", work.path()});
        tar.waitForFinished(300000);
        file = work.filePath("pst-extractor-mtnman1965.ost");
        if (!QFile::exists(file)) {
            std::fprintf(stderr, "bench_pst_import: cannot unpack %s; name a .pst or .ost file\n", qPrintable(archive));
            return 1;
        }
    }
    std::printf("Outlook data file: %s (%.1f MB), best of %d runs\n", qPrintable(QFileInfo(file).fileName()),
                QFileInfo(file).size() / 1e6, runs);

    // The import sequence, into an empty store and again over it.
    Timing fresh, again;
    int imported = 0;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir dir;
        const QString storePath = Store::pathInDirectory(dir.path());
        for (Timing *timing : {&fresh, &again}) {
            DataSource data1, data2;
            SilentMessages messages;
            ImportRequest request;
            request.contacts = request.tasks = request.calendar = true;
            request.taskRange = {"0000", "00", "00", "9999", "12", "31"};
            request.calendarRange = {"1970", "01", "02", "2038", "01", "18"};
            request.showAccessMessage = false;
            QElapsedTimer timer;
            timer.start();
            const SequenceOutcome outcome =
                importFromOutlook(request, {dataFileSource(file), storePath, &data1, &data2, &messages, {}});
            timing->ms << elapsedMs(timer);
            if (!outcome.ok) {
                std::fprintf(stderr, "bench_pst_import: the import failed\n");
                return 1;
            }
            imported = 0;
            for (const KindOutcome &kind : outcome.kinds)
                imported += kind.added + kind.updated;
        }
    }

    // Every item of every folder, as pffexport reads them.
    Timing everything;
    qsizetype items = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const auto pst = pst::File::open(file);
        items = 0;
        for (quint32 folder : pst->folders()) {
            for (const pst::Message &message : pst->messages(folder)) {
                ++items;
                if (!message.rtf.isEmpty())
                    pst::textFromRtf(message.rtf, message.properties.codePage());
            }
        }
        everything.ms << elapsedMs(timer);
    }
    const qint64 peak = bench::processPeakKilobytes();

    // The baseline: pffexport exporting the same file (items, text format) to a fresh folder.
    Timing baseline;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir target;
        QProcess pffexport;
        QElapsedTimer timer;
        timer.start();
        pffexport.start("pffexport", {"-q", "-t", target.filePath("out"), file});
        if (!pffexport.waitForFinished(600000) || pffexport.exitStatus() != QProcess::NormalExit) {
            std::fprintf(stderr, "bench_pst_import: pffexport (pff-tools) did not run\n");
            break;
        }
        baseline.ms << elapsedMs(timer);
    }

    auto line = [&](const char *what, const Timing &t, qsizetype count, const char *operation) {
        std::printf("  %-44s %8.1f ms (median %8.1f)  %8.0f items/s", what, t.best(), t.median(),
                    t.best() > 0 ? count * 1000.0 / t.best() : 0.0);
        if (baseline.best() > 0)
            std::printf("  %.2fx pffexport", t.best() / baseline.best());
        std::printf("\n");
        bench::report(operation, count, t.best() / 1000, peak / 1024.0, baseline.best() / 1000, "pffexport -q");
    };
    line("import sequence, empty store", fresh, imported, "Outlook data file import into empty store");
    line("import sequence, again (updates)", again, imported, "Outlook data file import into full store");
    line("read every item of every folder", everything, items, "Outlook data file read every item");
    if (baseline.best() > 0)
        std::printf("  %-44s %8.1f ms (median %8.1f)\n", "baseline: pffexport -q (all items, text)", baseline.best(),
                    baseline.median());
    std::printf("  items imported per run: %d; items read: %lld; peak memory of this process: %.1f MB\n", imported,
                static_cast<long long>(items), peak / 1024.0);
    return 0;
}
