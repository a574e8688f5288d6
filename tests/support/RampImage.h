#pragma once

#include "support/SRecordText.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

// A test image of `size` bytes from address 0 whose byte i is i * 7 + seed, so that every
// block differs from its neighbours.
inline std::vector<uint8_t> RampImageBytes(int size, uint8_t seed)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    for (int i = 0; i < size; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(i * 7 + seed);
    return bytes;
}

// The ramp image as an S-record file (S2 records of 32 bytes, then S8); false when it cannot be
// written.
inline bool SaveRampImageFile(const QString& path, int size, uint8_t seed)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const std::vector<uint8_t> bytes = RampImageBytes(size, seed);
    for (int address = 0; address < size; address += 32) {
        const auto first = bytes.begin() + address;
        const std::vector<uint8_t> data(first, first + std::min(32, size - address));
        file.write(QByteArray::fromStdString(SRecord(2, static_cast<uint32_t>(address), data)) + "\r\n");
    }
    file.write("S804000000FB\r\n");
    return file.flush();
}

// The same for a test, which fails when the file cannot be written. Returns `path`.
inline QString WriteRampImageFile(const QString& path, int size, uint8_t seed)
{
    EXPECT_TRUE(SaveRampImageFile(path, size, seed)) << path.toStdString();
    return path;
}
