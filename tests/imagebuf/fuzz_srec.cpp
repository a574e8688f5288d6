// libFuzzer target for the S-record loader. Each input is written to a file and loaded the way
// the host loads it, through FillBuf, and again read in the smallest pieces; a copy with every
// record's checksum mended is loaded too, so that mutations reach the data paths beyond the
// checksum test. Any broken promise of the call interface aborts.
// Built and run by run_fuzz.sh, not by the project build.
#include "imagebuf/ImageLoad.h"
#include "imagebuf/TextImageFile.h"
#include "imagebuf/imagebuf.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace {

void Require(bool holds, const char* promise)
{
    if (!holds) {
        std::fprintf(stderr, "fuzz_srec: broken promise: %s\n", promise);
        std::abort();
    }
}

std::string InputPath()
{
    const char* folder = std::getenv("FUZZ_SREC_DIR");
    return std::string(folder != nullptr ? folder : "/tmp") + "/input." + std::to_string(getpid()) +
           ".mot";
}

void WriteInput(const std::string& path, std::string_view text)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    Require(fd >= 0, "the input file can be written");
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        Require(n > 0, "the input file can be written");
        written += static_cast<size_t>(n);
    }
    close(fd);
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Rewrites the last byte of every line that is made of whole hex bytes behind "Sn" so that its
// checksum is right; other lines stay as they are.
std::string WithChecksumsMended(std::string text)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = std::min(text.find('\n', start), text.size());
        const size_t next = end + 1;
        if (end > start && text[end - 1] == '\r')
            --end;
        const size_t digits = end - start >= 2 ? end - start - 2 : 0;
        bool wholeBytes = digits >= 4 && digits % 2 == 0 && text[start] == 'S';
        unsigned sum = 0;
        for (size_t i = start + 2; wholeBytes && i + 2 < end; i += 2) {
            const int high = HexValue(text[i]);
            const int low = HexValue(text[i + 1]);
            wholeBytes = high >= 0 && low >= 0;
            sum += static_cast<unsigned>(high << 4 | low);
        }
        if (wholeBytes) {
            const unsigned checksum = ~sum & 0xFF;
            text[end - 2] = kDigits[checksum >> 4];
            text[end - 1] = kDigits[checksum & 15];
        }
        start = next;
    }
    return text;
}

struct Image {
    std::unique_ptr<uint8_t[]> bytes = std::make_unique<uint8_t[]>(IMAGEBUF_SIZE);
};

void LoadAndCheck(const std::string& path, std::string_view text)
{
    // Exactly IMAGEBUF_SIZE bytes on the heap, so that AddressSanitizer reports any byte
    // written beside them.
    static Image whole;
    static Image pieces;
    WriteInput(path, text);

    ClrBuf(whole.bytes.get(), IMAGEBUF_SIZE);
    int32_t dataEnd = -7;
    int32_t unused = 0x55AA;
    int32_t errorLine = -7;
    std::string pathBytes = path;
    const int16_t result =
        FillBuf(whole.bytes.get(), pathBytes.data(), &dataEnd, &unused, 75, &errorLine);

    Require(unused == 0x55AA, "the unused result is left alone");
    Require(pathBytes == path, "the path is not modified");
    Require(result >= IMAGEBUF_LOADED && result <= IMAGEBUF_BEYOND_IMAGE,
            "an existing file gives a documented result");
    Require(dataEnd >= 0 && dataEnd < IMAGEBUF_SIZE, "the data end lies inside the image");
    const int64_t lines = std::count(text.begin(), text.end(), '\n') + 1;
    Require(result == IMAGEBUF_LOADED ? errorLine == 0 : errorLine >= 1 && errorLine <= lines,
            "the error line is a line of the file, and only on a fault");
    static const std::string blank(IMAGEBUF_SIZE, static_cast<char>(IMAGEBUF_BLANK));
    Require(std::memcmp(whole.bytes.get() + dataEnd + 1, blank.data() + dataEnd + 1,
                        IMAGEBUF_SIZE - dataEnd - 1) == 0,
            "nothing is written above the data end");

    ClrBuf(pieces.bytes.get(), IMAGEBUF_SIZE);
    const imagebuf::ImageLoad inPieces = imagebuf::LoadImageFile(
        path.c_str(), pieces.bytes.get(), imagebuf::kSmallestReadChunk);
    Require(inPieces.result == result && inPieces.dataEnd == dataEnd &&
                inPieces.errorLine == errorLine,
            "reading in small pieces gives the same result");
    Require(std::memcmp(whole.bytes.get(), pieces.bytes.get(), IMAGEBUF_SIZE) == 0,
            "reading in small pieces gives the same image");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = InputPath();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    LoadAndCheck(path, text);
    LoadAndCheck(path, WithChecksumsMended(std::string(text)));
    unlink(path.c_str());
    return 0;
}
