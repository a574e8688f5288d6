#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <functional>
#include <optional>

namespace record {

enum class Dialect { SQLite, PostgreSQL };

// Why a statement failed, and whether another writer caused it, so that a fresh try of the
// whole transaction may pass.
struct Failure {
    QString text;
    bool conflict = false;
};

// `sql` with its '?' bound to `values` in order, executed; on failure none, and `failure` says why.
std::optional<QSqlQuery> Run(QSqlDatabase& db, Dialect dialect, const QString& sql, const QVariantList& values,
                             Failure* failure);

// What a transaction takes for itself from its start on PostgreSQL, where a plain BEGIN takes
// nothing: reservers (Serials) and the makers of the tables (Schema) then wait for each other
// instead of colliding. SQLite's write lock holds everything already.
enum class Hold { Nothing, Serials, Schema };

// Runs `body` in a transaction that writes, tried again a bounded number of times when another
// writer got in the way (SQLite busy; PostgreSQL unique violation, serialization failure or
// deadlock). SQLite's BEGIN IMMEDIATE takes the write lock at once, so a try never fails half
// way for a lock it could not upgrade. False with `reason` when a try failed otherwise or every
// try met a conflict; the transaction is then rolled back.
bool InWriteTransaction(QSqlDatabase& db, Dialect dialect, Hold hold, const std::function<bool(Failure*)>& body,
                        QString* reason);

} // namespace record
