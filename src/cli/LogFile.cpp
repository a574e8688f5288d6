#include "cli/LogFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace cli {

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The lock is held for one line only: a stop signal may interrupt the wait for it.
bool lockExclusive(int fd)
{
    while (::flock(fd, LOCK_EX) != 0)
        if (errno != EINTR)
            return false;
    return true;
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
    if (!lockExclusive(fd_)) {
        *reason = systemReason(errno);
        return false;
    }
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
