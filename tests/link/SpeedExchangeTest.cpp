#include "link/Link.h"
#include "shared/Module1.h"
#include "support/FakeClock.h"
#include "support/FakeMSComm.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

enum class Unit { Completes, Silent, OkWithoutGo, Refuses };

struct ExchangeCase {
    const char* name;
    bool mainWindow;
    int32_t baud;
    Unit unit;
    int16_t speedBefore;
    int16_t highSpeedBefore;
    const char* message; // expected box, or nullptr
    int16_t speedAfter;
    int16_t highSpeedAfter;
    QStringList settings; // settings the port was given, in order
};

class SpeedExchange : public ::testing::TestWithParam<ExchangeCase> {};

TEST_P(SpeedExchange, LeavesSpeedFlagsAndLineSettingsAsTheWindowExpects)
{
    const ExchangeCase& c = GetParam();
    ResetModule1();
    Module1.SpeedIndex = c.speedBefore;
    Module1.HighSpeedLink = c.highSpeedBefore;
    FakeClock clock(5'300);
    FakeMSComm port(&clock);
    QString error;
    port.Open(&error);
    const QByteArray command = c.baud == 9600 ? "CC0200FD\r\n" : "CC02807D\r\n";
    switch (c.unit) {
    case Unit::Completes:
        port.Expect(command, "OK\r\n").AfterSettings("GO\r\n");
        break;
    case Unit::Silent:
        port.Expect(command, "");
        break;
    case Unit::OkWithoutGo:
        port.Expect(command, "OK\r\n");
        break;
    case Unit::Refuses:
        port.Expect(command, "NG\r\n");
        break;
    }
    Link link(port, c.mainWindow ? kMainWindowLink : kTransferWindowLink);
    MessageRecorder messages;
    if (c.message)
        messages.Expect(c.message);

    link.SetLineSpeed(c.baud);

    EXPECT_EQ(port.written(), command);
    EXPECT_EQ(Module1.SpeedIndex, c.speedAfter);
    EXPECT_EQ(Module1.HighSpeedLink, c.highSpeedAfter);
    EXPECT_EQ(port.settingsLog, c.settings);
    EXPECT_EQ(Module1.RxCount, 0);
    EXPECT_GE(clock.SleptMs(), 200) << "the pause comes first";
}

const QString k9600 = QStringLiteral("9600,N,8,1");
const QString k38400 = QStringLiteral("38400,N,8,1");

INSTANTIATE_TEST_SUITE_P(
    Cases, SpeedExchange,
    ::testing::Values(
        ExchangeCase{"TransferTo38400", false, 38400, Unit::Completes, 1, 0, nullptr, 1, 1, {k38400}},
        ExchangeCase{"TransferBackTo9600", false, 9600, Unit::Completes, 0, 1, nullptr, 0, 0, {k9600, k9600}},
        ExchangeCase{"TransferNoAnswer", false, 38400, Unit::Silent, 1, 1, "ERR 030", 0, 0, {k9600}},
        ExchangeCase{"TransferOkWithoutGo", false, 38400, Unit::OkWithoutGo, 1, 0, "ERR 030", 0, 0, {k38400, k9600}},
        ExchangeCase{"TransferRefused", false, 38400, Unit::Refuses, 1, 1, nullptr, 0, 0, {k9600}},
        ExchangeCase{"MainCompletesKeepsHighSpeedChoice", true, 9600, Unit::Completes, 1, 0, nullptr, 1, 1, {k9600}},
        ExchangeCase{"MainCompletesAtLowSpeed", true, 9600, Unit::Completes, 0, 1, nullptr, 0, 0, {k9600, k9600}},
        ExchangeCase{"MainNoAnswerChangesNothing", true, 9600, Unit::Silent, 1, 1, "ERR 201", 1, 1, {}},
        ExchangeCase{"MainOkWithoutGoClearsOnlySpeed", true, 9600, Unit::OkWithoutGo, 1, 1, "ERR 201", 0, 1, {k9600}},
        ExchangeCase{"MainRefusedClearsOnlySpeed", true, 9600, Unit::Refuses, 1, 1, nullptr, 0, 1, {}}),
    [](const auto& info) { return info.param.name; });

// What the port took in before the switch is no answer at the new speed: an "OK" behind the
// first, still in the port's buffer when the line switches, is purged, and the wait goes on
// to the unit's "GO".
TEST(SpeedExchangeSwitch, StaleOkInThePortDoesNotEndTheWaitForGo)
{
    ResetModule1();
    Module1.SpeedIndex = 1;
    FakeClock clock;
    FakeMSComm port(&clock);
    QString error;
    port.Open(&error);
    port.Expect("CC02807D\r\n", "OK\r\n").AfterSettings("GO\r\n", 50);
    Link link(port, kTransferWindowLink);
    MessageRecorder messages;
    bool planted = false;
    // Runs after the link's receive handler has taken the first "OK".
    QObject::connect(&port, &MSComm::OnComm, &port, [&] {
        if (std::exchange(planted, true))
            return;
        port.Buffer("OK\r\n");
        clock.After(1, [&] { port.Deliver(QByteArray()); });
    });

    link.SetLineSpeed(38400);

    EXPECT_EQ(Module1.SpeedIndex, 1);
    EXPECT_EQ(Module1.HighSpeedLink, 1);
    EXPECT_EQ(port.settingsLog, QStringList{k38400});
    EXPECT_TRUE(port.ScriptDone()) << "the GO was waited for";
}

TEST(SpeedExchangeSend, RefusedWriteReturnsAtOnceChangingNothing)
{
    ResetModule1();
    Module1.SpeedIndex = 1;
    Module1.HighSpeedLink = 1;
    FakeClock clock;
    FakeMSComm port(&clock); // never opened
    Link link(port, kTransferWindowLink);
    MessageRecorder messages;
    messages.Expect("Corvane-Host");
    link.SetLineSpeed(38400);
    EXPECT_EQ(Module1.SpeedIndex, 1);
    EXPECT_EQ(Module1.HighSpeedLink, 1);
    EXPECT_TRUE(port.settingsLog.isEmpty());
}

TEST(SpeedExchangeSend, AnyRateOtherThan9600AsksFor38400)
{
    ResetModule1();
    FakeClock clock;
    FakeMSComm port(&clock);
    QString error;
    port.Open(&error);
    port.Expect("CC02807D\r\n", "OK\r\n").AfterSettings("GO\r\n");
    Module1.SpeedIndex = 1;
    Link link(port, kTransferWindowLink);
    link.SetLineSpeed(19200);
    EXPECT_EQ(port.settingsLog, QStringList{QStringLiteral("38400,N,8,1")});
}

} // namespace
