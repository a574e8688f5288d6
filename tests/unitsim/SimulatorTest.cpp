// The simulator on a real pseudo-terminal, driven from the host's side with plain termios.
#include "unitsim/UnitMemory.h"
#include "unitsim/UnitSimulator.h"

#include "HostBytes.h"
#include "support/BareLine.h"
#include "TestFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace unitsim;
namespace fs = std::filesystem;

namespace {

const std::string kEmptyRecordReply = std::string(44, '0') + "FF\r\n";
constexpr int kNeverMs = 600'000; // a fall-back that must not be what lets a test pass

struct RunningSimulator {
    explicit RunningSimulator(Options options) : sim(std::move(options))
    {
        std::string error;
        started = sim.Start(&error);
        EXPECT_TRUE(started) << error;
    }
    UnitSimulator sim;
    bool started = false;
};

Options WithGoFallback(int ms)
{
    Options options;
    options.timing.speedGoFallbackMs = ms;
    return options;
}

std::string Text(const std::vector<uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

TEST(Simulator, SpeedExchangeTo38400SendsGoOnlyOnceTheHostHasResetItsPortUngarbled)
{
    RunningSimulator unit(WithGoFallback(kNeverMs));
    BareLine host(unit.sim.HostPath());
    ASSERT_TRUE(host.IsOpen());

    host.Write("CC02807D\r\n");
    EXPECT_EQ(host.ReadLine(), "OK\r\n");
    EXPECT_EQ(Text(unit.sim.SentBytes()), "OK\r\n") << "no GO before the host re-set its port";

    host.DiscardInput();
    host.SetSpeed(B38400);
    EXPECT_EQ(host.ReadLine(), "GO\r\n");
    EXPECT_EQ(unit.sim.UnitBaud(), 38400);
    EXPECT_EQ(unit.sim.HostBaud(), 38400);

    host.Write(hostbytes::QueryLine(0));
    EXPECT_EQ(host.ReadLine(), kEmptyRecordReply);
}

TEST(Simulator, SpeedExchangeAtTheSameSpeedSendsGoAfterTheHostDiscardedItsInput)
{
    RunningSimulator unit(WithGoFallback(kNeverMs));
    BareLine host(unit.sim.HostPath());
    host.Write("CC0200FD\r\n");
    EXPECT_EQ(host.ReadLine(), "OK\r\n");
    EXPECT_EQ(Text(unit.sim.SentBytes()), "OK\r\n");
    host.DiscardInput();
    EXPECT_EQ(host.ReadLine(), "GO\r\n");
}

TEST(Simulator, HostThatDoesNotResetItsPortGetsGoGarbledAfterTheFallBack)
{
    RunningSimulator unit(WithGoFallback(50));
    BareLine host(unit.sim.HostPath());
    host.Write("CC02807D\r\n");
    EXPECT_EQ(host.ReadLine(), "OK\r\n");
    const std::string go = host.ReadBytes(4);
    ASSERT_EQ(go.size(), 4u);
    EXPECT_EQ(go.find_first_of("GO\r\n"), std::string::npos) << "every byte garbled";
}

TEST(Simulator, HostFasterThanTheUnitIsHeardGarbledAndNotAnswered)
{
    RunningSimulator unit{Options{}};
    BareLine host(unit.sim.HostPath());
    host.SetSpeed(B38400);
    const std::string query = hostbytes::QueryLine(0);
    host.Write(query);
    ASSERT_TRUE(unit.sim.WaitUntil([&] { return unit.sim.ReceivedBytes().size() == query.size() && unit.sim.Idle(); },
                                   kDeadlineMs));
    for (uint8_t b : unit.sim.ReceivedBytes())
        EXPECT_GE(b, 0x80);
    EXPECT_TRUE(unit.sim.CommandLines().empty());
    EXPECT_TRUE(unit.sim.SentBytes().empty());
}

TEST(Simulator, LinkIsCreatedWithItsFoldersAndRemovedOnStop)
{
    const fs::path link = TestFolder("link") / "cfg/Corvane-Host/ports/COM1";
    Options options;
    options.linkPath = link.string();
    {
        RunningSimulator unit(options);
        ASSERT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::read_symlink(link).string(), unit.sim.HostPath());
        BareLine host(link.string());
        host.Write(hostbytes::QueryLine(3));
        EXPECT_EQ(host.ReadLine(), kEmptyRecordReply);
        unit.sim.Stop();
        EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    }
}

TEST(Simulator, LinkReplacesAStaleLinkButNeverAFile)
{
    const fs::path folder = TestFolder("stale");
    const fs::path link = folder / "COM2";
    fs::create_symlink("/dev/pts/nonexistent", link);
    Options options;
    options.linkPath = link.string();
    {
        RunningSimulator unit(options);
        EXPECT_EQ(fs::read_symlink(link).string(), unit.sim.HostPath());
    }

    const fs::path file = folder / "COM3";
    std::ofstream(file) << "keep me";
    options.linkPath = file.string();
    UnitSimulator refused(options);
    std::string error;
    EXPECT_FALSE(refused.Start(&error));
    EXPECT_NE(error.find("not a symbolic link"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_regular_file(file));
}

TEST(Simulator, PageStoreTransferIsSavedToTheStateFile)
{
    const fs::path state = TestFolder("state") / "unit.state";
    Options options;
    options.stateFile = state.string();
    RunningSimulator unit(options);
    BareLine host(unit.sim.HostPath());

    host.Write(hostbytes::StoreHeader(1, 12, 9830400, "STATE      "));
    ASSERT_EQ(host.ReadLine(), "OK\r\n");
    for (int i = 0; i < 8; ++i) {
        host.Write(hostbytes::DataBlock(hostbytes::PatternData(i)));
        ASSERT_EQ(host.ReadBytes(1), "O") << i;
    }
    host.Write(hostbytes::EndBlock());
    ASSERT_EQ(host.ReadBytes(1), "O");

    UnitMemory saved;
    std::string error;
    ASSERT_TRUE(saved.Load(state.string(), &error)) << error;
    EXPECT_EQ(saved.Record(1), unit.sim.Page(1));
    EXPECT_EQ(saved.Record(1).size, 256u);
    EXPECT_EQ(saved.PageData(1), unit.sim.PageData(1));

    // A new simulator on the same file starts with what the old one held.
    unit.sim.Stop();
    RunningSimulator again(options);
    EXPECT_EQ(again.sim.Page(1).clockHz, 9830400u);
}

// A test reads back what a target got: the file holds the latest direct transfer that reached
// its end block, whole; an aborted one leaves it alone.
TEST(Simulator, ThruImageFileHoldsTheLatestFinishedDirectTransferWhole)
{
    const fs::path file = TestFolder("thru") / "image.bin";
    Options options;
    options.thruImageFile = file.string();
    RunningSimulator unit(options);
    BareLine host(unit.sim.HostPath());
    for (const auto& [blocks, marker] : {std::pair{2, hostbytes::EndBlock()}, {1, hostbytes::AbortBlock()}}) {
        host.Write(hostbytes::DirectHeader(3, 20000000));
        ASSERT_EQ(host.ReadLine(), "OK\r\n");
        ASSERT_EQ(host.ReadLine(), "GO\r\n");
        for (int i = 0; i < blocks; ++i) {
            host.Write(hostbytes::DataBlock(hostbytes::PatternData(blocks + i)));
            ASSERT_EQ(host.ReadBytes(1), "O");
        }
        host.Write(marker);
        ASSERT_EQ(host.ReadBytes(1), "O");
    }
    std::vector<uint8_t> expected = hostbytes::PatternData(2);
    const std::vector<uint8_t> second = hostbytes::PatternData(3);
    expected.insert(expected.end(), second.begin(), second.end());
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}), expected);
}

