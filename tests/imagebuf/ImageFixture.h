#pragma once

#include "imagebuf/imagebuf.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// What FillBuf reports besides the image.
struct Loaded {
    int16_t result;
    int32_t dataEnd;
    int32_t errorLine;
    bool operator==(const Loaded&) const = default;
};
void PrintTo(const Loaded& loaded, std::ostream* out);

// A data record's bytes as they should land in the image.
struct Placed {
    uint32_t address;
    std::vector<uint8_t> bytes;
};

// An image of IMAGEBUF_SIZE blank bytes with `placed` written in order.
std::vector<uint8_t> ExpectedImage(const std::vector<Placed>& placed);
// The first offset at which two images differ, -1 when they are equal.
int64_t FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

// Loads S-record text through a real file into an image buffer that sits between guard zones,
// and fails the test when anything outside the image or the unused result changes.
class ImageFixture : public ::testing::Test {
protected:
    ImageFixture();

    std::string WriteFile(std::string_view text, const std::string& name = "image.mot");
    Loaded LoadPath(const std::string& path);
    Loaded Load(std::string_view text) { return LoadPath(WriteFile(text)); }
    uint8_t* ImageStart() { return storage_.data() + kGuard; }
    std::vector<uint8_t> Image() const;

    QTemporaryDir dir_;

private:
    static constexpr size_t kGuard = 4096;
    static constexpr uint8_t kGuardByte = 0x5A;
    void ExpectGuardsIntact() const;

    std::vector<uint8_t> storage_;
};
