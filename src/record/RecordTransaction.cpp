#include "record/RecordTransaction.h"

#include <QSqlError>
#include <QStringList>

namespace record {

namespace {

constexpr int kTries = 8;
// Any number the record's own: it only names the advisory lock of the tables' making.
constexpr qint64 kSchemaLockKey = 0x436F7276616E65; // "Corvane"

bool isConflict(const QSqlError& error, Dialect dialect)
{
    const QString code = error.nativeErrorCode();
    if (dialect == Dialect::SQLite) {
        // SQLITE_BUSY and SQLITE_LOCKED, in their extended forms too (the low byte).
        bool ok = false;
        const int primary = code.toInt(&ok) & 0xFF;
        return ok && (primary == 5 || primary == 6);
    }
    static const QStringList conflicts = {
        QStringLiteral("23505"), // unique_violation
        QStringLiteral("40001"), // serialization_failure
        QStringLiteral("40P01"), // deadlock_detected
        QStringLiteral("55P03"), // lock_not_available
    };
    return conflicts.contains(code);
}

void fail(const QSqlError& error, Dialect dialect, Failure* failure)
{
    failure->text = error.text().trimmed();
    failure->conflict = isConflict(error, dialect);
}

bool exec(QSqlDatabase& db, Dialect dialect, const QString& sql, Failure* failure)
{
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    fail(query.lastError(), dialect, failure);
    return false;
}

bool begin(QSqlDatabase& db, Dialect dialect, Hold hold, Failure* failure)
{
    if (dialect == Dialect::SQLite)
        return exec(db, dialect, QStringLiteral("BEGIN IMMEDIATE"), failure);
    if (!exec(db, dialect, QStringLiteral("BEGIN"), failure))
        return false;
    switch (hold) {
    case Hold::Nothing:
        return true;
    case Hold::Serials:
        // SHARE ROW EXCLUSIVE conflicts with itself and with every writer of the table, and not
        // with readers: one reservation at a time, Look and Summarize never wait.
        return exec(db, dialect, QStringLiteral("LOCK TABLE serials IN SHARE ROW EXCLUSIVE MODE"), failure);
    case Hold::Schema:
        // There is no table to lock before the first: the server's advisory lock, held to the
        // transaction's end, lets one process make the tables while the others wait to find them.
        return exec(db, dialect, QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kSchemaLockKey), failure);
    }
    return false;
}

} // namespace

std::optional<QSqlQuery> Run(QSqlDatabase& db, Dialect dialect, const QString& sql, const QVariantList& values,
                             Failure* failure)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // QPSQL prepares a statement as PREPARE … AS, which takes no CREATE: a statement without
    // values goes as it is.
    if (values.isEmpty()) {
        if (query.exec(sql))
            return query;
        fail(query.lastError(), dialect, failure);
        return std::nullopt;
    }
    if (!query.prepare(sql)) {
        fail(query.lastError(), dialect, failure);
        return std::nullopt;
    }
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        fail(query.lastError(), dialect, failure);
        return std::nullopt;
    }
    return query;
}

bool InWriteTransaction(QSqlDatabase& db, Dialect dialect, Hold hold, const std::function<bool(Failure*)>& body,
                        QString* reason)
{
    Failure failure;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        failure = {};
        if (begin(db, dialect, hold, &failure) && body(&failure) &&
            exec(db, dialect, QStringLiteral("COMMIT"), &failure))
            return true;
        Failure ignored;
        exec(db, dialect, QStringLiteral("ROLLBACK"), &ignored);
        if (!failure.conflict)
            break;
    }
    *reason = failure.conflict ? QStringLiteral("the record stayed busy with other writers: %1").arg(failure.text)
                               : failure.text;
    return false;
}

} // namespace record
