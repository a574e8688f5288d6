#include "imagebuf/TextImageFile.h"

#include "imagebuf/imagebuf.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

namespace imagebuf {
namespace {

constexpr TextLoad kReadFailed{IMAGEBUF_CANNOT_OPEN, 0, 0, 0};

template <class Loader>
TextLoad LoadText(int fd, uint64_t fileSize, uint8_t* image, size_t chunkSize)
{
    // One byte beyond the file size lets the end show on the second read without a copy.
    chunkSize = std::max(chunkSize, kSmallestReadChunk);
    const size_t size = static_cast<size_t>(
        std::clamp<uint64_t>(fileSize + 1, kSmallestReadChunk, chunkSize));
    const std::unique_ptr<char[]> chunk(new (std::nothrow) char[size]);
    if (!chunk)
        return kReadFailed;

    Loader loader(image);
    size_t filled = 0;
    for (;;) {
        const ssize_t got = read(fd, chunk.get() + filled, size - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return kReadFailed;
        }
        filled += static_cast<size_t>(got);
        const bool atEnd = got == 0;
        const size_t used = loader.TakeText({chunk.get(), filled}, atEnd);
        if (atEnd || loader.Finished())
            break;
        std::memmove(chunk.get(), chunk.get() + used, filled - used);
        filled -= used;
    }
    return {loader.Result(), loader.DataEnd(), loader.ErrorLine(), loader.FaultAddress()};
}

} // namespace

TextLoad LoadSRecordText(int fd, uint64_t fileSize, uint8_t* image, size_t chunkSize)
{
    return LoadText<SRecordLoader>(fd, fileSize, image, chunkSize);
}

TextLoad LoadIntelHexText(int fd, uint64_t fileSize, uint8_t* image, size_t chunkSize)
{
    return LoadText<IntelHexLoader>(fd, fileSize, image, chunkSize);
}

} // namespace imagebuf
