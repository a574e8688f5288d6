// libFuzzer target for the ELF reader. Each input is written to a file and loaded through
// FillBuf and LoadImageFile; a copy whose identification says "32-bit ELF" and whose header
// says "SH executable" is loaded too, so that mutations reach the program headers and segments
// rather than stopping at the header.
// Any broken promise of the call interface aborts.
// Built and run by run_fuzz.sh, not by the project build.
#include "FuzzImage.h"

#include <elf.h>

#include <cstddef>

extern const char* const kFuzzTarget = "fuzz_elf";

namespace {

void LoadAndCheck(const std::string& path, std::string_view bytes)
{
    static FuzzImage image;
    WriteInput(path, bytes);
    const imagebuf::ImageLoad load = LoadAndCheckEveryPromise(path, image);

    const bool elf = bytes.substr(0, SELFMAG) == std::string_view(ELFMAG, SELFMAG);
    Require(elf == (load.format == imagebuf::ImageFormat::Elf),
            "ELF is read when the file starts with its magic");
    if (!elf || load.Loaded())
        return;
    const bool wholeFile = load.fault.place == imagebuf::FaultPlace::Header &&
                           (load.result == IMAGEBUF_NOT_A_RECORD || load.result == IMAGEBUF_NOT_FOR_THE_UNIT) &&
                           load.errorLine == 1;
    const bool segment = load.fault.place == imagebuf::FaultPlace::Segment &&
                         load.fault.number == load.errorLine &&
                         load.result >= IMAGEBUF_BEYOND_IMAGE;
    Require(wholeFile || segment,
            "an ELF fault is the file's on line 1 or a segment's, with a segment's code");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = InputPath(".elf");
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    LoadAndCheck(path, bytes);
    if (size > EI_VERSION) {
        std::string mended(bytes);
        mended.replace(0, SELFMAG, ELFMAG, SELFMAG);
        mended[EI_CLASS] = ELFCLASS32;
        mended[EI_VERSION] = EV_CURRENT;
        const bool bigEndian = mended[EI_DATA] == ELFDATA2MSB;
        const auto put16 = [&](size_t at, uint16_t value) {
            if (mended.size() >= at + 2) {
                mended[at + (bigEndian ? 0 : 1)] = static_cast<char>(value >> 8);
                mended[at + (bigEndian ? 1 : 0)] = static_cast<char>(value);
            }
        };
        put16(offsetof(Elf32_Ehdr, e_type), ET_EXEC);
        put16(offsetof(Elf32_Ehdr, e_machine), EM_SH);
        LoadAndCheck(path, mended);
    }
    unlink(path.c_str());
    return 0;
}
