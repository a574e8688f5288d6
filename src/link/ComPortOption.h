#pragma once

#include <cstdint>

// The Telnet COM-PORT option (RFC 2217): its number, the commands a client sends inside its
// subnegotiations and the values they carry. The server answers or notifies with the command
// number plus kServerOffset.
namespace ComPort {

inline constexpr unsigned char kOption = 44;
inline constexpr uint8_t kServerOffset = 100;

// Client commands.
inline constexpr uint8_t kSetBaudRate = 1;    // 4 bytes, most significant first; 0 asks for the current
inline constexpr uint8_t kSetDataSize = 2;
inline constexpr uint8_t kSetParity = 3;
inline constexpr uint8_t kSetStopSize = 4;
inline constexpr uint8_t kSetControl = 5;
inline constexpr uint8_t kNotifyLineState = 6;  // from the server only
inline constexpr uint8_t kNotifyModemState = 7; // from the server only
inline constexpr uint8_t kFlowControlSuspend = 8; // either side: stop sending data
inline constexpr uint8_t kFlowControlResume = 9;
inline constexpr uint8_t kSetLineStateMask = 10;
inline constexpr uint8_t kSetModemStateMask = 11;
inline constexpr uint8_t kPurgeData = 12;

// What the server sends for a command: its answer, or a notification it makes unasked.
constexpr uint8_t FromServer(uint8_t command)
{
    return static_cast<uint8_t>(command + kServerOffset);
}

// SET-PARITY values.
inline constexpr char kParityNone = 1;
inline constexpr char kParityOdd = 2;
inline constexpr char kParityEven = 3;
inline constexpr char kParityMark = 4;
inline constexpr char kParitySpace = 5;

// SET-STOPSIZE values.
inline constexpr char kStopOne = 1;
inline constexpr char kStopTwo = 2;
inline constexpr char kStopOneAndHalf = 3;

// SET-CONTROL values.
inline constexpr char kNoFlowControl = 1;
inline constexpr char kDtrOn = 8;
inline constexpr char kRtsOn = 11;

// PURGE-DATA values.
inline constexpr char kPurgeReceive = 1;  // the server's buffer of what its line received
inline constexpr char kPurgeTransmit = 2; // the server's buffer of what its line has yet to send
inline constexpr char kPurgeBoth = 3;

// NOTIFY-LINESTATE bits that are line errors.
inline constexpr uint8_t kOverrunError = 0x02;
inline constexpr uint8_t kParityError = 0x04;
inline constexpr uint8_t kFramingError = 0x08;
inline constexpr uint8_t kLineErrorBits = kOverrunError | kParityError | kFramingError;

} // namespace ComPort
