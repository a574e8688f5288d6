#include "cli/Output.h"

#include "link/Protocol.h"
#include "main/DeviceCatalogue.h"
#include "main/PageRecord.h"
#include "shared/ExitStatus.h"
#include "shared/Module1.h"
#include "transfer/RunValues.h"

#include <QJsonDocument>
#include <QStringList>

#include <algorithm>

namespace cli {

namespace {

const QLatin1String kDoneWord("done"), kStoppedWord("stopped"), kCancelledWord("cancelled");

QString pageText(int16_t pageNo)
{
    return pageNo == kPageThru ? QStringLiteral("thru") : QString::number(pageNo + 1);
}

QJsonValue codeValue(const MessageRow* row)
{
    return row == nullptr ? QJsonValue(QJsonValue::Null) : QJsonValue(QString::fromUtf8(row->code));
}

// The message that stopped a write, as its summary names it; none unless it stopped.
const MessageRow* stoppingRow(const WriteSummary& w)
{
    return w.report.result == RunReport::Result::Stopped ? w.report.stoppedRow : nullptr;
}

QJsonValue formatValue(const imagebuf::ImageLoad& image)
{
    return image.format ? QJsonValue(QLatin1String(imagebuf::FormatName(*image.format))) : QJsonValue(QJsonValue::Null);
}

// What and where the image file's fault was; null when it loaded.
QJsonValue faultValue(const imagebuf::ImageLoad& image)
{
    if (image.Loaded())
        return QJsonValue(QJsonValue::Null);
    static const char* const kPlaces[] = {"file", "line", "segment", "header"};
    QJsonObject fault{{QStringLiteral("place"), QLatin1String(kPlaces[static_cast<int>(image.fault.place)])},
                      {QStringLiteral("reason"), QString::fromStdString(image.fault.text)},
                      {QStringLiteral("text"), QString::fromStdString(imagebuf::FaultLine(image))}};
    if (image.fault.number > 0)
        fault.insert(QStringLiteral("number"), image.fault.number);
    if (image.fault.address)
        fault.insert(QStringLiteral("address"), static_cast<qint64>(*image.fault.address));
    return fault;
}

int32_t blocksOf(int32_t sendEnd)
{
    return (sendEnd + 1) / Proto::kBlockDataBytes;
}

qint64 bytesOf(int32_t blocks)
{
    return static_cast<qint64>(blocks) * Proto::kBlockDataBytes;
}


QString numbers(const QList<int>& list)
{
    QStringList parts;
    for (int n : list)
        parts.append(QString::number(n));
    return parts.isEmpty() ? QStringLiteral("-") : parts.join(QLatin1Char(','));
}

QJsonValue digestValue(const std::optional<QString>& digest)
{
    return digest ? QJsonValue(*digest) : QJsonValue(QJsonValue::Null);
}

// The file as the load read it; nothing when no load read it.
std::optional<QString> fileDigestOf(const imagebuf::ImageLoad& image)
{
    return image.fileSha256 ? std::optional<QString>(QString::fromStdString(*image.fileSha256)) : std::nullopt;
}

// Twelve digits tell images apart on a screen; the JSON and the log carry all of them.
QString shortDigest(const std::optional<QString>& digest)
{
    return digest ? digest->left(12) : QStringLiteral("-");
}

} // namespace

QString TextTable(const QList<QStringList>& rows)
{
    QList<int> widths;
    for (const QStringList& row : rows)
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (widths.size() <= i)
                widths.append(0);
            widths[i] = std::max(widths[i], static_cast<int>(row[i].size()));
        }
    QString out;
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2) : row[i];
        // Empty cells at the end of a row leave no blanks behind.
        while (row.constLast().isEmpty() && line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        out += line + QLatin1Char('\n');
    }
    return out;
}

QJsonValue PageValue(int16_t pageNo)
{
    if (pageNo == kPageThru)
        return QStringLiteral("thru");
    return pageNo + 1;
}

bool StoppedByImage(const WriteSummary& w)
{
    const MessageRow* row = stoppingRow(w);
    return row != nullptr && row == ImageFaultOf(w.report.image.result) &&
           w.report.image.fault.reason != imagebuf::FaultReason::None;
}

