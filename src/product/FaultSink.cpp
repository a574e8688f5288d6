#include "product/FaultSink.h"

#include <algorithm>

namespace product {

std::vector<Fault> FaultSink::Sorted() const
{
    std::vector<Fault> sorted = faults_;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Fault& a, const Fault& b) { return a.line < b.line; });
    return sorted;
}

QString Fault::Line() const
{
    QString place = file;
    if (line > 0)
        place += QLatin1Char(':') + QString::number(line);
    if (key.isEmpty())
        return QStringLiteral("%1: %2").arg(place, text);
    return QStringLiteral("%1: %2: %3").arg(place, key, text);
}

} // namespace product
