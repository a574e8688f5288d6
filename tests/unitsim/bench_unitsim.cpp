// Block round trip through the simulated unit: unpaced (the unit's own overhead) and paced at
// both line speeds, next to the wire time a paced round trip should take. Prints "name: value".
#include "unitsim/UnitSimulator.h"

#include "HostBytes.h"
#include "support/BareLine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kRounds = 5;

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "bench_unitsim: %s\n", what);
    std::exit(1);
}

// Median microseconds from writing a block to reading its answer.
double MicrosPerBlock(bool pace, speed_t speed, int blocks)
{
    unitsim::Options options;
    options.pace = pace;
    unitsim::UnitSimulator unit(options);
    std::string error;
    if (!unit.Start(&error))
        Fail(error.c_str());
    BareLine host(unit.HostPath());
    if (speed == B38400) {
        host.Write("CC02807D\r\n");
        host.ReadLine();
        host.DiscardInput();
        host.SetSpeed(B38400);
        if (host.ReadLine() != "GO\r\n")
            Fail("no speed exchange");
    }
    host.Write(hostbytes::DirectHeader(0, 16000000));
    if (host.ReadLine() != "OK\r\n" || host.ReadLine() != "GO\r\n")
        Fail("direct header not taken");

    std::vector<double> rounds;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < blocks; ++i) {
            host.Write(hostbytes::DataBlock(hostbytes::PatternData(i)));
            if (host.ReadBytes(1) != "O")
                Fail("block not taken");
        }
        const auto elapsed = std::chrono::steady_clock::now() - start;
        rounds.push_back(std::chrono::duration<double, std::micro>(elapsed).count() / blocks);
    }
    host.Write(hostbytes::EndBlock());
    host.ReadBytes(1);
    std::sort(rounds.begin(), rounds.end());
    return rounds[rounds.size() / 2];
}

} // namespace

int main()
{
    // 33 bytes out and one back, 10 bits each.
    const auto wireUs = [](int baud) { return 34 * 10 * 1e6 / baud; };
    std::printf("unpaced_us_per_block: %.1f\n", MicrosPerBlock(false, B9600, 2000));
    std::printf("paced_38400_us_per_block: %.1f\n", MicrosPerBlock(true, B38400, 100));
    std::printf("wire_38400_us_per_block: %.1f\n", wireUs(38400));
    std::printf("paced_9600_us_per_block: %.1f\n", MicrosPerBlock(true, B9600, 30));
    std::printf("wire_9600_us_per_block: %.1f\n", wireUs(9600));
    return 0;
}
