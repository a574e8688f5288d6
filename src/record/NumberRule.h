#pragma once

#include "record/Record.h"

namespace record {

// The largest number the record stores.
constexpr quint64 kLargestNumber = 0x7FFF'FFFF'FFFF'FFFFull;

// Why the record cannot hand out numbers of `range`; none when it can.
std::optional<QString> RangeFault(const NumberRange& range);

// The next number after the product's highest so far (none: the product has none yet), never
// below `first`; past `last` when the range is used up. `range` has no RangeFault.
quint64 NextNumber(std::optional<quint64> highest, const NumberRange& range);

Outlook OutlookOf(std::optional<quint64> highest, const NumberRange& range);

} // namespace record
