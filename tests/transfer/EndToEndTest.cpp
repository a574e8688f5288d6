// Whole runs through the real port layer against the simulated unit on a pseudo-terminal.
#include "FakeMemoryView.h"
#include "SRecordImage.h"
#include "link/WaitClock.h"
#include "shared/Module1.h"
#include "support/MessageRecorder.h"
#include "support/SimulatedUnit.h"
#include "transfer/frmTx.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class TransferOnPty : public ::testing::Test {
protected:
    TransferOnPty()
    {
        ResetModule1();
        Module1.PortNo = 1;
        Module1.CpuIndex = 5;
        Module1.ClockMHz = 20;
        Module1.PageNo = 0;
        Module1.FilePath = dir_.path() + QStringLiteral("/ABC.MOT");
        Module1.FileTitle = QStringLiteral("ABC.MOT");
    }

    void UseImage(const std::vector<ImageChunk>& chunks)
    {
        ASSERT_TRUE(WriteSRecordFile(Module1.FilePath, chunks));
        image_ = ImageOf(chunks);
    }
    std::vector<uint8_t> Sent(int32_t sendEnd) const
    {
        return {image_.begin(), image_.begin() + sendEnd + 1};
    }
    // The unit's memory from the start of `page` on, `bytes` long.
    std::vector<uint8_t> UnitMemory(int page, int32_t bytes)
    {
        std::vector<uint8_t> memory;
        for (int p = page; p < 4 && static_cast<int32_t>(memory.size()) < bytes; ++p) {
            const std::vector<uint8_t> data = unit_->PageData(p);
            memory.insert(memory.end(), data.begin(), data.end());
        }
        memory.resize(static_cast<size_t>(bytes));
        return memory;
    }

    SimulatedUnit unit_;
    FakeMemoryView view_;
    MessageRecorder messages_;
    QTemporaryDir dir_;
    std::vector<uint8_t> image_;
    frmTx window_{view_};
};

TEST_F(TransferOnPty, OnePageImageToPage2At9600)
{
    ASSERT_TRUE(unit_.started());
    Module1.PageNo = 1;
    UseImage({PatternChunk(0, 1000), PatternChunk(0x1800, 77, 9)});
    window_.exec();

    const int32_t sendEnd = 0x187F;
    EXPECT_EQ(UnitMemory(1, sendEnd + 1), Sent(sendEnd));
    const unitsim::PageRecord record = unit_->Page(1);
    EXPECT_EQ(record.status, 1);
    EXPECT_EQ(record.cpu, 5);
    EXPECT_EQ(record.clockHz, 20'000'000u);
    EXPECT_EQ(record.size, static_cast<uint32_t>(sendEnd + 1));
    EXPECT_EQ(std::string(record.name.begin(), record.name.end()), "ABCMOT      ");
    EXPECT_EQ(window_.Label2()->text(), QStringLiteral("9.6kbps"));
    EXPECT_EQ(window_.Label1()->text(), QStringLiteral("100%"));
    EXPECT_EQ(unit_->CommandLines().front(), "CC0200FD");
    EXPECT_EQ(unit_->CommandLines().back(), "CC0200FD");
    EXPECT_EQ(unit_->CommandLines().size(), 3u);
    EXPECT_EQ(Module1.TxFailed, 0);
    EXPECT_FALSE(window_.MSComm1->PortOpen());
}

TEST_F(TransferOnPty, OnePageImageAt38400ReturnsTo9600)
{
    ASSERT_TRUE(unit_.started());
    Module1.SpeedIndex = 1;
    UseImage({PatternChunk(0, 4096)});
    window_.exec();

    EXPECT_EQ(UnitMemory(0, 4096), Sent(4095));
    EXPECT_EQ(window_.Label2()->text(), QStringLiteral("38.4kbps"));
    EXPECT_EQ(unit_->CommandLines().front(), "CC02807D");
    EXPECT_EQ(unit_->CommandLines().back(), "CC0200FD");
    EXPECT_EQ(unit_->UnitBaud(), 9600);
    EXPECT_EQ(unit_->HostBaud(), 9600);
    EXPECT_EQ(Module1.TxFailed, 0);
}

