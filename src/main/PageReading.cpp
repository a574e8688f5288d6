#include "main/PageReading.h"

#include "link/Protocol.h"
#include "shared/MessageBox.h"
#include "shared/MessageTable.h"
#include "shared/Module1.h"

#include <algorithm>

namespace {

// Queries one page. Nothing when the check ends here; the failing step has already told the
// operator why, and `stoppedRow` says which message that was.
std::optional<PageInfo> queryPage(MSComm& port, Link& link, int page, const MessageRow** stoppedRow)
{
    QString query = QString::fromLatin1(Proto::kPageQuery) + HexField(static_cast<uint32_t>(page - 1), 2);
    setsum(query, Proto::kPageQueryCount);
    Module1.RxCount = 0;
    if (link.SendCommand(query) != 0 || link.WaitReply() != 0) {
        *stoppedRow = link.LastFault();
        return std::nullopt;
    }
    const std::optional<int16_t> mismatch = CheckReplySum(Module1.RxBytes, Proto::kPageRecordBytes);
    if (!mismatch || *mismatch != 0) {
        ShowMessage(Messages::kErr200);
        *stoppedRow = &Messages::kErr200;
        port.ClearInBuffer();
        return std::nullopt;
    }
    return DecodePageRecord(Module1.RxBytes);
}

// Opens the port, queries pages 1..`pagesAsked` (after the speed exchange at 9600 bit/s when
// `exchangeFirst`) and closes the port on every way out.
PageReading readRecords(MSComm& port, Link& link, int pagesAsked, bool exchangeFirst,
                        const std::function<void(int page, const PageInfo& info)>& onPage)
{
    PageReading reading;
    reading.pagesAsked = pagesAsked;
    // Any delivery counts, garbled or late: the unit is there.
    const QMetaObject::Connection heard = QObject::connect(&port, &MSComm::OnComm, &port, [&reading, &port] {
        if (port.CommEvent() == MSComm::kEvReceive)
            reading.answered = true;
    });

    port.SetCommPort(Module1.PortNo);
    QString openError;
    reading.opened = port.Open(&openError);
    if (reading.opened) {
        // A failed exchange has shown its message and the queries go on.
        if (exchangeFirst)
            link.SetLineSpeed(Proto::kBaudLow);
        port.ClearInBuffer();
        Module1.CommStatus = 0;
        for (int page = 1; page <= pagesAsked; ++page) {
            std::optional<PageInfo> info = queryPage(port, link, page, &reading.stoppedRow);
            if (!info)
                break;
            reading.pages[static_cast<size_t>(page - 1)] = info;
            if (onPage)
                onPage(page, *info);
        }
    } else {
        ShowMessage(Messages::kOpenPort, openError);
        reading.stoppedRow = &Messages::kOpenPort;
    }

    port.Close();
    QObject::disconnect(heard);
    return reading;
}

} // namespace

int ExitStatusOf(const PageReading& reading)
{
    const auto asked = reading.pages.begin() + std::clamp(reading.pagesAsked, 0, Proto::kPageCount);
    const bool allRead = std::all_of(reading.pages.begin(), asked, [](const auto& page) { return page.has_value(); });
    return allRead ? Exit::kDone : StatusOfStop(reading.stoppedRow);
}

PageReading ReadPageRecords(MSComm& port, Link& link, const std::function<void(int page, const PageInfo& info)>& onPage)
{
    return readRecords(port, link, Proto::kPageCount, true, onPage);
}

PageReading ReadFirstPageRecord(MSComm& port, Link& link)
{
    return readRecords(port, link, 1, false, {});
}

void PageRecordsView::Show(const PageRecords& pages)
{
    for (size_t i = 0; i < pages.size(); ++i)
        if (pages[i])
            shown_[i] = pages[i];
}

PageCaptions PageRecordsView::captionsOf(int page) const
{
    if (page < 1 || page > Proto::kPageCount || !shown_[static_cast<size_t>(page - 1)])
        return {};
    return CaptionsOf(*shown_[static_cast<size_t>(page - 1)]);
}

QString PageRecordsView::CpuCaption(int page) const
{
    return captionsOf(page).cpu;
}

QString PageRecordsView::SizeCaption(int page) const
{
    return captionsOf(page).size;
}
