#include "product/SerialRule.h"

#include <algorithm>
#include <array>

namespace product {

namespace {

constexpr std::array<const char*, 4> kFormatNames = {"be", "le", "bcd", "ascii"};

quint64 allNines(int digits)
{
    quint64 value = 0;
    for (int i = 0; i < digits; ++i)
        value = value * 10 + 9;
    return value;
}

QByteArray decimalDigits(quint64 number, int width)
{
    return QByteArray::number(number).rightJustified(width, '0');
}

} // namespace

int SerialRule::PlacedBytes() const
{
    switch (format) {
    case Format::BigEndian:
    case Format::LittleEndian:
        return width;
    case Format::Bcd:
        return (width + 1) / 2;
    case Format::Ascii:
        return static_cast<int>(prefix.size()) + width;
    }
    return 0;
}

quint64 SerialRule::Largest() const
{
    if (format == Format::Bcd || format == Format::Ascii)
        return allNines(width);
    if (width >= kMaxBinaryBytes)
        return kLargestKept;
    return (quint64{1} << (8 * width)) - 1;
}

QByteArray SerialRule::BytesOf(quint64 number) const
{
    QByteArray bytes;
    switch (format) {
    case Format::BigEndian:
    case Format::LittleEndian:
        for (int i = width - 1; i >= 0; --i)
            bytes.append(static_cast<char>((number >> (8 * i)) & 0xFF));
        if (format == Format::LittleEndian)
            std::reverse(bytes.begin(), bytes.end());
        return bytes;
    case Format::Bcd: {
        // An odd digit count leaves the first byte's high nibble 0.
        const QByteArray digits = decimalDigits(number, 2 * PlacedBytes());
        for (qsizetype i = 0; i < digits.size(); i += 2)
            bytes.append(static_cast<char>(((digits[i] - '0') << 4) | (digits[i + 1] - '0')));
        return bytes;
    }
    case Format::Ascii:
        return prefix + decimalDigits(number, width);
    }
    return bytes;
}

const char* FormatName(SerialRule::Format format)
{
    return kFormatNames[static_cast<size_t>(format)];
}

std::optional<SerialRule::Format> FormatNamed(const QString& name)
{
    for (size_t i = 0; i < kFormatNames.size(); ++i)
        if (name == QLatin1String(kFormatNames[i]))
            return static_cast<SerialRule::Format>(i);
    return std::nullopt;
}

} // namespace product
