// The driver's low-latency mode on a real port: asked for at every opening, put back at closing,
// and a refusal is no fault. The flag calls go through a recorder on the simulated unit's
// pseudo-terminal; one case lets the terminal answer for itself.
#include "link/LowLatency.h"
#include "link/SerialMSComm.h"
#include "support/SimulatedUnit.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

constexpr int kOtherBits = ASYNC_SKIP_TEST | ASYNC_SPD_HI; // bits that are not ours to change

struct FlagCall {
    bool set;
    int flags;
    bool operator==(const FlagCall&) const = default;
};

class RecordingFlags final : public SerialFlagsAccess {
public:
    int Get(int, serial_struct* flags) override
    {
        calls.push_back({false, flags_});
        flags->flags = flags_;
        return getError;
    }
    int Set(int, const serial_struct& flags) override
    {
        calls.push_back({true, flags.flags});
        if (setError == 0)
            flags_ = flags.flags;
        return setError;
    }
    int flags_ = 0;
    int getError = 0, setError = 0;
    std::vector<FlagCall> calls;
};

class LowLatencyOnPort : public ::testing::Test {
protected:
    LowLatencyOnPort()
    {
        SetSerialFlagsAccess(&flags_);
        port_.SetCommPort(1);
        QObject::connect(&port_, &MSComm::Noted, [this](const QString& note) { notes_ << note; });
    }
    ~LowLatencyOnPort() override { SetSerialFlagsAccess(nullptr); }

    SimulatedUnit unit_;
    RecordingFlags flags_;
    SerialMSComm port_;
    QStringList notes_;
};

TEST_F(LowLatencyOnPort, SetAtOpeningPutBackAtClosingAndARefusalIsNoFault)
{
    struct Case {
        const char* what;
        int flags, getError, setError;
        QString note;
        std::vector<FlagCall> atOpening, atClosing;
    } cases[] = {
        {"clear", kOtherBits, 0, 0, "low latency: set",
         {{false, kOtherBits}, {true, kOtherBits | ASYNC_LOW_LATENCY}},
         {{false, kOtherBits | ASYNC_LOW_LATENCY}, {true, kOtherBits}}},
        {"already on", kOtherBits | ASYNC_LOW_LATENCY, 0, 0, "low latency: already on",
         {{false, kOtherBits | ASYNC_LOW_LATENCY}}, {}},
        {"no such call", 0, ENOTTY, 0, "low latency: not supported: Inappropriate ioctl for device",
         {{false, 0}}, {}},
        {"not allowed", kOtherBits, 0, EPERM, "low latency: not supported: Operation not permitted",
         {{false, kOtherBits}, {true, kOtherBits | ASYNC_LOW_LATENCY}}, {}},
    };
    for (const Case& c : cases) {
        flags_ = RecordingFlags{};
        flags_.flags_ = c.flags;
        flags_.getError = c.getError;
        flags_.setError = c.setError;
        notes_.clear();
        QString error;
        ASSERT_TRUE(port_.Open(&error)) << c.what << error.toStdString();
        EXPECT_EQ(notes_, QStringList{c.note}) << c.what;
        EXPECT_EQ(flags_.calls, c.atOpening) << c.what;
        flags_.calls.clear();
        port_.Close();
        EXPECT_EQ(flags_.calls, c.atClosing) << c.what;
    }
}

TEST_F(LowLatencyOnPort, APseudoTerminalRefusesAndThePortStillOpens)
{
    SetSerialFlagsAccess(nullptr);
    QString error;
    ASSERT_TRUE(port_.Open(&error)) << error.toStdString();
    EXPECT_EQ(notes_, QStringList{"low latency: not supported: Inappropriate ioctl for device"});
    EXPECT_TRUE(port_.PortOpen());
    port_.Close();
}

} // namespace
