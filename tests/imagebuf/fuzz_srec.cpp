// libFuzzer target for the S-record loader. Each input is written to a file and loaded the way
// the host loads it, through FillBuf, and through LoadImageFile, and again read in the
// smallest pieces; a copy with every record's checksum mended is loaded too, so that mutations
// reach the data paths beyond the checksum test. Any broken promise of the call interface aborts.
// Built and run by run_fuzz.sh, not by the project build.
#include "FuzzImage.h"

#include <algorithm>

extern const char* const kFuzzTarget = "fuzz_srec";

namespace {

constexpr RecordSum kRecordSum{'S', 2, true};

void LoadAndCheck(const std::string& path, std::string_view text)
{
    static FuzzImage whole;
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

    RequireTheSameInPieces(path, load, whole);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = InputPath(".mot");
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    LoadAndCheck(path, text);
    LoadAndCheck(path, WithChecksumsMended(std::string(text), kRecordSum));
    unlink(path.c_str());
    return 0;
}
