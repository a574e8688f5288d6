#pragma once

// What corvane-flash keeps in the production record: a row for every unit's run, and for a
// product that numbers its THRU targets, each target's own number, reserved before its run.

#include "cli/Commands.h"
#include "cli/LogFile.h"
#include "product/Product.h"
#include "record/Record.h"

#include <QJsonObject>
#include <QTextStream>

#include <memory>

namespace cli {

// The serial rule this command's runs follow: a product's THRU runs with a rule; nullptr else.
const product::SerialRule* SerialRuleFor(const Invocation& inv, const product::Product* product);
// The record the command keeps: --record, else the default for runs that take numbers; empty
// when the command keeps none.
QString RecordWhere(const Invocation& inv, const product::Product* product);
// Opened before any port opens; nullptr after saying why on `err`.
std::unique_ptr<record::Record> OpenRecord(const QString& where, QTextStream& err);
record::NumberRange NumberRangeOf(const product::SerialRule& rule);

// A unit's run as it ends: the log's line and the record's row.
class RunRecords {
public:
    RunRecords(const Invocation& inv, LogFile* log, record::Record* record) : inv_(inv), log_(log), record_(record) {}
    // Whether there is anything to keep: the caller makes no record for nothing.
    bool Keeps() const { return log_ != nullptr || record_ != nullptr; }
    // False, said on standard error, when the log or the record did not take it.
    bool Add(const QJsonObject& logRecord, Streams& streams) const;

private:
    const Invocation& inv_;
    LogFile* log_;
    record::Record* record_;
};

// The next number of `rule` before any port opens: nullopt after saying why (the record failed,
// or the numbers are used up).
std::optional<record::Outlook> NumbersLeft(record::Record& record, const product::Product& product,
                                           const product::SerialRule& rule, QTextStream& err);

// Each THRU target's number: committed as reserved before its run's first block and placed in
// its image; done when the run is done, void otherwise.
class TargetNumbers {
public:
    TargetNumbers(record::Record& record, const product::Product& product, const product::SerialRule& rule)
        : record_(record), product_(product), rule_(rule) {}

    // Between the unit's check and its run. False stops the write with status 4 after saying why.
    bool Reserve(FlashSession& session, WriteSummary& summary, QTextStream& err) const;
    // As the run ended; a number the record could not end makes the unit's status 4.
    void Finish(WriteSummary& summary, QTextStream& err) const;

private:
    record::Record& record_;
    const product::Product& product_;
    const product::SerialRule& rule_;
};

} // namespace cli
