#pragma once

#include <QString>

// The clock field reads its text the lenient way operators are used to: the number at the
// start of the text counts, whatever follows it does not.

// The number at the start of `text`: blanks, tabs and line feeds are ignored wherever they
// stand; an optional sign, digits, an optional "." and fraction, an optional exponent (E or D,
// either case); or "&H" / "&O" and a hexadecimal or octal integer. Reading stops at the first
// character that does not fit; text with no leading number reads as 0.
double ReadLeadingNumber(const QString& text);

// The clock in MHz that a clock text commits: read leniently, in single precision, made
// non-negative and limited to 99.9999.
float ClockFromText(const QString& text);

// "#0.0000": at least one digit before the point, exactly four after it, rounded.
QString FormatClock(float mhz);

inline constexpr float kMaxClockMHz = 99.9999f;
