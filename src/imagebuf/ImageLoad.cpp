#include "imagebuf/ImageLoad.h"

#include "imagebuf/ElfImage.h"
#include "imagebuf/FaultText.h"
#include "imagebuf/TextImageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <system_error>

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

ImageLoad CannotOpen(std::string why)
{
    ImageLoad load;
    load.fault.reason = FaultReason::CannotOpen;
    load.fault.text = "cannot be opened: " + std::move(why);
    return load;
}

std::string SystemReason(int error) { return std::system_category().message(error); }

// The format by the file's first bytes: the ELF magic at its start, or the first character
// that is not part of a line end (blank lines are allowed before the first record). Reads
// without moving the file position, and only as far as it takes.
std::optional<ImageFormat> FormatOf(int fd)
{
    char bytes[4096];
    for (off_t at = 0;;) {
        const ssize_t got = pread(fd, bytes, sizeof bytes, at);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        const std::string_view seen(bytes, static_cast<size_t>(got));
        if (at == 0 && seen.substr(0, 4) == std::string_view("\x7F" "ELF", 4))
            return ImageFormat::Elf;
        const size_t first = seen.find_first_not_of("\r\n");
        if (first != std::string_view::npos)
            return seen[first] == ':' ? ImageFormat::IntelHex : ImageFormat::SRecord;
        if (got == 0)
            return ImageFormat::SRecord;
        at += got;
    }
}

FaultReason ReasonOfTextResult(int16_t result)
{
    switch (result) {
    case IMAGEBUF_LOADED: return FaultReason::None;
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
    default: return FaultReason::CannotOpen;
    }
}

ImageLoad LoadText(ImageFormat format, int fd, uint64_t fileSize, uint8_t* image, size_t chunkSize)
{
    const TextLoad text = format == ImageFormat::IntelHex
        ? LoadIntelHexText(fd, fileSize, image, chunkSize)
        : LoadSRecordText(fd, fileSize, image, chunkSize);
    if (text.result == IMAGEBUF_CANNOT_OPEN)
        return CannotOpen("read error");
    ImageLoad load;
    load.format = format;
    load.result = text.result;
    load.dataEnd = text.dataEnd;
    load.errorLine = text.errorLine;
    load.fault.reason = ReasonOfTextResult(text.result);
    if (text.result != IMAGEBUF_LOADED) {
        load.fault.place = FaultPlace::Line;
        load.fault.number = text.errorLine;
    }
    if (text.result == IMAGEBUF_BEYOND_IMAGE)
        load.fault.address = text.faultAddress;
    return load;
}

} // namespace

ImageLoad LoadImageFile(const char* path, uint8_t* image, size_t chunkSize)
{
    if (path == nullptr || image == nullptr)
        return CannotOpen("no file name or no image buffer");
    // O_NONBLOCK keeps the open of a pipe without a writer from hanging; the type test below
    // refuses it anyway, and regular files ignore the flag.
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return CannotOpen(SystemReason(errno));
    const OpenFile file(fd);
    struct stat info {};
    if (fstat(file.fd(), &info) != 0)
        return CannotOpen(SystemReason(errno));
    if (!S_ISREG(info.st_mode))
        return CannotOpen("not a regular file");
    const std::optional<ImageFormat> format = FormatOf(file.fd());
    if (!format)
        return CannotOpen("read error");

    const uint64_t size = static_cast<uint64_t>(info.st_size);
    ImageLoad load = *format == ImageFormat::Elf ? LoadElfImage(file.fd(), size, image)
                                                 : LoadText(*format, file.fd(), size, image, chunkSize);
    load.fault.text = ReasonText(load);
    return load;
}

} // namespace imagebuf
