// The unit's protocol without a line: commands in, replies and actions out.
#include "EngineHarness.h"
#include "HostBytes.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace unitsim;
using hostbytes::Line;
using Kind = Action::Kind;

namespace {

std::vector<uint8_t> Bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

// The record reply's own checksum rule: the 22 bytes and the checksum add up to 0xFF.
bool ReplySumMatches(const std::string& reply)
{
    unsigned sum = 0;
    for (size_t i = 0; i < 46; i += 2)
        sum += std::stoul(reply.substr(i, 2), nullptr, 16);
    return sum % 256 == 0xFF;
}

const std::string kEmptyReply = std::string(44, '0') + "FF\r\n";

PageRecord SampleRecord()
{
    PageRecord record{1, 29, 24576000, {}, 133120};
    const std::string name = "\x8E\x8E\x8C\xB1\xC3\xDE\xB0\xC0.MOT";
    std::copy(name.begin(), name.end(), record.name.begin());
    return record;
}

TEST(Engine, SpeedExchangeAnswersOkSwitchesWaitsForTheHostThenSaysGo)
{
    EngineHarness unit;
    const auto to38400 = unit.Feed("CC02807D\r\n");
    EXPECT_EQ(to38400, (std::vector<Action>{Action(Kind::Send, Bytes("OK\r\n")), Action(Kind::SetSpeed, 38400),
                                            Action(Kind::AwaitHostSpeed, 500), Action(Kind::Send, Bytes("GO\r\n"))}));
    const auto to9600 = unit.Feed("CC0200FD\r\n");
    ASSERT_EQ(to9600.size(), 4u);
    EXPECT_EQ(to9600[1], Action(Kind::SetSpeed, 9600));
}

TEST(Engine, PageQueryOfEmptyPageIsAllZeros)
{
    EngineHarness unit;
    EXPECT_EQ(unit.Say("C90203FA\r\n"), std::string(44, '0') + "FF\r\n");
}

TEST(Engine, PageQueryOfFullPageCarriesEveryFieldAndAMatchingSum)
{
    EngineHarness unit;
    unit.memory.SetRecord(2, SampleRecord());
    const std::string reply = unit.Say(hostbytes::QueryLine(2));
    //                  st cpu clock    name (12 bytes)          size
    EXPECT_EQ(reply.substr(0, 44), "01" "1D" "01770000" "8E8E8CB1C3DEB0C02E4D4F54" "00020800");
    EXPECT_TRUE(ReplySumMatches(reply));
    EXPECT_EQ(reply.substr(46), "\r\n");
}

TEST(Engine, CommandLinesAreRecordedWithoutLineEndAndABareLfEndsALine)
{
    EngineHarness unit;
    EXPECT_EQ(unit.Say("C90200FD\n"), std::string(44, '0') + "FF\r\n");
    unit.Say("C90201FC\r\n");
    EXPECT_EQ(unit.engine.CommandLines(), (std::vector<std::string>{"C90200FD", "C90201FC"}));
}

TEST(Engine, BadLinesAreAnsweredNG)
{
    const std::string bad[] = {
        "C90200FE\r\n",                  // checksum
        Line("C90204"),                   // no page 5
        Line("CC0240"),                   // no such speed
        Line("C30302FC"),                 // erase: complement does not match the page
        Line("C70200"),                   // unknown command
        "C90300FC\r\n",                  // count does not match the length
        Line("CF07410000000000"),         // direct header without its 0x40 marker
        Line("C01204" + std::string(32, '0')), // page-store header for a page 5
        "C90200fd\r\n",                  // lower-case hex
        "CC02807\r\n",                   // odd number of digits
        "C902 0FD\r\n",                  // not hex
        "CC\r\n",                        // nothing behind the code
    };
    for (const auto& line : bad) {
        EngineHarness unit;
        EXPECT_EQ(unit.Say(line), "NG\r\n") << line;
        EXPECT_FALSE(unit.engine.InBlockPhase());
    }
}

TEST(Engine, NoiseBeforeALeadIsPassedOverSilently)
{
    EngineHarness unit;
    EXPECT_EQ(unit.Say(hostbytes::AbortBlock()), "");
    EXPECT_EQ(unit.Say("\xB1\xB2\r\n"), "");
    EXPECT_EQ(unit.Say("CC0200FD\r\n").substr(0, 4), "OK\r\n");
}

TEST(Engine, OverlongLineIsDroppedWithoutReply)
{
    EngineHarness unit;
    EXPECT_EQ(unit.Say("C" + std::string(100, '0') + "\r\n"), "");
    EXPECT_TRUE(unit.engine.CommandLines().empty());
}

TEST(Engine, PageEraseClearsDataAndRecordSavesThenAnswersOkAfterTheEraseTime)
{
    EngineHarness unit(Timing{.eraseMs = 800});
    unit.memory.SetRecord(1, SampleRecord());
    unit.memory.Write(kPageSize, std::vector<uint8_t>(64, 0x12));
    const auto actions = unit.Feed(hostbytes::EraseLine(1));
    EXPECT_EQ(actions, (std::vector<Action>{Action(Kind::Persist), Action(Kind::Pause, 800),
                                            Action(Kind::Send, Bytes("OK\r\n"))}));
    EXPECT_EQ(unit.memory.Record(1), PageRecord{});
    EXPECT_EQ(unit.memory.PageData(1), std::vector<uint8_t>(kPageSize, 0xFF));
}

TEST(Engine, PageStoreWritesBlocksAndEndBlockStoresTheRecord)
{
    EngineHarness unit;
    unit.memory.SetRecord(1, SampleRecord()); // old contents of the target page
    EXPECT_EQ(unit.Say(hostbytes::StoreHeader(1, 5, 20000000, "ABCMOT     ")), "OK\r\n");
    EXPECT_TRUE(unit.engine.InBlockPhase());
    EXPECT_EQ(unit.memory.Record(1), PageRecord{}) << "the header erases the page";

    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(unit.Say(hostbytes::DataBlock(hostbytes::PatternData(i))), "O");
    const auto end = unit.Feed(hostbytes::EndBlock());
    EXPECT_EQ(EngineHarness::Sent(end), "O");
    EXPECT_EQ(end.front(), Action(Kind::Persist));
    EXPECT_FALSE(unit.engine.InBlockPhase());

    PageRecord expected{1, 5, 20000000, {}, 128};
    const std::string name = "ABCMOT      ";
    std::copy(name.begin(), name.end(), expected.name.begin());
    EXPECT_EQ(unit.memory.Record(1), expected);
    const auto data = unit.memory.PageData(1);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(std::equal(data.begin() + i * 32, data.begin() + i * 32 + 32, hostbytes::PatternData(i).begin()));
    EXPECT_EQ(data[128], 0xFF);
    EXPECT_EQ(unit.engine.LastTransfer().ending, Transfer::Ending::EndOfData);
}

TEST(Engine, BadBlockChecksumIsUnclearAndTheResentBlockLandsAtTheSamePlace)
{
    EngineHarness unit;
    unit.Say(hostbytes::StoreHeader(0, 0, 16000000, "X          "));
    unit.Say(hostbytes::DataBlock(hostbytes::PatternData(0)));
    auto damaged = hostbytes::DataBlock(hostbytes::PatternData(1));
    damaged[32] ^= 0x01;
    EXPECT_EQ(unit.Say(damaged), "R");
    EXPECT_EQ(unit.Say(hostbytes::DataBlock(hostbytes::PatternData(1))), "O");
    unit.Say(hostbytes::EndBlock());
    EXPECT_EQ(unit.memory.Record(0).size, 64u);
    const auto data = unit.memory.PageData(0);
    EXPECT_TRUE(std::equal(data.begin() + 32, data.begin() + 64, hostbytes::PatternData(1).begin()));
    EXPECT_EQ(unit.engine.BlocksReceived(), 3);
}

TEST(Engine, DataBlocksOfZerosAndOnesAreDataNotMarkers)
{
    EngineHarness unit;
    unit.Say(hostbytes::StoreHeader(0, 0, 16000000, "X          "));
    EXPECT_EQ(unit.Say(hostbytes::DataBlock(std::vector<uint8_t>(32, 0x00))), "O");
    EXPECT_EQ(unit.Say(hostbytes::DataBlock(std::vector<uint8_t>(32, 0xFF))), "O");
    EXPECT_TRUE(unit.engine.InBlockPhase());
    EXPECT_EQ(unit.engine.LastTransfer().bytes, 64u);
}

TEST(Engine, AbortBlockKeepsWrittenDataButNoRecord)
{
    EngineHarness unit;
    unit.memory.SetRecord(0, SampleRecord());
    unit.Say(hostbytes::StoreHeader(0, 3, 10000000, "ABORTED    "));
    unit.Say(hostbytes::DataBlock(hostbytes::PatternData(0)));
    const auto abort = unit.Feed(hostbytes::AbortBlock());
    EXPECT_EQ(EngineHarness::Sent(abort), "O");
    EXPECT_EQ(abort.front(), Action(Kind::Persist));
    EXPECT_FALSE(unit.engine.InBlockPhase());
    EXPECT_EQ(unit.memory.Record(0).status, 0);
    EXPECT_EQ(unit.memory.PageData(0)[0], hostbytes::PatternData(0)[0]);
    EXPECT_EQ(unit.engine.LastTransfer().ending, Transfer::Ending::Aborted);
}

TEST(Engine, DataRunningIntoTheNextPageClearsThatPagesRecord)
{
    EngineHarness unit;
    unit.memory.SetRecord(3, SampleRecord());
    unit.Say(hostbytes::StoreHeader(2, 1, 8000000, "BIG        "));
    const int blocksPerPage = kPageSize / 32;
    for (int i = 0; i < blocksPerPage; ++i)
        ASSERT_EQ(unit.Say(hostbytes::DataBlock(hostbytes::PatternData(i))), "O");
    EXPECT_EQ(unit.memory.Record(3).status, 1) << "untouched until data reaches it";
    EXPECT_EQ(unit.Say(hostbytes::DataBlock(hostbytes::PatternData(blocksPerPage))), "O");
    EXPECT_EQ(unit.memory.Record(3), PageRecord{});
    EXPECT_EQ(unit.memory.Data()[3 * kPageSize], hostbytes::PatternData(blocksPerPage)[0]);
    unit.Say(hostbytes::EndBlock());
    EXPECT_EQ(unit.memory.Record(2).size, uint32_t(kPageSize + 32));
}

TEST(Engine, DataPastTheEndOfMemoryIsAFlashFault)
{
    EngineHarness unit;
    unit.Say(hostbytes::StoreHeader(3, 1, 8000000, "LAST       "));
    for (int i = 0; i < kPageSize / 32; ++i)
        ASSERT_EQ(unit.Say(hostbytes::DataBlock(hostbytes::PatternData(i))), "O");
    EXPECT_EQ(unit.Say(hostbytes::DataBlock(hostbytes::PatternData(0))), "F");
}

TEST(Engine, DirectHeaderAnswersOkThenGoAfterAGapAndCollectsTheThruImage)
{
    EngineHarness unit(Timing{.directGoGapMs = 150});
    unit.memory.SetRecord(0, SampleRecord());
    const auto header = unit.Feed(hostbytes::DirectHeader(7, 12288000));
    EXPECT_EQ(header, (std::vector<Action>{Action(Kind::Send, Bytes("OK\r\n")), Action(Kind::Pause, 150),
                                           Action(Kind::Send, Bytes("GO\r\n"))}));
    EXPECT_TRUE(unit.engine.InBlockPhase());
    EXPECT_EQ(unit.Say(hostbytes::DataBlock(hostbytes::PatternData(0))), "O");
    EXPECT_EQ(unit.Say(hostbytes::DataBlock(hostbytes::PatternData(1))), "O");
    const auto end = unit.Feed(hostbytes::EndBlock());
    EXPECT_EQ(EngineHarness::Sent(end), "O");

    auto expected = hostbytes::PatternData(0);
    const auto second = hostbytes::PatternData(1);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(unit.engine.ThruImage(), expected);
    EXPECT_EQ(unit.memory.Record(0), SampleRecord()) << "THRU uses no page";
    EXPECT_EQ(unit.engine.LastTransfer().target, Transfer::Target::Thru);
    EXPECT_EQ(unit.engine.LastTransfer().clockHz, 12288000u);
}

TEST(Engine, HostClosingItsPortInTheDataPhaseAbandonsTheTransfer)
{
    EngineHarness unit;
    unit.Say(hostbytes::StoreHeader(0, 0, 16000000, "X          "));
    unit.Feed(std::vector<uint8_t>(10, 0x55)); // half a block
    unit.engine.HostClosed();
    EXPECT_FALSE(unit.engine.InBlockPhase());
    EXPECT_EQ(unit.engine.LastTransfer().ending, Transfer::Ending::Abandoned);
    EXPECT_EQ(unit.Say("C90200FD\r\n"), std::string(44, '0') + "FF\r\n");
}

TEST(Engine, PowerCycleInTheDataPhaseAbandonsTheTransferAndSavesWhatWasWritten)
{
    EngineHarness unit;
    unit.Feed(hostbytes::StoreHeader(0, 0, 16000000, "X          "));
    unit.Feed(hostbytes::DataBlock(hostbytes::PatternData(0)));
    unit.Feed(std::vector<uint8_t>(5, 0x11));
    unit.engine.PowerCycle();
    EXPECT_EQ(unit.engine.TakeActions(), std::vector<Action>{Action(Kind::Persist)});
    EXPECT_EQ(unit.engine.LastTransfer().ending, Transfer::Ending::Abandoned);
    EXPECT_EQ(unit.Say("C90200FD\r\n"), kEmptyReply) << "the half block is gone";
}

} // namespace
