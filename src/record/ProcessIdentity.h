#pragma once

#include <QString>

#include <optional>

namespace record {

// A process as a reservation names it. The pid alone would not do: after a reboot (a power
// loss) or once the pid is reused, another process would pass for the one that reserved. The
// boot id tells the boot, the start time (clock ticks after boot) tells the process.
struct ProcessIdentity {
    QString station; // the host name
    QString bootId;
    qint64 pid = 0;
    qint64 startTicks = 0;
};

ProcessIdentity ThisProcess();

// Whether the process `recorded` names still runs on this station (a zombie does not: it ended).
// Only meaningful for a reservation of this station.
bool IsRunning(const ProcessIdentity& recorded);

// The start time of process `pid` after boot, from /proc; none when there is no such process or
// it has ended.
std::optional<qint64> StartTicksOf(qint64 pid);

} // namespace record
