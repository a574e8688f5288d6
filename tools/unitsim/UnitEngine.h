#pragma once

#include "Garble.h"
#include "UnitMemory.h"
#include "UnitTypes.h"
#include "Wire.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace unitsim {

// What the unit does on the line, in order. The driver carries these out one after the other
// and feeds the unit no further bytes until they are all done, as the unit's firmware would
// finish one exchange before reading on.
struct Action {
    enum class Kind {
        Send,           // put `bytes` on the line at the unit's current speed
        Pause,          // wait `value` ms
        SetSpeed,       // the unit switches its line to `value` bit/s
        AwaitHostSpeed, // wait until the host has re-set its port to the unit's speed, at most `value` ms
        Persist,        // the memory changed: save it
        TellThruImage,  // a direct transfer reached its end block: write out what it delivered
        HangUp,         // close the line: the host sees the device go away
    };
    explicit Action(Kind k, int v = 0) : kind(k), value(v) {}
    Action(Kind k, std::vector<uint8_t> b) : kind(k), bytes(std::move(b)) {}

    Kind kind;
    std::vector<uint8_t> bytes;
    int value = 0;

    bool operator==(const Action&) const = default;
};

// The unit's protocol, without any line: fed the bytes the unit decodes, it answers with
// actions. Not thread-safe; the driver serialises access.
class UnitEngine {
public:
    using NoteSink = std::function<void(const std::string&)>;

    explicit UnitEngine(UnitMemory& memory, Timing timing = {}, NoteSink notes = {});

    void SetFaults(const Faults& faults);
    const Faults& CurrentFaults() const { return faults_; }

    void Feed(uint8_t byte);
    void Feed(std::span<const uint8_t> bytes);
    std::vector<Action> TakeActions();

    // The host closed its port. A real unit would wait in its data phase until switched off;
    // the simulator abandons the transfer so that the next session starts clean.
    void HostClosed();
    // Back to the state after switching on: line mode, not vanished. Memory and the
    // observations are kept; the driver puts the line back to 9600 bit/s.
    void PowerCycle();

    // Observations.
    const std::vector<std::string>& CommandLines() const { return lines_; }
    const std::vector<uint8_t>& ReceivedBytes() const { return received_; }
    int BlocksReceived() const { return blocksReceived_; } // data blocks of all transfers, resends included
    bool InBlockPhase() const { return mode_ == Mode::Blocks; }
    bool Vanished() const { return mode_ == Mode::Vanished; }
    const Transfer& LastTransfer() const { return transfer_; }
    const std::vector<uint8_t>& ThruImage() const { return thru_; }

private:
    enum class Mode { Lines, Blocks, Vanished };

    void feedLine(uint8_t byte);
    void handleLine(const std::string& line);
    void onSpeed(std::span<const uint8_t> payload);
    void onPageQuery(std::span<const uint8_t> payload);
    void onPageErase(std::span<const uint8_t> payload);
    void onPageStore(std::span<const uint8_t> payload);
    void onDirect(std::span<const uint8_t> payload);
    void beginTransfer(Transfer::Target target, int page, std::span<const uint8_t> cpuAndClock);

    void abandon();
    void handleBlock();
    uint8_t verdictOnDataBlock();
    void writeData(std::span<const uint8_t> data);
    void endTransfer(Transfer::Ending ending);
    void vanish(const std::string& when);

    void reply(std::string_view text); // text + CR LF; an empty text sends nothing
    void send(std::vector<uint8_t> bytes);
    void pause(int ms);
    void act(Action action) { actions_.push_back(std::move(action)); }
    void note(const std::string& text);

    UnitMemory& memory_;
    Timing timing_;
    NoteSink notes_;
    Faults faults_;
    GarbageSource garbage_;
    int garbagePending_ = 0;

    Mode mode_ = Mode::Lines;
    bool inLine_ = false; // a lead "C" has been seen and its line has not ended yet
    std::string line_;
    std::vector<uint8_t> block_;
    Transfer transfer_;
    std::array<uint8_t, wire::kStoreNameBytes> transferName_{};
    int unclearGiven_ = 0;

    std::vector<Action> actions_;
    std::vector<std::string> lines_;
    std::vector<uint8_t> received_;
    int blocksReceived_ = 0;
    std::vector<uint8_t> thru_;
};

} // namespace unitsim