QString StoppingCode(const WriteSummary& w)
{
    const MessageRow* row = stoppingRow(w);
    return row != nullptr ? QString::fromUtf8(row->code) : QString();
}

QString ResultWord(const WriteSummary& w)
{
    if (w.report.result == RunReport::Result::Done)
        return kDoneWord;
    return w.exit == Exit::kCancelled ? kCancelledWord : kStoppedWord;
}

QJsonArray PagesJson(const PageRecords& pages)
{
    QJsonArray array;
    for (size_t i = 0; i < pages.size(); ++i) {
        const std::optional<PageInfo>& page = pages[i];
        if (!page) {
            array.append(QJsonValue(QJsonValue::Null));
            continue;
        }
        const bool empty = page->status != 1;
        QJsonObject entry{{QStringLiteral("page"), static_cast<int>(i) + 1}, {QStringLiteral("empty"), empty}};
        if (!empty) {
            const PageCaptions captions = CaptionsOf(*page);
            entry.insert(QStringLiteral("cpu"), captions.cpu);
            entry.insert(QStringLiteral("cpu_code"), page->cpu);
            entry.insert(QStringLiteral("clock_hz"), static_cast<qint64>(page->clockHz));
            entry.insert(QStringLiteral("name"), captions.name);
            entry.insert(QStringLiteral("size"), static_cast<qint64>(page->sizeBytes));
        }
        array.append(entry);
    }
    return array;
}

QJsonObject InfoJson(const QString& port, const PageRecords& pages)
{
    return {{QStringLiteral("port"), port}, {QStringLiteral("pages"), PagesJson(pages)}};
}

QJsonObject PlanJson(const PlanSummary& s)
{
    QJsonArray questions, erase;
    for (const PagePlan::Question& q : s.plan.questions())
        questions.append(q.text);
    for (int16_t n : s.plan.erase())
        erase.append(n + 1);
    const QJsonValue null(QJsonValue::Null);
    const bool loaded = s.image && s.image->Loaded();
    const int32_t sendEnd = loaded ? SendEndOf(s.image->dataEnd) : 0;
    return {
        {QStringLiteral("page"), PageValue(s.pageNo)},
        {QStringLiteral("format"), s.image ? formatValue(*s.image) : null},
        {QStringLiteral("fault"), s.image ? faultValue(*s.image) : null},
        {QStringLiteral("data_end"), loaded ? QJsonValue(s.image->dataEnd) : null},
        {QStringLiteral("send_end"), loaded ? QJsonValue(sendEnd) : null},
        {QStringLiteral("blocks"), loaded ? QJsonValue(blocksOf(sendEnd)) : null},
        {QStringLiteral("refused"), codeValue(s.plan.refusal)},
        {QStringLiteral("questions"), questions},
        {QStringLiteral("erase"), erase},
        {QStringLiteral("pages"), PagesJson(s.pages)},
        {QStringLiteral("file_sha256"), digestValue(s.image ? fileDigestOf(*s.image) : std::nullopt)},
        {QStringLiteral("image_sha256"), digestValue(s.imageSha256)},
    };
}

QJsonObject WriteJson(const WriteSummary& w)
{
    QJsonArray erased;
    for (int n : w.report.erasedPages)
        erased.append(n);
    return {
        {QStringLiteral("port"), w.port},
        {QStringLiteral("result"), ResultWord(w)},
        {QStringLiteral("code"), codeValue(stoppingRow(w))},
        {QStringLiteral("exit"), w.exit},
        {QStringLiteral("page"), PageValue(w.pageNo)},
        {QStringLiteral("format"), formatValue(w.report.image)},
        {QStringLiteral("fault"), StoppedByImage(w) ? faultValue(w.report.image) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("speed"), w.report.blockBaud},
        {QStringLiteral("erased"), erased},
        {QStringLiteral("blocks"), w.report.blocksAccepted},
        {QStringLiteral("bytes"), bytesOf(w.report.blocksAccepted)},
        {QStringLiteral("seconds"), std::round(w.seconds * 1000) / 1000},
        {QStringLiteral("pages"), w.pages ? QJsonValue(PagesJson(*w.pages)) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("file_sha256"), digestValue(fileDigestOf(w.report.image))},
        {QStringLiteral("image_sha256"), digestValue(w.imageSha256)},
        {QStringLiteral("serial"), w.serial ? QJsonValue(static_cast<qint64>(*w.serial)) : QJsonValue(QJsonValue::Null)},
    };
}

