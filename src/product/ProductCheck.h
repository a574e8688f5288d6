#pragma once

// The check of a unit against a product: for every page the product lists, the unit's record
// beside the record the product's write leaves there. The unit cannot read its flash back, so
// the records are all there is to compare: which image a page took, for which CPU and clock,
// and how many bytes.

#include "main/PageReading.h"
#include "product/Product.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace product {

// What a page's record holds after the product's write of `image`: what its header and its
// blocks send. Units count the size their own way, the bytes received or up to the last byte
// that is not erased flash, so any size between the two is the image's.
struct ExpectedRecord {
    uint8_t cpu = 0;
    uint32_t clockHz = 0;
    QByteArray name;        // the name bytes the header sends
    uint32_t sizeLeast = 0; // up to the image's last byte that is not erased flash
    uint32_t sizeMost = 0;  // the bytes sent
};
ExpectedRecord ExpectedRecordOf(const Image& image);

enum class Field { Status, Cpu, Clock, Name, Size };
// "status", "cpu", "clock", "name", "size"
QString FieldName(Field field);

struct Difference {
    Field field;
    QString expected; // "holds data", "3048F", "16000000", "main3048fmo", "2048 to 2176"
    QString found;    // "empty", "SH7045", "24576000", …; "not read" for a page the check never read
};

struct PageCheck {
    int page = 1;                           // 1..4
    std::optional<ExpectedRecord> expected; // the product lists the page, so it is judged
    std::optional<PageInfo> record;         // nullopt: not read
    std::vector<Difference> differences;    // none for a page the product does not list
};

struct UnitCheck {
    std::array<PageCheck, Proto::kPageCount> pages;
    // Every page the product lists matches.
    bool HoldsProduct() const;
};

UnitCheck CheckUnit(const Product& product, const PageRecords& records);

// A record's fields as the check shows them, for pages judged and not judged alike.
QString CpuText(uint8_t code);   // the catalogue name, else "code 80"
QString NameText(const QByteArray& name); // the bytes in the unit's code page, as they are

} // namespace product
