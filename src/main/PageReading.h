#pragma once

#include "link/Link.h"
#include "link/MSComm.h"
#include "main/PageRecord.h"

#include <array>
#include <functional>
#include <optional>

// What one memory check read from the unit.
struct PageReading {
    bool opened = false;   // the port opened
    bool answered = false; // bytes of some reply came from the unit at all
    std::array<std::optional<PageInfo>, Proto::kPageCount> pages; // page 1..4 at index 0..3; nullopt: not read
};

// The memory check without a window: opens the port (CommPort = PortNo), runs the speed
// exchange at 9600 bit/s, asks for the record of page 1 to 4 and closes the port on every way
// out. A failing step shows its message and ends the queries; pages not reached stay unread.
// `onPage` hears each page (1..4) as its record arrives.
PageReading ReadPageRecords(MSComm& port, Link& link,
                            const std::function<void(int page, const PageInfo& info)>& onPage = {});
