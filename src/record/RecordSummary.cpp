#include "record/RecordSummary.h"

namespace record {

namespace {

QList<Span>& spansIn(ProductSerials& serials, const QString& state)
{
    if (state == QLatin1String("done"))
        return serials.done;
    if (state == QLatin1String("void"))
        return serials.voided;
    return serials.reserved;
}

std::optional<QList<ImageCounts>> readImages(QSqlDatabase& db, Dialect dialect, Failure* failure)
{
    std::optional<QSqlQuery> query = Run(db, dialect,
                                         QStringLiteral("SELECT product, file_sha256, result, COUNT(*) FROM runs "
                                                        "GROUP BY product, file_sha256, result "
                                                        "ORDER BY product, file_sha256, result"),
                                         {}, failure);
    if (!query)
        return std::nullopt;
    QList<ImageCounts> images;
    while (query->next()) {
        const QString product = query->value(0).toString(), digest = query->value(1).toString();
        if (images.isEmpty() || images.last().product != product || images.last().fileSha256 != digest)
            images.append(ImageCounts{product, digest, 0, 0, 0});
        const QString result = query->value(2).toString();
        const int count = query->value(3).toInt();
        ImageCounts& counts = images.last();
        if (result == QLatin1String("done"))
            counts.done += count;
        else if (result == QLatin1String("stopped"))
            counts.stopped += count;
        else if (result == QLatin1String("cancelled"))
            counts.cancelled += count;
    }
    return images;
}

std::optional<QList<SerialRow>> readSerials(QSqlDatabase& db, Dialect dialect, Failure* failure)
{
    std::optional<QSqlQuery> query = Run(
        db, dialect, QStringLiteral("SELECT product, serial, step, state FROM serials ORDER BY product, serial"), {},
        failure);
    if (!query)
        return std::nullopt;
    QList<SerialRow> rows;
    while (query->next())
        rows.append({query->value(0).toString(), query->value(1).toULongLong(), query->value(2).toULongLong(),
                     query->value(3).toString()});
    return rows;
}

} // namespace

QList<ProductSerials> SpansOf(const QList<SerialRow>& rows)
{
    QList<ProductSerials> products;
    const SerialRow* previous = nullptr;
    for (const SerialRow& row : rows) {
        if (products.isEmpty() || products.last().product != row.product) {
            products.append(ProductSerials{row.product, {}, {}, {}});
            previous = nullptr;
        }
        QList<Span>& spans = spansIn(products.last(), row.state);
        const bool follows = previous && previous->state == row.state && row.serial == previous->serial + previous->step;
        if (follows)
            spans.last().to = row.serial;
        else
            spans.append({row.serial, row.serial});
        previous = &row;
    }
    return products;
}

std::optional<Summary> ReadSummary(QSqlDatabase& db, Dialect dialect, QString* reason)
{
    Failure failure;
    std::optional<QList<ImageCounts>> images = readImages(db, dialect, &failure);
    std::optional<QList<SerialRow>> serials = images ? readSerials(db, dialect, &failure) : std::nullopt;
    if (!serials) {
        *reason = failure.text;
        return std::nullopt;
    }
    return Summary{*images, SpansOf(*serials)};
}

} // namespace record
