#pragma once

// A THRU target's own number: where in its image it goes, how it is written there, and the
// numbers the product may hand out. The record decides which number a target gets; the rule
// only turns a number into the bytes placed.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace product {

struct SerialRule {
    enum class Format {
        BigEndian,    // "be": binary, most significant byte first, as H8 and SH read it
        LittleEndian, // "le"
        Bcd,          // "bcd": two decimal digits a byte, the first digit in the high nibble
        Ascii,        // "ascii": the prefix, then decimal digits zero-padded to the width
    };
    // The record keeps numbers as signed 64-bit integers, as TOML does.
    static constexpr quint64 kLargestKept = 0x7FFF'FFFF'FFFF'FFFFull;
    static constexpr int kMaxBinaryBytes = 8;
    static constexpr int kMaxDigits = 18; // 10^18 - 1 is the widest all-nines below kLargestKept

    int32_t address = 0;
    Format format = Format::BigEndian;
    int width = 4;       // bytes for "be" and "le", digits for "bcd" and "ascii"
    QByteArray prefix;   // "ascii" only
    quint64 first = 0;
    quint64 step = 1;
    quint64 last = 0;    // as the product gives it, else the largest number the format holds
    bool overwrite = false; // the place may hold data of the image's own

    // How many bytes the number takes in the image.
    int PlacedBytes() const;
    // The largest number the format holds.
    quint64 Largest() const;
    // The bytes placed for `number`, at most Largest().
    QByteArray BytesOf(quint64 number) const;
};

// "be", "le", "bcd", "ascii"
const char* FormatName(SerialRule::Format format);
std::optional<SerialRule::Format> FormatNamed(const QString& name);

} // namespace product
