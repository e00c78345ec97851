#pragma once

// The one line of figures every benchmark prints per measurement, beside its own human-readable
// table, for scripts/bench.sh to collect (see bench/README.md):
//
//   BENCH<TAB>operation<TAB>records<TAB>seconds<TAB>peak-MB<TAB>baseline-seconds<TAB>baseline[<TAB>target...]
//
// peak-MB, baseline-seconds and baseline are "-" when not measured. The targets the measurement is
// held to follow as name=value fields: ratio= (at most that many times the baseline's time),
// seconds= (under that many seconds), memory-MB= (peak memory under that many megabytes).

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

// What a measurement is held to; a negative value is no target.
struct Targets
{
    double ratio = -1;
    double seconds = -1;
    double memoryMegabytes = -1;
};

inline void report(const char *operation, long long records, double seconds, double peakMegabytes = -1,
                   double baselineSeconds = -1, const char *baseline = nullptr, Targets targets = {})
{
    char peak[32] = "-";
    char base[32] = "-";
    if (peakMegabytes >= 0)
        std::snprintf(peak, sizeof peak, "%.1f", peakMegabytes);
    if (baselineSeconds > 0)
        std::snprintf(base, sizeof base, "%.6f", baselineSeconds);
    std::printf("BENCH\t%s\t%lld\t%.6f\t%s\t%s\t%s", operation, records, seconds, peak, base,
                baselineSeconds > 0 && baseline ? baseline : "-");
    if (targets.ratio > 0)
        std::printf("\tratio=%.2f", targets.ratio);
    if (targets.seconds > 0)
        std::printf("\tseconds=%.3f", targets.seconds);
    if (targets.memoryMegabytes > 0)
        std::printf("\tmemory-MB=%.1f", targets.memoryMegabytes);
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace pimdesk::bench
