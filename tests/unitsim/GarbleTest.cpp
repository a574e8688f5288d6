#include "unitsim/Garble.h"

#include <gtest/gtest.h>

using namespace unitsim;

namespace {

// A garbled stream must never form a token, a hex digit or a line end, and must not hide a
// real token behind a Shift-JIS lead byte when the host reads the receive area as text.
TEST(Garble, NeverYieldsAsciiOrAShiftJisLeadByte)
{
    GarbageSource noise;
    std::vector<uint8_t> produced = noise.Next(1000);
    for (int b = 0; b < 256; ++b)
        produced.push_back(Garble(static_cast<uint8_t>(b)));
    for (uint8_t b : produced) {
        EXPECT_GE(b, 0x80) << int(b);
        EXPECT_FALSE((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) << int(b);
    }
}

} // namespace
