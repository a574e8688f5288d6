#include "record/RunRow.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

namespace record {

namespace {

enum class Kind { Text, Integer, Real, Json };

struct Column {
    const char* field;  // the log record's key
    const char* column; // where a name is a keyword of SQL, another
    Kind kind;
};

// field             column            kind
constexpr Column kColumns[] = {
    {"start",          "started",        Kind::Text},
    {"end",            "ended",          Kind::Text},
    {"host",           "host",           Kind::Text},
    {"user",           "user_name",      Kind::Text},
    {"device",         "device",         Kind::Text},
    {"usb_serial",     "usb_serial",     Kind::Text},
    {"port",           "port",           Kind::Text},
    {"product",        "product",        Kind::Text},
    {"product_sha256", "product_sha256", Kind::Text},
    {"file",           "file",           Kind::Text},
    {"file_sha256",    "file_sha256",    Kind::Text},
    {"image_sha256",   "image_sha256",   Kind::Text},
    {"format",         "format",         Kind::Text},
    {"cpu",            "cpu",            Kind::Text},
    {"cpu_code",       "cpu_code",       Kind::Integer},
    {"clock_hz",       "clock_hz",       Kind::Integer},
    {"page",           "page",           Kind::Text}, // a number, or "thru"
    {"speed",          "speed",          Kind::Integer},
    {"result",         "result",         Kind::Text},
    {"code",           "code",           Kind::Text},
    {"exit",           "exit_status",    Kind::Integer},
    {"erased",         "erased",         Kind::Json},
    {"blocks",         "blocks",         Kind::Integer},
    {"bytes",          "bytes",          Kind::Integer},
    {"seconds",        "seconds",        Kind::Real},
    {"fault",          "fault",          Kind::Json},
    {"pages",          "pages",          Kind::Json},
    {"serial",         "serial",         Kind::Integer},
};

const char* typeOf(Kind kind)
{
    switch (kind) {
    case Kind::Integer: return "BIGINT";
    case Kind::Real: return "DOUBLE PRECISION";
    default: return "TEXT";
    }
}

QVariant nullOf(Kind kind)
{
    switch (kind) {
    case Kind::Integer: return QVariant(QMetaType::fromType<qint64>());
    case Kind::Real: return QVariant(QMetaType::fromType<double>());
    default: return QVariant(QMetaType::fromType<QString>());
    }
}

QString compact(const QJsonValue& value)
{
    const QJsonDocument document = value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    return QString::fromUtf8(document.toJson(QJsonDocument::Compact));
}

QString textOf(const QJsonValue& value)
{
    if (value.isString())
        return value.toString();
    if (value.isArray() || value.isObject())
        return compact(value);
    return QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
}

// A number where the record expects one; text columns keep whatever the log said, as text.
QVariant valueOf(const QJsonValue& value, Kind kind)
{
    if (value.isNull() || value.isUndefined())
        return nullOf(kind);
    switch (kind) {
    case Kind::Integer: {
        // toInteger gives its default for a number that is no 64-bit integer: two defaults tell.
        const qint64 integer = value.toInteger(0);
        return integer == value.toInteger(1) ? QVariant(integer) : nullOf(kind);
    }
    case Kind::Real:
        return value.isDouble() ? QVariant(value.toDouble()) : nullOf(kind);
    default:
        return textOf(value);
    }
}

} // namespace

QString RunsTableSql()
{
    QStringList columns;
    for (const Column& c : kColumns)
        columns << QStringLiteral("%1 %2").arg(QLatin1String(c.column), QLatin1String(typeOf(c.kind)));
    return QStringLiteral("CREATE TABLE runs (%1)").arg(columns.join(QStringLiteral(", ")));
}

QString InsertRunSql()
{
    QStringList columns, marks;
    for (const Column& c : kColumns) {
        columns << QLatin1String(c.column);
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO runs (%1) VALUES (%2)")
        .arg(columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
}

QVariantList RunValues(const QJsonObject& logRecord, const QString& station)
{
    QVariantList values;
    for (const Column& c : kColumns) {
        QJsonValue value = logRecord.value(QLatin1String(c.field));
        if (QLatin1String(c.field) == QLatin1String("host") && (value.isNull() || value.isUndefined()))
            value = station;
        values << valueOf(value, c.kind);
    }
    return values;
}

} // namespace record
