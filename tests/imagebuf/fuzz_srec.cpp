// libFuzzer target for the S-record loader. Each input is written to a file and loaded the way
// the host loads it, through FillBuf, and through LoadImageFile, and again read in the
// smallest pieces; a copy with every record's checksum mended is loaded too, so that mutations
// reach the data paths beyond the checksum test. Any broken promise of the call interface aborts.
// Built and run by run_fuzz.sh, not by the project build.
#include "FuzzImage.h"

#include "imagebuf/TextImageFile.h"

#include <algorithm>

extern const char* const kFuzzTarget = "fuzz_srec";

namespace {

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

void LoadAndCheck(const std::string& path, std::string_view text)
{
    static FuzzImage whole;
    static FuzzImage pieces;
    WriteInput(path, text);
    const imagebuf::ImageLoad load = LoadAndCheckEveryPromise(path, whole);

    // A file is read as S-records unless it starts like ELF or Intel HEX.
    const size_t first = text.find_first_not_of("\r\n");
    const bool other = text.substr(0, 4) == std::string_view("\x7F" "ELF", 4) ||
                       (first != std::string_view::npos && text[first] == ':');
    Require(other || load.format == imagebuf::ImageFormat::SRecord, "S-records are read as such");
    Require(other || load.result <= IMAGEBUF_BEYOND_IMAGE, "an S-record file gives an S-record result");
    const int64_t lines = std::count(text.begin(), text.end(), '\n') + 1;
    Require(other || load.errorLine <= lines, "the error line is a line of the file");

    ClrBuf(pieces.bytes.get(), IMAGEBUF_SIZE);
    const imagebuf::ImageLoad inPieces =
        imagebuf::LoadImageFile(path.c_str(), pieces.bytes.get(), imagebuf::kSmallestReadChunk);
    Require(inPieces.result == load.result && inPieces.dataEnd == load.dataEnd &&
                inPieces.errorLine == load.errorLine,
            "reading in small pieces gives the same result");
    Require(std::memcmp(whole.bytes.get(), pieces.bytes.get(), IMAGEBUF_SIZE) == 0,
            "reading in small pieces gives the same image");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = InputPath(".mot");
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    LoadAndCheck(path, text);
    LoadAndCheck(path, WithChecksumsMended(std::string(text)));
    unlink(path.c_str());
    return 0;
}
