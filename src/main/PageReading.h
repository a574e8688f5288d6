#pragma once

#include "link/Link.h"
#include "link/MSComm.h"
#include "main/PageRecord.h"
#include "shared/MemoryView.h"

#include <array>
#include <functional>
#include <optional>

// The records of the unit's pages 1..4 at index 0..3; nullopt: not read.
using PageRecords = std::array<std::optional<PageInfo>, Proto::kPageCount>;

// What one memory check read from the unit.
struct PageReading {
    bool opened = false;   // the port opened
    bool answered = false; // bytes of some reply came from the unit at all
    PageRecords pages;     // page 1..4 at index 0..3; nullopt: not read
    int pagesAsked = Proto::kPageCount; // the check asked for pages 1..pagesAsked
    // The message that ended the queries early, nothing when all four pages were read. A
    // failed speed exchange before the queries is not it: the queries went on after it.
    const MessageRow* stoppedRow = nullptr;
};

// 0 when every page asked for was read, else the status of the message that ended the check.
int ExitStatusOf(const PageReading& reading);

// The memory check without a window: opens the port (CommPort = PortNo), runs the speed
// exchange at 9600 bit/s, asks for the record of page 1 to 4 and closes the port on every way
// out. A failing step shows its message and ends the queries; pages not reached stay unread.
// `onPage` hears each page (1..4) as its record arrives.
PageReading ReadPageRecords(MSComm& port, Link& link,
                            const std::function<void(int page, const PageInfo& info)>& onPage = {});

// What a run into no page needs to know before it starts: that the unit answers, from the
// record of page 1 alone, which fails as the memory check's first query would. No speed
// exchange comes first: the port opens at 9600 bit/s, the speed the unit starts at and every
// run leaves it at, and the run makes its own exchange.
PageReading ReadFirstPageRecord(MSComm& port, Link& link);

// The memory view as the main window's labels hold it after memory checks, without a window:
// a page a check did not read keeps what it showed before, and nothing is shown at first.
class PageRecordsView final : public MemoryView {
public:
    // The pages a check read replace what was shown for them.
    void Show(const PageRecords& pages);
    QString CpuCaption(int page) const override;
    QString SizeCaption(int page) const override;

private:
    PageCaptions captionsOf(int page) const; // none for a page never read
    PageRecords shown_;
};
