#include "record/RecordLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

namespace record {

namespace {

// How long an SQLite writer waits for another process's transaction before it gives up: the
// record's transactions last milliseconds, so only a stuck process makes anyone wait this long.
constexpr int kSQLiteBusyTimeoutMs = 20000;
// A server that does not answer stops the command after this long, not after libpq's default
// of waiting for ever; a connection string may name its own.
constexpr int kConnectTimeoutS = 10;

bool isPostgresUrl(const QString& where)
{
    return where.startsWith(QLatin1String("postgresql://")) || where.startsWith(QLatin1String("postgres://"));
}

bool isKeywordString(const QString& where)
{
    const qsizetype equals = where.indexOf(QLatin1Char('='));
    const qsizetype slash = where.indexOf(QLatin1Char('/'));
    return equals >= 0 && (slash < 0 || equals < slash);
}

// A value as QPSQL hands it on inside its own connection string, where ';' parts options.
bool appendOption(Location& location, const QString& key, const QString& value, QString* reason)
{
    if (value.contains(QLatin1Char(';'))) {
        *reason = QStringLiteral("the record's option %1 holds a ';', which the connection cannot carry").arg(key);
        return false;
    }
    QString text = value;
    if (text.isEmpty() || text.contains(QLatin1Char(' ')) || text.contains(QLatin1Char('\'')) ||
        text.contains(QLatin1Char('\\'))) {
        text.replace(QLatin1String("\\"), QLatin1String("\\\\")).replace(QLatin1String("'"), QLatin1String("\\'"));
        text = QLatin1Char('\'') + text + QLatin1Char('\'');
    }
    if (!location.options.isEmpty())
        location.options += QLatin1Char(';');
    location.options += key + QLatin1Char('=') + text;
    return true;
}

bool takeKey(Location& location, const QString& key, const QString& value, QString* reason)
{
    if (key == QLatin1String("host")) {
        location.host = value;
    } else if (key == QLatin1String("dbname")) {
        location.database = value;
    } else if (key == QLatin1String("user")) {
        location.user = value;
    } else if (key == QLatin1String("password")) {
        location.password = value;
    } else if (key == QLatin1String("port")) {
        bool ok = false;
        const int port = value.toInt(&ok);
        if (!ok || port < 1 || port > 65535) {
            *reason = QStringLiteral("the record's port \"%1\" is not a port number").arg(value);
            return false;
        }
        location.port = port;
    } else {
        return appendOption(location, key, value, reason);
    }
    return true;
}

// One value of a libpq keyword string from `at`: bare up to a blank, or in single quotes with
// backslash escapes.
std::optional<QString> keywordValue(const QString& text, qsizetype& at)
{
    QString value;
    if (at < text.size() && text[at] == QLatin1Char('\'')) {
        for (++at; at < text.size() && text[at] != QLatin1Char('\''); ++at) {
            if (text[at] == QLatin1Char('\\') && at + 1 < text.size())
                ++at;
            value += text[at];
        }
        if (at >= text.size())
            return std::nullopt;
        ++at;
        return value;
    }
    while (at < text.size() && !text[at].isSpace())
        value += text[at++];
    return value;
}

bool parseKeywords(const QString& text, Location& location, QString* reason)
{
    static const QRegularExpression keyPattern(QStringLiteral("\\G\\s*([A-Za-z_]+)\\s*=\\s*"));
    qsizetype at = 0;
    while (at < text.size()) {
        if (text.mid(at).trimmed().isEmpty())
            break;
        const QRegularExpressionMatch key = keyPattern.match(text, at);
        if (!key.hasMatch()) {
            *reason = QStringLiteral("the record \"%1\" is not a connection string of key=value pairs").arg(text);
            return false;
        }
        at = key.capturedEnd();
        const std::optional<QString> value = keywordValue(text, at);
        if (!value) {
            *reason = QStringLiteral("the record \"%1\" has a quote that does not end").arg(text);
            return false;
        }
        if (!takeKey(location, key.captured(1), *value, reason))
            return false;
    }
    return true;
}

// By pattern, not QUrl: libpq's URLs put a socket folder in the host as %2F…, which QUrl refuses.
bool parseUrl(const QString& text, Location& location, QString* reason)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^postgres(?:ql)?://(?:([^:@/]*)(?::([^@/]*))?@)?(\\[[^\\]]*\\]|[^:/?]*)(?::([^/?]*))?(?:/([^?]*))?(?:\\?(.*))?$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        *reason = QStringLiteral("the record \"%1\" is not postgresql://[USER[:PASSWORD]@]HOST[:PORT]/DBNAME").arg(text);
        return false;
    }
    const auto decoded = [&](int n) { return QUrl::fromPercentEncoding(match.captured(n).toUtf8()); };
    location.user = decoded(1);
    location.password = decoded(2);
    location.host = decoded(3);
    if (location.host.startsWith(QLatin1Char('[')))
        location.host = location.host.mid(1, location.host.size() - 2);
    location.database = decoded(5);
    if (match.capturedLength(4) > 0 && !takeKey(location, QStringLiteral("port"), decoded(4), reason))
        return false;
    const QUrlQuery query(match.captured(6));
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded))
        if (!takeKey(location, key, value, reason))
            return false;
    return true;
}

