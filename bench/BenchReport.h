#pragma once

// The one line of figures every benchmark prints per measurement, beside its own human-readable
// table, for scripts/bench.sh to collect (see bench/README.md):
//
//   BENCH<TAB>operation<TAB>records<TAB>seconds<TAB>peak-MB<TAB>baseline-seconds<TAB>baseline
//
// peak-MB, baseline-seconds and baseline are "-" when not measured.

#include <QByteArray>
#include <QFile>

#include <cstdio>

namespace pimdesk::bench {

// The highest resident memory of this process so far (VmHWM), in kilobytes and in megabytes
// (-1 when unknown).
inline long long processPeakKilobytes()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

inline double processPeakMegabytes()
{
    const long long kilobytes = processPeakKilobytes();
    return kilobytes < 0 ? -1 : kilobytes / 1024.0;
}

inline void report(const char *operation, long long records, double seconds, double peakMegabytes = -1,
                   double baselineSeconds = -1, const char *baseline = nullptr)
{
    char peak[32] = "-";
    char base[32] = "-";
    if (peakMegabytes >= 0)
        std::snprintf(peak, sizeof peak, "%.1f", peakMegabytes);
    if (baselineSeconds > 0)
        std::snprintf(base, sizeof base, "%.6f", baselineSeconds);
    std::printf("BENCH\t%s\t%lld\t%.6f\t%s\t%s\t%s\n", operation, records, seconds, peak, base,
                baselineSeconds > 0 && baseline ? baseline : "-");
    std::fflush(stdout);
}

} // namespace pimdesk::bench
