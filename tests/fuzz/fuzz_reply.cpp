// libFuzzer target for what the host reads out of a 65-byte receive area: the reply checksum
// for every length, the page record decoding and its captions, and the token search. The
// receive area is the input's first 65 bytes (the rest zero); the first byte past them, if
// any, picks the checksum length, else all lengths are tried.
// Built and run by run_fuzz.sh, not by the project build.
#include "FuzzSupport.h"

#include "link/Protocol.h"
#include "main/PageRecord.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace {

using Area = std::array<uint8_t, 65>;

// The calls under test, one line each, so that a change of their signatures is a change here.
std::optional<int16_t> ReplySum(const Area& rx, int16_t n) { return CheckReplySum(rx, n); }
PageInfo PageRecordOf(const Area& rx) { return DecodePageRecord(rx); }
bool Contains(const Area& rx, const char* token) { return ReplyContains(rx, token); }

// The checksum as the unit computes it, from the characters' values as the host reads them.
std::optional<int16_t> ExpectedSum(const Area& rx, int n)
{
    if (n < 0 || 2 * n + 1 >= static_cast<int>(rx.size()))
        return std::nullopt;
    for (int i = 0; i < 2 * n + 2; ++i)
        if (HexNibble(rx[i]) < 0)
            return std::nullopt;
    unsigned sum = 0;
    for (int k = 0; k < n; ++k)
        sum += 16 * HexNibble(rx[2 * k]) + HexNibble(rx[2 * k + 1]);
    const int received = 16 * HexNibble(rx[2 * n]) + HexNibble(rx[2 * n + 1]);
    if (received > 0xFF)
        return std::nullopt;
    return static_cast<int16_t>((sum & 0xFF) != static_cast<unsigned>(0xFF - received));
}

void CheckLength(const Area& rx, int16_t n)
{
    const std::optional<int16_t> sum = ReplySum(rx, n);
    Require(!sum || *sum == 0 || *sum == 1, "the checksum result is 0, 1 or nothing");
    Require(sum == ExpectedSum(rx, n), "the checksum is the unit's sum of the pairs");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Area rx{};
    std::memcpy(rx.data(), data, std::min(size, rx.size()));

    if (size > rx.size()) {
        CheckLength(rx, static_cast<int16_t>(static_cast<int8_t>(data[rx.size()])));
    } else {
        for (int16_t n = -1; n <= 33; ++n)
            CheckLength(rx, n);
    }

    const PageInfo info = PageRecordOf(rx);
    if (info.status != 1) {
        Require(info.cpu == 0 && info.clockHz == 0 && info.sizeBytes == 0 &&
                    std::all_of(info.name.begin(), info.name.end(), [](uint8_t b) { return b == 0; }),
                "an empty page carries nothing but its status");
    }
    const PageCaptions captions = CaptionsOf(info);
    Require(!captions.cpu.isEmpty() || info.status == 1, "an empty page shows its empty caption");
    Require(captions.clock.size() >= 6 || info.status != 1, "the clock shows four decimals");
    Require(!captions.size.isEmpty(), "the size caption is never empty");

    for (const char* token : {Proto::kTokenOK, Proto::kTokenGO, Proto::kTokenFL})
        (void)Contains(rx, token);
    return 0;
}
