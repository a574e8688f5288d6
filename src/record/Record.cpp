#include "record/Record.h"

#include "record/NumberRule.h"
#include "record/ProcessIdentity.h"
#include "record/RecordLocation.h"
#include "record/RecordSchema.h"
#include "record/RecordSummary.h"
#include "record/RecordTransaction.h"
#include "record/RunRow.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

namespace record {

struct Record::Connection {
    QString name;
    QSqlDatabase db;
    Dialect dialect = Dialect::SQLite;
    ProcessIdentity self = ThisProcess();

    ~Connection()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
};

namespace {

QString uniqueConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("corvane-record-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString now()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

QVariant stored(quint64 number)
{
    return QVariant(static_cast<qint64>(number));
}

// The product's highest number so far, whatever its state; outer none when the query failed.
std::optional<std::optional<quint64>> highestOf(QSqlDatabase& db, Dialect dialect, const QString& product,
                                                Failure* failure)
{
    std::optional<QSqlQuery> query =
        Run(db, dialect, QStringLiteral("SELECT MAX(serial) FROM serials WHERE product = ?"), {product}, failure);
    if (!query)
        return std::nullopt;
    if (!query->next() || query->value(0).isNull())
        return std::optional<quint64>();
    return std::optional<quint64>(query->value(0).toULongLong());
}

struct Abandoned {
    QString product;
    qint64 serial = 0;
};

std::optional<QList<Abandoned>> abandonedOf(QSqlDatabase& db, Dialect dialect, const QString& station,
                                            Failure* failure)
{
    std::optional<QSqlQuery> query = Run(db, dialect,
                                         QStringLiteral("SELECT product, serial, boot_id, pid, start_ticks FROM serials "
                                                        "WHERE state = 'reserved' AND station = ?"),
                                         {station}, failure);
    if (!query)
        return std::nullopt;
    QList<Abandoned> abandoned;
    while (query->next()) {
        const ProcessIdentity holder{station, query->value(2).toString(), query->value(3).toLongLong(),
                                     query->value(4).toLongLong()};
        if (!IsRunning(holder))
            abandoned.append({query->value(0).toString(), query->value(1).toLongLong()});
    }
    return abandoned;
}

} // namespace

Record::Record(std::unique_ptr<Connection> connection) : connection_(std::move(connection)) {}

Record::~Record() = default;

QString Record::DefaultPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Corvane-Host/record.sqlite"));
}

std::unique_ptr<Record> Record::Open(const QString& where, QString* reason)
{
    const std::optional<Location> location = ParseLocation(where, reason);
    if (!location)
        return nullptr;
    auto connection = std::make_unique<Connection>();
    connection->name = uniqueConnectionName();
    connection->dialect = location->kind == Location::Kind::SQLite ? Dialect::SQLite : Dialect::PostgreSQL;
    // The connection alone holds the database, so that its end removes it.
    if (std::optional<QSqlDatabase> db = Connect(*location, connection->name, reason))
        connection->db = *db;
    else
        return nullptr;
    if (!EnsureSchema(connection->db, connection->dialect, reason))
        return nullptr;
    std::unique_ptr<Record> record(new Record(std::move(connection)));
    if (!record->voidAbandoned(reason))
        return nullptr;
    return record;
}

// A number whose process is gone never reached a finished target, or did without being marked
// done: either way no target may get it again, and void says so.
bool Record::voidAbandoned(QString* reason)
{
    Connection& c = *connection_;
    Failure failure;
    const std::optional<QList<Abandoned>> abandoned = abandonedOf(c.db, c.dialect, c.self.station, &failure);
    if (!abandoned) {
        *reason = failure.text;
        return false;
    }
    if (abandoned->isEmpty())
        return true;
    const QString finishedAt = now();
    return InWriteTransaction(
        c.db, c.dialect, Hold::Nothing,
        [&](Failure* failure) {
            for (const Abandoned& number : *abandoned)
                if (!Run(c.db, c.dialect,
                         QStringLiteral("UPDATE serials SET state = 'void', finished_at = ? "
                                        "WHERE product = ? AND serial = ? AND state = 'reserved'"),
                         {finishedAt, number.product, number.serial}, failure))
                    return false;
            return true;
        },
        reason);
}

std::optional<Outlook> Record::Look(const QString& product, const NumberRange& range, QString* reason)
{
    if (const std::optional<QString> fault = RangeFault(range)) {
        *reason = *fault;
        return std::nullopt;
    }
    Failure failure;
    const std::optional<std::optional<quint64>> highest =
        highestOf(connection_->db, connection_->dialect, product, &failure);
    if (!highest) {
        *reason = failure.text;
        return std::nullopt;
    }
    return OutlookOf(*highest, range);
}

Reservation Record::Reserve(const QString& product, const NumberRange& range)
{
    Reservation reservation;
    if (const std::optional<QString> fault = RangeFault(range)) {
        reservation.reason = *fault;
        return reservation;
    }
    Connection& c = *connection_;
    const auto body = [&](Failure* failure) {
        reservation = {};
        const std::optional<std::optional<quint64>> highest = highestOf(c.db, c.dialect, product, failure);
        if (!highest)
            return false;
        const quint64 next = NextNumber(*highest, range);
        if (next > range.last) {
            reservation.usedUp = true;
            reservation.reason = QStringLiteral("%1 has used every serial number up to %2").arg(product).arg(range.last);
            return true;
        }
        reservation.serial = next;
        return Run(c.db, c.dialect,
                   QStringLiteral("INSERT INTO serials (product, serial, step, state, station, boot_id, pid, "
                                  "start_ticks, reserved_at) VALUES (?, ?, ?, 'reserved', ?, ?, ?, ?, ?)"),
                   {product, stored(next), stored(range.step), c.self.station, c.self.bootId, c.self.pid,
                    c.self.startTicks, now()},
                   failure)
            .has_value();
    };
    QString reason;
    if (!InWriteTransaction(c.db, c.dialect, Hold::Serials, body, &reason))
        reservation = {std::nullopt, false, reason};
    return reservation;
}

bool Record::Finish(const QString& product, quint64 serial, bool done, QString* reason)
{
    Connection& c = *connection_;
    const auto body = [&](Failure* failure) {
        std::optional<QSqlQuery> update =
            Run(c.db, c.dialect,
                QStringLiteral("UPDATE serials SET state = ?, finished_at = ? WHERE product = ? AND serial = ? "
                               "AND state = 'reserved' AND station = ? AND boot_id = ? AND pid = ? AND start_ticks = ?"),
                {done ? QStringLiteral("done") : QStringLiteral("void"), now(), product, stored(serial),
                 c.self.station, c.self.bootId, c.self.pid, c.self.startTicks},
                failure);
        if (!update)
            return false;
        if (update->numRowsAffected() == 1)
            return true;
        *failure = {QStringLiteral("serial %1 of %2 is not held reserved by this process").arg(serial).arg(product),
                    false};
        return false;
    };
    return InWriteTransaction(c.db, c.dialect, Hold::Nothing, body, reason);
}

bool Record::AddRun(const QJsonObject& logRecord, QString* reason)
{
    Connection& c = *connection_;
    const QVariantList values = RunValues(logRecord, c.self.station);
    return InWriteTransaction(
        c.db, c.dialect, Hold::Nothing,
        [&](Failure* failure) { return Run(c.db, c.dialect, InsertRunSql(), values, failure).has_value(); }, reason);
}

std::optional<Summary> Record::Summarize(QString* reason)
{
    return ReadSummary(connection_->db, connection_->dialect, reason);
}

} // namespace record
