#include "product/ProductCheck.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

// Page 2 of the product: blink.mot for the 3048F at 16 MHz, 2000 bytes of data sent in 2048.
product::Product BlinkOnPage2()
{
    product::Image image;
    image.file = QStringLiteral("/line/images/blink.mot");
    image.cpuCode = 0;
    image.clockMHz = 16.0f;
    image.dataEnd = 1999;
    image.sendEnd = 2047;
    image.dataBytes = 2000;
    product::Product product;
    product.pages.push_back({1, image});
    return product;
}

// The record a unit keeps after that write, as the unit itself fills it in.
PageInfo BlinkRecord()
{
    PageInfo record;
    record.status = 1;
    record.cpu = 0;
    record.clockHz = 16000000;
    std::memcpy(record.name.data(), "blinkmot    ", record.name.size());
    record.sizeBytes = 2048;
    return record;
}

struct CheckRow {
    const char* what;
    std::function<void(std::optional<PageInfo>&)> change;
    std::optional<product::Field> differs; // none: page 2 matches
};

const CheckRow kCheckRows[] = {
    {"bytes received", [](auto&) {}, std::nullopt},
    {"up to the last byte that is not 0xFF", [](auto& r) { r->sizeBytes = 2000; }, std::nullopt},
    {"the unit's own last name byte", [](auto& r) { r->name.back() = 0; }, std::nullopt},
    {"fewer bytes than the data", [](auto& r) { r->sizeBytes = 1999; }, product::Field::Size},
    {"more bytes than were sent", [](auto& r) { r->sizeBytes = 2049; }, product::Field::Size},
    {"another clock", [](auto& r) { r->clockHz = 20000000; }, product::Field::Clock},
    {"another CPU", [](auto& r) { r->cpu = 5; }, product::Field::Cpu},
    {"another name", [](auto& r) { r->name[0] = 'B'; }, product::Field::Name},
    {"empty page", [](auto& r) { r->status = 0; }, product::Field::Status},
    {"page not read", [](auto& r) { r.reset(); }, product::Field::Status},
};

void PrintTo(const CheckRow& row, std::ostream* out)
{
    *out << row.what;
}

class ProductCheckTest : public ::testing::TestWithParam<CheckRow> {};

TEST_P(ProductCheckTest, judgesOnlyTheListedPage)
{
    PageRecords records;
    records[1] = BlinkRecord();
    GetParam().change(records[1]);
    // Page 3 holds something else entirely: the product does not list it, so it is shown only.
    records[2] = BlinkRecord();
    records[2]->clockHz = 1;
    const product::UnitCheck check = product::CheckUnit(BlinkOnPage2(), records);

    EXPECT_TRUE(check.pages[2].differences.empty());
    EXPECT_FALSE(check.pages[2].expected.has_value());
    EXPECT_EQ(check.pages[2].record->clockHz, 1u);
    const auto& differences = check.pages[1].differences;
    if (!GetParam().differs) {
        EXPECT_TRUE(differences.empty()) << differences.front().found.toStdString();
        EXPECT_TRUE(check.HoldsProduct());
        return;
    }
    ASSERT_EQ(differences.size(), 1u);
    EXPECT_EQ(differences.front().field, *GetParam().differs);
    EXPECT_FALSE(check.HoldsProduct());
}

INSTANTIATE_TEST_SUITE_P(Rows, ProductCheckTest, ::testing::ValuesIn(kCheckRows),
                         [](const auto& info) {
                             std::string name = info.param.what;
                             for (char& c : name)
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

} // namespace
