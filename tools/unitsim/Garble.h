#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace unitsim {

// What a byte turns into when sender and receiver run at different speeds. The result is
// always in 0xA1..0xDF: never ASCII, so a garbled stream can never form "OK", "GO", a hex
// record or a line end, and never a Shift-JIS lead byte that could swallow a real token
// standing behind it.
uint8_t Garble(uint8_t byte);

// Noise for the garbage-burst fault, from the same range; seeded, so a failing test replays.
class GarbageSource {
public:
    std::vector<uint8_t> Next(int count);

private:
    std::minstd_rand generator_{0xC0FFEE};
};

} // namespace unitsim
