#pragma once

#include <QJsonObject>
#include <QString>
#include <QVariantList>

namespace record {

// The runs table, one row per run, one column per field of the log's record.
QString RunsTableSql();
QString InsertRunSql();
// The values for InsertRunSql from a log record; absent and null fields are NULL, arrays and
// objects compact JSON text, numbers in text columns (`page`) their JSON text. `station` stands in for an
// absent host.
QVariantList RunValues(const QJsonObject& logRecord, const QString& station);

} // namespace record
