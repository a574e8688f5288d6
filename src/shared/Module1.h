#pragma once

#include "link/Protocol.h"

#include <QString>

#include <array>
#include <cstdint>

// The one program-wide record through which the windows and the link hand the operator's
// choices and the link's state to each other. Created zeroed at process start, alive until
// the process ends, read and written directly from the user-interface thread only.
// Integers are 16-bit signed as the unit's protocol and the stored settings expect.
struct Module1Record {
    // Operator's choices (restored at start-up, saved at shut-down).
    QString FilePath;     // full path of the S-record file
    QString FileTitle;    // file-name part of FilePath as the unit records it
    float ClockMHz = 0;   // target clock, 0 to 99.9999, single precision
    int16_t PortNo = 0;   // 1..8 for Com1..Com8
    int16_t PageNo = 0;   // 0..3 for unit pages 1..4, 8 for "THRU"
    int16_t CpuIndex = 0; // device catalogue code 0..75
    int16_t SpeedIndex = 0; // 0 = 9.6 kbps, any other = 38.4 kbps requested

    // Link state.
    int16_t CommStatus = 0;    // receive status word, see CommStatusBits below
    int16_t HighSpeedLink = 0; // 1 after a speed exchange that left the link at 38400
    std::array<uint8_t, 65> RxBytes{};
    int16_t RxCount = 0;  // bytes stored in RxBytes since the last reset
    int16_t BinaryRx = 0; // non-zero: every delivery completes a reply (block phase)

    // Transfer flags and the image.
    int16_t CancelRequest = 0;
    uint8_t TxFailed = 0;
    std::array<uint8_t, Proto::kImageBytes> ImageBuf{};
};

extern Module1Record Module1;

// Puts the record back to its process-start state (for tests that run several scenarios).
void ResetModule1();

// CommStatus bits. Bit 0 marks a complete reply; bits 12..15 record line errors.
namespace CommStatusBits {
inline constexpr int16_t kReplyComplete = 0x0001;
inline constexpr int16_t kParityError = 0x1000;
inline constexpr int16_t kRxOverflow = 0x2000;
inline constexpr int16_t kOverrun = 0x4000;
inline constexpr int16_t kFramingError = static_cast<int16_t>(0x8000);
} // namespace CommStatusBits

// Page numbering shared by the windows: PageNo 8 writes through the unit into no page.
inline constexpr int16_t kPageThru = 8;
