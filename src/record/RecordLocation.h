#pragma once

#include <QString>

#include <optional>

class QSqlDatabase;

namespace record {

// Where a record lives, as a `--record` value names it.
struct Location {
    enum class Kind { SQLite, PostgreSQL };
    Kind kind = Kind::SQLite;
    QString database; // SQLite: the file; PostgreSQL: the database name
    QString host;     // a name, an address or a Unix-socket folder (starts with '/')
    std::optional<int> port;
    QString user;
    QString password;
    QString options; // further libpq keys, "key=value;key=value" as QPSQL takes them
};

// A file path is SQLite; postgresql://[USER[:PASSWORD]@]HOST[:PORT]/DBNAME[?key=value&…]
// (percent-encoded parts, %2Ftmp%2Fpg a socket folder) or a libpq "key=value …" string, told by
// a '=' before any '/', is PostgreSQL.
std::optional<Location> ParseLocation(const QString& where, QString* reason);

// A connection by `name`, opened; its error in `reason` when it will not open.
std::optional<QSqlDatabase> Connect(const Location& location, const QString& name, QString* reason);

} // namespace record
