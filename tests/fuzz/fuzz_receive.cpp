// libFuzzer target for the receive handler: the input is a script of deliveries of any
// bytes, event codes of any value, mode switches and the resets the waits make. A plain
// model of the handler follows along: nothing may be stored past the receive area's last
// index (64), every stored byte is the one delivered, and bit 0 of the status is set exactly
// by the line-feed rule (or by raw mode).
// Built and run by run_fuzz.sh, not by the project build.
#include "FuzzSupport.h"

#include "link/Link.h"
#include "link/MSComm.h"
#include "shared/Module1.h"

#include <algorithm>
#include <array>

namespace {

// Only the two members the handler reads are real.
class ScriptPort final : public MSComm {
public:
    void SetCommPort(int16_t) override {}
    int16_t CommPort() const override { return 1; }
    bool Open(QString*) override { return true; }
    void Close() override {}
    bool PortOpen() const override { return true; }
    bool SetSettings(const QString&, QString*) override { return true; }
    QString Settings() const override { return QString(); }
    bool Output(const QByteArray&, QString*) override { return true; }
    int OutBufferCount() override { return 0; }
    void ClearOutBuffer() override {}
    void ClearInBuffer() override { pending.clear(); }
    QByteArray Input() override { return std::exchange(pending, QByteArray()); }
    int CommEvent() const override { return event; }

    QByteArray pending;
    int event = 0;
};

// The handler's rules, written out plainly.
struct Model {
    std::array<uint8_t, 65> rx{};
    int16_t count = 0;
    int16_t status = 0;

    void receive(const QByteArray& bytes, bool raw)
    {
        for (const char b : bytes) {
            if (count < 0 || count >= 65)
                break;
            rx[static_cast<size_t>(count++)] = static_cast<uint8_t>(b);
        }
        bool lineEnds = false;
        if (!bytes.isEmpty())
            lineEnds = bytes.back() == '\n';
        else if (count > 0)
            lineEnds = rx[static_cast<size_t>(std::min<int16_t>(count, 65) - 1)] == '\n';
        if (raw || lineEnds)
            status |= CommStatusBits::kReplyComplete;
    }
    void event(int code)
    {
        switch (code) {
        case MSComm::kEventFrame: status |= CommStatusBits::kFramingError; break;
        case MSComm::kEventOverrun: status |= CommStatusBits::kOverrun; break;
        case MSComm::kEventRxOver: status |= CommStatusBits::kRxOverflow; break;
        case MSComm::kEventRxParity: status |= CommStatusBits::kParityError; break;
        default: break;
        }
    }
};

class Script {
public:
    Script(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool done() const { return at_ >= size_; }
    uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    QByteArray bytes(size_t n)
    {
        n = std::min(n, size_ - at_);
        QByteArray out(reinterpret_cast<const char*>(data_ + at_), static_cast<qsizetype>(n));
        at_ += n;
        return out;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScriptPort port;
    ResetModule1();
    Model model;
    Script script(data, size);
    int16_t binaryRx = 0;
    while (!script.done()) {
        const uint8_t op = script.byte();
        switch (op % 8) {
        case 0: case 1: case 2: { // a delivery of up to 255 bytes
            port.pending = script.bytes(script.byte());
            const QByteArray delivered = port.pending;
            port.event = MSComm::kEvReceive;
            MSComm1_OnComm(port);
            model.receive(delivered, Module1.BinaryRx != 0);
            break;
        }
        case 3: { // any event code, receive included (an empty delivery)
            const int code = static_cast<int16_t>(script.byte() | script.byte() << 8);
            const int event = op & 0x80 ? code : MSComm::kEventFrame + (code & 7);
            port.pending.clear();
            port.event = event;
            MSComm1_OnComm(port);
            if (event == MSComm::kEvReceive)
                model.receive(QByteArray(), Module1.BinaryRx != 0);
            else
                model.event(event);
            break;
        }
        case 4: // raw mode on or off
            Module1.BinaryRx = static_cast<int16_t>(op >> 3);
            break;
        case 5: // a wait begins
            Module1.RxCount = 0;
            model.count = 0;
            break;
        case 6: // a wait ends
            Module1.CommStatus = 0;
            model.status = 0;
            break;
        case 7: { // a count set from outside, in or out of the area
            const int16_t count = static_cast<int16_t>(script.byte() | script.byte() << 8);
            Module1.RxCount = count;
            model.count = count;
            break;
        }
        }
        Require(Module1.RxCount == model.count, "the count is the bytes stored");
        Require(Module1.BinaryRx == binaryRx || op % 8 == 4, "the handler leaves the mode alone");
        binaryRx = Module1.BinaryRx;
        Require(Module1.RxBytes == model.rx, "every stored byte is the one delivered, none past index 64");
        Require(Module1.CommStatus == model.status, "the status bits follow the line-feed rule");
    }
    return 0;
}
