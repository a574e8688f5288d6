#include "UnitEngine.h"

#include <algorithm>
#include <utility>

namespace unitsim {

namespace {

uint32_t BigEndian32(std::span<const uint8_t> bytes)
{
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

std::string PageName(int page)
{
    return "page " + std::to_string(page + 1);
}

} // namespace

UnitEngine::UnitEngine(UnitMemory& memory, Timing timing, NoteSink notes)
    : memory_(memory), timing_(timing), notes_(std::move(notes))
{
}

void UnitEngine::SetFaults(const Faults& faults)
{
    faults_ = faults;
    garbagePending_ = faults.garbageBurst;
}

void UnitEngine::Feed(uint8_t byte)
{
    received_.push_back(byte);
    switch (mode_) {
    case Mode::Lines:
        feedLine(byte);
        break;
    case Mode::Blocks:
        block_.push_back(byte);
        if (block_.size() == wire::kBlockBytes) {
            handleBlock();
            block_.clear();
        }
        break;
    case Mode::Vanished:
        break;
    }
}

void UnitEngine::Feed(std::span<const uint8_t> bytes)
{
    for (uint8_t b : bytes)
        Feed(b);
}

std::vector<Action> UnitEngine::TakeActions()
{
    return std::exchange(actions_, {});
}

void UnitEngine::HostClosed()
{
    if (mode_ == Mode::Blocks)
        note("host closed its port in the data phase");
    abandon();
}

void UnitEngine::PowerCycle()
{
    note("power cycled");
    actions_.clear();
    abandon();
    mode_ = Mode::Lines;
}

void UnitEngine::abandon()
{
    inLine_ = false;
    line_.clear();
    block_.clear();
    if (mode_ == Mode::Blocks)
        endTransfer(Transfer::Ending::Abandoned);
}

// Bytes before a lead "C" are noise (a stray block, a garbled line) and are passed over;
// from the lead on, everything up to LF is one command line.
void UnitEngine::feedLine(uint8_t byte)
{
    if (!inLine_) {
        if (byte == wire::kLead) {
            inLine_ = true;
            line_.assign(1, wire::kLead);
        }
        return;
    }
    if (byte == '\n') {
        if (!line_.empty() && line_.back() == '\r')
            line_.pop_back();
        inLine_ = false;
        handleLine(std::exchange(line_, {}));
        return;
    }
    if (line_.size() >= wire::kMaxLineLength) {
        note("overlong line dropped");
        inLine_ = false;
        line_.clear();
        return;
    }
    line_.push_back(static_cast<char>(byte));
}

void UnitEngine::handleLine(const std::string& line)
{
    lines_.push_back(line);
    if (faults_.mute)
        return;

    using Handler = void (UnitEngine::*)(std::span<const uint8_t>);
    static constexpr struct {
        char code;
        uint8_t count;
        Handler handler;
    } kCommands[] = {
        // code                 count  handler
        {wire::kCodeSpeed,      2,     &UnitEngine::onSpeed},
        {wire::kCodePageQuery,  2,     &UnitEngine::onPageQuery},
        {wire::kCodePageErase,  3,     &UnitEngine::onPageErase},
        {wire::kCodePageStore,  0x12,  &UnitEngine::onPageStore},
        {wire::kCodeDirect,     7,     &UnitEngine::onDirect},
    };

    const auto command = wire::ParseCommandLine(line);
    if (command) {
        for (const auto& known : kCommands) {
            if (known.code == command->code && known.count == command->counted.front()) {
                (this->*known.handler)(command->Payload());
                return;
            }
        }
    }
    note("bad line \"" + line + "\"");
    reply(wire::kBadLine);
}

void UnitEngine::onSpeed(std::span<const uint8_t> payload)
{
    int baud = 0;
    if (payload[0] == wire::kSpeedByte9600)
        baud = wire::kBaudLow;
    else if (payload[0] == wire::kSpeedByte38400)
        baud = wire::kBaudHigh;
    else {
        reply(wire::kBadLine);
        return;
    }
    note("speed exchange to " + std::to_string(baud) + " bit/s");
    reply(wire::kOK);
    act(Action(Action::Kind::SetSpeed, baud));
    if (faults_.speedNoGo)
        return;
    // The host discards its input and re-sets its port after "OK"; a "GO" sent before that
    // would be lost or garbled.
    act(Action(Action::Kind::AwaitHostSpeed, timing_.speedGoFallbackMs));
    reply(wire::kGO);
}

void UnitEngine::onPageQuery(std::span<const uint8_t> payload)
{
    const int page = payload[0];
    if (page >= kPages) {
        reply(wire::kBadLine);
        return;
    }
    if (faults_.vanishAtQueryPage == page) {
        vanish("at the query of " + PageName(page));
        return;
    }
    note("page query: " + PageName(page));
    const std::string record = wire::RecordReply(memory_.Record(page), faults_.badRecordSumPage == page);
    send({record.begin(), record.end()});
}

void UnitEngine::onPageErase(std::span<const uint8_t> payload)
{
    const int page = payload[0];
    if (page >= kPages || payload[1] != 0xFF - page) {
        reply(wire::kBadLine);
        return;
    }
    if (faults_.eraseReply) {
        note("page erase of " + PageName(page) + " refused");
        reply(*faults_.eraseReply);
        return;
    }
    note("page erase: " + PageName(page));
    memory_.Erase(page);
    act(Action(Action::Kind::Persist));
    pause(timing_.eraseMs);
    reply(wire::kOK);
}

void UnitEngine::onPageStore(std::span<const uint8_t> payload)
{
    const int page = payload[0];
    if (page >= kPages) {
        reply(wire::kBadLine);
        return;
    }
    if (faults_.storeHeaderReply) {
        note("page-store header for " + PageName(page) + " refused");
        reply(*faults_.storeHeaderReply);
        return;
    }
    // Flash can only be written once it is erased, and the page's old record must not
    // survive a transfer that is abandoned half-way.
    memory_.Erase(page);
    act(Action(Action::Kind::Persist));
    pause(timing_.eraseMs);
    reply(wire::kOK);
    std::copy_n(payload.begin() + 6, wire::kStoreNameBytes, transferName_.begin());
    beginTransfer(Transfer::Target::Page, page, payload.subspan(1, 5));
}

void UnitEngine::onDirect(std::span<const uint8_t> payload)
{
    if (payload[0] != wire::kDirectMarker) {
        reply(wire::kBadLine);
        return;
    }
    if (faults_.directHeaderReply) {
        note("direct header refused");
        reply(*faults_.directHeaderReply);
        return;
    }
    reply(wire::kOK);
    if (faults_.directNoGo) {
        note("direct header: no GO");
        return;
    }
    // The host takes "OK" as one reply and then waits for "GO" as another; sent together
    // they could reach it in one delivery.
    pause(timing_.directGoGapMs);
    if (faults_.directSecondReply) {
        note("direct header: no GO but another reply");
        reply(*faults_.directSecondReply);
        return;
    }
    reply(wire::kGO);
    thru_.clear();
    beginTransfer(Transfer::Target::Thru, -1, payload.subspan(1, 5));
}

void UnitEngine::beginTransfer(Transfer::Target target, int page, std::span<const uint8_t> cpuAndClock)
{
    transfer_ = Transfer{};
    transfer_.target = target;
    transfer_.page = page;
    transfer_.cpu = cpuAndClock[0];
    transfer_.clockHz = BigEndian32(cpuAndClock.subspan(1));
    unclearGiven_ = 0;
    mode_ = Mode::Blocks;
    note(std::string("data phase into ") + (page < 0 ? "no page (THRU)" : PageName(page)) + ", cpu "
         + std::to_string(transfer_.cpu) + ", " + std::to_string(transfer_.clockHz) + " Hz");
}

void UnitEngine::handleBlock()
{
    if (faults_.mute)
        return;
    const auto allOf = [this](uint8_t value) {
        return std::all_of(block_.begin(), block_.end(), [value](uint8_t b) { return b == value; });
    };
    if (allOf(wire::kEndBlockByte)) {
        if (transfer_.target == Transfer::Target::Page) {
            PageRecord record{1, transfer_.cpu, transfer_.clockHz, {}, transfer_.bytes};
            std::copy(transferName_.begin(), transferName_.end(), record.name.begin());
            record.name.back() = ' ';
            memory_.SetRecord(transfer_.page, record);
        }
        endTransfer(Transfer::Ending::EndOfData);
        send({wire::kAckWritten});
        return;
    }
    if (allOf(wire::kAbortBlockByte)) {
        endTransfer(Transfer::Ending::Aborted);
        send({wire::kAckWritten});
        return;
    }
    ++blocksReceived_;
    transfer_.lastBlockAt = std::chrono::steady_clock::now();
    if (transfer_.dataBlocks++ == 0)
        transfer_.firstBlockAt = transfer_.lastBlockAt;
    if (faults_.vanishAfterBlocks >= 0 && transfer_.dataBlocks > faults_.vanishAfterBlocks) {
        vanish("after " + std::to_string(transfer_.dataBlocks - 1) + " data blocks");
        return;
    }
    send({verdictOnDataBlock()});
}

uint8_t UnitEngine::verdictOnDataBlock()
{
    const int index = static_cast<int>(transfer_.bytes / wire::kBlockDataBytes);
    if (index == faults_.flashFaultAtBlock)
        return wire::kAckFlashFault;
    if (index == faults_.unclearAtBlock && unclearGiven_ < faults_.unclearTimes) {
        ++unclearGiven_;
        return faults_.unclearByte;
    }
    const auto data = std::span(block_).first(wire::kBlockDataBytes);
    if (block_.back() != wire::BlockChecksum(data))
        return wire::kAckUnclear;
    const uint32_t start = transfer_.target == Transfer::Target::Page ? transfer_.page * kPageSize : 0;
    if (start + transfer_.bytes + wire::kBlockDataBytes > kMemorySize)
        return wire::kAckFlashFault; // past the end of the memory
    writeData(data);
    return wire::kAckWritten;
}

void UnitEngine::writeData(std::span<const uint8_t> data)
{
    if (transfer_.target == Transfer::Target::Thru) {
        thru_.insert(thru_.end(), data.begin(), data.end());
    } else {
        const uint32_t address = transfer_.page * kPageSize + transfer_.bytes;
        // Data running on into a following page overwrites whatever that page held, so its
        // old record no longer describes it.
        const int page = static_cast<int>(address / kPageSize);
        if (page != transfer_.page && memory_.Record(page).status != 0) {
            note(PageName(page) + " overwritten by spilling data: record cleared");
            memory_.SetRecord(page, PageRecord{});
        }
        memory_.Write(address, data);
    }
    transfer_.bytes += wire::kBlockDataBytes;
}

void UnitEngine::endTransfer(Transfer::Ending ending)
{
    static constexpr const char* kEndingNames[] = {"running", "complete", "aborted", "abandoned"};
    transfer_.ending = ending;
    mode_ = Mode::Lines;
    if (transfer_.target == Transfer::Target::Page)
        act(Action(Action::Kind::Persist));
    else if (transfer_.target == Transfer::Target::Thru && ending == Transfer::Ending::EndOfData)
        act(Action(Action::Kind::TellThruImage));
    note("transfer " + std::string(kEndingNames[static_cast<int>(ending)]) + " after "
         + std::to_string(transfer_.bytes) + " bytes");
}

void UnitEngine::vanish(const std::string& when)
{
    mode_ = Mode::Vanished;
    note("vanished " + when);
    if (faults_.hangUpOnVanish)
        act(Action(Action::Kind::HangUp));
}

void UnitEngine::reply(std::string_view text)
{
    if (text.empty())
        return;
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.insert(bytes.end(), wire::kLineEnd.begin(), wire::kLineEnd.end());
    send(std::move(bytes));
}

void UnitEngine::send(std::vector<uint8_t> bytes)
{
    if (garbagePending_ > 0) {
        const auto noise = garbage_.Next(std::exchange(garbagePending_, 0));
        bytes.insert(bytes.begin(), noise.begin(), noise.end());
    }
    pause(faults_.replyDelayMs);
    act(Action(Action::Kind::Send, std::move(bytes)));
}

void UnitEngine::pause(int ms)
{
    if (ms > 0)
        act(Action(Action::Kind::Pause, ms));
}

void UnitEngine::note(const std::string& text)
{
    if (notes_)
        notes_(text);
}

} // namespace unitsim
