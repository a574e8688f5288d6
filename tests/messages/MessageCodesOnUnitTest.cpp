// The run's messages as an operator meets them: "転送開始" in the main window, the real port
// layer, and the simulated unit misbehaving in one way at a time.
#include "main/frmMain.h"
#include "shared/Module1.h"
#include "support/MessageRecorder.h"
#include "support/SimulatedUnit.h"
#include "support/SRecordText.h"

#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

// S2 records of 16 bytes at each of the given addresses: an image whose highest address
// decides how many pages it needs.
QByteArray imageAt(std::initializer_list<int> addresses)
{
    QByteArray text = "S00600004844521B\n";
    for (int address : addresses) {
        std::vector<uint8_t> data;
        for (int i = 0; i < 16; ++i)
            data.push_back(uint8_t(i * 3));
        text += QByteArray::fromStdString(SRecord(2, uint32_t(address), data)) + "\n";
    }
    return text + "S804000000FB\n";
}

struct CodeCase {
    const char* name;
    int16_t pageNo;
    QByteArray file;
    std::function<void(unitsim::Faults&)> fault;
    QStringList titles;
    const char* text;
    uint8_t txFailed;
};

class MessageCodesOnUnit : public ::testing::TestWithParam<CodeCase> {};

TEST_P(MessageCodesOnUnit, TransferStartShowsTheCodeAndLeavesTheWindowUsable)
{
    const CodeCase& c = GetParam();
    ResetModule1();
    Module1.PortNo = 1;
    Module1.PageNo = c.pageNo;
    Module1.ClockMHz = 20;
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("IMAGE.MOT")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(c.file);
    file.close();
    Module1.FilePath = file.fileName();
    SimulatedUnit unit;
    unitsim::Faults faults;
    if (c.fault)
        c.fault(faults);
    unit->SetFaults(faults);
    frmMain window;
    window.Option2(0)->setChecked(true);
    MessageRecorder messages;
    for (const QString& title : c.titles)
        messages.Expect(title, title == c.titles.first() ? QString::fromUtf8(c.text) : QString());

    window.Tx_start_Click();

    EXPECT_EQ(messages.titles(), c.titles);
    EXPECT_EQ(Module1.TxFailed, c.txFailed);
    EXPECT_TRUE(window.isEnabled());
    EXPECT_TRUE(window.Tx_start()->isEnabled());
    EXPECT_FALSE(window.MSComm1->PortOpen());
}

const QByteArray kOnePage = imageAt({0, 0x100});
const QByteArray kTwoPages = imageAt({0, 0x20000});
const QByteArray kThreePages = imageAt({0, 0x40000});
const QByteArray kFourPages = imageAt({0, 0x60000});

INSTANTIATE_TEST_SUITE_P(
    Codes, MessageCodesOnUnit,
    ::testing::Values(
        CodeCase{"Err001", 1, "S00600004844521B\nS1130000000102030405060708090A0B0C0D0E0F00\n", {}, {"ERR 001"},
                 " 2行にﾁｪｯｸｻﾑｴﾗｰを検出しました", 1},
        CodeCase{"Err002", 1, "S00600004844521B\n\nS1130000ZZ\n", {}, {"ERR 002"}, " 3行にﾃﾞｰﾀ異常を検出しました", 1},
        CodeCase{"Err010", 1, kOnePage, [](unitsim::Faults& f) { f.storeHeaderReply = "NG"; }, {"ERR 010"},
                 "通信異常が発生しました", 0},
        CodeCase{"Err100", 1, kOnePage, [](unitsim::Faults& f) { f.storeHeaderReply = "FL"; }, {"ERR 100"},
                 "ﾒﾓﾘｰ異常が発生しました", 0},
        CodeCase{"Err011", kPageThru, kOnePage, [](unitsim::Faults& f) { f.directHeaderReply = "NG"; }, {"ERR 011"},
                 "通信異常が発生しました", 0},
        CodeCase{"Err101", kPageThru, kOnePage, [](unitsim::Faults& f) { f.directHeaderReply = "FL"; },
                 {"ERR 101"}, "ﾒﾓﾘｰ異常が発生しました", 0},
        CodeCase{"Err012", kPageThru, kOnePage, [](unitsim::Faults& f) { f.directSecondReply = "NG"; },
                 {"ERR 012"}, "通信異常が発生しました", 0},
        CodeCase{"Err013", 1, kOnePage,
                 [](unitsim::Faults& f) {
                     f.unclearAtBlock = 2;
                     f.unclearTimes = 2;
                 },
                 {"ERR 013"}, "通信異常が発生しました", 0},
        CodeCase{"Err102", 1, kOnePage, [](unitsim::Faults& f) { f.flashFaultAtBlock = 3; }, {"ERR 102"},
                 "ﾌﾗｯｼｭﾒﾓﾘｴﾗｰが発生しました", 0},
        CodeCase{"Err110", 0, kTwoPages, [](unitsim::Faults& f) { f.eraseReply = "FL"; }, {"ERR 110"},
                 "消去エラーが発生しました", 0},
        CodeCase{"Err402", 3, kTwoPages, {}, {"ERR 402"}, "最終ページに128KBを越えるデータは保存できません", 0},
        CodeCase{"Err401", 2, kThreePages, {}, {"ERR 401"}, "256KBを越えるデータは１または２ページを指定して下さい", 0},
        CodeCase{"Err400", 1, kFourPages, {}, {"ERR 400"}, "384KBを越えるデータは１ページを指定して下さい", 0}),
    [](const auto& info) { return info.param.name; });

} // namespace