TEST(Simulator, HostClosingItsPortMidTransferLeavesTheUnitReadyForTheNextSession)
{
    RunningSimulator unit{Options{}};
    {
        BareLine host(unit.sim.HostPath());
        host.Write(hostbytes::StoreHeader(0, 0, 16000000, "GONE       "));
        ASSERT_EQ(host.ReadLine(), "OK\r\n");
        host.Write(hostbytes::DataBlock(hostbytes::PatternData(0)));
        ASSERT_EQ(host.ReadBytes(1), "O");
        ASSERT_TRUE(unit.sim.InBlockPhase());
    }
    ASSERT_TRUE(unit.sim.WaitUntil([&] { return !unit.sim.InBlockPhase(); }, kDeadlineMs));
    EXPECT_EQ(unit.sim.LastTransfer().ending, Transfer::Ending::Abandoned);

    BareLine again(unit.sim.HostPath());
    again.Write(hostbytes::QueryLine(0));
    EXPECT_EQ(again.ReadLine(), kEmptyRecordReply);
}

TEST(Simulator, VanishingWithHangUpMakesTheDeviceGoAwayAndAPowerCycleBringsItBack)
{
    const fs::path link = TestFolder("hangup") / "COM1";
    Options options;
    options.linkPath = link.string();
    options.faults.vanishAfterBlocks = 1;
    options.faults.hangUpOnVanish = true;
    RunningSimulator unit(options);
    const std::string firstPath = unit.sim.HostPath();
    BareLine host(firstPath);
    host.Write(hostbytes::StoreHeader(0, 0, 16000000, "VANISH     "));
    ASSERT_EQ(host.ReadLine(), "OK\r\n");
    host.Write(hostbytes::DataBlock(hostbytes::PatternData(0)));
    ASSERT_EQ(host.ReadBytes(1), "O");
    host.Write(hostbytes::DataBlock(hostbytes::PatternData(1)));
    EXPECT_TRUE(host.WaitForHangUp());
    EXPECT_TRUE(unit.sim.Vanished());
    host.Close();

    unit.sim.SetFaults({});
    unit.sim.PowerCycle();
    EXPECT_FALSE(unit.sim.Vanished());
    EXPECT_EQ(fs::read_symlink(link).string(), unit.sim.HostPath());
    BareLine back(link.string());
    back.Write(hostbytes::QueryLine(0));
    EXPECT_EQ(back.ReadLine(), kEmptyRecordReply);
}

