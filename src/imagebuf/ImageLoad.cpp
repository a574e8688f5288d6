#include "imagebuf/ImageLoad.h"

#include "imagebuf/ElfImage.h"
#include "imagebuf/FaultText.h"
#include "imagebuf/FileDigest.h"
#include "imagebuf/TextImageFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
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

// The whole file from its current position, every byte into `digest` as it comes; none when a
// read fails. ELF is read whole anyway: libelf needs the headers at both ends of the file.
std::optional<std::string> ReadWhole(int fd, uint64_t fileSize, FileDigest& digest)
{
    // The size is only where to start: a file may grow while it is read, and a sparse one may
    // claim far more than memory holds; the buffer grows with the bytes that do come.
    std::string bytes(static_cast<size_t>(std::min<uint64_t>(fileSize, kReadChunk)) + 1, '\0');
    size_t filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(bytes.size() * 2);
        const ssize_t got = read(fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        digest.Add({bytes.data() + filled, static_cast<size_t>(got)});
        filled += static_cast<size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
}

std::optional<ImageLoad> LoadElf(int fd, uint64_t fileSize, uint8_t* image, FileDigest& digest)
{
    std::optional<std::string> bytes = ReadWhole(fd, fileSize, digest);
    if (!bytes)
        return std::nullopt;
    return LoadElfImage(*bytes, image);
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
    FileDigest digest;
    std::optional<ImageLoad> load;
    try {
        load = *format == ImageFormat::Elf ? LoadElf(file.fd(), size, image, digest)
                                           : LoadTextImage(*format, file.fd(), size, image, chunkSize, digest);
    } catch (const std::bad_alloc&) {
        return CannotOpen(SystemReason(ENOMEM));
    }
    if (!load)
        return CannotOpen("read error");
    load->fault.text = ReasonText(*load);
    load->fileSha256 = digest.Finish();
    return *load;
}

} // namespace imagebuf
