#include "product/ProductRuns.h"

namespace product {

std::vector<Run> RunsOf(const Product& product, bool thru)
{
    if (thru || product.pages.empty()) {
        if (!product.thru)
            return {};
        return {Run{kPageThru, &*product.thru}};
    }
    std::vector<Run> runs;
    for (const Page& page : product.pages)
        runs.push_back({page.pageNo, &page.image});
    return runs;
}

SavedChoices ChoicesFor(const Run& run, const Product& product, SavedChoices base)
{
    base.FilePath = run.image->file;
    base.CpuIndex = run.image->cpuCode;
    base.ClockMHz = run.image->clockMHz;
    base.PageNo = run.pageNo;
    if (product.speedIndex)
        base.SpeedIndex = *product.speedIndex;
    return base;
}

} // namespace product
