#include "cli/Output.h"

#include "main/DeviceCatalogue.h"
#include "shared/Module1.h"

#include <QJsonDocument>
#include <QStringList>

#include <algorithm>

namespace cli {

namespace {

constexpr int kBlockDataBytes = 32;

QString pageText(int16_t pageNo)
{
    return pageNo == kPageThru ? QStringLiteral("thru") : QString::number(pageNo + 1);
}

QJsonValue codeValue(const QString& code)
{
    return code.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(code);
}

// Columns padded to the widest cell, two blanks apart; the last column is not padded.
QString table(const QList<QStringList>& rows)
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
        out += line + QLatin1Char('\n');
    }
    return out;
}

QString numbers(const QList<int>& list)
{
    QStringList parts;
    for (int n : list)
        parts.append(QString::number(n));
    return parts.isEmpty() ? QStringLiteral("-") : parts.join(QLatin1Char(','));
}

QString hexAddress(int32_t value)
{
    return QStringLiteral("0x%1").arg(static_cast<uint32_t>(value), 5, 16, QLatin1Char('0')).toUpper().replace(QLatin1String("0X"), QLatin1String("0x"));
}

} // namespace

QJsonValue PageValue(int16_t pageNo)
{
    if (pageNo == kPageThru)
        return QStringLiteral("thru");
    return pageNo + 1;
}

QJsonArray PagesJson(const std::array<std::optional<PageView>, 4>& pages)
{
    QJsonArray array;
    for (int i = 0; i < 4; ++i) {
        const std::optional<PageView>& page = pages[static_cast<size_t>(i)];
        if (!page) {
            array.append(QJsonValue(QJsonValue::Null));
            continue;
        }
        QJsonObject entry{{QStringLiteral("page"), i + 1}, {QStringLiteral("empty"), page->empty}};
        if (!page->empty) {
            entry.insert(QStringLiteral("cpu"), page->cpu);
            entry.insert(QStringLiteral("cpu_code"), page->cpuCode);
            entry.insert(QStringLiteral("clock_hz"), static_cast<qint64>(page->clockHz));
            entry.insert(QStringLiteral("name"), page->name);
            entry.insert(QStringLiteral("size"), static_cast<qint64>(page->sizeBytes));
        }
        array.append(entry);
    }
    return array;
}

QJsonObject InfoJson(const QString& port, const std::array<std::optional<PageView>, 4>& pages)
{
    return {{QStringLiteral("port"), port}, {QStringLiteral("pages"), PagesJson(pages)}};
}

QJsonObject PlanJson(const PlanSummary& s)
{
    QJsonArray questions, erase;
    for (const PlanOutcome::Question& q : s.plan.questions)
        questions.append(q.text);
    for (int16_t n : s.plan.erase)
        erase.append(n + 1);
    const QJsonValue null(QJsonValue::Null);
    return {
        {QStringLiteral("page"), PageValue(s.pageNo)},
        {QStringLiteral("data_end"), s.loaded ? QJsonValue(s.plan.dataEnd) : null},
        {QStringLiteral("send_end"), s.loaded ? QJsonValue(s.plan.sendEnd) : null},
        {QStringLiteral("blocks"), s.loaded ? QJsonValue((s.plan.sendEnd + 1) / kBlockDataBytes) : null},
        {QStringLiteral("refused"), codeValue(s.plan.refusal)},
        {QStringLiteral("questions"), questions},
        {QStringLiteral("erase"), erase},
        {QStringLiteral("pages"), PagesJson(s.pages)},
    };
}

QJsonObject WriteJson(const WriteSummary& w)
{
    QJsonArray erased;
    for (int n : w.erased)
        erased.append(n);
    return {
        {QStringLiteral("port"), w.port},
        {QStringLiteral("result"), w.result},
        {QStringLiteral("code"), codeValue(w.code)},
        {QStringLiteral("exit"), w.exit},
        {QStringLiteral("page"), PageValue(w.pageNo)},
        {QStringLiteral("speed"), w.speed},
        {QStringLiteral("erased"), erased},
        {QStringLiteral("blocks"), w.blocks},
        {QStringLiteral("bytes"), static_cast<qint64>(w.blocks) * kBlockDataBytes},
        {QStringLiteral("seconds"), std::round(w.seconds * 1000) / 1000},
        {QStringLiteral("pages"), w.pages ? QJsonValue(PagesJson(*w.pages)) : QJsonValue(QJsonValue::Null)},
    };
}

QJsonObject GangJson(const QList<WriteSummary>& units)
{
    QJsonArray array;
    for (const WriteSummary& unit : units)
        array.append(WriteJson(unit));
    return {{QStringLiteral("units"), array}};
}