namespace {

// The table's row a told result names: its code with its status ("OPEN ERROR" names three
// rows, two of them alike in everything a summary shows).
const MessageRow* rowOf(const QString& code, int exit)
{
    for (const MessageRow* row : Messages::kTable)
        if (QString::fromUtf8(row->code) == code && row->exitStatus == exit)
            return row;
    return nullptr;
}

std::optional<QString> digestOf(const QJsonValue& value)
{
    return value.isString() ? std::optional<QString>(value.toString()) : std::nullopt;
}

} // namespace

std::optional<WriteSummary> ReadWriteJson(const QJsonObject& json)
{
    const QString result = json.value(QStringLiteral("result")).toString();
    if (!json.value(QStringLiteral("exit")).isDouble() || result.isEmpty())
        return std::nullopt;
    WriteSummary w;
    w.port = json.value(QStringLiteral("port")).toString();
    const QJsonValue page = json.value(QStringLiteral("page"));
    w.pageNo = page.isString() ? kPageThru : static_cast<int16_t>(page.toInt(1) - 1);
    w.exit = json.value(QStringLiteral("exit")).toInt();
    w.report.result = result == kDoneWord        ? RunReport::Result::Done
                      : result == kCancelledWord ? RunReport::Result::Cancelled
                                                 : RunReport::Result::Stopped;
    w.report.stoppedRow = rowOf(json.value(QStringLiteral("code")).toString(), w.exit);
    for (const QJsonValue& n : json.value(QStringLiteral("erased")).toArray())
        w.report.erasedPages.append(n.toInt());
    w.report.blockBaud = json.value(QStringLiteral("speed")).toInt(Proto::kBaudLow);
    w.report.blocksAccepted = json.value(QStringLiteral("blocks")).toInt();
    w.seconds = json.value(QStringLiteral("seconds")).toDouble();
    w.imageSha256 = digestOf(json.value(QStringLiteral("image_sha256")));
    if (const QJsonValue serial = json.value(QStringLiteral("serial")); serial.isDouble())
        w.serial = static_cast<quint64>(serial.toInteger());
    return w;
}

QJsonObject GangJson(const QList<QJsonObject>& units)
{
    QJsonArray array;
    for (const QJsonObject& unit : units)
        array.append(unit);
    return {{QStringLiteral("units"), array}};
}

QString JsonText(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
}

QString PagesText(const PageRecords& pages)
{
    QList<QStringList> rows{{QStringLiteral("page"), QStringLiteral("cpu"), QStringLiteral("clock(MHz)"),
                             QStringLiteral("file name"), QStringLiteral("size(kB)")}};
    for (size_t i = 0; i < pages.size(); ++i) {
        const QString number = QString::number(i + 1);
        if (!pages[i]) {
            rows.append({number, QStringLiteral("(not read)")});
            continue;
        }
        const PageCaptions c = CaptionsOf(*pages[i]);
        rows.append({number, c.cpu, c.clock, c.name, c.size});
    }
    return TextTable(rows);
}

