#pragma once

// corvane-flash's results on standard output: the JSON documents and their text forms.

#include "main/PageReading.h"
#include "transfer/ImageLoading.h"
#include "transfer/PagePlan.h"
#include "transfer/TransferRun.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace cli {

// A write's result for one unit, as printed.
struct WriteSummary {
    QString port;
    int16_t pageNo = 1;
    // How the run went; a write that stopped before the run began is stopped with the memory
    // check's stopping row, or cancelled.
    RunReport report;
    int exit = 0;
    double seconds = 0;
    std::optional<PageRecords> pages; // after the run; nullopt: not read
    std::optional<QString> imageSha256; // the image the run sends; nullopt: never loaded
    std::optional<quint64> serial;      // the THRU target's own number, placed in its image
};
// "done", "stopped" or "cancelled".
QString ResultWord(const WriteSummary& write);
// The code of the message that stopped the write ("ERR 102"); empty when none did.
QString StoppingCode(const WriteSummary& write);
// The run stopped at its image load, whose fault says what and where.
bool StoppedByImage(const WriteSummary& write);

// The plan of a dry run, as printed.
struct PlanSummary {
    int16_t pageNo = 1;
    PageRecords pages;
    std::optional<imagebuf::ImageLoad> image; // nullopt: no load was tried (the unit did not answer)
    PagePlan plan;
    std::optional<QString> imageSha256;
};

// Columns padded to the widest cell, two blanks apart; the last column is not padded.
QString TextTable(const QList<QStringList>& rows);

QJsonValue PageValue(int16_t pageNo); // "1".."4" as numbers, or "thru"
QJsonArray PagesJson(const PageRecords& pages);
QJsonObject InfoJson(const QString& port, const PageRecords& pages);
QJsonObject PlanJson(const PlanSummary& plan);
QJsonObject WriteJson(const WriteSummary& write);
// A worker's WriteJson read back: the run's ending (its result, stopping message, status),
// speed, erased pages, blocks, time and digests. The image's format and fault and the pages
// stay in the document. Nothing for a document that is no write's result.
std::optional<WriteSummary> ReadWriteJson(const QJsonObject& json);
// A gang's units as their workers told them.
QJsonObject GangJson(const QList<QJsonObject>& units);
QString JsonText(const QJsonObject& object); // indented, ending in a line feed

// The memory view as a table.
QString PagesText(const PageRecords& pages);
QString PlanText(const PlanSummary& plan);
QString WriteText(const WriteSummary& write);
// One row per unit: port, result, code, exit status, erased pages, blocks, seconds.
QString GangText(const QList<WriteSummary>& units);
// "code  name  listed", then one row per catalogue entry.
QString CpusText();
// {"cpus": [{"code": n, "name": text, "listed": bool}, …]}
QJsonObject CpusJson();

} // namespace cli
