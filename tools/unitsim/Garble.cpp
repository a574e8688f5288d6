#include "Garble.h"

namespace unitsim {

namespace {
constexpr int kNoiseFirst = 0xA1;
constexpr int kNoiseValues = 0xDF - 0xA1 + 1;
} // namespace

uint8_t Garble(uint8_t byte)
{
    return static_cast<uint8_t>(kNoiseFirst + (byte * 29 + 7) % kNoiseValues);
}

std::vector<uint8_t> GarbageSource::Next(int count)
{
    std::uniform_int_distribution<int> noise(0, kNoiseValues - 1);
    std::vector<uint8_t> bytes;
    for (int i = 0; i < count; ++i)
        bytes.push_back(static_cast<uint8_t>(kNoiseFirst + noise(generator_)));
    return bytes;
}

} // namespace unitsim
