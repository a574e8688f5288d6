#pragma once

#include <QByteArray>

#include <cstdint>

// The unit's answer to a page query: the 22-byte record as hex digits, its checksum, CR LF.
inline QByteArray RecordReply(uint8_t status, uint8_t cpu, uint32_t clock, const QByteArray& name, uint32_t size)
{
    QByteArray record;
    record.append(static_cast<char>(status)).append(static_cast<char>(cpu));
    for (int shift = 24; shift >= 0; shift -= 8)
        record.append(static_cast<char>(clock >> shift));
    record.append(name.leftJustified(12, ' ', true));
    for (int shift = 24; shift >= 0; shift -= 8)
        record.append(static_cast<char>(size >> shift));
    int sum = 0;
    for (char c : record)
        sum = (sum + static_cast<uint8_t>(c)) & 0xFF;
    record.append(static_cast<char>(0xFF - sum));
    return record.toHex().toUpper() + "\r\n";
}
