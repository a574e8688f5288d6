#pragma once

#include <elf.h>

#include <cstdint>
#include <string>
#include <vector>

// A 32-bit ELF executable put together byte by byte, for the loader's tests and benchmark:
// the header, the program header table right behind it, then each segment's file bytes.
struct ElfSegment {
    uint32_t type = PT_LOAD;
    uint32_t paddr = 0;
    std::vector<uint8_t> bytes = {}; // the file bytes; p_filesz unless fileSize is set
    uint32_t memSize = 0;       // 0: as many as file bytes
    int64_t fileSize = -1;      // to state a p_filesz other than the bytes given
    int64_t offset = -1;        // to state a p_offset other than where the bytes are
};

struct ElfShape {
    bool bigEndian = true;
    uint8_t elfClass = ELFCLASS32;
    uint16_t type = ET_EXEC;
    uint16_t machine = EM_SH;
    std::vector<ElfSegment> segments = {};
};

inline std::string ElfBytes(const ElfShape& shape)
{
    std::string out;
    const auto put = [&](uint64_t value, int size) {
        for (int i = 0; i < size; ++i) {
            const int shift = shape.bigEndian ? 8 * (size - 1 - i) : 8 * i;
            out += static_cast<char>(value >> shift);
        }
    };
    constexpr uint32_t kHeaderSize = sizeof(Elf32_Ehdr);
    constexpr uint32_t kPhdrSize = sizeof(Elf32_Phdr);
    const uint32_t phnum = static_cast<uint32_t>(shape.segments.size());

    out.append(ELFMAG, SELFMAG);
    out += static_cast<char>(shape.elfClass);
    out += static_cast<char>(shape.bigEndian ? ELFDATA2MSB : ELFDATA2LSB);
    out += static_cast<char>(EV_CURRENT);
    out.append(EI_NIDENT - EI_OSABI, '\0');
    put(shape.type, 2);
    put(shape.machine, 2);
    put(EV_CURRENT, 4);
    put(0, 4);                             // entry
    put(phnum != 0 ? kHeaderSize : 0, 4);  // program header table offset
    put(0, 4);                             // no section headers
    put(0, 4);                             // flags
    put(kHeaderSize, 2);
    put(kPhdrSize, 2);
    put(phnum, 2);
    put(sizeof(Elf32_Shdr), 2);
    put(0, 2);
    put(0, 2);

    uint32_t at = kHeaderSize + phnum * kPhdrSize;
    for (const ElfSegment& s : shape.segments) {
        const uint32_t size = s.fileSize >= 0 ? static_cast<uint32_t>(s.fileSize)
                                              : static_cast<uint32_t>(s.bytes.size());
        put(s.type, 4);
        put(s.offset >= 0 ? static_cast<uint32_t>(s.offset) : at, 4);
        put(s.paddr + 0x10000000u, 4); // a virtual address apart from the physical one
        put(s.paddr, 4);
        put(size, 4);
        put(s.memSize != 0 ? s.memSize : size, 4);
        put(PF_R | PF_X, 4);
        put(1, 4);
        at += static_cast<uint32_t>(s.bytes.size());
    }
    for (const ElfSegment& s : shape.segments)
        out.append(s.bytes.begin(), s.bytes.end());
    return out;
}
