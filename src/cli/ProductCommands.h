#pragma once

// write, plan and check of a product file: each of its pages one run as write makes it, and
// the units' pages set beside what the product writes there.

#include "cli/CheckOutput.h"
#include "cli/Commands.h"
#include "cli/Options.h"
#include "cli/ProductionRecord.h"
#include "product/Product.h"
#include "product/ProductRuns.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>

#include <functional>
#include <memory>
#include <optional>

namespace cli {

// The product --product names, read and checked; nullopt after its faults, one line each on `err`.
std::optional<product::Product> ReadProductOf(const Invocation& inv, QTextStream& err);

// The invocation of one run: the run's file, CPU, clock and page over the command's own.
Invocation RunInvocation(const Invocation& inv, const product::Product& product, const product::Run& run);

// One run of a unit's product write, with when it began and ended.
struct ProductRun {
    WriteSummary summary;
    QDateTime start, end;
};

// One unit's write of the whole product: its runs until the first that failed, and the check
// of its pages after the last.
struct ProductWrite {
    QList<ProductRun> runs;
    std::optional<CheckSummary> check; // nullopt: a run failed
    int exit = 0;
};

// Hears each run as it ends, with the run's invocation; may change its status (a record lost).
using RunEnded = std::function<void(const Invocation& run, ProductRun& ran)>;

// A THRU run takes its target's number from `numbers` where the product numbers its targets.
ProductWrite WriteProduct(const Invocation& inv, const product::Product& product, const SessionMaker& makeSession,
                          CliFront& front, Streams& streams, const RunEnded& ended,
                          const TargetNumbers* numbers = nullptr);

// {"product": …, "port", "result", "code", "exit", "erased", "blocks", "seconds", "runs": [as write, with
// "start" and "end"], "check": as check or null}; the fields of write sum up the runs, so that a gang
// reads it as a write.
QJsonObject ProductWriteJson(const product::Product& product, const QString& port, const ProductWrite& write);
QString ProductWriteText(const product::Product& product, const QString& port, const ProductWrite& write);
// Each run of a gang's units as its worker told it: port, page, result, code, exit, blocks, serial.
QString ProductRunsText(const QList<QJsonObject>& told);
// "product: NAME (FILE, sha256 1a2b3c4d5e6f)"
QString ProductLine(const product::Product& product);

// The log's records of a unit's product write as a worker told it: one per run, with
// "product" and "product_sha256"; one for a worker that told nothing.
QList<QJsonObject> ProductLogRecords(const QJsonObject& told, const Invocation& inv, const product::Product& product,
                                     const PortSpec& port, const QDateTime& start, const QDateTime& end);
// A run's log record with the product's name and digest.
QJsonObject WithProduct(QJsonObject record, const product::Product& product);

// plan --product: each run's plan against the unit's pages as they are; a numbered THRU run's
// with the number it would take from `record`.
int RunProductPlan(const Invocation& inv, const product::Product& product, const SessionMaker& makeSession,
                   Streams& streams, record::Record* record);
// check --product: each unit's memory check and its pages beside the product's.
int RunProductCheck(const Invocation& inv, const product::Product& product, const SessionMaker& makeSession,
                    Streams& streams);

} // namespace cli
