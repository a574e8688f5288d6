#pragma once

#include <QString>

namespace cli {

// Exit statuses of corvane-flash.
namespace Exit {
inline constexpr int kDone = 0;
inline constexpr int kInternal = 1;  // a gang worker ended without telling its result
inline constexpr int kUsage = 2;
inline constexpr int kPort = 3;
inline constexpr int kFile = 4;
inline constexpr int kPageRules = 5;
inline constexpr int kRefused = 6;   // an erase question answered Cancel, or not askable
inline constexpr int kNoAnswer = 7;
inline constexpr int kGarbled = 8;
inline constexpr int kUnitFault = 9;
inline constexpr int kCancelled = 10;
} // namespace Exit

// The exit status a stopping message gives: by its code, and for "OPEN ERROR" by whether its
// text is the file's. 0 for a code without a status of its own ("既に起動しています").
int ExitStatusFor(const QString& code, const QString& text);

// The English hint printed after a message's code and text; empty when there is none.
QString HintFor(const QString& code, const QString& text);

} // namespace cli
