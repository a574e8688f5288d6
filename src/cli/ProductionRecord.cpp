#include "cli/ProductionRecord.h"

#include "product/ProductRuns.h"
#include "shared/ExitStatus.h"
#include "shared/Module1.h"

#include <QJsonDocument>

#include <algorithm>

namespace cli {

namespace {

void say(QTextStream& err, const QString& text)
{
    err << QStringLiteral("corvane-flash: ") << text << '\n';
    err.flush();
}

QString usedUpText(const product::Product& product, const product::SerialRule& rule)
{
    return QStringLiteral("%1's serial numbers are used up: the last is %2").arg(product.name).arg(rule.last);
}

} // namespace

const product::SerialRule* SerialRuleFor(const Invocation& inv, const product::Product* product)
{
    if (product == nullptr || !product->thruSerial)
        return nullptr;
    const std::vector<product::Run> runs = product::RunsOf(*product, inv.thru);
    const bool thru = std::any_of(runs.begin(), runs.end(), [](const product::Run& r) { return r.pageNo == kPageThru; });
    return thru ? &*product->thruSerial : nullptr;
}

QString RecordWhere(const Invocation& inv, const product::Product* product)
{
    if (!inv.record.isEmpty())
        return inv.record;
    // A number handed out must be kept somewhere, also where the line set up no record.
    return SerialRuleFor(inv, product) != nullptr || inv.command == Command::Record ? record::Record::DefaultPath()
                                                                                      : QString();
}

std::unique_ptr<record::Record> OpenRecord(const QString& where, QTextStream& err)
{
    QString reason;
    std::unique_ptr<record::Record> opened = record::Record::Open(where, &reason);
    if (!opened)
        say(err, QStringLiteral("cannot use the record '%1': %2").arg(where, reason));
    return opened;
}

record::NumberRange NumberRangeOf(const product::SerialRule& rule)
{
    return {rule.first, rule.step, rule.last};
}

bool RunRecords::Add(const QJsonObject& logRecord, Streams& streams) const
{
    bool kept = true;
    QString reason;
    if (log_ != nullptr && !log_->Append(QJsonDocument(logRecord).toJson(QJsonDocument::Compact), &reason)) {
        say(streams.err, QStringLiteral("the unit's record is not in the log '%1': %2").arg(inv_.log, reason));
        kept = false;
    }
    if (record_ != nullptr && !record_->AddRun(logRecord, &reason)) {
        say(streams.err, QStringLiteral("the unit's run is not in the record: %1").arg(reason));
        kept = false;
    }
    return kept;
}

std::optional<record::Outlook> NumbersLeft(record::Record& record, const product::Product& product,
                                           const product::SerialRule& rule, QTextStream& err)
{
    QString reason;
    std::optional<record::Outlook> outlook = record.Look(product.name, NumberRangeOf(rule), &reason);
    if (!outlook)
        say(err, QStringLiteral("the record cannot tell %1's next serial number: %2").arg(product.name, reason));
    else if (!outlook->next)
        say(err, usedUpText(product, rule));
    return outlook;
}

bool TargetNumbers::Reserve(FlashSession& session, WriteSummary& summary, QTextStream& err) const
{
    const record::Reservation reserved = record_.Reserve(product_.name, NumberRangeOf(rule_));
    if (!reserved.serial) {
        say(err, reserved.usedUp ? usedUpText(product_, rule_)
                                 : QStringLiteral("no serial number could be reserved: %1").arg(reserved.reason));
        summary.exit = Exit::kFile;
        return false;
    }
    summary.serial = *reserved.serial;
    session.SetImagePatch({rule_.address, rule_.BytesOf(*reserved.serial)});
    return true;
}

void TargetNumbers::Finish(WriteSummary& summary, QTextStream& err) const
{
    if (!summary.serial)
        return;
    QString reason;
    const bool done = summary.report.result == RunReport::Result::Done;
    if (record_.Finish(product_.name, *summary.serial, done, &reason))
        return;
    say(err, QStringLiteral("serial number %1 is still reserved in the record: %2").arg(*summary.serial).arg(reason));
    if (summary.exit == Exit::kDone)
        summary.exit = Exit::kFile;
}

} // namespace cli
