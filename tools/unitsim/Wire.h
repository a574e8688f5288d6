#pragma once

#include "UnitTypes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The unit's side of the wire format.
namespace unitsim::wire {

// Command line: lead, code, count N, N-1 payload bytes, checksum, CR LF. The checksum is
// 255 minus the byte sum of the N counted bytes (count and payload; not the lead or code).
inline constexpr char kLead = 'C';
inline constexpr size_t kMaxLineLength = 64; // the longest command is 40 characters + CR

//                        code  count  payload
inline constexpr char kCodeSpeed = 'C';     //  2   0x00 = 9600, 0x80 = 38400 bit/s
inline constexpr char kCodePageQuery = '9'; //  2   page index
inline constexpr char kCodePageErase = '3'; //  3   page index, its complement
inline constexpr char kCodePageStore = '0'; // 18   page, cpu, clock (4), name (11)
inline constexpr char kCodeDirect = 'F';    //  7   0x40, cpu, clock (4)

inline constexpr uint8_t kSpeedByte9600 = 0x00;
inline constexpr uint8_t kSpeedByte38400 = 0x80;
inline constexpr uint8_t kDirectMarker = 0x40;
inline constexpr int kStoreNameBytes = 11;

// Text replies.
inline constexpr std::string_view kLineEnd = "\r\n";
inline constexpr std::string_view kOK = "OK";
inline constexpr std::string_view kGO = "GO";
// Answer to a line the unit cannot take (bad checksum, count, field or command): contains
// none of the tokens the host accepts, and is not a hex record.
inline constexpr std::string_view kBadLine = "NG";

// Data phase: 33-byte blocks, each answered with one byte.
inline constexpr int kBlockBytes = 33;
inline constexpr int kBlockDataBytes = 32;
inline constexpr uint8_t kEndBlockByte = 0x00;   // 33 of them end the data
inline constexpr uint8_t kAbortBlockByte = 0xFF; // 33 of them abandon the transfer
inline constexpr uint8_t kAckWritten = 'O';
inline constexpr uint8_t kAckFlashFault = 'F';
inline constexpr uint8_t kAckUnclear = 'R';      // bad block checksum: the host sends it again

inline constexpr int kBaudLow = 9600;
inline constexpr int kBaudHigh = 38400;

// 255 minus the 8-bit sum of the bytes.
uint8_t Checksum(std::span<const uint8_t> bytes);
// A data block's last byte: the 8-bit sum of the 32 data bytes with all bits inverted.
uint8_t BlockChecksum(std::span<const uint8_t> data);

std::string HexBytes(std::span<const uint8_t> bytes); // upper-case, two digits a byte

// A command line (without its line end) taken apart: the code and the counted bytes
// (the count itself first, then the payload). Nothing when the line is malformed: not
// "C" + code + an even number of upper-case hex digits, a count that does not match the
// length, or a checksum that does not match.
struct CommandLine {
    char code = 0;
    std::vector<uint8_t> counted;
    std::span<const uint8_t> Payload() const { return std::span(counted).subspan(1); }
};
std::optional<CommandLine> ParseCommandLine(std::string_view line);

// The page query's answer: 44 hex digits of the record, their checksum, CR LF.
// `corruptSum` makes the checksum one too high.
std::string RecordReply(const PageRecord& record, bool corruptSum);

} // namespace unitsim::wire
