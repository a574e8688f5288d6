#include "TransferFixture.h"

#include "shared/Module1.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {

QByteArray Block(const QByteArray& data)
{
    uint8_t sum = 0;
    for (const char byte : data)
        sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(byte));
    return data + QByteArray(1, static_cast<char>(sum ^ 0xFF));
}

class Blocks : public TransferTest {
public:
    Blocks()
    {
        ExpectSpeed(9600);
        ExpectStoreHeader();
    }

    // What the window shows as each data block arrives at the unit.
    struct Shown {
        QString label;
        int value;
    };
    std::vector<Shown> shown;

    void RecordProgress()
    {
        unit_.onDataBlock = [this](int) {
            shown.push_back({Window().Label1()->text(), Window().ProgressBar1()->value()});
        };
    }
};

TEST_F(Blocks, EmptyImageIsFourBlocksThenTheEndBlock)
{
    UseDataEnd(0);
    RecordProgress();
    Run();
    EXPECT_EQ(unit_.arrivals, (QByteArrayList{"D", "D", "D", "D", "E"}));
    EXPECT_EQ(Window().Run().SendEnd, 127);
    // The bytes beyond the data are sent as the loader left them: blank.
    EXPECT_EQ(unit_.acceptedData, ExpectedStream(127));
    const QByteArray blank(32, '\xFF');
    EXPECT_EQ(unit_.dataBlocks.at(3), blank + QByteArray(1, '\x1F'));
    EXPECT_EQ(shown.front().label, QStringLiteral("0%"));
    // A bar for an image that ends at address 0 still fills, and is never a busy indicator.
    EXPECT_EQ(Window().Label1()->text(), QStringLiteral("100%"));
    EXPECT_EQ(Window().ProgressBar1()->maximum(), 1);
    EXPECT_EQ(Window().ProgressBar1()->value(), 1);
}

TEST_F(Blocks, EveryBlockCarriesItsInvertedSum)
{
    UseImage({PatternChunk(0, 300)});
    Run();
    ASSERT_EQ(unit_.dataBlocks.size(), 12u); // 300 bytes: three 128-byte units
    for (size_t n = 0; n < unit_.dataBlocks.size(); ++n)
        EXPECT_EQ(unit_.dataBlocks[n], Block(ExpectedStream(383).mid(static_cast<int>(n) * 32, 32))) << n;
    EXPECT_EQ(unit_.arrivals.last(), QByteArray("E"));
}

TEST_F(Blocks, ProgressAdvancesWithEveryAcceptedBlock)
{
    UseDataEnd(6400); // SendEnd 6527: 204 blocks
    RecordProgress();
    Run();
    ASSERT_EQ(shown.size(), 204u);
    EXPECT_EQ(Window().ProgressBar1()->maximum(), 6400);
    EXPECT_EQ(shown[0].label, QStringLiteral("0%"));
    EXPECT_EQ(shown[0].value, 0);
    EXPECT_EQ(shown[1].label, QStringLiteral("1%")); // 32 of 6400 is exactly half a percent
    EXPECT_EQ(shown[1].value, 32);
    EXPECT_EQ(shown[100].label, QStringLiteral("50%"));
    EXPECT_EQ(shown[100].value, 3200);
    EXPECT_EQ(shown[199].label, QStringLiteral("100%")); // 99.5 % reads 100 %
    EXPECT_EQ(shown[199].value, 6368);
    // Position 6400 is DataEnd itself; the blocks after it lie wholly beyond the data.
    EXPECT_EQ(shown[200].value, 6400);
    EXPECT_EQ(shown[203].label, QStringLiteral("100%"));
    EXPECT_EQ(shown[203].value, 6400);
    EXPECT_EQ(Window().ProgressBar1()->value(), 6400);
}

TEST_F(Blocks, BlockReachingPastDataEndShows100AndTheBarAtDataEnd)
{
    UseDataEnd(6399);
    RecordProgress();
    Run();
    ASSERT_EQ(shown.size(), 200u);
    EXPECT_EQ(shown[199].value, 6368);
    EXPECT_EQ(Window().Label1()->text(), QStringLiteral("100%"));
    EXPECT_EQ(Window().ProgressBar1()->value(), 6399);
}

TEST_F(Blocks, UnclearAnswerThenOkResendsTheSameBlockAndGoesOn)
{
    unit_.answers[1] = "X";
    Run();
    EXPECT_EQ(unit_.arrivals, (QByteArrayList{"D", "D", "D", "D", "D", "E"}));
    EXPECT_EQ(unit_.dataBlocks.at(1), unit_.dataBlocks.at(2));
    EXPECT_EQ(unit_.acceptedData, ExpectedStream(127));
    EXPECT_EQ(Module1.TxFailed, 0);
}

TEST_F(Blocks, TextOkAnswerIsAcceptedOnItsFirstByte)
{
    unit_.answers[0] = "OK\r\n";
    Run();
    EXPECT_EQ(unit_.arrivals, (QByteArrayList{"D", "D", "D", "D", "E"}));
}

TEST_F(Blocks, StopBeforeAResendSendsTheAbortBlockInstead)
{
    unit_.answers[0] = "X";
    unit_.onDataBlock = [this](int n) {
        if (n == 0)
            Window().Command1()->click();
    };
    Run();
    EXPECT_EQ(unit_.arrivals, (QByteArrayList{"D", "A"}));
    EXPECT_EQ(Module1.TxFailed, 0);
}

TEST_F(Blocks, StopWhileTheUnitAnswersTakesEffectBeforeTheNextBlock)
{
    UseDataEnd(1000);
    RecordProgress();
    unit_.onDataBlock = [this](int n) {
        if (n == 5)
            clock_.After(0, [this] { Window().Command1()->click(); });
    };
    Run();
    EXPECT_EQ(unit_.dataBlocks.size(), 6u);
    EXPECT_EQ(unit_.arrivals.last(), QByteArray("A"));
    // The block being answered was still counted.
    EXPECT_EQ(Window().ProgressBar1()->value(), 192);
}

} // namespace
