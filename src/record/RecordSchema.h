#pragma once

#include "record/RecordTransaction.h"

namespace record {

// The version of the tables this build writes. A record of a newer version is refused: an older
// build could break rules it does not know.
constexpr int kSchemaVersion = 1;

// Creates the tables on a record's first use (several processes may try at once: one makes
// them, the others wait and find them), or checks that the record's version is one this build
// knows.
bool EnsureSchema(QSqlDatabase& db, Dialect dialect, QString* reason);

} // namespace record
