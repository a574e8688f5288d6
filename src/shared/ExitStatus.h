#pragma once

// How corvane-flash ends. A stopping message's status is its row's in the message table; the
// statuses without a row are the command line's own.
namespace Exit {
inline constexpr int kDone = 0;
inline constexpr int kInternal = 1;   // a gang worker ended without telling its result
inline constexpr int kUsage = 2;      // unknown option, bad value, missing FILE
inline constexpr int kPort = 3;       // the port cannot be opened
inline constexpr int kFile = 4;       // the file, the product, the log or the record cannot be used
inline constexpr int kPageRules = 5;  // the image does not fit above the chosen page
inline constexpr int kRefused = 6;    // an erase question answered Cancel, or not askable
inline constexpr int kNoAnswer = 7;   // no answer, send time-out
inline constexpr int kGarbled = 8;    // garbled answer or line error
inline constexpr int kUnitFault = 9;  // the unit reported a fault
inline constexpr int kCancelled = 10; // Ctrl-C or SIGTERM
inline constexpr int kNotProduct = 11; // check: a page the product lists differs on the unit

// Every status with the few words the command's help gives it.
struct StatusRow {
    int status;
    const char* words;
};
//                                      status        words
inline constexpr StatusRow kTable[] = {{kDone,        "done"},
                                       {kInternal,    "worker crashed"},
                                       {kUsage,       "usage"},
                                       {kPort,        "port"},
                                       {kFile,        "file or product (or --log, --record)"},
                                       {kPageRules,   "page rules"},
                                       {kRefused,     "question refused"},
                                       {kNoAnswer,    "no answer"},
                                       {kGarbled,     "garbled answer"},
                                       {kUnitFault,   "unit fault"},
                                       {kCancelled,   "cancelled (Ctrl-C, SIGTERM)"},
                                       {kNotProduct,  "the unit does not hold the product"}};
} // namespace Exit
