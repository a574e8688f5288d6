#include "imagebuf/TextImageFile.h"

#include "imagebuf/imagebuf.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

namespace imagebuf {
namespace {

FaultReason ReasonOf(int16_t result)
{
    switch (result) {
    case IMAGEBUF_BAD_CHECKSUM: return FaultReason::BadChecksum;
    case IMAGEBUF_NOT_A_RECORD: return FaultReason::NotARecord;
    case IMAGEBUF_UNKNOWN_TYPE: return FaultReason::UnknownType;
    case IMAGEBUF_LINE_TOO_LONG: return FaultReason::RecordTooLong;
    case IMAGEBUF_BAD_HEX_DIGIT: return FaultReason::BadHexDigit;
    case IMAGEBUF_ODD_DIGIT_COUNT: return FaultReason::OddDigitCount;
    case IMAGEBUF_COUNT_MISMATCH: return FaultReason::CountMismatch;
    case IMAGEBUF_TOO_SHORT_FOR_TYPE: return FaultReason::RecordTooShort;
    case IMAGEBUF_WRONG_SIZE_FOR_TYPE: return FaultReason::WrongSizeForType;
    case IMAGEBUF_BEYOND_IMAGE: return FaultReason::OutsideImage;
    default: return FaultReason::None;
    }
}

template <class Loader>
ImageLoad ResultOf(ImageFormat format, const Loader& loader)
{
    ImageLoad load;
    load.format = format;
    load.result = loader.Result();
    load.dataEnd = loader.DataEnd();
    load.errorLine = loader.ErrorLine();
    load.fault.reason = ReasonOf(load.result);
    if (load.result != IMAGEBUF_LOADED) {
        load.fault.place = FaultPlace::Line;
        load.fault.number = load.errorLine;
    }
    if (load.result == IMAGEBUF_BEYOND_IMAGE)
        load.fault.address = loader.FaultAddress();
    return load;
}

// The next bytes of the file into `at`; the count, 0 at the end, -1 when the read fails.
ssize_t ReadSome(int fd, char* at, size_t room)
{
    for (;;) {
        const ssize_t got = read(fd, at, room);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

template <class Loader>
std::optional<ImageLoad> LoadText(ImageFormat format, int fd, uint64_t fileSize, uint8_t* image,
                                  size_t chunkSize, FileDigest& digest)
{
    // One byte beyond the file size lets the end show on the second read without a copy.
    chunkSize = std::max(chunkSize, kSmallestReadChunk);
    const size_t size = static_cast<size_t>(
        std::clamp<uint64_t>(fileSize + 1, kSmallestReadChunk, chunkSize));
    const std::unique_ptr<char[]> chunk(new (std::nothrow) char[size]);
    if (!chunk)
        return std::nullopt;

    Loader loader(image);
    size_t filled = 0;
    for (;;) {
        const ssize_t got = ReadSome(fd, chunk.get() + filled, size - filled);
        if (got < 0)
            return std::nullopt;
        const std::string_view fresh(chunk.get() + filled, static_cast<size_t>(got));
        filled += fresh.size();
        const bool atEnd = got == 0;
        digest.Add(fresh);
        const size_t used = loader.TakeText({chunk.get(), filled}, atEnd);
        if (atEnd || loader.Finished())
            break;
        std::memmove(chunk.get(), chunk.get() + used, filled - used);
        filled -= used;
    }
    // Whatever follows the end or the fault is not loaded, but it is part of the file.
    for (ssize_t got; (got = ReadSome(fd, chunk.get(), size)) != 0;) {
        if (got < 0)
            return std::nullopt;
        digest.Add({chunk.get(), static_cast<size_t>(got)});
    }
    return ResultOf(format, loader);
}

} // namespace

std::optional<ImageLoad> LoadTextImage(ImageFormat format, int fd, uint64_t fileSize, uint8_t* image,
                                       size_t chunkSize, FileDigest& digest)
{
    return format == ImageFormat::IntelHex
        ? LoadText<IntelHexLoader>(format, fd, fileSize, image, chunkSize, digest)
        : LoadText<SRecordLoader>(format, fd, fileSize, image, chunkSize, digest);
}

} // namespace imagebuf
