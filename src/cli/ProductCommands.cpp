#include "cli/ProductCommands.h"

#include "cli/StopSignal.h"
#include "cli/UnitRecord.h"
#include "product/ImageFile.h"
#include "shared/ExitStatus.h"

#include <QJsonArray>

namespace cli {

namespace {

CheckSummary checkOf(const QString& port, const product::Product& product, const PageRecords& pages, int readStatus)
{
    CheckSummary summary{port, pages, std::nullopt, readStatus};
    if (readStatus == Exit::kDone) {
        summary.check = product::CheckUnit(product, pages);
        summary.exit = summary.check->HoldsProduct() ? Exit::kDone : Exit::kNotProduct;
    }
    return summary;
}

// The check that ends a product write, from the memory check the last run made after it.
CheckSummary checkAfterRuns(const QString& port, const product::Product& product, const WriteSummary& last)
{
    const PageRecords pages = last.pages.value_or(PageRecords{});
    const bool allRead = std::all_of(pages.begin(), pages.end(), [](const auto& page) { return page.has_value(); });
    return checkOf(port, product, pages, allRead ? Exit::kDone : Exit::kNoAnswer);
}

QJsonObject runJson(const ProductRun& run)
{
    QJsonObject json = WriteJson(run.summary);
    json.insert(QStringLiteral("start"), UtcStamp(run.start));
    json.insert(QStringLiteral("end"), UtcStamp(run.end));
    return json;
}

std::unique_ptr<FlashSession> sessionFor(const Invocation& run, const PortSpec& port, const SessionMaker& makeSession,
                                         SessionFront& front, QTextStream& err)
{
    std::unique_ptr<FlashSession> session = makeSession(run.choices, port.fixedDevice(), run.tls, front, run.trace);
    if (!session) {
        err << "corvane-flash: this build has no run core to talk to the unit\n";
        err.flush();
    }
    return session;
}

} // namespace

std::optional<product::Product> ReadProductOf(const Invocation& inv, QTextStream& err)
{
    const product::Reading reading = product::ReadProduct(inv.product);
    for (const product::Fault& fault : reading.faults)
        err << fault.Line() << '\n';
    err.flush();
    return reading.product;
}

Invocation RunInvocation(const Invocation& inv, const product::Product& product, const product::Run& run)
{
    Invocation runInv = inv;
    runInv.choices = product::ChoicesFor(run, product, inv.choices);
    runInv.file = run.image->file;
    return runInv;
}

ProductWrite WriteProduct(const Invocation& inv, const product::Product& product, const SessionMaker& makeSession,
                          CliFront& front, Streams& streams, const RunEnded& ended, const TargetNumbers* numbers)
{
    ProductWrite write;
    FlashSession* current = nullptr;
    StopSignal stop;
    QObject::connect(&stop, &StopSignal::stopRequested, &stop, [&front, &current] {
        front.NoteStop();
        if (current != nullptr)
            current->RequestStop();
    });
    for (const product::Run& run : product::RunsOf(product, inv.thru)) {
        // The product holds the file as it was read; a file changed since is not what it names.
        std::vector<uint8_t> image;
        if (const product::ImageFileReading again = product::ReadImageFile(run.image->file, run.image->fileSha256, image);
            again.fault) {
            streams.err << QStringLiteral("corvane-flash: %1: %2\n").arg(run.image->file, *again.fault);
            streams.err.flush();
            write.exit = Exit::kFile;
            return write;
        }
        const Invocation runInv = RunInvocation(inv, product, run);
        std::unique_ptr<FlashSession> session = sessionFor(runInv, inv.ports[0], makeSession, front, streams.err);
        if (!session) {
            write.exit = Exit::kInternal;
            return write;
        }
        current = session.get();
        ProductRun ran{{}, QDateTime::currentDateTimeUtc(), {}};
        const bool numbered = numbers != nullptr && run.pageNo == kPageThru;
        BeforeRun reserve;
        if (numbered)
            reserve = [&](FlashSession& s, WriteSummary& summary) { return numbers->Reserve(s, summary, streams.err); };
        ran.summary = RunWrite(*session, front, runInv, streams, reserve);
        if (numbered)
            numbers->Finish(ran.summary, streams.err);
        ran.end = QDateTime::currentDateTimeUtc();
        current = nullptr;
        if (ended)
            ended(runInv, ran);
        write.runs.append(ran);
        // A unit whose page failed is not the product: the pages after it would only hide that.
        if (ran.summary.exit != Exit::kDone || front.StopRequested()) {
            write.exit = ran.summary.exit != Exit::kDone ? ran.summary.exit : Exit::kCancelled;
            return write;
        }
    }
    // The THRU image goes into the target, not into a page: there is nothing of it to check.
    if (write.runs.constLast().summary.pageNo == kPageThru)
        return write;
    write.check = checkAfterRuns(inv.ports[0].label, product, write.runs.constLast().summary);
    write.exit = write.check->exit;
    return write;
}

QString ProductLine(const product::Product& product)
{
    return QStringLiteral("product: %1 (%2, sha256 %3)\n").arg(product.name, product.file, product.sha256.left(12));
}

QJsonObject ProductWriteJson(const product::Product& product, const QString& port, const ProductWrite& write)
{
    QJsonArray runs, erased;
    int blocks = 0;
    double seconds = 0;
    for (const ProductRun& run : write.runs) {
        runs.append(runJson(run));
        for (int n : run.summary.report.erasedPages)
            erased.append(n);
        blocks += run.summary.report.blocksAccepted;
        seconds += run.summary.seconds;
    }
    const WriteSummary* last = write.runs.isEmpty() ? nullptr : &write.runs.constLast().summary;
    const QString code = last != nullptr ? StoppingCode(*last) : QString();
    return {{QStringLiteral("product"), ProductJson(product)},
            {QStringLiteral("port"), port},
            {QStringLiteral("result"), last != nullptr ? ResultWord(*last) : QStringLiteral("stopped")},
            {QStringLiteral("code"), code.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(code)},
            {QStringLiteral("exit"), write.exit},
            {QStringLiteral("erased"), erased},
            {QStringLiteral("blocks"), blocks},
            {QStringLiteral("seconds"), std::round(seconds * 1000) / 1000},
            {QStringLiteral("runs"), runs},
            {QStringLiteral("check"),
             write.check ? QJsonValue(CheckJson(*write.check)) : QJsonValue(QJsonValue::Null)}};
}

QString ProductWriteText(const product::Product& product, const QString& port, const ProductWrite& write)
{
    QString out = ProductLine(product);
    for (const ProductRun& run : write.runs)
        out += QStringLiteral("\n") + WriteText(run.summary);
    if (write.check)
        out += QStringLiteral("\n") + CheckText(*write.check);
    else
        out += QStringLiteral("\nport: %1\nexit: %2\n").arg(port).arg(write.exit);
    return out;
}

QString ProductRunsText(const QList<QJsonObject>& told)
{
    QList<QStringList> rows{{QStringLiteral("port"), QStringLiteral("page"), QStringLiteral("result"),
                             QStringLiteral("code"), QStringLiteral("exit"), QStringLiteral("blocks"),
                             QStringLiteral("serial")}};
    for (const QJsonObject& unit : told)
        for (const QJsonValue& run : unit.value(QStringLiteral("runs")).toArray())
            if (const std::optional<WriteSummary> s = ReadWriteJson(run.toObject())) {
                const QString code = StoppingCode(*s);
                rows.append({unit.value(QStringLiteral("port")).toString(), PageValue(s->pageNo).toVariant().toString(),
                             ResultWord(*s), code.isEmpty() ? QStringLiteral("-") : code, QString::number(s->exit),
                             QString::number(s->report.blocksAccepted),
                             s->serial ? QString::number(*s->serial) : QStringLiteral("-")});
            }
    return TextTable(rows);
}

QJsonObject WithProduct(QJsonObject record, const product::Product& product)
{
    record.insert(QStringLiteral("product"), product.name);
    record.insert(QStringLiteral("product_sha256"), product.sha256);
    return record;
}

QList<QJsonObject> ProductLogRecords(const QJsonObject& told, const Invocation& inv, const product::Product& product,
                                     const PortSpec& port, const QDateTime& start, const QDateTime& end)
{
    const std::vector<product::Run> runs = product::RunsOf(product, inv.thru);
    const QJsonArray ran = told.value(QStringLiteral("runs")).toArray();
    QList<QJsonObject> records;
    for (qsizetype i = 0; i < ran.size() && i < static_cast<qsizetype>(runs.size()); ++i) {
        const QJsonObject run = ran[i].toObject();
        const auto stamp = [&run](const char* key) {
            return QDateTime::fromString(run.value(QLatin1String(key)).toString(), Qt::ISODateWithMs);
        };
        records.append(WithProduct(LogRecord(run, RunInvocation(inv, product, runs[static_cast<size_t>(i)]), port,
                                             stamp("start"), stamp("end")),
                                   product));
    }
    // A worker that told nothing still leaves its unit a line, under the run it began with.
    if (records.isEmpty() && !runs.empty())
        records.append(
            WithProduct(LogRecord(told, RunInvocation(inv, product, runs.front()), port, start, end), product));
    return records;
}

namespace {

// The number a THRU run would take and the bytes it would place, in the plan's JSON and text.
struct SerialPlan {
    QJsonObject json;
    QString text;
};

SerialPlan serialPlan(const product::SerialRule& rule, const std::optional<record::Outlook>& outlook)
{
    const QJsonValue null(QJsonValue::Null);
    const std::optional<quint64> next = outlook ? outlook->next : std::nullopt;
    const quint64 number = next.value_or(0);
    const QByteArray bytes = next ? rule.BytesOf(number) : QByteArray();
    SerialPlan plan;
    plan.json = {{QStringLiteral("address"), rule.address},
                 {QStringLiteral("format"), QLatin1String(product::FormatName(rule.format))},
                 {QStringLiteral("next"), next ? QJsonValue(static_cast<qint64>(number)) : null},
                 {QStringLiteral("bytes"), next ? QJsonValue(QString::fromLatin1(bytes.toHex())) : null},
                 {QStringLiteral("left"), outlook ? QJsonValue(static_cast<qint64>(outlook->left)) : null},
                 {QStringLiteral("last"), static_cast<qint64>(rule.last)}};
    if (!outlook)
        plan.text = QStringLiteral("serial: the record cannot tell\n");
    else if (!next)
        plan.text = QStringLiteral("serial: used up, 0 left (last %1)\n").arg(rule.last);
    else
        plan.text = QStringLiteral("serial: next %1 at %2 (%3): %4; %5 left\n")
                        .arg(number).arg(ImageAddressText(rule.address), QLatin1String(product::FormatName(rule.format)),
                                        QString::fromLatin1(bytes.toHex(' ')).toUpper())
                        .arg(outlook->left);
    return plan;
}

} // namespace

int RunProductPlan(const Invocation& inv, const product::Product& product, const SessionMaker& makeSession,
                   Streams& streams, record::Record* record)
{
    CliFront front(inv, streams);
    QJsonArray plans;
    QString text = ProductLine(product);
    int status = Exit::kDone;
    const product::SerialRule* rule = record != nullptr ? SerialRuleFor(inv, &product) : nullptr;
    for (const product::Run& run : product::RunsOf(product, inv.thru)) {
        const Invocation runInv = RunInvocation(inv, product, run);
        std::unique_ptr<FlashSession> session = sessionFor(runInv, inv.ports[0], makeSession, front, streams.err);
        if (!session)
            return Exit::kInternal;
        std::optional<SerialPlan> numbered;
        if (rule != nullptr && run.pageNo == kPageThru) {
            const std::optional<record::Outlook> outlook = NumbersLeft(*record, product, *rule, streams.err);
            if (outlook && outlook->next)
                session->SetImagePatch({rule->address, rule->BytesOf(*outlook->next)});
            else
                status = Exit::kFile; // write would be refused before its port opens
            numbered = serialPlan(*rule, outlook);
        }
        PlanSummary summary;
        const int planned = PlanOnUnit(*session, runInv, streams, summary);
        if (status == Exit::kDone)
            status = planned;
        QJsonObject json = PlanJson(summary);
        if (numbered)
            json.insert(QStringLiteral("serial"), numbered->json);
        plans.append(json);
        text += QStringLiteral("\nfile: %1\n").arg(runInv.file) + PlanText(summary) + (numbered ? numbered->text : QString());
    }
    const QJsonObject json{{QStringLiteral("product"), ProductJson(product)}, {QStringLiteral("runs"), plans}};
    streams.out << (inv.json ? JsonText(json) : text);
    streams.out.flush();
    return status;
}

int RunProductCheck(const Invocation& inv, const product::Product& product, const SessionMaker& makeSession,
                    Streams& streams)
{
    CliFront front(inv, streams);
    QJsonArray units;
    QString text = ProductLine(product);
    int status = Exit::kDone;
    for (const PortSpec& port : inv.ports) {
        Invocation unitInv = inv;
        unitInv.choices.PortNo = port.number;
        std::unique_ptr<FlashSession> session = sessionFor(unitInv, port, makeSession, front, streams.err);
        if (!session)
            return Exit::kInternal;
        const PageReading reading = session->ReadPages();
        const CheckSummary summary = checkOf(port.label, product, reading.pages, ExitStatusOf(reading));
        if (status == Exit::kDone)
            status = summary.exit;
        units.append(CheckJson(summary));
        text += QStringLiteral("\n") + CheckText(summary);
    }
    QJsonObject json = inv.ports.size() == 1 ? units[0].toObject() : QJsonObject{{QStringLiteral("units"), units}};
    json.insert(QStringLiteral("product"), ProductJson(product));
    streams.out << (inv.json ? JsonText(json) : text);
    streams.out.flush();
    return status;
}

} // namespace cli
