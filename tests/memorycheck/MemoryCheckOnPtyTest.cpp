// The memory check through the real port layer against the simulated unit.
#include "main/frmMain.h"
#include "shared/Module1.h"
#include "support/FakeClock.h"
#include "support/MessageRecorder.h"
#include "support/SimulatedUnit.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

unitsim::PageRecord record(uint8_t cpu, uint32_t clockHz, const QByteArray& name, uint32_t size)
{
    unitsim::PageRecord r;
    r.status = 1;
    r.cpu = cpu;
    r.clockHz = clockHz;
    const QByteArray padded = name.leftJustified(12, ' ', true);
    std::copy(padded.begin(), padded.end(), r.name.begin());
    r.size = size;
    return r;
}

class MemoryCheckOnPty : public ::testing::Test {
protected:
    MemoryCheckOnPty()
    {
        ResetModule1();
        Module1.PortNo = 1;
    }
    QStringList row(int page) const
    {
        return {window_.Label3(page)->text(), window_.Label4(page)->text(), window_.Label5(page)->text(),
                window_.Label7(page)->text()};
    }
    void expectIdleWindow()
    {
        EXPECT_FALSE(window_.MSComm1->PortOpen());
        EXPECT_TRUE(window_.Tx_start()->isEnabled());
        EXPECT_TRUE(window_.Command2()->isEnabled());
    }

    SimulatedUnit unit_;
    frmMain window_;
};

TEST_F(MemoryCheckOnPty, ShowsTheFourPagesAsTheUnitHoldsThem)
{
    QStringEncoder sjis("Shift_JIS");
    unit_->SetPage(0, record(0, 16'000'000, "DEMO.MOT", 24'576), std::vector<uint8_t>(24'576, 0x11));
    unit_->SetPage(2, record(29, 24'576'000, sjis.encode(QStringLiteral("ﾃｽﾄ.MOT")), 133'120),
                   std::vector<uint8_t>(133'120, 0x22));
    MessageRecorder messages;

    window_.Command2_Click();

    EXPECT_EQ(row(1), (QStringList{"3048F", "16.0000", "DEMO.MOT    ", "24"}));
    EXPECT_EQ(row(2), (QStringList{"------", "-------", "-----------", "----"}));
    EXPECT_EQ(row(3), (QStringList{"SH7045", "24.5760", QStringLiteral("ﾃｽﾄ.MOT     "), "130"}));
    EXPECT_EQ(row(4), (QStringList{"------", "-------", "-----------", "----"}));
    EXPECT_EQ(unit_->CommandLines(),
              (std::vector<std::string>{"CC0200FD", "C90200FD", "C90201FC", "C90202FB", "C90203FA"}));
    expectIdleWindow();
}

TEST_F(MemoryCheckOnPty, BadRecordChecksumFromTheUnitStopsAtThatPage)
{
    unitsim::Faults faults;
    faults.badRecordSumPage = 1;
    unit_->SetFaults(faults);
    MessageRecorder messages;
    messages.Expect("ERR 200", QStringLiteral("通信異常が発生しました"));
    window_.Command2_Click();
    EXPECT_EQ(row(1)[0], "------");
    EXPECT_EQ(row(2), (QStringList{"", "", "", ""}));
    EXPECT_EQ(unit_->CommandLines().size(), 3u) << "pages 3 and 4 are not queried";
    expectIdleWindow();
}

TEST_F(MemoryCheckOnPty, NoUnitAnsweringTimesOutTwiceAndChangesNothing)
{
    unitsim::Faults faults;
    faults.mute = true;
    unit_->SetFaults(faults);
    for (int page = 1; page <= 4; ++page)
        window_.Label3(page)->setText(QStringLiteral("kept"));
    FakeClock clock; // the unit never answers, so the time-outs need not take real seconds
    MessageRecorder messages;
    messages.Expect("ERR 201", QStringLiteral("受信ﾀｲﾑｵｰﾊﾞｰが発生しました")).Expect("ERR 201");

    window_.Command2_Click();

    for (int page = 1; page <= 4; ++page)
        EXPECT_EQ(window_.Label3(page)->text(), "kept");
    expectIdleWindow();
}

TEST(MemoryCheckOpen, MissingDeviceShowsOpenErrorWithThePortLayersText)
{
    ResetModule1();
    Module1.PortNo = 6;
    const QString link = SimulatedUnit::LinkPath(6);
    QDir().mkpath(QFileInfo(link).path());
    QFile::remove(link);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/ttyUSB-corvane-missing"), link));
    frmMain window;
    MessageRecorder messages;
    messages.Expect("OPEN ERROR");
    window.Command2_Click();
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_TRUE(messages.shown().front().text.startsWith(QStringLiteral("/dev/ttyUSB-corvane-missing: No such device")));
    EXPECT_EQ(messages.shown().front().icon, MsgIcon::Exclamation);
    EXPECT_TRUE(window.Command2()->isEnabled());
}

} // namespace