WriteSummary WriteSummaryFromJson(const QJsonObject& o)
{
    WriteSummary w;
    w.port = o.value(QStringLiteral("port")).toString();
    w.result = o.value(QStringLiteral("result")).toString();
    w.code = o.value(QStringLiteral("code")).toString();
    w.exit = o.value(QStringLiteral("exit")).toInt();
    const QJsonValue page = o.value(QStringLiteral("page"));
    w.pageNo = page.isString() ? kPageThru : static_cast<int16_t>(page.toInt() - 1);
    w.speed = o.value(QStringLiteral("speed")).toInt();
    for (const QJsonValue& n : o.value(QStringLiteral("erased")).toArray())
        w.erased.append(n.toInt());
    w.blocks = o.value(QStringLiteral("blocks")).toInt();
    w.seconds = o.value(QStringLiteral("seconds")).toDouble();
    const QJsonValue pages = o.value(QStringLiteral("pages"));
    if (pages.isArray()) {
        std::array<std::optional<PageView>, 4> views;
        const QJsonArray array = pages.toArray();
        for (int i = 0; i < 4 && i < array.size(); ++i) {
            if (!array[i].isObject())
                continue;
            const QJsonObject e = array[i].toObject();
            PageView v;
            v.empty = e.value(QStringLiteral("empty")).toBool();
            v.cpu = e.value(QStringLiteral("cpu")).toString();
            v.cpuCode = e.value(QStringLiteral("cpu_code")).toInt();
            v.clockHz = static_cast<uint32_t>(e.value(QStringLiteral("clock_hz")).toInteger());
            v.name = e.value(QStringLiteral("name")).toString();
            v.sizeBytes = static_cast<uint32_t>(e.value(QStringLiteral("size")).toInteger());
            views[static_cast<size_t>(i)] = v;
        }
        w.pages = views;
    }
    return w;
}

QString JsonText(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
}

QString PagesText(const std::array<std::optional<PageView>, 4>& pages)
{
    QList<QStringList> rows{{QStringLiteral("page"), QStringLiteral("cpu"), QStringLiteral("clock(MHz)"),
                             QStringLiteral("file name"), QStringLiteral("size(kB)")}};
    for (int i = 0; i < 4; ++i) {
        const std::optional<PageView>& page = pages[static_cast<size_t>(i)];
        if (!page)
            rows.append({QString::number(i + 1), QStringLiteral("(not read)")});
        else
            rows.append({QString::number(i + 1), page->cpu, page->clock, page->name, page->size});
    }
    return table(rows);
}

QString PlanText(const PlanSummary& s)
{
    QString out = QStringLiteral("page: %1\n").arg(pageText(s.pageNo));
    if (!s.loaded)
        return out + QStringLiteral("image: not loaded\n");
    const PlanOutcome& p = s.plan;
    const int32_t blocks = (p.sendEnd + 1) / kBlockDataBytes;
    out += QStringLiteral("image: data end %1, send end %2, %3 blocks\n")
               .arg(hexAddress(p.dataEnd), hexAddress(p.sendEnd))
               .arg(blocks);
    if (s.pageNo == kPageThru) {
        out += QStringLiteral("spans: no page (thru)\n");
    } else {
        const int first = s.pageNo + 1;
        const int needed = p.dataEnd / kPageSize + 1;
        const int last = std::min(first + needed - 1, 4);
        out += first == last ? QStringLiteral("spans: page %1\n").arg(first)
                             : QStringLiteral("spans: pages %1-%2\n").arg(first).arg(last);
    }
    if (!p.refusal.isEmpty())
        out += QStringLiteral("refused: %1\n").arg(p.refusal);
    for (const PlanOutcome::Question& q : p.questions)
        out += QStringLiteral("question: %1: %2\n").arg(q.title, q.text);
    QList<int> erase;
    for (int16_t n : p.erase)
        erase.append(n + 1);
    out += QStringLiteral("erase: %1\n").arg(numbers(erase));
    return out;
}

QString WriteText(const WriteSummary& w)
{
    QString out = QStringLiteral("port: %1\nresult: %2\n").arg(w.port, w.result);
    if (!w.code.isEmpty())
        out += QStringLiteral("code: %1\n").arg(w.code);
    out += QStringLiteral("exit: %1\npage: %2\nspeed: %3 bit/s\nerased: %4\n")
               .arg(w.exit)
               .arg(pageText(w.pageNo))
               .arg(w.speed)
               .arg(numbers(w.erased));
    out += QStringLiteral("blocks: %1 (%2 bytes) in %3 s\n")
               .arg(w.blocks)
               .arg(static_cast<qint64>(w.blocks) * kBlockDataBytes)
               .arg(w.seconds, 0, 'f', 1);
    if (w.pages)
        out += PagesText(*w.pages);
    return out;
}

QString GangText(const QList<WriteSummary>& units)
{
    QList<QStringList> rows{{QStringLiteral("port"), QStringLiteral("result"), QStringLiteral("code"),
                             QStringLiteral("exit"), QStringLiteral("erased"), QStringLiteral("blocks"),
                             QStringLiteral("seconds")}};
    for (const WriteSummary& w : units)
        rows.append({w.port, w.result, w.code.isEmpty() ? QStringLiteral("-") : w.code, QString::number(w.exit),
                     numbers(w.erased), QString::number(w.blocks), QString::number(w.seconds, 'f', 1)});
    return table(rows);
}

QJsonObject CpusJson()
{
    QJsonArray cpus;
    for (int code = 0; code < kCpuCodeCount; ++code) {
        const QString name = CpuNameOf(code);
        if (!name.isEmpty())
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
        const QString name = CpuNameOf(code);
        if (name.isEmpty())
            continue;
        out += QStringLiteral("%1  %2  %3\n")
                   .arg(code)
                   .arg(name)
                   .arg(listed.contains(name) ? QStringLiteral("yes") : QStringLiteral("no"));
    }
    return out;
}

} // namespace cli
