#include "product/SerialRule.h"

#include <gtest/gtest.h>

namespace {

using Format = product::SerialRule::Format;

struct BytesRow {
    quint64 number;
    Format format;
    int width;
    const char* prefix;
    const char* hex; // the bytes placed
};

const BytesRow kBytesRows[] = {
    {1000, Format::BigEndian, 4, "", "000003e8"},
    {1000, Format::LittleEndian, 4, "", "e8030000"},
    {0x0102030405060708, Format::BigEndian, 8, "", "0102030405060708"},
    {0x7FFFFFFFFFFFFFFF, Format::LittleEndian, 8, "", "ffffffffffffff7f"},
    {255, Format::BigEndian, 1, "", "ff"},
    {123456, Format::Bcd, 6, "", "123456"},
    {12345, Format::Bcd, 5, "", "012345"}, // an odd count starts with a 0 nibble
    {7, Format::Bcd, 4, "", "0007"},
    {42, Format::Ascii, 6, "", "303030303432"},
    {42, Format::Ascii, 3, "SN-", "534e2d303432"},
};

TEST(SerialRuleBytes, numberTimesFormat)
{
    for (const BytesRow& row : kBytesRows) {
        product::SerialRule rule;
        rule.format = row.format;
        rule.width = row.width;
        rule.prefix = row.prefix;
        const QByteArray bytes = rule.BytesOf(row.number);
        EXPECT_EQ(bytes.toHex().toStdString(), row.hex) << row.number << " as " << product::FormatName(row.format);
        EXPECT_EQ(bytes.size(), rule.PlacedBytes()) << row.number << " as " << product::FormatName(row.format);
    }
}

} // namespace
