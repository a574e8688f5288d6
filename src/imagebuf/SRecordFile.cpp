#include "imagebuf/SRecordFile.h"

#include "imagebuf/imagebuf.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

namespace imagebuf {
namespace {

class OpenFile {
public:
    explicit OpenFile(int fd) : fd_(fd) {}
    ~OpenFile() { close(fd_); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

constexpr LoadResult kCannotOpen{IMAGEBUF_CANNOT_OPEN, 0, 0};

} // namespace

LoadResult LoadSRecordFile(const char* path, uint8_t* image, size_t chunkSize)
{
    // O_NONBLOCK keeps the open of a pipe without a writer from hanging; the type test below
    // refuses it anyway, and regular files ignore the flag.
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return kCannotOpen;
    const OpenFile file(fd);
    struct stat info {};
    if (fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode))
        return kCannotOpen;

    // One byte beyond the file size lets the end show on the second read without a copy.
    chunkSize = std::max(chunkSize, kSmallestReadChunk);
    const size_t size = std::clamp(static_cast<size_t>(info.st_size) + 1, kSmallestReadChunk,
                                   chunkSize);
    const std::unique_ptr<char[]> chunk(new (std::nothrow) char[size]);
    if (!chunk)
        return kCannotOpen;

    SRecordLoader loader(image);
    size_t filled = 0;
    for (;;) {
        const ssize_t got = read(file.fd(), chunk.get() + filled, size - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return kCannotOpen;
        }
        filled += static_cast<size_t>(got);
        const bool atEnd = got == 0;
        const size_t used = loader.TakeText({chunk.get(), filled}, atEnd);
        if (atEnd || loader.Finished())
            break;
        std::memmove(chunk.get(), chunk.get() + used, filled - used);
        filled -= used;
    }
    return {loader.Result(), loader.DataEnd(), loader.ErrorLine()};
}

} // namespace imagebuf
