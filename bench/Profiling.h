#pragma once

// Profiling only what a benchmark measures: run it under
//
//   mkfifo /tmp/ctl /tmp/ack
//   PIMDESK_BENCH_PERF_CONTROL=/tmp/ctl,/tmp/ack perf record -g -D -1 --control fifo:/tmp/ctl,/tmp/ack BENCH
//
// and perf samples only between bench::profile(part, true) and bench::profile(part, false), not
// while the benchmark fills its store. PIMDESK_BENCH_PROFILE=part keeps only the parts whose names
// begin with it (for example "open", "search", or "search notes" for one of the task list's
// searches). Without the control variable these calls do nothing.

#include <QByteArray>
#include <QList>

#include <fcntl.h>
#include <unistd.h>

namespace pimdesk::bench {

inline void profile(const char *part, bool on)
{
    static const QList<QByteArray> fifos = qgetenv("PIMDESK_BENCH_PERF_CONTROL").split(',');
    static const QByteArray only = qgetenv("PIMDESK_BENCH_PROFILE");
    if (fifos.size() != 2 || !QByteArray(part).startsWith(only))
        return;
    static const int control = ::open(fifos.at(0).constData(), O_WRONLY);
    static const int acknowledge = ::open(fifos.at(1).constData(), O_RDONLY);
    if (control < 0 || acknowledge < 0)
        return;
    const char *command = on ? "enable\n" : "disable\n";
    if (::write(control, command, qstrlen(command)) < 0)
        return;
    char reply[8];
    // perf answers "ack" once the events are switched.
    if (::read(acknowledge, reply, sizeof reply) < 0)
        return;
}

} // namespace pimdesk::bench
