// Hostile input through the real window code: garbage on the line, files of random bytes, a
// unit that disappears. The program must stay usable with its port closed; the sanitizer
// build of this suite checks that nothing is written outside its buffers.
#include "main/frmMain.h"
#include "shared/Module1.h"
#include "support/MessageRecorder.h"
#include "support/SimulatedUnit.h"
#include "support/SRecordText.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char& b : bytes)
        b = static_cast<char>(random.bounded(256));
    return bytes;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content)
{
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    return file.fileName();
}

// A small valid image: 4 KB of S1 records.
QByteArray smallImage()
{
    QByteArray text;
    for (int address = 0; address < 4096; address += 16) {
        std::vector<uint8_t> data;
        for (int i = 0; i < 16; ++i)
            data.push_back(uint8_t(address + i));
        text += QByteArray::fromStdString(SRecord(1, address, data)) + "\n";
    }
    return text + "S9030000FC\n";
}

class Robustness : public ::testing::Test {
protected:
    Robustness()
    {
        ResetModule1();
        Module1.PortNo = 1;
        Module1.PageNo = 0;
        Module1.ClockMHz = 20;
        window_.Option2(0)->setChecked(true);
    }
    void expectUsableWindow()
    {
        EXPECT_TRUE(window_.isEnabled());
        EXPECT_TRUE(window_.Tx_start()->isEnabled());
        EXPECT_TRUE(window_.Command2()->isEnabled());
        EXPECT_FALSE(window_.MSComm1->PortOpen());
    }
    // After whatever went before, a plain memory check works again.
    void expectUnitReadableAgain()
    {
        unit_->SetFaults({});
        unit_->PowerCycle();
        MessageRecorder quiet;
        window_.Command2_Click();
        EXPECT_TRUE(quiet.shown().empty());
        EXPECT_FALSE(window_.Label3(1)->text().isEmpty());
        expectUsableWindow();
    }

    QTemporaryDir dir_;
    SimulatedUnit unit_;
    frmMain window_;
};

TEST_F(Robustness, GarbageBurstBeforeTheMemoryCheckReplies)
{
    unitsim::Faults faults;
    faults.garbageBurst = 200;
    unit_->SetFaults(faults);
    MessageRecorder messages;
    messages.Allow("ERR 200").Allow("ERR 201").Allow("ERR 202");
    window_.Command2_Click();
    expectUsableWindow();
    expectUnitReadableAgain();
}

TEST_F(Robustness, GarbageBurstInTheMiddleOfTheBlocks)
{
    Module1.FilePath = writeFile(dir_, QStringLiteral("A.MOT"), smallImage());
    MessageRecorder messages;
    messages.Allow("ERR 013").Allow("ERR 030").Allow("ERR 031").Allow("ERR 201");
    QTimer inject;
    QObject::connect(&inject, &QTimer::timeout, [&] {
        if (unit_->LastTransfer().dataBlocks == 20) {
            unitsim::Faults faults;
            faults.garbageBurst = 64;
            unit_->SetFaults(faults);
            inject.stop();
        }
    });
    inject.start(0);
    window_.Tx_start_Click();
    expectUsableWindow();
    expectUnitReadableAgain();
}

TEST_F(Robustness, SRecordFileOfRandomBytesIsADataFault)
{
    for (quint32 seed : {1u, 2u, 3u}) {
        Module1.FilePath = writeFile(dir_, QStringLiteral("RANDOM%1.MOT").arg(seed), randomBytes(64 * 1024, seed));
        MessageRecorder messages;
        messages.Allow("ERR 001").Allow("ERR 002");
        window_.Tx_start_Click();
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(Module1.TxFailed, 1);
        EXPECT_TRUE(unit_->LastTransfer().target == unitsim::Transfer::Target::None) << "nothing was sent";
        expectUsableWindow();
    }
}

TEST_F(Robustness, UnitHangingUpMidTransferEndsTheRunWithoutAFlood)
{
    Module1.FilePath = writeFile(dir_, QStringLiteral("B.MOT"), smallImage());
    unitsim::Faults faults;
    faults.vanishAfterBlocks = 10;
    faults.hangUpOnVanish = true;
    unit_->SetFaults(faults);
    MessageRecorder messages;
    messages.Allow("ERR 031").Allow("Corvane-Host").Allow("OPEN ERROR");
    window_.Tx_start_Click();
    // The block's wait notices the line going: a receive error at once, not a time-out; the
    // abort block and the closing speed exchange add the port layer's word once.
    ASSERT_FALSE(messages.shown().empty());
    EXPECT_EQ(messages.shown().front().title, QStringLiteral("ERR 031"));
    EXPECT_LE(messages.shown().size(), 3u) << messages.titles().join(QLatin1Char('|')).toStdString();
    expectUsableWindow();
}

} // namespace
