#pragma once

// The baseline of the list benchmarks: the sqlite3 shell running the same query as the window, to
// its end, its output thrown away. Wall time says what the user waited; processor time what the
// work cost, which varies far less on a machine shared with other work.

#include <QElapsedTimer>
#include <QProcess>
#include <QString>

#include <sys/resource.h>

namespace pimdesk::bench {

// Processor time (user and system) of this process (RUSAGE_SELF) or of its finished children
// (RUSAGE_CHILDREN), in ms.
inline double cpuMs(int who = RUSAGE_SELF)
{
    rusage usage{};
    getrusage(who, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

struct Timing
{
    double ms = -1;  // wall time; -1 when the shell failed
    double cpu = -1; // processor time
};

inline Timing sqliteShell(const QString &storePath, const QString &query)
{
    const double childrenBefore = cpuMs(RUSAGE_CHILDREN);
    QProcess shell;
    shell.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    shell.start("sqlite3", {storePath, query});
    const bool finished = shell.waitForFinished(-1);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (!finished || shell.exitStatus() != QProcess::NormalExit || shell.exitCode() != 0)
        return {};
    return {ms, cpuMs(RUSAGE_CHILDREN) - childrenBefore};
}

} // namespace pimdesk::bench
