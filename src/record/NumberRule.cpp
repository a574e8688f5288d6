#include "record/NumberRule.h"

#include <algorithm>

namespace record {

std::optional<QString> RangeFault(const NumberRange& range)
{
    if (range.step == 0)
        return QStringLiteral("a serial step of 0 would give one number for ever");
    if (range.last > kLargestNumber || range.step > kLargestNumber)
        return QStringLiteral("the record holds serial numbers up to %1").arg(kLargestNumber);
    return std::nullopt;
}

quint64 NextNumber(std::optional<quint64> highest, const NumberRange& range)
{
    // highest <= kLargestNumber and step <= kLargestNumber: the sum stays below 2^64.
    return highest ? std::max(*highest + range.step, range.first) : range.first;
}

Outlook OutlookOf(std::optional<quint64> highest, const NumberRange& range)
{
    const quint64 next = NextNumber(highest, range);
    if (next > range.last)
        return {};
    return {next, (range.last - next) / range.step + 1};
}

} // namespace record
