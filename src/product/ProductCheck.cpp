#include "product/ProductCheck.h"

#include "main/DeviceCatalogue.h"
#include "transfer/RunStart.h"
#include "transfer/RunValues.h"

#include <QStringDecoder>

#include <algorithm>

namespace product {

namespace {

const QString kHoldsData = QStringLiteral("holds data");

QString SizeRangeText(const ExpectedRecord& expected)
{
    if (expected.sizeLeast == expected.sizeMost)
        return QString::number(expected.sizeMost);
    return QStringLiteral("%1 to %2").arg(expected.sizeLeast).arg(expected.sizeMost);
}

std::vector<Difference> DifferencesOf(const ExpectedRecord& expected, const std::optional<PageInfo>& record)
{
    if (!record)
        return {{Field::Status, kHoldsData, QStringLiteral("not read")}};
    if (record->status != 1)
        return {{Field::Status, kHoldsData, QStringLiteral("empty")}};
    std::vector<Difference> differences;
    if (record->cpu != expected.cpu)
        differences.push_back({Field::Cpu, CpuText(expected.cpu), CpuText(record->cpu)});
    if (record->clockHz != expected.clockHz)
        differences.push_back({Field::Clock, QString::number(expected.clockHz), QString::number(record->clockHz)});
    // The record's name is one byte longer than the header's; the unit fills that one itself.
    const QByteArray name(reinterpret_cast<const char*>(record->name.data()),
                          std::min<qsizetype>(expected.name.size(), static_cast<qsizetype>(record->name.size())));
    if (name != expected.name)
        differences.push_back({Field::Name, NameText(expected.name), NameText(name)});
    if (record->sizeBytes < expected.sizeLeast || record->sizeBytes > expected.sizeMost)
        differences.push_back({Field::Size, SizeRangeText(expected), QString::number(record->sizeBytes)});
    return differences;
}

} // namespace

ExpectedRecord ExpectedRecordOf(const Image& image)
{
    ExpectedRecord expected;
    expected.cpu = static_cast<uint8_t>(image.cpuCode);
    expected.clockHz = static_cast<uint32_t>(ClockHzOf(image.clockMHz));
    expected.name = QByteArray::fromHex(NameHexOf(NameFieldOf(FileTitleOf(image.file))).toLatin1());
    expected.sizeLeast = static_cast<uint32_t>(image.dataBytes);
    expected.sizeMost = static_cast<uint32_t>(image.sendEnd) + 1;
    return expected;
}

QString FieldName(Field field)
{
    switch (field) {
    case Field::Status:
        return QStringLiteral("status");
    case Field::Cpu:
        return QStringLiteral("cpu");
    case Field::Clock:
        return QStringLiteral("clock");
    case Field::Name:
        return QStringLiteral("name");
    case Field::Size:
        return QStringLiteral("size");
    }
    return {};
}

QString CpuText(uint8_t code)
{
    const QString name = CatalogueName(code);
    return name.isEmpty() ? QStringLiteral("code %1").arg(code) : name;
}

QString NameText(const QByteArray& name)
{
    QStringDecoder decoder(Proto::kCodePage);
    return decoder.decode(name);
}

bool UnitCheck::HoldsProduct() const
{
    return std::all_of(pages.begin(), pages.end(), [](const PageCheck& page) { return page.differences.empty(); });
}

UnitCheck CheckUnit(const Product& product, const PageRecords& records)
{
    UnitCheck check;
    for (int index = 0; index < Proto::kPageCount; ++index) {
        PageCheck& page = check.pages[static_cast<size_t>(index)];
        page.page = index + 1;
        page.record = records[static_cast<size_t>(index)];
    }
    for (const Page& listed : product.pages) {
        PageCheck& page = check.pages[static_cast<size_t>(listed.pageNo)];
        page.expected = ExpectedRecordOf(listed.image);
        page.differences = DifferencesOf(*page.expected, page.record);
    }
    return check;
}

} // namespace product
