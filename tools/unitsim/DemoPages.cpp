#include "DemoPages.h"

#include "UnitSimulator.h"

#include <algorithm>
#include <cstring>

namespace unitsim {

namespace {

struct DemoPage {
    int page;
    uint8_t cpu;
    uint32_t clockHz;
    const char* name; // 12 bytes in Shift-JIS
    uint32_t size;
};

constexpr DemoPage kDemoPages[] = {
    // page  cpu  clock (Hz)  name (12 bytes)                                       size
    {0,      0,   16000000,   "DEMO.MOT    ",                                        24 * 1024},
    {2,      29,  24576000,   "\x8E\x8E\x8C\xB1\xC3\xDE\xB0\xC0.MOT", /* 試験ﾃﾞｰﾀ */ 130 * 1024},
};

// Something that looks like code: a repeating instruction-like pattern that differs by page.
std::vector<uint8_t> DemoData(const DemoPage& demo)
{
    std::vector<uint8_t> data(demo.size);
    for (uint32_t i = 0; i < demo.size; ++i)
        data[i] = static_cast<uint8_t>((i * 37 + demo.page * 11 + (i >> 8)) & 0xFF);
    return data;
}

} // namespace

void PreloadDemoPages(UnitSimulator& simulator)
{
    for (const auto& demo : kDemoPages) {
        PageRecord record{1, demo.cpu, demo.clockHz, {}, demo.size};
        std::memcpy(record.name.data(), demo.name, record.name.size());
        simulator.SetPage(demo.page, record, DemoData(demo));
    }
}

} // namespace unitsim
