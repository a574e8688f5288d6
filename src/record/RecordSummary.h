#pragma once

#include "record/Record.h"
#include "record/RecordTransaction.h"

namespace record {

// One number of the serials table, as the summary reads them: in order of product, then serial.
struct SerialRow {
    QString product;
    quint64 serial = 0;
    quint64 step = 1;
    QString state; // "reserved", "done", "void"
};

// Runs of consecutive numbers in one state: a number follows the one before it when it is that
// number plus the step it was reserved with.
QList<ProductSerials> SpansOf(const QList<SerialRow>& rows);

std::optional<Summary> ReadSummary(QSqlDatabase& db, Dialect dialect, QString* reason);

} // namespace record
