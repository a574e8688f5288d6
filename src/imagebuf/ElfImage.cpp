#include "imagebuf/ElfImage.h"

#include "imagebuf/FaultText.h"

#include <gelf.h>
#include <libelf.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>

namespace imagebuf {
namespace {

struct ElfEnd {
    void operator()(Elf* elf) const { elf_end(elf); }
};
using ElfHandle = std::unique_ptr<Elf, ElfEnd>;

bool LibelfReady()
{
    // elf_version must precede every other libelf call; a static makes it once and thread-safe.
    static const bool ready = elf_version(EV_CURRENT) != EV_NONE;
    return ready;
}

ImageLoad WholeFileFault(ImageLoad load, FaultReason reason)
{
    load.result = IMAGEBUF_NOT_A_RECORD;
    load.errorLine = 1;
    load.fault.reason = reason;
    load.fault.place = FaultPlace::Header;
    return load;
}

// What the unit's targets run: SH, and the H8 family (H8/300, H8/300H, H8S, H8/500).
bool IsUnitMachine(GElf_Half machine)
{
    return machine == EM_SH || machine == EM_H8_300 || machine == EM_H8_300H || machine == EM_H8S ||
           machine == EM_H8_500;
}

ImageLoad NotForTheUnit(ImageLoad load, FaultReason reason, std::string text)
{
    load = WholeFileFault(load, reason);
    load.result = IMAGEBUF_NOT_FOR_THE_UNIT;
    load.fault.text = std::move(text);
    return load;
}

ImageLoad SegmentFault(ImageLoad load, int16_t result, FaultReason reason, size_t index)
{
    load.result = result;
    load.errorLine = static_cast<int32_t>(std::min<size_t>(index + 1, INT32_MAX));
    load.fault.reason = reason;
    load.fault.place = FaultPlace::Segment;
    load.fault.number = load.errorLine;
    return load;
}

// The address ranges already loaded, start to end (exclusive), without overlaps.
class PlacedRanges {
public:
    bool Overlaps(uint64_t start, uint64_t end) const
    {
        auto next = ranges_.lower_bound(start);
        if (next != ranges_.end() && next->first < end)
            return true;
        return next != ranges_.begin() && std::prev(next)->second > start;
    }
    void Add(uint64_t start, uint64_t end) { ranges_.emplace(start, end); }

private:
    std::map<uint64_t, uint64_t> ranges_;
};

} // namespace

ImageLoad LoadElfImage(std::string& file, uint8_t* image)
{
    ImageLoad load;
    load.format = ImageFormat::Elf;
    load.result = IMAGEBUF_LOADED;
    if (!LibelfReady())
        return WholeFileFault(load, FaultReason::NotReadableElf);
    const ElfHandle elf(elf_memory(file.data(), file.size()));
    if (!elf || elf_kind(elf.get()) != ELF_K_ELF)
        return WholeFileFault(load, FaultReason::NotReadableElf);
    if (gelf_getclass(elf.get()) != ELFCLASS32)
        return WholeFileFault(load, FaultReason::NotElf32);
    GElf_Ehdr header;
    size_t count = 0;
    if (gelf_getehdr(elf.get(), &header) == nullptr || elf_getphdrnum(elf.get(), &count) != 0)
        return WholeFileFault(load, FaultReason::NotReadableElf);
    if (!IsUnitMachine(header.e_machine))
        return NotForTheUnit(load, FaultReason::OtherMachine, OtherMachineText(header.e_machine));
    if (count == 0)
        return WholeFileFault(load, FaultReason::NoProgramHeaders);
    if (header.e_type != ET_EXEC)
        return NotForTheUnit(load, FaultReason::NotExecutable, NotExecutableText(header.e_type));

    PlacedRanges placed;
    for (size_t i = 0; i < count; ++i) {
        GElf_Phdr segment;
        if (gelf_getphdr(elf.get(), static_cast<int>(i), &segment) == nullptr)
            return WholeFileFault(load, FaultReason::NotReadableElf);
        // Only file bytes go into flash: a segment's memory beyond them (.bss, a stack) is
        // the running program's to clear.
        if (segment.p_type != PT_LOAD || segment.p_filesz == 0)
            continue;
        const uint64_t address = segment.p_paddr;
        const uint64_t size = segment.p_filesz;
        if (size > segment.p_memsz)
            return SegmentFault(load, IMAGEBUF_BAD_SEGMENT, FaultReason::FileSizeOverMemSize, i);
        if (segment.p_offset > file.size() || size > file.size() - segment.p_offset)
            return SegmentFault(load, IMAGEBUF_BAD_SEGMENT, FaultReason::SegmentBeyondFile, i);
        if (address >= IMAGEBUF_SIZE || size > IMAGEBUF_SIZE - address) {
            load = SegmentFault(load, IMAGEBUF_BEYOND_IMAGE, FaultReason::OutsideImage, i);
            load.fault.address = static_cast<uint32_t>(std::max<uint64_t>(address, IMAGEBUF_SIZE));
            return load;
        }
        if (placed.Overlaps(address, address + size))
            return SegmentFault(load, IMAGEBUF_OVERLAPPING_SEGMENTS,
                                FaultReason::OverlappingSegments, i);
        std::memcpy(image + address, file.data() + segment.p_offset, size);
        placed.Add(address, address + size);
        load.dataEnd = std::max(load.dataEnd, static_cast<int32_t>(address + size - 1));
    }
    return load;
}

} // namespace imagebuf
