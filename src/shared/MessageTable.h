#pragma once

#include "shared/ExitStatus.h"
#include "shared/MessageBox.h"
#include "shared/Version.h"

#include <QString>

#include <span>

// One row for every message the program can show. The code is the box's title; the text is
// shown as it stands, after a prefix for the rows that take one (a line number); a row
// without a text shows the port layer's own words. `name` is how the README and the tests'
// list call the row; `arises` and `hint` are the README's "Meaning" and "What to do".
// `exitStatus` is what the command line ends with after the message (0: it never shows it).
struct MessageRow {
    const char* code;
    const char* text; // UTF-8; nullptr: the port layer's description
    MsgButtons buttons;
    MsgIcon icon;
    const char* name;
    const char* arises;
    const char* hint;
    int exitStatus;
};

namespace Messages {

// Texts shared by several codes.
inline constexpr const char* kCommFault = "通信異常が発生しました";
inline constexpr const char* kSendTimeout = "送信ﾀｲﾑｵｰﾊﾞｰが発生しました";
inline constexpr const char* kReplyTimeout = "受信ﾀｲﾑｵｰﾊﾞｰが発生しました";
inline constexpr const char* kReceiveError = "受信ｴﾗｰが発生しました";
inline constexpr const char* kMemoryFault = "ﾒﾓﾘｰ異常が発生しました";

inline constexpr const char* kOpenErrorCode = "OPEN ERROR";

constexpr MessageRow FaultRow(const char* code, const char* text, const char* arises, const char* hint, int exit)
{
    return {code, text, MsgButtons::Ok, MsgIcon::None, code, arises, hint, exit};
}

// Opening the port or the file.
inline constexpr MessageRow kOpenPort{kOpenErrorCode, nullptr, MsgButtons::Ok, MsgIcon::Exclamation,
                                      "OPEN ERROR (port layer's text)",
                                      "The memory check cannot open the serial port; the box names the device and the reason",
                                      "Check the port link and the `dialout` group", Exit::kPort};
inline constexpr MessageRow kOpenTransferPort{kOpenErrorCode, "Comﾎﾟｰﾄが使用できません", MsgButtons::Ok,
                                              MsgIcon::Exclamation, "OPEN ERROR \"Comﾎﾟｰﾄが使用できません\"",
                                              "The transfer window cannot use the port",
                                              "Check the port link and the `dialout` group", Exit::kPort};
inline constexpr MessageRow kOpenFile{kOpenErrorCode, "ﾌｧｲﾙが開けません", MsgButtons::Ok, MsgIcon::Exclamation,
                                      "OPEN ERROR \"ﾌｧｲﾙが開けません\"", "The S-record file cannot be opened",
                                      "Check the file path", Exit::kFile};

// S-record file faults: the line number is the prefix.
inline constexpr MessageRow kErr001 =
    FaultRow("ERR 001", "行にﾁｪｯｸｻﾑｴﾗｰを検出しました",
             "A record of the S-record file has a wrong checksum; the line number comes first",
             "Rebuild or re-export the file", Exit::kFile);
inline constexpr MessageRow kErr002 =
    FaultRow("ERR 002", "行にﾃﾞｰﾀ異常を検出しました",
             "A record of the file is malformed, or lies beyond the unit's 512 KB", "Check the file at that line",
             Exit::kFile);

// Header and block replies of the transfer run.
inline constexpr const char* kHeaderNeitherOkNorFl =
    "The unit answered the transfer header with neither \"OK\" nor \"FL\"";
inline constexpr MessageRow kErr010 = FaultRow("ERR 010", kCommFault, kHeaderNeitherOkNorFl,
                                               "Check cable and speed; repeat", Exit::kGarbled); // page-store header
inline constexpr MessageRow kErr011 = FaultRow("ERR 011", kCommFault, kHeaderNeitherOkNorFl,
                                               "Check cable and speed; repeat", Exit::kGarbled); // direct header
inline constexpr MessageRow kErr012 = FaultRow("ERR 012", kCommFault,
                                               "The unit did not send \"GO\" for a \"THRU\" transfer",
                                               "Check the target connection", Exit::kGarbled);
inline constexpr MessageRow kErr013 = FaultRow("ERR 013", kCommFault, "A data block was not accepted twice",
                                               "Noisy line: use 9.6 kbps, check the cable", Exit::kGarbled);

// The link's own faults: the transfer window's codes, then the main window's.
inline constexpr const char* kNotDrained = "Bytes did not leave the port within 3 s";
inline constexpr const char* kDrainHint = "Check the adapter and flow control";
inline constexpr const char* kNoReply = "No reply within 3 s (55 s for erases and headers)";
inline constexpr const char* kNoReplyHint = "Is the unit powered and connected with a straight cable?";
inline constexpr const char* kLineError = "The port reported a line error (framing, overrun, parity)";
inline constexpr const char* kLineErrorHint = "Check cable and speed";
inline constexpr MessageRow kErr020 = FaultRow("ERR 020", kSendTimeout, kNotDrained, kDrainHint, Exit::kNoAnswer);
inline constexpr MessageRow kErr021 = FaultRow("ERR 021", kSendTimeout, kNotDrained, kDrainHint, Exit::kNoAnswer);
inline constexpr MessageRow kErr030 = FaultRow("ERR 030", kReplyTimeout, kNoReply, kNoReplyHint, Exit::kNoAnswer);
inline constexpr MessageRow kErr031 = FaultRow("ERR 031", kReceiveError, kLineError, kLineErrorHint, Exit::kGarbled);
inline constexpr MessageRow kErr040 = FaultRow("ERR 040", kReplyTimeout, kNoReply, kNoReplyHint, Exit::kNoAnswer);
inline constexpr MessageRow kErr041 = FaultRow("ERR 041", kReceiveError, kLineError, kLineErrorHint, Exit::kGarbled);

// The unit's own fault reports.
inline constexpr const char* kHeaderMemoryFault = "The unit reported a memory fault for the header";
inline constexpr MessageRow kErr100 = FaultRow("ERR 100", kMemoryFault, kHeaderMemoryFault, "Unit service",
                                               Exit::kUnitFault); // page-store header
inline constexpr MessageRow kErr101 = FaultRow("ERR 101", kMemoryFault, kHeaderMemoryFault, "Unit service",
                                               Exit::kUnitFault); // direct header
inline constexpr MessageRow kErr102 = FaultRow("ERR 102", "ﾌﾗｯｼｭﾒﾓﾘｴﾗｰが発生しました",
                                               "The unit reported a flash write fault",
                                               "Check the target and its clock setting", Exit::kUnitFault);
inline constexpr MessageRow kErr110 = FaultRow("ERR 110", "消去エラーが発生しました", "The unit did not erase a page",
                                               "Repeat; unit service", Exit::kUnitFault);

// The main window's memory check.
inline constexpr MessageRow kErr200 = FaultRow("ERR 200", kCommFault,
                                               "A page record from the unit had a wrong checksum",
                                               "Repeat the memory check", Exit::kGarbled);
inline constexpr MessageRow kErr201 = FaultRow("ERR 201", kReplyTimeout, kNoReply, kNoReplyHint, Exit::kNoAnswer);
inline constexpr MessageRow kErr202 = FaultRow("ERR 202", kReceiveError, kLineError, kLineErrorHint, Exit::kGarbled);
inline constexpr MessageRow kErr220 = FaultRow("ERR 220", kSendTimeout, kNotDrained, kDrainHint, Exit::kNoAnswer);

// Page rules: the image does not fit above the chosen page.
inline constexpr const char* kTooLarge =
    "The image is too large for the chosen page (more than 384, 256 or 128 KB above it)";
inline constexpr MessageRow kErr400 = FaultRow("ERR 400", "384KBを越えるデータは１ページを指定して下さい", kTooLarge,
                                               "Choose page 1 (or 2)", Exit::kPageRules);
inline constexpr MessageRow kErr401 = FaultRow("ERR 401", "256KBを越えるデータは１または２ページを指定して下さい",
                                               kTooLarge, "Choose page 1 (or 2)", Exit::kPageRules);
inline constexpr MessageRow kErr402 = FaultRow("ERR 402", "最終ページに128KBを越えるデータは保存できません",
                                               kTooLarge, "Choose page 1 (or 2)", Exit::kPageRules);

// Under the application title.
inline constexpr MessageRow kPortRefusal{kAppTitle, nullptr, MsgButtons::Ok, MsgIcon::Exclamation,
                                         "(port layer's refusal, application title)",
                                         "The port refused to send (the device went away); shown once, in the port layer's words",
                                         "Reconnect the adapter and repeat", Exit::kGarbled};
inline constexpr MessageRow kAlreadyRunning{kAppTitle, "既に起動しています", MsgButtons::Ok, MsgIcon::None,
                                            "既に起動しています", "The program is already running",
                                            "Use the running window", Exit::kDone};

// Every row, in the README's order.
inline constexpr const MessageRow* kTable[] = {
    &kOpenPort, &kOpenFile, &kOpenTransferPort, &kErr001, &kErr002, &kErr010, &kErr011, &kErr012, &kErr013,
    &kErr020,   &kErr021,   &kErr220,           &kErr030, &kErr040, &kErr201, &kErr031, &kErr041, &kErr202,
    &kErr100,   &kErr101,   &kErr102,           &kErr110, &kErr200, &kErr400, &kErr401, &kErr402, &kPortRefusal,
    &kAlreadyRunning};

} // namespace Messages

// The row's text as the box shows it after `prefix`; for a row without a text of its own the
// prefix is the whole text (the port layer's description).
QString MessageText(const MessageRow& row, const QString& prefix = {});

// Shows the row: its code as the title, prefix + text, its buttons and icon.
MsgResult ShowMessage(const MessageRow& row, const QString& prefix = {});

// The exit status of an operation on the unit that stopped at `row`'s message: the row's own.
// A stop that no row of the table names is counted a garbled answer, never done.
int StatusOfStop(const MessageRow* row);

// The README's message table (header included), rows of the same meaning and hint joined
// into one line ("ERR 010, 011").
QString MessageTableMarkdown();
