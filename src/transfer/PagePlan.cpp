// The page rules: which neighbouring pages the new image, or older data spilling into the
// chosen page, occupies; the refusals and the questions that guard the erases.
#include "transfer/PagePlan.h"

#include "link/Protocol.h"
#include "shared/Messages.h"
#include "shared/Module1.h"
#include "transfer/RunValues.h"

#include <cmath>

namespace {

constexpr int kPageKB = Proto::kPageBytes / 1024;

// An image of this many pages on a page too near the top is refused.
struct UpperRule {
    int pages;
    const MessageRow* refusal;
};

//                                     pages  refusal
constexpr UpperRule kUpperRules[] = {{2, &Messages::kErr402},
                                     {3, &Messages::kErr401},
                                     {4, &Messages::kErr400}};

// The size column as a whole number of KB; a caption that is not a number counts as 0.
double sizeInKB(const QString& caption)
{
    bool ok = false;
    const double value = caption.toDouble(&ok);
    return ok && std::isfinite(value) ? std::nearbyint(value) : 0;
}

QList<int16_t> pagesFrom(int first, int last)
{
    QList<int16_t> pages;
    for (int n = first; n <= last; ++n)
        pages.append(static_cast<int16_t>(n));
    return pages;
}

// Data of the nearest occupied page below may run on into the chosen page.
PagePlan::Part lowerPart(int16_t pageNo, const MemoryView& view)
{
    int k = pageNo;
    while (k >= 1 && view.SizeCaption(k) == QLatin1String(kEmptySizeCaption))
        --k;
    if (k < 1)
        return {};
    const int d = pageNo - k;
    if (sizeInKB(view.SizeCaption(k)) < kPageKB * d + kPageKB + 1)
        return {};
    return {PagePlan::Question{QString::fromUtf8(Msg::kLowerSpillTitle), QString::fromUtf8(Msg::kLowerSpillText)},
            pagesFrom(k - 1, pageNo - 1)};
}

// The question before erasing pages above that show data: an empty caption counts as data.
std::optional<PagePlan::Question> upperQuestion(int16_t pageNo, int pages, const MemoryView& view)
{
    bool occupied = false;
    for (int page = pageNo + 2; page <= pageNo + pages; ++page)
        occupied = occupied || view.CpuCaption(page) != QLatin1String(kEmptyCpuCaption);
    if (!occupied)
        return std::nullopt;
    QString text;
    if (pages == 4) {
        text = QString::fromUtf8(Msg::kEraseAllPages);
    } else {
        text = NumberText(pageNo + 2);
        if (pages == 3)
            text += QStringLiteral("、") + NumberText(pageNo + 3);
        text += QString::fromUtf8(Msg::kErasePagesSuffix);
    }
    return PagePlan::Question{QString::fromUtf8(Msg::kUpperSpillTitle), text};
}

} // namespace

int PagesNeeded(int32_t dataEnd)
{
    if (dataEnd < Proto::kPageBytes)
        return 1;
    if (dataEnd < 2 * Proto::kPageBytes)
        return 2;
    if (dataEnd < 3 * Proto::kPageBytes)
        return 3;
    return 4;
}

QList<PagePlan::Question> PagePlan::questions() const
{
    QList<Question> asked;
    for (const Part* part : {&lower, &upper})
        if (part->question)
            asked.append(*part->question);
    return asked;
}

QList<int16_t> PagePlan::erase() const
{
    return lower.erase + upper.erase;
}

PagePlan PlanPagesFor(int16_t pageNo, int32_t dataEnd, const MemoryView& view)
{
    PagePlan plan;
    if (pageNo < 0 || pageNo >= Proto::kPageCount)
        return plan;
    plan.lower = lowerPart(pageNo, view);
    const int pages = PagesNeeded(dataEnd);
    if (pages == 1)
        return plan;
    const UpperRule& rule = kUpperRules[pages - 2];
    if (pageNo + pages > Proto::kPageCount) {
        plan.refusal = rule.refusal;
        return plan;
    }
    plan.upper = {upperQuestion(pageNo, pages, view), pagesFrom(pageNo + 1, pageNo + pages - 1)};
    return plan;
}
