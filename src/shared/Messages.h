#pragma once

// Every message the program shows: the code is the box's title, the text its message.
namespace Msg {

// Titles.
inline constexpr const char* kOpenError = "OPEN ERROR";

// Texts shared by several codes.
inline constexpr const char* kCommFault = "通信異常が発生しました";        // ERR 010 011 012 013 200
inline constexpr const char* kSendTimeout = "送信ﾀｲﾑｵｰﾊﾞｰが発生しました";  // ERR 020 021 220
inline constexpr const char* kReplyTimeout = "受信ﾀｲﾑｵｰﾊﾞｰが発生しました"; // ERR 030 040 201
inline constexpr const char* kReceiveError = "受信ｴﾗｰが発生しました";       // ERR 031 041 202
inline constexpr const char* kMemoryFault = "ﾒﾓﾘｰ異常が発生しました";       // ERR 100 101

inline constexpr const char* kAlreadyRunning = "既に起動しています";
inline constexpr const char* kPortUnusable = "Comﾎﾟｰﾄが使用できません";     // OPEN ERROR, transfer run
inline constexpr const char* kFileUnopenable = "ﾌｧｲﾙが開けません";          // OPEN ERROR, file

// S-record file faults: the line number stands in front of the text.
inline constexpr const char* kErr001 = "ERR 001";
inline constexpr const char* kChecksumOnLine = "行にﾁｪｯｸｻﾑｴﾗｰを検出しました";
inline constexpr const char* kErr002 = "ERR 002";
inline constexpr const char* kDataFaultOnLine = "行にﾃﾞｰﾀ異常を検出しました";

// Header and block replies.
inline constexpr const char* kErr010 = "ERR 010"; // page-store header: neither OK nor FL
inline constexpr const char* kErr011 = "ERR 011"; // direct header: neither OK nor FL
inline constexpr const char* kErr012 = "ERR 012"; // direct header: no GO
inline constexpr const char* kErr013 = "ERR 013"; // data block not accepted twice
inline constexpr const char* kErr100 = "ERR 100"; // page-store header: FL
inline constexpr const char* kErr101 = "ERR 101"; // direct header: FL
inline constexpr const char* kErr102 = "ERR 102"; // data block answered F
inline constexpr const char* kFlashFault = "ﾌﾗｯｼｭﾒﾓﾘｴﾗｰが発生しました";
inline constexpr const char* kErr110 = "ERR 110"; // page erase not answered OK
inline constexpr const char* kEraseFault = "消去エラーが発生しました";

// Main window's link faults.
inline constexpr const char* kErr200 = "ERR 200"; // page record checksum or unreadable record

// Page rules.
inline constexpr const char* kErr400 = "ERR 400";
inline constexpr const char* kNeedPage1 = "384KBを越えるデータは１ページを指定して下さい";
inline constexpr const char* kErr401 = "ERR 401";
inline constexpr const char* kNeedPage1or2 = "256KBを越えるデータは１または２ページを指定して下さい";
inline constexpr const char* kErr402 = "ERR 402";
inline constexpr const char* kLastPageFull = "最終ページに128KBを越えるデータは保存できません";

// Page-planning confirmations.
inline constexpr const char* kLowerSpillTitle = "ページを跨いだデータの書換え";
inline constexpr const char* kLowerSpillText = "このページに跨る上側ページのデータを消去します";
inline constexpr const char* kUpperSpillTitle = "ページを跨ぐデータ";
inline constexpr const char* kErasePagesSuffix = "ページを消去します";
inline constexpr const char* kEraseAllPages = "全ページ消去します";

} // namespace Msg