TEST(Simulator, PacedLineStillCarriesEveryExchangeIntact)
{
    Options options = WithGoFallback(kNeverMs);
    options.pace = true;
    RunningSimulator unit(options);
    BareLine host(unit.sim.HostPath());
    host.Write("CC02807D\r\n");
    ASSERT_EQ(host.ReadLine(), "OK\r\n");
    host.DiscardInput();
    host.SetSpeed(B38400);
    ASSERT_EQ(host.ReadLine(), "GO\r\n");

    host.Write(hostbytes::DirectHeader(3, 20000000));
    ASSERT_EQ(host.ReadLine(), "OK\r\n");
    ASSERT_EQ(host.ReadLine(), "GO\r\n");
    std::vector<uint8_t> expected;
    for (int i = 0; i < 4; ++i) {
        const auto data = hostbytes::PatternData(i);
        expected.insert(expected.end(), data.begin(), data.end());
        host.Write(hostbytes::DataBlock(data));
        ASSERT_EQ(host.ReadBytes(1), "O") << i;
    }
    host.Write(hostbytes::EndBlock());
    ASSERT_EQ(host.ReadBytes(1), "O");
    EXPECT_EQ(unit.sim.ThruImage(), expected);
}

TEST(Simulator, PreloadedPageAndFaultsSetWhileRunningAreSeenByTheHost)
{
    RunningSimulator unit{Options{}};
    unit.sim.SetPage(0, PageRecord{1, 0, 16000000, {}, 1024}, std::vector<uint8_t>(1024, 0x5A));
    BareLine host(unit.sim.HostPath());
    host.Write(hostbytes::QueryLine(0));
    EXPECT_EQ(host.ReadLine().substr(0, 12), "010000F42400");
    EXPECT_EQ(unit.sim.PageData(0)[1023], 0x5A);
    EXPECT_EQ(unit.sim.PageData(0)[1024], 0xFF);

    unit.sim.SetFaults({.badRecordSumPage = 1});
    host.Write(hostbytes::QueryLine(1));
    EXPECT_EQ(host.ReadLine(), std::string(44, '0') + "00\r\n");
}

TEST(Simulator, StartingTwiceIsRefused)
{
    RunningSimulator unit{Options{}};
    std::string error;
    EXPECT_FALSE(unit.sim.Start(&error));
    EXPECT_FALSE(error.empty());
}

} // namespace
