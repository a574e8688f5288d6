// Each of the unit's faults, as the host would meet it.
#include "EngineHarness.h"
#include "HostBytes.h"

#include <gtest/gtest.h>

using namespace unitsim;
using Kind = Action::Kind;

namespace {

const std::string kStoreHeader = hostbytes::StoreHeader(0, 5, 20000000, "ABCMOT     ");

std::string Block(int index)
{
    const auto block = hostbytes::DataBlock(hostbytes::PatternData(index));
    return {block.begin(), block.end()};
}

TEST(EngineFaults, MuteRecordsLinesButAnswersNothing)
{
    EngineHarness unit(Faults{.mute = true});
    EXPECT_TRUE(unit.Feed("CC0200FD\r\n").empty());
    EXPECT_TRUE(unit.Feed(kStoreHeader).empty());
    EXPECT_FALSE(unit.engine.InBlockPhase());
    EXPECT_EQ(unit.engine.CommandLines().size(), 2u);
}

TEST(EngineFaults, SpeedNoGoSwitchesAfterOkButNeverSendsGo)
{
    EngineHarness unit(Faults{.speedNoGo = true});
    EXPECT_EQ(unit.Feed("CC02807D\r\n"),
              (std::vector<Action>{Action(Kind::Send, {'O', 'K', '\r', '\n'}), Action(Kind::SetSpeed, 38400)}));
}

// The header and erase replies that stand in for "OK": the unit does not do the work.
TEST(EngineFaults, ReplacedRepliesAreSentAndTheWorkIsNotDone)
{
    struct Case {
        const char* name;
        Faults faults;
        std::string line;
        std::string expected;
    };
    const Case cases[] = {
        {"store header FL", {.storeHeaderReply = "FL"}, kStoreHeader, "FL\r\n"},
        {"store header garbage", {.storeHeaderReply = "#?"}, kStoreHeader, "#?\r\n"},
        {"store header silent", {.storeHeaderReply = ""}, kStoreHeader, ""},
        {"direct header FL", {.directHeaderReply = "FL"}, hostbytes::DirectHeader(5, 20000000), "FL\r\n"},
        {"direct header no GO", {.directNoGo = true}, hostbytes::DirectHeader(5, 20000000), "OK\r\n"},
        {"direct header other second reply", {.directSecondReply = "NG"}, hostbytes::DirectHeader(5, 20000000),
         "OK\r\nNG\r\n"},
        {"erase FL", {.eraseReply = "FL"}, hostbytes::EraseLine(0), "FL\r\n"},
    };
    for (const auto& c : cases) {
        EngineHarness unit(c.faults);
        unit.memory.SetRecord(0, PageRecord{1, 2, 3, {}, 4});
        EXPECT_EQ(unit.Say(c.line), c.expected) << c.name;
        EXPECT_FALSE(unit.engine.InBlockPhase()) << c.name;
        EXPECT_EQ(unit.memory.Record(0).status, 1) << c.name << ": nothing erased";
    }
}

TEST(EngineFaults, BadRecordSumSpoilsOnlyTheChosenPage)
{
    EngineHarness unit(Faults{.badRecordSumPage = 2});
    EXPECT_EQ(unit.Say(hostbytes::QueryLine(1)), std::string(44, '0') + "FF\r\n");
    EXPECT_EQ(unit.Say(hostbytes::QueryLine(2)), std::string(44, '0') + "00\r\n");
}

TEST(EngineFaults, UnclearAnswerOnceOrTwiceAtTheChosenBlockAndTheBlockIsNotTaken)
{
    for (int times : {1, 2}) {
        EngineHarness unit(Faults{.unclearAtBlock = 1, .unclearTimes = times, .unclearByte = 'X'});
        unit.Say(kStoreHeader);
        EXPECT_EQ(unit.Say(Block(0)), "O");
        EXPECT_EQ(unit.Say(Block(1)), "X");
        EXPECT_EQ(unit.Say(Block(1)), times == 1 ? "O" : "X") << times;
        EXPECT_EQ(unit.engine.LastTransfer().bytes, times == 1 ? 64u : 32u) << times;
    }
}

TEST(EngineFaults, FlashFaultAtTheChosenBlockAndTheAbortBlockIsStillAnswered)
{
    EngineHarness unit(Faults{.flashFaultAtBlock = 2});
    unit.Say(kStoreHeader);
    EXPECT_EQ(unit.Say(Block(0)), "O");
    EXPECT_EQ(unit.Say(Block(1)), "O");
    EXPECT_EQ(unit.Say(Block(2)), "F");
    EXPECT_EQ(unit.Say(hostbytes::AbortBlock()), "O");
    EXPECT_EQ(unit.engine.LastTransfer().bytes, 64u);
}

TEST(EngineFaults, ReplyDelayPausesBeforeEveryReply)
{
    EngineHarness unit(Faults{.replyDelayMs = 700});
    const auto speed = unit.Feed("CC0200FD\r\n");
    ASSERT_EQ(speed.size(), 6u);
    EXPECT_EQ(speed[0], Action(Kind::Pause, 700));
    EXPECT_EQ(speed[4], Action(Kind::Pause, 700));
    EXPECT_EQ(speed[5].kind, Kind::Send);
    unit.Say(kStoreHeader);
    EXPECT_EQ(unit.Feed(Block(0)).front(), Action(Kind::Pause, 700));
}

TEST(EngineFaults, VanishAfterTheChosenNumberOfBlocksAnswersNothingMore)
{
    for (bool hangUp : {false, true}) {
        EngineHarness unit(Faults{.vanishAfterBlocks = 2, .hangUpOnVanish = hangUp});
        unit.Say(kStoreHeader);
        EXPECT_EQ(unit.Say(Block(0)), "O");
        EXPECT_EQ(unit.Say(Block(1)), "O");
        const auto third = unit.Feed(Block(2));
        EXPECT_EQ(third, hangUp ? std::vector<Action>{Action(Kind::HangUp)} : std::vector<Action>{});
        EXPECT_TRUE(unit.engine.Vanished());
        EXPECT_TRUE(unit.Feed(hostbytes::AbortBlock()).empty());
        EXPECT_TRUE(unit.Feed("CC0200FD\r\n").empty());

        unit.engine.PowerCycle();
        EXPECT_FALSE(unit.engine.Vanished());
        EXPECT_EQ(unit.Say("CC0200FD\r\n").substr(0, 4), "OK\r\n");
    }
}

TEST(EngineFaults, GarbageBurstGoesOnceInFrontOfTheNextReply)
{
    EngineHarness unit(Faults{.garbageBurst = 5});
    const std::string first = unit.Say(hostbytes::QueryLine(0));
    ASSERT_EQ(first.size(), 5u + 48u);
    for (int i = 0; i < 5; ++i)
        EXPECT_GE(static_cast<uint8_t>(first[i]), 0xA1);
    EXPECT_EQ(first.substr(5), std::string(44, '0') + "FF\r\n");
    EXPECT_EQ(unit.Say(hostbytes::QueryLine(0)), std::string(44, '0') + "FF\r\n");
}

} // namespace
