#include "cli/CheckOutput.h"

#include "cli/Output.h"
#include "main/PageRecord.h"

#include <QJsonArray>
#include <QStringList>

namespace cli {

namespace {

QString differenceText(const product::Difference& d)
{
    const bool quoted = d.field == product::Field::Name;
    const auto shown = [quoted](const QString& value) {
        return quoted ? QLatin1Char('"') + value + QLatin1Char('"') : value;
    };
    return QStringLiteral("%1 %2 (product: %3)").arg(product::FieldName(d.field), shown(d.found), shown(d.expected));
}

QString verdictText(const product::PageCheck& page)
{
    if (!page.expected)
        return QStringLiteral("not listed");
    if (page.differences.empty())
        return QStringLiteral("matches");
    QStringList parts;
    for (const product::Difference& d : page.differences)
        parts.append(differenceText(d));
    return parts.join(QLatin1String("; "));
}

QStringList recordCells(const std::optional<PageInfo>& record)
{
    if (!record)
        return {QStringLiteral("(not read)"), QString(), QString(), QString()};
    if (record->status != 1)
        return {QStringLiteral("------"), QString(), QString(), QString()};
    return {product::CpuText(record->cpu), QString::number(record->clockHz),
            QLatin1Char('"') + CaptionsOf(*record).name + QLatin1Char('"'), QString::number(record->sizeBytes)};
}

} // namespace

QJsonObject ProductJson(const product::Product& product)
{
    return {{QStringLiteral("name"), product.name},
            {QStringLiteral("file"), product.file},
            {QStringLiteral("sha256"), product.sha256}};
}

QJsonObject CheckJson(const CheckSummary& s)
{
    const QJsonArray records = PagesJson(s.pages);
    QJsonArray pages;
    for (qsizetype i = 0; s.check && i < records.size(); ++i) {
        const product::PageCheck& page = s.check->pages[static_cast<size_t>(i)];
        QJsonArray differences;
        for (const product::Difference& d : page.differences)
            differences.append(QJsonObject{{QStringLiteral("field"), product::FieldName(d.field)},
                                           {QStringLiteral("expected"), d.expected},
                                           {QStringLiteral("found"), d.found}});
        pages.append(QJsonObject{{QStringLiteral("page"), page.page},
                                 {QStringLiteral("listed"), page.expected.has_value()},
                                 {QStringLiteral("record"), records[i]},
                                 {QStringLiteral("differences"), differences}});
    }
    return {{QStringLiteral("port"), s.port},
            {QStringLiteral("exit"), s.exit},
            {QStringLiteral("holds"), s.check ? QJsonValue(s.check->HoldsProduct()) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("pages"), s.check ? QJsonValue(pages) : QJsonValue(PagesJson(s.pages))}};
}

QString CheckText(const CheckSummary& s)
{
    QString out = QStringLiteral("port: %1\n").arg(s.port);
    if (!s.check)
        return out + PagesText(s.pages);
    QList<QStringList> rows{{QStringLiteral("page"), QStringLiteral("cpu"), QStringLiteral("clock(Hz)"),
                             QStringLiteral("name"), QStringLiteral("size"), QStringLiteral("check")}};
    for (const product::PageCheck& page : s.check->pages)
        rows.append(QStringList{QString::number(page.page)} + recordCells(page.record) +
                    QStringList{verdictText(page)});
    out += TextTable(rows);
    out += s.check->HoldsProduct() ? QStringLiteral("the unit holds the product\n")
                                   : QStringLiteral("the unit does not hold the product\n");
    return out;
}

} // namespace cli
