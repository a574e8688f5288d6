// The page plan carried out: its questions, its refusal and the page erases, in the plan's order.
#include "transfer/TransferRun.h"

#include "link/Protocol.h"
#include "shared/MessageBox.h"
#include "shared/MessageTable.h"
#include "shared/Module1.h"

TransferRun::RunStep TransferRun::PlanPages()
{
    const PagePlan plan = PlanPagesFor(Module1.PageNo, values_.DataEnd, memoryView_);
    if (carryOut(plan.lower) == RunStep::Stop)
        return RunStep::Stop;
    // Pages the lower part erased stay erased.
    if (plan.refusal != nullptr) {
        stopWith(*plan.refusal);
        discardInput();
        return RunStep::Stop;
    }
    return carryOut(plan.upper);
}

TransferRun::RunStep TransferRun::carryOut(const PagePlan::Part& part)
{
    if (part.question && !ask(*part.question)) {
        discardInput();
        return RunStep::Stop;
    }
    for (const int16_t n : part.erase)
        if (ErasePage(n) == RunStep::Stop)
            return RunStep::Stop;
    return RunStep::GoOn;
}

TransferRun::RunStep TransferRun::ErasePage(int16_t n)
{
    QString command = QString::fromLatin1(Proto::kPageErase) + HexField(static_cast<uint32_t>(n), 2) +
                      HexField(static_cast<uint32_t>(255 - n), 2);
    setsum(command, Proto::kPageEraseCount);
    Module1.RxCount = 0;
    // A unit that takes no command or gives no answer is gone: the main window then spares
    // the operator a memory check that could only time out again.
    if (link_.SendCommand(command) != 0 || link_.WaitReplyLong() != 0) {
        Module1.TxFailed = 1;
        return stopAfterPrimitive();
    }
    if (!ReplyContains(Module1.RxBytes, Proto::kTokenOK)) {
        stopWith(Messages::kErr110);
        discardInput();
        return RunStep::Stop;
    }
    report_.erasedPages.append(n + 1);
    return RunStep::GoOn;
}
