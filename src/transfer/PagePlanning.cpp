// The page rules: which neighbouring pages the new image, or older data spilling into the
// chosen page, occupies; refusals, confirmations and the page erases.
#include "transfer/frmTx.h"

#include "link/Protocol.h"
#include "shared/Messages.h"
#include "shared/Module1.h"
#include "transfer/RunMessages.h"

#include <cmath>

namespace {

constexpr int kUnitPages = 4;
constexpr int kPageKB = 128;

// The image's page count by its highest address.
int pagesNeeded(int32_t dataEnd)
{
    if (dataEnd < kPageSize)
        return 1;
    if (dataEnd < 2 * kPageSize)
        return 2;
    if (dataEnd < 3 * kPageSize)
        return 3;
    return 4;
}

// An image of this many pages on a page too near the top is refused.
struct UpperRule {
    int pages;
    const char* code;
    const char* text;
};

//                                     pages  code          text
constexpr UpperRule kUpperRules[] = {{2, Msg::kErr402, Msg::kLastPageFull},
                                     {3, Msg::kErr401, Msg::kNeedPage1or2},
                                     {4, Msg::kErr400, Msg::kNeedPage1}};

// The size column as a whole number of KB; a caption that is not a number counts as 0.
double sizeInKB(const QString& caption)
{
    bool ok = false;
    const double value = caption.toDouble(&ok);
    return ok && std::isfinite(value) ? std::nearbyint(value) : 0;
}

bool yesToErase(const QString& text, const char* title)
{
    return ShowMessage(text, QString::fromUtf8(title), MsgButtons::OkCancel) == MsgResult::Ok;
}

} // namespace

frmTx::RunStep frmTx::PlanPages()
{
    if (planLowerPage() == RunStep::Stop)
        return RunStep::Stop;
    return planUpperPages();
}

// Data of the nearest occupied page below may run on into the chosen page.
frmTx::RunStep frmTx::planLowerPage()
{
    const int16_t pageNo = Module1.PageNo;
    int k = pageNo;
    while (k >= 1 && memoryView_.SizeCaption(k) == QLatin1String(kEmptySizeCaption))
        --k;
    if (k < 1)
        return RunStep::GoOn;
    const int d = pageNo - k;
    if (sizeInKB(memoryView_.SizeCaption(k)) < kPageKB * d + kPageKB + 1)
        return RunStep::GoOn;
    if (!yesToErase(QString::fromUtf8(Msg::kLowerSpillText), Msg::kLowerSpillTitle)) {
        discardInput();
        return RunStep::Stop;
    }
    return erasePages(static_cast<int16_t>(k - 1), static_cast<int16_t>(pageNo - 1));
}

// The new image runs on into the pages above the chosen one.
frmTx::RunStep frmTx::planUpperPages()
{
    const int pages = pagesNeeded(run_.DataEnd);
    if (pages == 1)
        return RunStep::GoOn;
    const int16_t pageNo = Module1.PageNo;
    const UpperRule& rule = kUpperRules[pages - 2];
    if (pageNo + pages > kUnitPages) {
        ShowFault(rule.text, rule.code);
        discardInput();
        return RunStep::Stop;
    }
    // Operator pages pageNo + 2 .. pageNo + pages; an empty caption counts as occupied.
    bool occupied = false;
    for (int page = pageNo + 2; page <= pageNo + pages; ++page)
        occupied = occupied || memoryView_.CpuCaption(page) != QLatin1String(kEmptyCpuCaption);
    if (occupied) {
        QString text;
        if (pages == 4) {
            text = QString::fromUtf8(Msg::kEraseAllPages);
        } else {
            text = NumberText(pageNo + 2);
            if (pages == 3)
                text += QStringLiteral("、") + NumberText(pageNo + 3);
            text += QString::fromUtf8(Msg::kErasePagesSuffix);
        }
        if (!yesToErase(text, Msg::kUpperSpillTitle)) {
            discardInput();
            return RunStep::Stop;
        }
    }
    return erasePages(static_cast<int16_t>(pageNo + 1), static_cast<int16_t>(pageNo + pages - 1));
}

frmTx::RunStep frmTx::erasePages(int16_t first, int16_t last)
{
    for (int16_t n = first; n <= last; ++n)
        if (ErasePage(n) == RunStep::Stop)
            return RunStep::Stop;
    return RunStep::GoOn;
}

frmTx::RunStep frmTx::ErasePage(int16_t n)
{
    QString command = QString::fromLatin1(Proto::kPageErase) + HexField(static_cast<uint32_t>(n), 2) +
                      HexField(static_cast<uint32_t>(255 - n), 2);
    setsum(command, Proto::kPageEraseCount);
    Module1.RxCount = 0;
    // A unit that takes no command or gives no answer is gone: the main window then spares
    // the operator a memory check that could only time out again.
    if (link->SendCommand(command) != 0 || link->WaitReplyLong() != 0) {
        Module1.TxFailed = 1;
        return RunStep::Stop;
    }
    if (ReplyContains(Proto::kTokenOK))
        return RunStep::GoOn;
    ShowFault(Msg::kEraseFault, Msg::kErr110);
    discardInput();
    return RunStep::Stop;
}
