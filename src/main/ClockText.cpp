#include "main/ClockText.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <locale>
#include <sstream>
#include <string>

namespace {

bool isIgnoredBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

// The text with the ignored blanks taken out, as ASCII; anything beyond ASCII stops the
// reading anyway, so it becomes a character no number contains.
std::string compacted(const QString& text)
{
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text) {
        if (isIgnoredBlank(c))
            continue;
        out.push_back(c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '\x7f');
    }
    return out;
}

// The value of a digit in base 8 or 16, or -1 when it is none.
int digitValue(char c, int base)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    return value < base ? value : -1;
}

// "&H" and "&O" integers are 16-bit when the value fits 16 bits and 32-bit otherwise, both
// two's complement, so "&HFFFF" is -1; a value beyond 32 bits is too large for any clock.
double readRadixInteger(const std::string& s, size_t pos, int base)
{
    uint64_t value = 0;
    for (; pos < s.size() && digitValue(s[pos], base) >= 0; ++pos) {
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digitValue(s[pos], base));
        if (value > UINT32_MAX)
            return std::numeric_limits<double>::infinity();
    }
    if (value <= UINT16_MAX)
        return static_cast<int16_t>(static_cast<uint16_t>(value));
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

size_t skipDigits(const std::string& s, size_t pos)
{
    while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos])))
        ++pos;
    return pos;
}

double readDecimal(const std::string& s)
{
    size_t pos = 0;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-'))
        ++pos;
    const size_t intStart = pos;
    pos = skipDigits(s, pos);
    bool anyDigit = pos > intStart;
    if (pos < s.size() && s[pos] == '.') {
        const size_t fracStart = pos + 1;
        pos = skipDigits(s, fracStart);
        anyDigit = anyDigit || pos > fracStart;
    }
    if (!anyDigit)
        return 0;
    std::string number = s.substr(0, pos);
    // The exponent counts only when digits follow its letter (and optional sign).
    if (pos < s.size() && std::string("EeDd").find(s[pos]) != std::string::npos) {
        size_t expPos = pos + 1;
        if (expPos < s.size() && (s[expPos] == '+' || s[expPos] == '-'))
            ++expPos;
        const size_t expEnd = skipDigits(s, expPos);
        if (expEnd > expPos)
            number += 'e' + s.substr(pos + 1, expEnd - pos - 1);
    }
    // In the classic locale whatever locale the process runs in. An overflow reads as the
    // largest double of its sign, an underflow as (nearly) 0.
    std::istringstream in(number);
    in.imbue(std::locale::classic());
    double value = 0;
    in >> value;
    return value;
}

} // namespace

double ReadLeadingNumber(const QString& text)
{
    const std::string s = compacted(text);
    if (s.size() >= 2 && s[0] == '&') {
        const char radix = static_cast<char>(std::toupper(static_cast<unsigned char>(s[1])));
        if (radix == 'H')
            return readRadixInteger(s, 2, 16);
        if (radix == 'O')
            return readRadixInteger(s, 2, 8);
        return 0;
    }
    return readDecimal(s);
}

float ClockFromText(const QString& text)
{
    const double read = ReadLeadingNumber(text);
    // Beyond the single range the magnitude becomes infinite, which the limit below catches.
    float mhz = std::fabs(read) > std::numeric_limits<float>::max()
                    ? std::numeric_limits<float>::infinity()
                    : static_cast<float>(std::fabs(read));
    if (mhz > kMaxClockMHz)
        mhz = kMaxClockMHz;
    return mhz;
}

QString FormatClock(float mhz)
{
    return QString::number(static_cast<double>(mhz), 'f', 4);
}
