#pragma once

// The floor the benchmarks judge the program's block path by: a page-store header, then the
// image's blocks with nothing between them but a blocking write and a blocking read; at
// 38400 bit/s after the speed exchange when `highSpeed`, and back to 9600 bit/s at the end, where
// the next round's run expects the unit.

#include "support/BareLine.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

// Page 1, CPU 5, 20 MHz, "BENCHMOT   ", with its checksum.
inline constexpr const char* kBareHeaderLine = "C012000501312D0042454E43484D4F54202020D9\r\n";

// Microseconds per block as the host saw them, or nothing when the unit did not answer as it should.
inline std::optional<double> BareBlockLoop(const std::string& device, const std::vector<uint8_t>& image, bool highSpeed)
{
    BareLine line(device);
    if (!line.IsOpen())
        return std::nullopt;
    // The speed command, its answer, the port at the new speed, and the unit's GO there.
    const auto changeSpeed = [&line](const char* command, speed_t speed) {
        if (!line.Write(command) || !line.ReadLine())
            return false;
        line.SetSpeed(speed);
        return static_cast<bool>(line.ReadLine());
    };
    if (highSpeed && !changeSpeed("CC02807D\r\n", B38400))
        return std::nullopt;
    if (!line.WriteAll(kBareHeaderLine, std::strlen(kBareHeaderLine)) || !line.ReadLine())
        return std::nullopt;
    const int blocks = static_cast<int>(image.size() / 32);
    char block[33];
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < blocks; ++n) {
        uint8_t sum = 0;
        for (int k = 0; k < 32; ++k) {
            block[k] = static_cast<char>(image[static_cast<size_t>(n) * 32 + static_cast<size_t>(k)]);
            sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(block[k]));
        }
        block[32] = static_cast<char>(sum ^ 0xFF);
        char ack = 0;
        if (!line.WriteAll(block, sizeof block) || !line.ReadByte(&ack) || ack != 'O')
            return std::nullopt;
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    std::memset(block, 0, sizeof block);
    char ack = 0;
    line.WriteAll(block, sizeof block);
    line.ReadByte(&ack);
    if (highSpeed && !changeSpeed("CC0200FD\r\n", B9600))
        return std::nullopt;
    return std::chrono::duration<double, std::micro>(elapsed).count() / blocks;
}
