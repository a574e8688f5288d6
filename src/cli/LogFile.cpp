#include "cli/LogFile.h"

#include "link/WaitClock.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace cli {

namespace {

constexpr uint32_t kLongestLockPauseMs = 50;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Another writer holds the lock for one line only; one that keeps it longer is stuck (a
// stopped process, a hung network file system), and a unit's record must not wait on it
// unseen. flock has no time-out of its own: it is tried again after pauses that grow from
// 1 ms, so an uncontended line costs one call and a contended one waits little past the
// holder's release.
bool lockExclusive(int fd, QString* reason)
{
    WaitClock& clock = ProgramClock();
    const uint32_t start = clock.Milliseconds();
    for (uint32_t pause = 1;; pause = std::min<uint32_t>(2 * pause, kLongestLockPauseMs)) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            *reason = systemReason(errno);
            return false;
        }
        const uint32_t waited = clock.Milliseconds() - start;
        if (waited >= kLockWaitMs) {
            *reason = QStringLiteral("the log is locked by another writer and was not freed within %1 s")
                          .arg(kLockWaitMs / 1000);
            return false;
        }
        clock.Sleep(std::min(pause, kLockWaitMs - waited));
    }
}

} // namespace

std::unique_ptr<LogFile> LogFile::Open(const QString& path, QString* reason)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        *reason = systemReason(errno);
        return nullptr;
    }
    return std::unique_ptr<LogFile>(new LogFile(fd));
}

LogFile::~LogFile()
{
    ::close(fd_);
}

bool LogFile::Append(const QByteArray& line, QString* reason)
{
    const QByteArray bytes = line + '\n';
    if (!lockExclusive(fd_, reason))
        return false;
    // Under the lock the end of the file is ours until the line is out.
    const off_t end = ::lseek(fd_, 0, SEEK_END);
    const char* next = bytes.constData();
    size_t left = static_cast<size_t>(bytes.size());
    int error = 0;
    while (left > 0) {
        const ssize_t written = ::write(fd_, next, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        next += written;
        left -= static_cast<size_t>(written);
    }
    if (error != 0 && left < static_cast<size_t>(bytes.size()) && end >= 0) {
        // A full disk took part of the line: a torn line would spoil the next one as well. If
        // the cut fails too, the reason below still says the line is not in the log.
        [[maybe_unused]] const int cut = ::ftruncate(fd_, end);
    }
    ::flock(fd_, LOCK_UN);
    if (error != 0) {
        *reason = systemReason(error);
        return false;
    }
    return true;
}

} // namespace cli