TEST_F(TransferOnPty, ThruImageGoesToNoPage)
{
    ASSERT_TRUE(unit_.started());
    Module1.PageNo = kPageThru;
    UseImage({PatternChunk(0x10, 500)});
    window_.exec();

    EXPECT_EQ(unit_->ThruImage(), Sent(0x27F));
    EXPECT_EQ(unit_->CommandLines().at(1), "CF07400501312D0054");
    for (int page = 0; page < 4; ++page)
        EXPECT_EQ(unit_->Page(page).status, 0) << page;
    EXPECT_EQ(Module1.TxFailed, 0);
}

TEST_F(TransferOnPty, TwoPageImageErasesTheNextPageAfterAsking)
{
    ASSERT_TRUE(unit_.started());
    unitsim::PageRecord old;
    old.status = 1;
    old.size = 1024;
    unit_->SetPage(1, old, std::vector<uint8_t>(1024, 0x5A));
    view_.Occupy(2, 1);
    messages_.Expect(QStringLiteral("ページを跨ぐデータ"), QStringLiteral(" 2ページを消去します"));
    UseImage({PatternChunk(0, 64), PatternChunk(0x20000, 16, 1)});
    window_.exec();

    const int32_t sendEnd = 0x2007F;
    EXPECT_EQ(unit_->CommandLines().at(1), "C30301FEFD");
    EXPECT_EQ(UnitMemory(0, sendEnd + 1), Sent(sendEnd));
    EXPECT_EQ(unit_->Page(0).size, static_cast<uint32_t>(sendEnd + 1));
    EXPECT_EQ(unit_->Page(1).status, 0);
    EXPECT_EQ(Module1.TxFailed, 0);
}

TEST_F(TransferOnPty, FourPageImageToPage1)
{
    ASSERT_TRUE(unit_.started());
    UseImage({PatternChunk(0, 256), PatternChunk(0x5FFF0, 32, 2), PatternChunk(0x7FF00, 256, 4)});
    window_.exec();

    const std::vector<std::string> lines = unit_->CommandLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.begin() + 4),
              (std::vector<std::string>{"C30301FEFD", "C30302FDFD", "C30303FCFD"}));
    EXPECT_EQ(UnitMemory(0, 0x80000), image_);
    EXPECT_EQ(unit_->BlocksReceived(), 16384);
    EXPECT_EQ(Module1.TxFailed, 0);
}

TEST_F(TransferOnPty, UnitVanishingDuringTheBlocks)
{
    ASSERT_TRUE(unit_.started());
    unitsim::Faults faults;
    faults.vanishAfterBlocks = 20;
    faults.hangUpOnVanish = true;
    unit_->SetFaults(faults);
    UseImage({PatternChunk(0, 4096)});
    // The block goes unanswered and the unit hangs up: the block's wait ends as a receive
    // error as soon as the port layer reports the line gone, and the abort block or the
    // ending's speed command shows the port layer's word, once.
    messages_.Allow("ERR 031").Allow("Corvane-Host");
    window_.exec();

    EXPECT_EQ(unit_->BlocksReceived(), 21);
    const QStringList titles = messages_.titles();
    ASSERT_FALSE(titles.isEmpty());
    EXPECT_EQ(titles.first(), QStringLiteral("ERR 031"));
    ASSERT_EQ(titles.count(QStringLiteral("Corvane-Host")), 1) << titles.join(", ").toStdString();
    EXPECT_TRUE(messages_.shown().at(static_cast<size_t>(titles.indexOf(QStringLiteral("Corvane-Host"))))
                    .text.contains(QStringLiteral("no longer available")));
    EXPECT_EQ(Module1.TxFailed, 0);
    EXPECT_FALSE(window_.isVisible());
}

TEST_F(TransferOnPty, StopDuringTheBlocksAbortsTheTransfer)
{
    ASSERT_TRUE(unit_.started());
    UseImage({PatternChunk(0, 0x10000)});
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [this] {
        if (unit_->BlocksReceived() >= 50)
            window_.Command1()->click();
    });
    watch.start(1);
    window_.exec();

    EXPECT_EQ(unit_->LastTransfer().ending, unitsim::Transfer::Ending::Aborted);
    EXPECT_GE(unit_->BlocksReceived(), 50);
    EXPECT_LT(unit_->BlocksReceived(), 2048);
    EXPECT_EQ(unit_->Page(0).status, 0);
    EXPECT_EQ(unit_->CommandLines().back(), "CC0200FD");
    EXPECT_EQ(Module1.TxFailed, 0);
}

} // namespace
