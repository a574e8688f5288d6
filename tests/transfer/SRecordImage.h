#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// Test images: bytes at chosen addresses, written as an S-record file, and the image the
// loader must make of it (blank 0xFF elsewhere).
struct ImageChunk {
    uint32_t address;
    std::vector<uint8_t> bytes;
};

// `count` bytes from `address`, a pattern that differs from block to block and from the blank.
ImageChunk PatternChunk(uint32_t address, uint32_t count, uint8_t seed = 0);

// One S-record line with its count and checksum, CR LF at its end (types 1, 2, 8, 9).
QByteArray SRecordLine(char type, uint32_t address, const std::vector<uint8_t>& data = {});

// S2 records of up to 32 data bytes, then an S8 terminator. False when the file cannot be written.
bool WriteSRecordFile(const QString& path, const std::vector<ImageChunk>& chunks);

// The whole 512 KB image the chunks make.
std::vector<uint8_t> ImageOf(const std::vector<ImageChunk>& chunks);

// The file-title part of a path, as transfer start derives it.
QString TitleOf(const QString& path);
