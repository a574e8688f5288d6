#include "record/ProcessIdentity.h"

#include <QFile>
#include <QSysInfo>

#include <unistd.h>

namespace record {

namespace {

QString bootId()
{
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).trimmed();
}

} // namespace

std::optional<qint64> StartTicksOf(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // The name in field 2 may hold blanks and parentheses: the fields after it start behind the
    // last ')'. There field 3 (the state) comes first, field 22 (the start time) 19 places on.
    const QByteArray stat = file.readAll();
    const qsizetype nameEnd = stat.lastIndexOf(')');
    if (nameEnd < 0)
        return std::nullopt;
    const QList<QByteArray> fields = stat.mid(nameEnd + 1).simplified().split(' ');
    constexpr int kState = 0, kStartTime = 19;
    if (fields.size() <= kStartTime || fields[kState] == "Z" || fields[kState] == "X")
        return std::nullopt;
    bool ok = false;
    const qint64 ticks = fields[kStartTime].toLongLong(&ok);
    return ok ? std::optional<qint64>(ticks) : std::nullopt;
}

ProcessIdentity ThisProcess()
{
    const qint64 pid = ::getpid();
    return {QSysInfo::machineHostName(), bootId(), pid, StartTicksOf(pid).value_or(0)};
}

bool IsRunning(const ProcessIdentity& recorded)
{
    if (recorded.bootId != bootId())
        return false;
    const std::optional<qint64> ticks = StartTicksOf(recorded.pid);
    return ticks && *ticks == recorded.startTicks;
}

} // namespace record
