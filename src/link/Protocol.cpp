#include "link/Protocol.h"

#include "shared/Module1.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

QByteArray toAnsi(const QString& text)
{
    QStringEncoder encoder("CP932");
    return encoder.encode(text);
}

// A character position the text does not reach counts as "0": callers always hand in
// complete commands, and a short one must not make the sum read past its end.
int hexPairAt(const QByteArray& bytes, int position)
{
    const auto at = [&](int i) { return i < bytes.size() ? static_cast<uint8_t>(bytes[i]) : '0'; };
    return HexNibble(at(position)) * 16 + HexNibble(at(position + 1));
}

char hexDigit(int nibble)
{
    return static_cast<char>(nibble < 10 ? '0' + nibble : 'A' + nibble - 10);
}

} // namespace

int HexNibble(int c)
{
    return c >= 'A' ? c - 55 : c - 48;
}

QString setsum(QString& text, int16_t count)
{
    const QByteArray bytes = toAnsi(text);
    int sum = 0;
    for (int k = 0, position = 2; k < count; ++k, position += 2)
        sum = (sum + hexPairAt(bytes, position)) & 0xFF;
    const int check = 0xFF - sum;
    text.append(QLatin1Char(hexDigit(check >> 4)));
    text.append(QLatin1Char(hexDigit(check & 0x0F)));
    return text;
}

std::optional<int16_t> CheckReplySum(int16_t n)
{
    const auto& rx = Module1.RxBytes;
    // The reply and its checksum must lie inside the receive area.
    if (n < 0 || 2 * n + 1 >= static_cast<int>(rx.size()))
        return std::nullopt;
    int sum = 0;
    for (int i = 0; i < 2 * n + 2; ++i)
        if (HexNibble(rx[i]) < 0)
            return std::nullopt;
    for (int k = 0; k < n; ++k)
        sum = (sum + 16 * HexNibble(rx[2 * k]) + HexNibble(rx[2 * k + 1])) & 0xFF;
    const int received = 16 * HexNibble(rx[2 * n]) + HexNibble(rx[2 * n + 1]);
    if (received > 0xFF)
        return std::nullopt;
    return static_cast<int16_t>(sum != 0xFF - received ? 1 : 0);
}

bool ReplyContains(const char* token)
{
    // Decoded as a whole so that a double-byte character never yields a false token.
    QStringDecoder decoder("CP932");
    const QByteArray area(reinterpret_cast<const char*>(Module1.RxBytes.data()),
                          static_cast<qsizetype>(Module1.RxBytes.size()));
    const QString text = decoder.decode(area);
    return text.contains(QLatin1String(token), Qt::CaseSensitive);
}

QString HexField(uint32_t value, int width)
{
    return QString::number(value, 16).toUpper().rightJustified(width, QLatin1Char('0')).right(width);
}
