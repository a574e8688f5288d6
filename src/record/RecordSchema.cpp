#include "record/RecordSchema.h"

#include "record/RunRow.h"

namespace record {

namespace {

// Numbers are BIGINT, signed 64 bits in both databases: serial numbers up to 2^63-1.
// `state` is "reserved", "done" or "void"; the process that reserved is named so that a
// reservation it left behind can be told from one it still holds.
const char* const kSerialsTable =
    "CREATE TABLE serials ("
    " product TEXT NOT NULL,"
    " serial BIGINT NOT NULL,"
    " step BIGINT NOT NULL,"
    " state TEXT NOT NULL CHECK (state IN ('reserved', 'done', 'void')),"
    " station TEXT NOT NULL,"
    " boot_id TEXT NOT NULL,"
    " pid BIGINT NOT NULL,"
    " start_ticks BIGINT NOT NULL,"
    " reserved_at TEXT NOT NULL,"
    " finished_at TEXT,"
    " PRIMARY KEY (product, serial))";

// The version the record carries; none when it has no tables yet.
std::optional<int> versionOf(QSqlDatabase& db, Dialect dialect, Failure* failure)
{
    std::optional<QSqlQuery> query =
        Run(db, dialect, QStringLiteral("SELECT MAX(version) FROM schema_version"), {}, failure);
    if (!query || !query->next() || query->value(0).isNull())
        return std::nullopt;
    return query->value(0).toInt();
}

bool refuseNewer(int version, Failure* failure)
{
    failure->text = QStringLiteral("the record was made by a newer Corvane-Host (schema version %1; this one knows "
                                   "up to %2)")
                        .arg(version)
                        .arg(kSchemaVersion);
    failure->conflict = false;
    return false;
}

bool createTables(QSqlDatabase& db, Dialect dialect, Failure* failure)
{
    if (!Run(db, dialect, QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER PRIMARY KEY)"),
             {}, failure))
        return false;
    Failure absent;
    if (const std::optional<int> version = versionOf(db, dialect, &absent))
        return *version <= kSchemaVersion || refuseNewer(*version, failure);
    return Run(db, dialect, QString::fromLatin1(kSerialsTable), {}, failure) &&
           Run(db, dialect, RunsTableSql(), {}, failure) &&
           Run(db, dialect, QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"), {kSchemaVersion},
               failure);
}

} // namespace

bool EnsureSchema(QSqlDatabase& db, Dialect dialect, QString* reason)
{
    // Most opens find the tables: they need no write, nor the right to create tables.
    Failure absent;
    if (const std::optional<int> version = versionOf(db, dialect, &absent)) {
        Failure refusal;
        if (*version <= kSchemaVersion || refuseNewer(*version, &refusal))
            return true;
        *reason = refusal.text;
        return false;
    }
    return InWriteTransaction(
        db, dialect, Hold::Schema, [&](Failure* failure) { return createTables(db, dialect, failure); }, reason);
}

} // namespace record
