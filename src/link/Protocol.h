#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>

// The programmer unit's wire format: command prefixes, reply tokens, time-outs and checksums.
namespace Proto {

// Command texts before their payload and checksum ("C", code, count).
inline constexpr const char* kSpeed9600 = "CC0200";   // set the line speed to 9600 bit/s
inline constexpr const char* kSpeed38400 = "CC0280";  // set the line speed to 38400 bit/s
inline constexpr int16_t kSpeedCount = 2;
inline constexpr const char* kPageQuery = "C902";     // + page index: read a page record
inline constexpr int16_t kPageQueryCount = 2;
inline constexpr const char* kPageErase = "C303";     // + n + (255 - n): erase page n
inline constexpr int16_t kPageEraseCount = 3;
inline constexpr const char* kPageStoreHeader = "C012"; // + page, cpu, clock, 11 name bytes
inline constexpr int16_t kPageStoreHeaderCount = 18;
inline constexpr const char* kDirectHeader = "CF0740"; // + cpu, clock: write into no page
inline constexpr int16_t kDirectHeaderCount = 7;

// Reply tokens, searched anywhere in the receive area, case-sensitively.
inline constexpr const char* kTokenOK = "OK";
inline constexpr const char* kTokenGO = "GO";
inline constexpr const char* kTokenFL = "FL";

// Block acknowledgements (first received byte in raw mode).
inline constexpr uint8_t kAckWritten = 0x4F;   // "O"
inline constexpr uint8_t kAckFlashFault = 0x46; // "F"

// Line speeds in bit/s and the port settings that select them.
inline constexpr int32_t kBaudLow = 9600;
inline constexpr int32_t kBaudHigh = 38400;
inline constexpr const char* kSettings9600 = "9600,N,8,1";
inline constexpr const char* kSettings38400 = "38400,N,8,1";

// The code page of every text on the line (commands, the name field, the page record's name).
inline constexpr const char* kCodePage = "CP932";

// Port "ComN" as the operator chooses it, N from 1 to kPortCount.
inline constexpr int kPortCount = 8;
inline constexpr const char* kPortNamePattern = "Com%1";
inline QString PortName(int portNo)
{
    return QString::fromLatin1(kPortNamePattern).arg(portNo);
}

// The unit keeps four pages of 128 KB; the page query and erase number them 0..3. The image
// spans all four, an address being its offset in the image.
inline constexpr int kPageCount = 4;
inline constexpr int32_t kPageBytes = 0x20000;
inline constexpr int32_t kImageBytes = kPageCount * kPageBytes;

// Data phase: 32 image bytes and their complemented sum per block; a block filled with
// kAbortFill stops the write, one filled with kEndFill ends it. The image goes out in
// whole send units.
inline constexpr int kBlockDataBytes = 32;
inline constexpr int kBlockChecksumIndex = 32;
inline constexpr int kBlockBytes = 33;
inline constexpr char kAbortFill = '\xFF';
inline constexpr char kEndFill = '\0';
inline constexpr int32_t kSendUnit = 128;

// Time-outs in whole seconds of the clock, and the pause before a speed exchange.
inline constexpr int kShortWaitSeconds = 3;
inline constexpr int kLongWaitSeconds = 55;
inline constexpr uint32_t kSpeedPauseMs = 200;

// Memory-record reply: 22 bytes as hex, then their checksum. Field positions in characters.
inline constexpr int16_t kPageRecordBytes = 22;
inline constexpr int kRecordStatusAt = 0;
inline constexpr int kRecordCpuAt = 2;
inline constexpr int kRecordClockAt = 4;
inline constexpr int kRecordNameAt = 12;
inline constexpr int kRecordNameBytes = 12;
inline constexpr int kRecordSizeAt = 36;

} // namespace Proto

// The bytes a reply arrived in (the callers pass Module1.RxBytes).
using ReplyBytes = std::span<const uint8_t>;

// One unit page's record as the page query returns it.
struct PageInfo {
    uint8_t status = 0; // 1: the page holds data; the other fields mean something only then
    uint8_t cpu = 0;
    uint32_t clockHz = 0;
    std::array<uint8_t, Proto::kRecordNameBytes> name{};
    uint32_t sizeBytes = 0;
};

// Decodes the 22-byte record at the start of the reply (its checksum already verified; a
// reply shorter than the record reads as an empty page).
PageInfo DecodePageRecord(ReplyBytes rx);

// The upper-case hex digit's character code of a value 0..15.
int NibbleToHex(int n);

// The value of one received hex character: c - 55 from "A" on, else c - 48. Lower-case
// letters give values above 15; a code below "0" gives a negative value (a conversion error).
int HexNibble(int c);

// Appends the two checksum digits to a command text: 255 minus the byte sum of the `count`
// hex pairs behind the two-character command code. Extends `text` in place and returns it.
QString setsum(QString& text, int16_t count);

// Checks the checksum of an n-byte hex reply: 1 on a mismatch, 0 on a match, nothing when
// the characters cannot be read as hexadecimal.
std::optional<int16_t> CheckReplySum(ReplyBytes rx, int16_t n);

// True when `token` occurs anywhere in the receive area read as text in the system code page.
bool ReplyContains(ReplyBytes rx, const char* token);

// Fixed-width upper-case hex field: the last `width` digits of the value, zero-padded.
QString HexField(uint32_t value, int width);