bool hasOption(const Location& location, const QString& key)
{
    for (const QString& option : location.options.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (option.section(QLatin1Char('='), 0, 0).trimmed() == key)
            return true;
    return false;
}

std::optional<QSqlDatabase> openedOrReason(QSqlDatabase db, QString* reason)
{
    if (db.open())
        return db;
    *reason = db.lastError().text().trimmed();
    return std::nullopt;
}

std::optional<QSqlDatabase> connectSQLite(const Location& location, const QString& name, QString* reason)
{
    const QString folder = QFileInfo(location.database).absolutePath();
    if (!QDir().mkpath(folder)) {
        *reason = QStringLiteral("cannot make the record's folder %1").arg(folder);
        return std::nullopt;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(location.database);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kSQLiteBusyTimeoutMs));
    std::optional<QSqlDatabase> opened = openedOrReason(db, reason);
    if (!opened)
        *reason = QStringLiteral("cannot open the record %1: %2").arg(location.database, *reason);
    return opened;
}

std::optional<QSqlDatabase> connectPostgres(const Location& location, const QString& name, QString* reason)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setDatabaseName(location.database);
    db.setHostName(location.host);
    if (location.port)
        db.setPort(*location.port);
    db.setUserName(location.user);
    db.setPassword(location.password);
    QString options = location.options;
    if (!hasOption(location, QStringLiteral("connect_timeout")))
        options += (options.isEmpty() ? QString() : QStringLiteral(";")) +
                   QStringLiteral("connect_timeout=%1").arg(kConnectTimeoutS);
    db.setConnectOptions(options);
    std::optional<QSqlDatabase> opened = openedOrReason(db, reason);
    if (!opened)
        *reason = QStringLiteral("cannot reach the record's server: %1").arg(*reason);
    return opened;
}

} // namespace

std::optional<Location> ParseLocation(const QString& where, QString* reason)
{
    Location location;
    if (where.trimmed().isEmpty()) {
        *reason = QStringLiteral("the record is named by an empty text");
        return std::nullopt;
    }
    if (!isPostgresUrl(where) && !isKeywordString(where)) {
        location.database = where;
        return location;
    }
    location.kind = Location::Kind::PostgreSQL;
    const bool parsed = isPostgresUrl(where) ? parseUrl(where, location, reason)
                                             : parseKeywords(where, location, reason);
    if (!parsed)
        return std::nullopt;
    return location;
}

std::optional<QSqlDatabase> Connect(const Location& location, const QString& name, QString* reason)
{
    const bool sqlite = location.kind == Location::Kind::SQLite;
    const QString driver = sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        *reason = QStringLiteral("Qt's %1 driver is not installed (Debian: %2)")
                      .arg(driver, sqlite ? QLatin1String("libqt6sql6-sqlite") : QLatin1String("libqt6sql6-psql"));
        return std::nullopt;
    }
    return sqlite ? connectSQLite(location, name, reason) : connectPostgres(location, name, reason);
}

} // namespace record
