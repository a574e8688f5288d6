#pragma once

#include "FakeBlockUnit.h"
#include "FakeMemoryView.h"
#include "SRecordImage.h"
#include "support/FakeClock.h"
#include "support/FakeMSComm.h"
#include "support/MessageRecorder.h"
#include "transfer/frmTx.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

// Texts of the run's messages.
namespace Text {
inline const QString kCommFault = QStringLiteral("通信異常が発生しました");
inline const QString kMemoryFault = QStringLiteral("ﾒﾓﾘｰ異常が発生しました");
inline const QString kFlashFault = QStringLiteral("ﾌﾗｯｼｭﾒﾓﾘｴﾗｰが発生しました");
inline const QString kEraseFault = QStringLiteral("消去エラーが発生しました");
inline const QString kPortUnusable = QStringLiteral("Comﾎﾟｰﾄが使用できません");
inline const QString kFileUnopenable = QStringLiteral("ﾌｧｲﾙが開けません");
inline const QString kLowerSpill = QStringLiteral("このページに跨る上側ページのデータを消去します");
inline const QString kLowerSpillTitle = QStringLiteral("ページを跨いだデータの書換え");
inline const QString kUpperSpillTitle = QStringLiteral("ページを跨ぐデータ");
} // namespace Text

// A transfer window on an in-memory port and a fake clock, with a fake unit for the blocks.
// The shared state starts as transfer start leaves it: Com1, CPU 5, 20 MHz, page 1, 9.6 kbps,
// and a one-block image.
class TransferTest : public ::testing::Test {
public:
    TransferTest();
    ~TransferTest() override;

    // The window's port, creating the window on first use.
    FakeMSComm& Port();
    frmTx& Window();
    // Scripts the ending's return to 9600 bit/s and runs the window modally to its end.
    void Run();

    void UseImage(const std::vector<ImageChunk>& chunks);
    // An image whose highest data address is `dataEnd`.
    void UseDataEnd(uint32_t dataEnd);
    // A file holding exactly `text`.
    void UseFileText(const QByteArray& text);

    // Presses the stop button as soon as the run has begun: the run then ends before the header.
    void StopBeforeHeader();

    // Script steps.
    void ExpectSpeed(int baud);
    void ExpectErase(int unitPage, const QByteArray& reply = "OK\r\n", int delayMs = 5);
    void ExpectStoreHeader(const QByteArray& reply = "OK\r\n");
    // The direct header's "OK" (or other first reply), then the unit's own second reply.
    void AnswerDirectHeader(const QByteArray& first, const QByteArray& second);

    // The command lines written, without the blocks.
    QByteArrayList Lines();
    // The image the run had to send: up to SendEnd, as loaded.
    QByteArray ExpectedStream(int32_t sendEnd) const;

    FakeClock clock_{10'100};
    MessageRecorder messages_;
    FakeMemoryView view_;
    FakeBlockUnit unit_{clock_};
    QTemporaryDir dir_;
    QString file_;
    std::vector<uint8_t> image_;

private:
    std::unique_ptr<frmTx> window_;
    FakeMSComm* port_ = nullptr;
};

// The page erase line for unit page n as it goes on the wire.
QByteArray EraseLine(int unitPage);
