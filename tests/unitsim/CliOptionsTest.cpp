#include "unitsim/CliOptions.h"

#include <gtest/gtest.h>

using namespace unitsim;

namespace {

std::optional<CliConfig> Parse(std::vector<std::string> args)
{
    std::string error;
    return ParseCli(args, &error);
}

TEST(CliOptions, FullCommandLineFillsOptionsAndFaults)
{
    const auto config = Parse({"--link", "/x/COM1", "--state", "/x/s", "--thru-image", "/x/t", "--pace", "--preload-demo",
                               "--exit-with-pid", "42", "--erase-ms", "300", "--speed-no-go",
                               "--store-header-reply", "FL", "--erase-reply", "", "--bad-record-sum", "4",
                               "--unclear-at", "7:2:Z", "--flash-fault-at", "9", "--reply-delay", "20",
                               "--vanish-after", "3", "--hang-up", "--garbage-burst", "6"});
    ASSERT_TRUE(config);
    EXPECT_EQ(config->options.linkPath, "/x/COM1");
    EXPECT_EQ(config->options.stateFile, "/x/s");
    EXPECT_EQ(config->options.thruImageFile, "/x/t");
    EXPECT_TRUE(config->options.pace);
    EXPECT_TRUE(config->preloadDemo);
    EXPECT_EQ(config->exitWithPid, 42);
    EXPECT_EQ(config->options.timing.eraseMs, 300);
    const Faults expected{.speedNoGo = true,
                          .storeHeaderReply = "FL",
                          .eraseReply = "",
                          .badRecordSumPage = 3,
                          .unclearAtBlock = 7,
                          .unclearTimes = 2,
                          .unclearByte = 'Z',
                          .flashFaultAtBlock = 9,
                          .replyDelayMs = 20,
                          .vanishAfterBlocks = 3,
                          .hangUpOnVanish = true,
                          .garbageBurst = 6};
    EXPECT_EQ(config->options.faults, expected);
}

TEST(CliOptions, UnclearAtDefaultsToOnceWithX)
{
    const auto config = Parse({"--unclear-at", "12"});
    ASSERT_TRUE(config);
    EXPECT_EQ(config->options.faults.unclearAtBlock, 12);
    EXPECT_EQ(config->options.faults.unclearTimes, 1);
    EXPECT_EQ(config->options.faults.unclearByte, 'X');
}

TEST(CliOptions, WrongArgumentsAreRefused)
{
    const std::vector<std::vector<std::string>> wrong = {
        {"--bogus"},
        {"--link"},                    // value missing
        {"--bad-record-sum", "5"},     // pages are 1 to 4
        {"--bad-record-sum", "0"},
        {"--unclear-at", "3:3"},       // once or twice only
        {"--unclear-at", "3:1:XY"},
        {"--reply-delay", "-1"},
        {"--exit-with-pid", "12abc"},
    };
    for (const auto& args : wrong)
        EXPECT_FALSE(Parse(args)) << args[0];
}

} // namespace
