#pragma once

// check --product's result for one unit: the unit's pages beside what the product writes
// there, as a table or as JSON.

#include "main/PageReading.h"
#include "product/ProductCheck.h"

#include <QJsonObject>
#include <QString>

#include <optional>

namespace cli {

struct CheckSummary {
    QString port;
    PageRecords pages;                      // as the memory check read them
    std::optional<product::UnitCheck> check; // nullopt: the memory check did not read every page
    int exit = 0;
};

// {"name": …, "file": absolute path, "sha256": the product file's digest}
QJsonObject ProductJson(const product::Product& product);
// {"port", "exit", "holds": bool or null, "pages": [{"page", "listed", "record": as info,
// "differences": [{"field", "expected", "found"}]}]}
QJsonObject CheckJson(const CheckSummary& check);
// "port: Com1", then one row per page: the unit's record and how it compares.
QString CheckText(const CheckSummary& check);

} // namespace cli
