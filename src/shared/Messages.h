#pragma once

#include "shared/MessageTable.h"

// The questions of the page planning: title and text of an OK / Cancel box.
namespace Msg {

inline constexpr const char* kLowerSpillTitle = "ページを跨いだデータの書換え";
inline constexpr const char* kLowerSpillText = "このページに跨る上側ページのデータを消去します";
inline constexpr const char* kUpperSpillTitle = "ページを跨ぐデータ";
inline constexpr const char* kErasePagesSuffix = "ページを消去します";
inline constexpr const char* kEraseAllPages = "全ページ消去します";

// Names of the message table's codes and texts for the transfer run, the memory check and
// the transfer start, which still pick a title and a text separately. They go once those
// show rows of the table (ShowMessage(const MessageRow&)).
inline constexpr const char* kOpenError = Messages::kOpenErrorCode;

inline constexpr const char* kCommFault = Messages::kCommFault;
inline constexpr const char* kSendTimeout = Messages::kSendTimeout;
inline constexpr const char* kReplyTimeout = Messages::kReplyTimeout;
inline constexpr const char* kReceiveError = Messages::kReceiveError;
inline constexpr const char* kMemoryFault = Messages::kMemoryFault;

inline constexpr const char* kAlreadyRunning = Messages::kAlreadyRunning.text;
inline constexpr const char* kPortUnusable = Messages::kOpenTransferPort.text;
inline constexpr const char* kFileUnopenable = Messages::kOpenFile.text;

inline constexpr const char* kErr001 = Messages::kErr001.code;
inline constexpr const char* kChecksumOnLine = Messages::kErr001.text;
inline constexpr const char* kErr002 = Messages::kErr002.code;
inline constexpr const char* kDataFaultOnLine = Messages::kErr002.text;

inline constexpr const char* kErr010 = Messages::kErr010.code;
inline constexpr const char* kErr011 = Messages::kErr011.code;
inline constexpr const char* kErr012 = Messages::kErr012.code;
inline constexpr const char* kErr013 = Messages::kErr013.code;
inline constexpr const char* kErr100 = Messages::kErr100.code;
inline constexpr const char* kErr101 = Messages::kErr101.code;
inline constexpr const char* kErr102 = Messages::kErr102.code;
inline constexpr const char* kFlashFault = Messages::kErr102.text;
inline constexpr const char* kErr110 = Messages::kErr110.code;
inline constexpr const char* kEraseFault = Messages::kErr110.text;

inline constexpr const char* kErr200 = Messages::kErr200.code;

inline constexpr const char* kErr400 = Messages::kErr400.code;
inline constexpr const char* kNeedPage1 = Messages::kErr400.text;
inline constexpr const char* kErr401 = Messages::kErr401.code;
inline constexpr const char* kNeedPage1or2 = Messages::kErr401.text;
inline constexpr const char* kErr402 = Messages::kErr402.code;
inline constexpr const char* kLastPageFull = Messages::kErr402.text;

} // namespace Msg