QString PlanText(const PlanSummary& s)
{
    QString out = QStringLiteral("page: %1\nfile sha256: %2\n").arg(pageText(s.pageNo), shortDigest(s.image ? fileDigestOf(*s.image) : std::nullopt));
    if (s.image && s.image->format)
        out += QStringLiteral("format: %1\n").arg(QLatin1String(imagebuf::FormatName(*s.image->format)));
    if (!s.image || !s.image->Loaded())
        return out + QStringLiteral("image: not loaded\n");
    out += QStringLiteral("image sha256: %1\n").arg(shortDigest(s.imageSha256));
    const int32_t dataEnd = s.image->dataEnd;
    const int32_t sendEnd = SendEndOf(dataEnd);
    out += QStringLiteral("image: data end %1, send end %2, %3 blocks\n")
               .arg(ImageAddressText(dataEnd), ImageAddressText(sendEnd))
               .arg(blocksOf(sendEnd));
    if (s.pageNo == kPageThru) {
        out += QStringLiteral("spans: no page (thru)\n");
    } else {
        const int first = s.pageNo + 1;
        const int last = std::min(first + PagesNeeded(dataEnd) - 1, Proto::kPageCount);
        out += first == last ? QStringLiteral("spans: page %1\n").arg(first)
                             : QStringLiteral("spans: pages %1-%2\n").arg(first).arg(last);
    }
    if (s.plan.refusal != nullptr)
        out += QStringLiteral("refused: %1\n").arg(QString::fromUtf8(s.plan.refusal->code));
    for (const PagePlan::Question& q : s.plan.questions())
        out += QStringLiteral("question: %1: %2\n").arg(q.title, q.text);
    QList<int> erase;
    for (int16_t n : s.plan.erase())
        erase.append(n + 1);
    out += QStringLiteral("erase: %1\n").arg(numbers(erase));
    return out;
}

QString WriteText(const WriteSummary& w)
{
    QString out = QStringLiteral("port: %1\nresult: %2\n").arg(w.port, ResultWord(w));
    if (const MessageRow* row = stoppingRow(w))
        out += QStringLiteral("code: %1\n").arg(QString::fromUtf8(row->code));
    if (StoppedByImage(w))
        out += QStringLiteral("fault: %1\n").arg(QString::fromStdString(imagebuf::FaultLine(w.report.image)));
    if (w.report.image.format)
        out += QStringLiteral("format: %1\n").arg(QLatin1String(imagebuf::FormatName(*w.report.image.format)));
    out += QStringLiteral("exit: %1\npage: %2\nspeed: %3 bit/s\nerased: %4\n")
               .arg(w.exit)
               .arg(pageText(w.pageNo))
               .arg(w.report.blockBaud)
               .arg(numbers(w.report.erasedPages));
    out += QStringLiteral("blocks: %1 (%2 bytes) in %3 s\n")
               .arg(w.report.blocksAccepted)
               .arg(bytesOf(w.report.blocksAccepted))
               .arg(w.seconds, 0, 'f', 1);
    out += QStringLiteral("image sha256: %1\n").arg(shortDigest(w.imageSha256));
    if (w.serial)
        out += QStringLiteral("serial: %1\n").arg(*w.serial);
    if (w.pages)
        out += PagesText(*w.pages);
    return out;
}

QString GangText(const QList<WriteSummary>& units)
{
    QList<QStringList> rows{{QStringLiteral("port"), QStringLiteral("result"), QStringLiteral("code"),
                             QStringLiteral("exit"), QStringLiteral("erased"), QStringLiteral("blocks"),
                             QStringLiteral("seconds")}};
    for (const WriteSummary& u : units) {
        const QString code = StoppingCode(u);
        rows.append({u.port, ResultWord(u), code.isEmpty() ? QStringLiteral("-") : code, QString::number(u.exit),
                     numbers(u.report.erasedPages), QString::number(u.report.blocksAccepted),
                     QString::number(u.seconds, 'f', 1)});
    }
    return TextTable(rows);
}

QJsonObject CpusJson()
{
    QJsonArray cpus;
    for (int code = 0; code < kCpuCodeCount; ++code) {
        const QString name = CatalogueName(code);
        cpus.append(QJsonObject{{QStringLiteral("code"), code},
                                {QStringLiteral("name"), name},
                                {QStringLiteral("listed"), CpuListNames().contains(name)}});
    }
    return {{QStringLiteral("cpus"), cpus}};
}

QString CpusText()
{
    QString out = QStringLiteral("code  name  listed\n");
    const QStringList& listed = CpuListNames();
    for (int code = 0; code < kCpuCodeCount; ++code) {
        const QString name = CatalogueName(code);
        out += QStringLiteral("%1  %2  %3\n")
                   .arg(code)
                   .arg(name)
                   .arg(listed.contains(name) ? QStringLiteral("yes") : QStringLiteral("no"));
    }
    return out;
}

} // namespace cli
