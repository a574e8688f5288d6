#include "link/Link.h"

#include "shared/Module1.h"

namespace {

constexpr uint8_t kLineFeed = 0x0A;
constexpr int16_t kRxCapacity = static_cast<int16_t>(std::tuple_size_v<decltype(Module1.RxBytes)>);

void storeDelivery(const QByteArray& bytes)
{
    for (const char byte : bytes) {
        // A reply longer than the receive area cannot be one the host asked for; its tail
        // is dropped rather than written past the area.
        if (Module1.RxCount < 0 || Module1.RxCount >= kRxCapacity)
            break;
        Module1.RxBytes[Module1.RxCount] = static_cast<uint8_t>(byte);
        ++Module1.RxCount;
    }
}

bool deliveryEndsLine(const QByteArray& bytes)
{
    if (!bytes.isEmpty())
        return static_cast<uint8_t>(bytes.back()) == kLineFeed;
    // An empty delivery re-tests the byte stored last, if any.
    if (Module1.RxCount <= 0)
        return false;
    const int16_t last = std::min<int16_t>(Module1.RxCount, kRxCapacity) - 1;
    return Module1.RxBytes[last] == kLineFeed;
}

} // namespace

void MSComm1_OnComm(MSComm& port)
{
    switch (port.CommEvent()) {
    case MSComm::kEvReceive: {
        const QByteArray bytes = port.Input();
        storeDelivery(bytes);
        // In raw mode any delivery is a complete acknowledgement; text replies are complete
        // only when a delivery ends with the line feed.
        if (Module1.BinaryRx != 0 || deliveryEndsLine(bytes))
            Module1.CommStatus |= CommStatusBits::kReplyComplete;
        break;
    }
    case MSComm::kEventFrame:
        Module1.CommStatus |= CommStatusBits::kFramingError;
        break;
    case MSComm::kEventOverrun:
        Module1.CommStatus |= CommStatusBits::kOverrun;
        break;
    case MSComm::kEventRxOver:
        Module1.CommStatus |= CommStatusBits::kRxOverflow;
        break;
    case MSComm::kEventRxParity:
        Module1.CommStatus |= CommStatusBits::kParityError;
        break;
    default:
        break;
    }
}
