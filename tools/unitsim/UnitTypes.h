#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace unitsim {

// The unit's memory: four pages of 128 KB; commands number them 0 to 3.
inline constexpr int kPages = 4;
inline constexpr int kPageSize = 0x20000;
inline constexpr int kMemorySize = kPages * kPageSize;

// The 22-byte record the unit keeps for each page. An empty page is all zeros.
struct PageRecord {
    static constexpr int kBytes = 22;
    static constexpr int kNameBytes = 12;

    uint8_t status = 0;  // 1 = the page holds data
    uint8_t cpu = 0;     // device catalogue code of the target
    uint32_t clockHz = 0;
    std::array<uint8_t, kNameBytes> name{}; // file name bytes (Shift-JIS), blank-padded
    uint32_t size = 0;   // data bytes received

    // Wire order: status, cpu, clock (big-endian), name, size (big-endian).
    std::array<uint8_t, kBytes> Bytes() const;
    static PageRecord FromBytes(const std::array<uint8_t, kBytes>& bytes);
    bool operator==(const PageRecord&) const = default;
};

// Ways the unit can misbehave. Every field can be changed while the simulator runs.
struct Faults {
    bool mute = false;      // hears nothing and answers nothing (lines are still recorded)
    bool speedNoGo = false; // speed exchange: answers "OK" and switches, but never sends "GO"
    // Replace the "OK" of these exchanges with the given text (CR LF is added); an empty text
    // means no answer at all. The unit then does not do the work: no erase, no data phase.
    std::optional<std::string> storeHeaderReply{};
    std::optional<std::string> directHeaderReply{};
    std::optional<std::string> eraseReply{};
    bool directNoGo = false;    // direct header: "OK" but no "GO" (and no data phase)
    // Direct header: "OK", then this text where "GO" belongs (and no data phase).
    std::optional<std::string> directSecondReply{};
    int badRecordSumPage = -1;  // page index 0..3 whose record reply carries a wrong checksum
    int vanishAtQueryPage = -1; // page index 0..3 whose query the unit vanishes at (see below)
    // Blocks are numbered by their place in the transfer: block N holds bytes N*32 .. N*32+31.
    int unclearAtBlock = -1;    // answer block N with `unclearByte` ...
    int unclearTimes = 1;       // ... on its first arrival (1) or its first two (2)
    uint8_t unclearByte = 'X';
    int flashFaultAtBlock = -1; // answer block N with "F" (it is not written)
    int replyDelayMs = 0;       // every reply and acknowledgement leaves this much later
    int vanishAfterBlocks = -1; // answer this many data blocks of a transfer, then nothing at all
    bool hangUpOnVanish = false; // when vanishing, close the line, so the host sees the device go away
    int garbageBurst = 0;       // this many garbage bytes go out in front of the next reply, once

    bool operator==(const Faults&) const = default;
};

// How long the unit takes for the steps that are slow on real hardware.
struct Timing {
    int eraseMs = 0;          // erasing a page (page erase, and the page-store header's erase)
    int directGoGapMs = 200;  // between the direct header's "OK" and its "GO"
    int speedGoFallbackMs = 500; // speed exchange: send "GO" after this long even if the host
                                 // has not re-set its port
};

// What the unit knows about the latest data phase.
struct Transfer {
    enum class Target { None, Page, Thru };
    enum class Ending { Running, EndOfData, Aborted, Abandoned };

    Target target = Target::None;
    int page = -1;          // page index for a page-store transfer
    uint8_t cpu = 0;
    uint32_t clockHz = 0;
    uint32_t bytes = 0;     // data bytes taken so far
    int dataBlocks = 0;     // data blocks received, resends included
    // When the first and the latest data block had arrived whole: what a benchmark times
    // the block phase by, the same for any host.
    std::chrono::steady_clock::time_point firstBlockAt{};
    std::chrono::steady_clock::time_point lastBlockAt{};
    Ending ending = Ending::Running;
};

} // namespace unitsim
