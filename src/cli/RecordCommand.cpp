#include "cli/RecordCommand.h"

#include "shared/ExitStatus.h"

namespace cli {

namespace {

QJsonArray spansJson(const QList<record::Span>& spans)
{
    QJsonArray array;
    for (const record::Span& span : spans)
        array.append(QJsonObject{{QStringLiteral("from"), static_cast<qint64>(span.from)},
                                 {QStringLiteral("to"), static_cast<qint64>(span.to)}});
    return array;
}

QJsonObject summaryJson(const record::Summary& summary)
{
    QJsonArray images, serials;
    for (const record::ImageCounts& image : summary.images)
        images.append(QJsonObject{{QStringLiteral("product"), image.product},
                                  {QStringLiteral("file_sha256"), image.fileSha256},
                                  {QStringLiteral("done"), image.done},
                                  {QStringLiteral("stopped"), image.stopped},
                                  {QStringLiteral("cancelled"), image.cancelled}});
    for (const record::ProductSerials& product : summary.serials)
        serials.append(QJsonObject{{QStringLiteral("product"), product.product},
                                   {QStringLiteral("done"), spansJson(product.done)},
                                   {QStringLiteral("void"), spansJson(product.voided)},
                                   {QStringLiteral("reserved"), spansJson(product.reserved)}});
    return {{QStringLiteral("images"), images}, {QStringLiteral("serials"), serials}};
}

QString summaryText(const record::Summary& summary)
{
    const auto orDash = [](const QString& text) { return text.isEmpty() ? QStringLiteral("-") : text; };
    QList<QStringList> images{{QStringLiteral("product"), QStringLiteral("file sha256"), QStringLiteral("done"),
                               QStringLiteral("stopped"), QStringLiteral("cancelled")}};
    for (const record::ImageCounts& image : summary.images)
        images.append({orDash(image.product), orDash(image.fileSha256.left(12)), QString::number(image.done),
                       QString::number(image.stopped), QString::number(image.cancelled)});
    QList<QStringList> serials{{QStringLiteral("product"), QStringLiteral("serials done"), QStringLiteral("void"),
                                QStringLiteral("reserved")}};
    for (const record::ProductSerials& product : summary.serials)
        serials.append({product.product, SpansText(product.done), SpansText(product.voided), SpansText(product.reserved)});
    return TextTable(images) + (summary.serials.isEmpty() ? QString() : QStringLiteral("\n") + TextTable(serials));
}

} // namespace

QString SpansText(const QList<record::Span>& spans)
{
    QStringList parts;
    for (const record::Span& span : spans)
        parts.append(span.from == span.to ? QString::number(span.from)
                                          : QStringLiteral("%1-%2").arg(span.from).arg(span.to));
    return parts.isEmpty() ? QStringLiteral("-") : parts.join(QStringLiteral(", "));
}

int RunRecordCommand(const Invocation& inv, record::Record& record, Streams& streams)
{
    QString reason;
    const std::optional<record::Summary> summary = record.Summarize(&reason);
    if (!summary) {
        streams.err << QStringLiteral("corvane-flash: cannot read the record: %1\n").arg(reason);
        streams.err.flush();
        return Exit::kFile;
    }
    streams.out << (inv.json ? JsonText(summaryJson(*summary)) : summaryText(*summary));
    streams.out.flush();
    return Exit::kDone;
}

} // namespace cli
