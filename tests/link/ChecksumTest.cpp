#include "link/Protocol.h"
#include "shared/Module1.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

// A receive area of the record's size, apart from the shared one.
std::array<uint8_t, 65> reply{};

void putReply(const char* text)
{
    reply.fill(0);
    std::memcpy(reply.data(), text, std::strlen(text));
}

struct SetsumCase {
    const char* text;
    int16_t count;
    const char* expected;
};

class SetsumVectors : public ::testing::TestWithParam<SetsumCase> {};

TEST_P(SetsumVectors, AppendsTheComplementOfTheCountedPairs)
{
    QString text = QString::fromLatin1(GetParam().text);
    const QString returned = setsum(text, GetParam().count);
    EXPECT_EQ(returned.toStdString(), GetParam().expected);
    EXPECT_EQ(text, returned) << "the argument is extended in place too";
}

INSTANTIATE_TEST_SUITE_P(Commands, SetsumVectors,
                         ::testing::Values(SetsumCase{"CC0200", 2, "CC0200FD"}, SetsumCase{"CC0280", 2, "CC02807D"},
                                           SetsumCase{"C90200", 2, "C90200FD"}, SetsumCase{"C90203", 2, "C90203FA"},
                                           SetsumCase{"C30300FF", 3, "C30300FFFD"},
                                           SetsumCase{"C30302FD", 3, "C30302FDFD"},
                                           SetsumCase{"C30303FC", 3, "C30303FCFD"},
                                           // characters behind the counted pairs are not summed
                                           SetsumCase{"C90201FF", 2, "C90201FFFC"},
                                           SetsumCase{"C012000501312D004142434D4F542020202020", 18,
                                                      "C012000501312D004142434D4F542020202020"
                                                      "33"}));

TEST(HexNibble, DigitsLettersAndConversionErrors)
{
    EXPECT_EQ(HexNibble('0'), 0);
    EXPECT_EQ(HexNibble('9'), 9);
    EXPECT_EQ(HexNibble('A'), 10);
    EXPECT_EQ(HexNibble('F'), 15);
    EXPECT_GT(HexNibble('a'), 15); // accepted without complaint, value out of digit range
    EXPECT_LT(HexNibble('/'), 0);  // below "0": a conversion error for the caller
}

TEST(CheckReplySum, EmptyPageRecordOfZerosMatches)
{
    putReply("00000000000000000000000000000000000000000000FF\r\n");
    EXPECT_EQ(CheckReplySum(reply, 22), std::optional<int16_t>(0));
}

TEST(CheckReplySum, WrongChecksumMismatchesAndOneAboveFFIsUnreadable)
{
    putReply("00000000000000000000000000000000000000000000FE\r\n");
    EXPECT_EQ(CheckReplySum(reply, 22), std::optional<int16_t>(1));
    putReply("00000000000000000000000000000000000000000000FG\r\n"); // 0xFF + 1 does not fit a byte
    EXPECT_EQ(CheckReplySum(reply, 22), std::nullopt);
}

TEST(CheckReplySum, FullRecordWithNameMatches)
{
    // status 1, cpu 0x1D, 16 MHz, "DEMO.MOT    ", 24576 bytes
    QByteArray record = QByteArray::fromHex("011D00F42400") + QByteArray("DEMO.MOT    ") + QByteArray::fromHex("00006000");
    int sum = 0;
    for (char c : record)
        sum = (sum + static_cast<uint8_t>(c)) & 0xFF;
    record.append(static_cast<char>(0xFF - sum));
    putReply((record.toHex().toUpper() + "\r\n").constData());
    EXPECT_EQ(CheckReplySum(reply, 22), std::optional<int16_t>(0));
}

TEST(CheckReplySum, CharacterBelowZeroIsAConversionError)
{
    putReply("000000000000000000000000000000000000000000 0FF\r\n");
    EXPECT_EQ(CheckReplySum(reply, 22), std::nullopt);
    putReply("OK\r\n"); // a text reply where a record was expected: CR, LF and NULs
    EXPECT_EQ(CheckReplySum(reply, 22), std::nullopt);
}

TEST(CheckReplySum, CountsThatWouldReadPastTheAreaAreRefused)
{
    putReply("00");
    EXPECT_EQ(CheckReplySum(reply, 32), std::nullopt);
    EXPECT_EQ(CheckReplySum(reply, -1), std::nullopt);
}

TEST(ReplyContains, FindsTokensAnywhereCaseSensitively)
{
    putReply("xxOKyy\r\n");
    EXPECT_TRUE(ReplyContains(reply, "OK"));
    EXPECT_FALSE(ReplyContains(reply, "GO"));
    putReply("ok\r\n");
    EXPECT_FALSE(ReplyContains(reply, "OK"));
    // The whole area counts, bytes of an earlier longer reply included.
    putReply("FLAGS GO\r\n");
    reply[0] = 'O';
    reply[1] = 'K';
    EXPECT_TRUE(ReplyContains(reply, "GO"));
    EXPECT_TRUE(ReplyContains(reply, "OK"));
}

TEST(ReplyContains, TrailByteOfADoubleByteCharacterIsNoToken)
{
    putReply("\x82O\x82K\r\n"); // two Shift-JIS characters whose second bytes are "O" and "K"
    EXPECT_FALSE(ReplyContains(reply, "OK"));
}

TEST(HexField, PadsAndCutsToWidth)
{
    EXPECT_EQ(HexField(5, 2).toStdString(), "05");
    EXPECT_EQ(HexField(0x1AB, 2).toStdString(), "AB");
    EXPECT_EQ(HexField(20000000, 8).toStdString(), "01312D00");
}

} // namespace
