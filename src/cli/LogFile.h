#pragma once

// The production log: a file that several corvane-flash processes (a gang's workers, or runs on
// other benches writing to a shared folder) append to at once. Each line goes out in one
// write(2) to a file opened with O_APPEND, under an exclusive flock, so no line is ever torn or
// interleaved with another, whatever else appends.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

namespace cli {

inline constexpr uint32_t kLockWaitMs = 10000;

class LogFile {
public:
    // Opens `path` for appending, creating it (mode 0644 less the umask); nullptr with the
    // system's reason in `reason` when it cannot.
    static std::unique_ptr<LogFile> Open(const QString& path, QString* reason);
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Appends `line` and a line feed. A write that fails part way is cut back off the file, so
    // the log holds whole lines only; false with the reason then. A lock another writer holds
    // is waited for kLockWaitMs at most, on the program clock; false with the reason after that.
    bool Append(const QByteArray& line, QString* reason);

private:
    explicit LogFile(int fd) : fd_(fd) {}
    int fd_;
};

} // namespace cli
