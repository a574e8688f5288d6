// The window's memory check on a ComN whose link holds the address of a remote port: the
// simulated unit behind the real ser2net.
#include "link/PortTarget.h"
#include "main/frmMain.h"
#include "shared/Module1.h"
#include "support/MessageRecorder.h"
#include "support/Ser2Net.h"
#include "support/SimulatedUnit.h"

#include <QDir>
#include <QFile>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

TEST(MemoryCheckRemote, ReadsThePagesThroughAComLinkToAServerAddress)
{
    ResetModule1();
    SimulatedUnit unit(1);
    unitsim::PageRecord record;
    record.status = 1;
    record.cpu = 0;
    record.clockHz = 16'000'000;
    const QByteArray name("DEMO.MOT    ");
    std::copy(name.begin(), name.end(), record.name.begin());
    record.size = 24'576;
    unit->SetPage(0, record, std::vector<uint8_t>(24'576, 0x11));
    Ser2Net server(QString::fromStdString(unit->HostPath()));
    ASSERT_TRUE(server.started());
    ASSERT_TRUE(QDir().mkpath(QFileInfo(PortLinkPath(2)).path()));
    ASSERT_TRUE(QFile::link(server.Url(), PortLinkPath(2)));
    EXPECT_EQ(PortTargetOf(2), server.Url());
    Module1.PortNo = 2;
    frmMain window;
    MessageRecorder messages;

    window.Command2_Click();

    EXPECT_EQ(window.Label3(1)->text(), "3048F");
    EXPECT_EQ(window.Label7(1)->text(), "24");
    EXPECT_EQ(window.Label3(2)->text(), "------");
    EXPECT_EQ(unit->CommandLines(),
              (std::vector<std::string>{"CC0200FD", "C90200FD", "C90201FC", "C90202FB", "C90203FA"}));
    EXPECT_FALSE(window.MSComm1->PortOpen());
    QFile::remove(PortLinkPath(2));
}

} // namespace
