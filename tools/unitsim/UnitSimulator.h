#pragma once

#include "UnitTypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace unitsim {

struct Options {
    // Where to put a symbolic link to the host side (for example the host's port folder
    // entry for COM1); parent folders are created. Empty: no link.
    std::string linkPath;
    // Pages are loaded from here at start and saved after every change. Empty: none.
    std::string stateFile;
    // After every direct ("THRU") transfer that reached its end block, what it delivered is
    // written here, replacing the file whole, before the block is answered. Empty: nowhere.
    std::string thruImageFile;
    // Bytes take 10 bits each at the line speed to arrive and to leave, in both directions.
    bool pace = false;
    Faults faults;
    Timing timing;
    // Told what the unit does, one line each; called on the simulator's own thread.
    std::function<void(const std::string&)> log;
};

// The simulated programmer unit on a pseudo-terminal: the host opens HostPath() (or the link)
// as its serial port. The unit runs on its own thread; every member may be called from any
// thread while it runs. Pages are numbered 0 to 3 as in the commands.
class UnitSimulator {
public:
    explicit UnitSimulator(Options options);
    ~UnitSimulator();
    UnitSimulator(const UnitSimulator&) = delete;
    UnitSimulator& operator=(const UnitSimulator&) = delete;

    bool Start(std::string* error);
    void Stop();
    std::string HostPath() const; // the pseudo-terminal the host opens

    void SetFaults(const Faults& faults);
    // Puts a page in place as if it had been written: the page is erased, `data` is written
    // from its start (running on into the following pages if it is longer) and the record set.
    void SetPage(int page, const PageRecord& record, const std::vector<uint8_t>& data);
    // Switch off and on: back to 9600 bit/s and line mode, pending replies dropped, a hung-up
    // line comes back (on a new pseudo-terminal, with the link moved to it). Memory is kept.
    void PowerCycle();

    // Observations.
    std::vector<std::string> CommandLines() const; // every command line received, without CR LF
    std::vector<uint8_t> ReceivedBytes() const;    // every byte received, as decoded at the unit's speed
    std::vector<uint8_t> SentBytes() const;        // every byte put on the line, as the host receives it
    int BlocksReceived() const;                    // data blocks, resends included
    Transfer LastTransfer() const;
    PageRecord Page(int page) const;
    bool AnyPageHoldsData() const;
    std::vector<uint8_t> PageData(int page) const; // 128 KB
    std::vector<uint8_t> ThruImage() const;        // what the latest direct ("THRU") transfer delivered
    int UnitBaud() const;
    int HostBaud() const; // the speed the host set on its port
    bool InBlockPhase() const;
    bool Vanished() const;
    bool Idle() const; // every byte received is handled and every reply is out

    // Waits until `condition` holds, re-checking whenever the unit's state changes; false when
    // `timeoutMs` passed first. `condition` may call the members above.
    bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace unitsim
