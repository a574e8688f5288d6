#include "link/Protocol.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

QByteArray toAnsi(const QString& text)
{
    QStringEncoder encoder(Proto::kCodePage);
    return encoder.encode(text);
}

// A character position the text does not reach counts as "0": callers always hand in
// complete commands, and a short one must not make the sum read past its end.
int hexPairAt(const QByteArray& bytes, int position)
{
    const auto at = [&](int i) { return i < bytes.size() ? static_cast<uint8_t>(bytes[i]) : '0'; };
    return HexNibble(at(position)) * 16 + HexNibble(at(position + 1));
}

uint8_t recordByteAt(ReplyBytes rx, int position)
{
    return static_cast<uint8_t>(HexNibble(rx[position]) * 16 + HexNibble(rx[position + 1]));
}

// Eight characters taken as one 32-bit number, most significant digit first.
uint32_t recordWordAt(ReplyBytes rx, int position)
{
    uint32_t value = 0;
    for (int i = 0; i < 8; ++i)
        value = value * 16 + static_cast<uint32_t>(HexNibble(rx[position + i]));
    return value;
}

} // namespace

int HexNibble(int c)
{
    return c >= 'A' ? c - 55 : c - 48;
}

int NibbleToHex(int n)
{
    return n <= 9 ? n + 48 : n + 55;
}

PageInfo DecodePageRecord(ReplyBytes rx)
{
    PageInfo info;
    if (rx.size() < static_cast<size_t>(2 * Proto::kPageRecordBytes))
        return info;
    info.status = recordByteAt(rx, Proto::kRecordStatusAt);
    if (info.status != 1)
        return info;
    info.cpu = recordByteAt(rx, Proto::kRecordCpuAt);
    info.clockHz = recordWordAt(rx, Proto::kRecordClockAt);
    for (int i = 0; i < Proto::kRecordNameBytes; ++i)
        info.name[i] = recordByteAt(rx, Proto::kRecordNameAt + 2 * i);
    info.sizeBytes = recordWordAt(rx, Proto::kRecordSizeAt);
    return info;
}

QString setsum(QString& text, int16_t count)
{
    const QByteArray bytes = toAnsi(text);
    int sum = 0;
    for (int k = 0, position = 2; k < count; ++k, position += 2)
        sum = (sum + hexPairAt(bytes, position)) & 0xFF;
    const int check = 0xFF - sum;
    text.append(QChar(NibbleToHex(check >> 4)));
    text.append(QChar(NibbleToHex(check & 0x0F)));
    return text;
}

std::optional<int16_t> CheckReplySum(ReplyBytes rx, int16_t n)
{
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

bool ReplyContains(ReplyBytes rx, const char* token)
{
    // Decoded as a whole so that a double-byte character never yields a false token.
    QStringDecoder decoder(Proto::kCodePage);
    const QByteArrayView area(reinterpret_cast<const char*>(rx.data()), static_cast<qsizetype>(rx.size()));
    const QString text = decoder.decode(area);
    return text.contains(QLatin1String(token), Qt::CaseSensitive);
}

QString HexField(uint32_t value, int width)
{
    return QString::number(value, 16).toUpper().rightJustified(width, QLatin1Char('0')).right(width);
}
