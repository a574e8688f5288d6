#include "link/Link.h"
#include "shared/Module1.h"
#include "support/FakeMSComm.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class ReceiveHandlerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetModule1();
        // The handler is attached by the link, as in the windows.
        link_ = std::make_unique<Link>(port_, kTransferWindowLink);
    }
    FakeMSComm port_;
    std::unique_ptr<Link> link_;
};

struct DeliveryCase {
    const char* name;
    int16_t binary;
    std::vector<QByteArray> deliveries;
    bool complete;
};

class TextAndRawDeliveries : public ReceiveHandlerTest, public ::testing::WithParamInterface<DeliveryCase> {};

TEST_P(TextAndRawDeliveries, SetsReplyBitOnlyWhenTheDeliveryCompletesAReply)
{
    Module1.BinaryRx = GetParam().binary;
    for (const QByteArray& d : GetParam().deliveries)
        port_.Deliver(d);
    EXPECT_EQ((Module1.CommStatus & CommStatusBits::kReplyComplete) != 0, GetParam().complete);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextAndRawDeliveries,
    ::testing::Values(DeliveryCase{"LineInOneDelivery", 0, {"OK\r\n"}, true},
                      DeliveryCase{"LfInSecondDelivery", 0, {"OK\r", "\n"}, true},
                      DeliveryCase{"CrWithoutLf", 0, {"OK\r"}, false},
                      DeliveryCase{"BytesAfterLf", 0, {"OK\r\nG"}, false},
                      DeliveryCase{"BytesAfterLfThenLineEnd", 0, {"OK\r\nG", "O\r\n"}, true},
                      DeliveryCase{"EmptyDeliveryAfterLf", 0, {"OK\n", ""}, true},
                      DeliveryCase{"EmptyDeliveryWithNothingStored", 0, {""}, false},
                      DeliveryCase{"RawSingleByte", 1, {"O"}, true},
                      DeliveryCase{"RawEmptyDelivery", 1, {""}, true}),
    [](const auto& info) { return info.param.name; });

TEST_F(ReceiveHandlerTest, ResetCountOverwritesOnlyTheNewReplysBytes)
{
    port_.Deliver("ABCDEFG\n");
    Module1.RxCount = 0;
    port_.Deliver("xy");
    EXPECT_EQ(Module1.RxCount, 2);
    const QByteArray area(reinterpret_cast<const char*>(Module1.RxBytes.data()), 8);
    EXPECT_EQ(area, QByteArray("xyCDEFG\n"));
}

TEST_F(ReceiveHandlerTest, OverlongReplyNeverWritesPastTheReceiveArea)
{
    Module1.RxBytes.fill(0);
    port_.Deliver(QByteArray(64, 'A'));
    port_.Deliver(QByteArray(200, 'B') + "\n");
    EXPECT_EQ(Module1.RxCount, 65);
    EXPECT_EQ(Module1.RxBytes[63], 'A');
    EXPECT_EQ(Module1.RxBytes[64], 'B');
    // The line still ends, so the wait does not run into a time-out on a chatty line.
    EXPECT_NE(Module1.CommStatus & CommStatusBits::kReplyComplete, 0);
}

TEST_F(ReceiveHandlerTest, LineErrorEventsSetTheirBitsAndNeverClearOthers)
{
    const std::vector<std::pair<int, int16_t>> events = {
        {MSComm::kEventFrame, CommStatusBits::kFramingError},
        {MSComm::kEventOverrun, CommStatusBits::kOverrun},
        {MSComm::kEventRxOver, CommStatusBits::kRxOverflow},
        {MSComm::kEventRxParity, CommStatusBits::kParityError},
    };
    int16_t expected = 0;
    for (const auto& [code, bit] : events) {
        port_.RaiseEvent(code);
        expected |= bit;
        EXPECT_EQ(Module1.CommStatus, expected) << "event " << code;
    }
    port_.RaiseEvent(1001); // a break or any other event is ignored
    EXPECT_EQ(Module1.CommStatus, expected);
}

} // namespace
