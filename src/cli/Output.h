#pragma once

// corvane-flash's results on standard output: the JSON documents and their text forms.

#include "cli/FlashSession.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace cli {

// A write's result for one unit, as printed.
struct WriteSummary {
    QString port;
    QString result;      // "done", "stopped" or "cancelled"
    QString code;        // first stopping code, empty for none
    int exit = 0;
    int16_t pageNo = 1;
    int32_t speed = Proto::kBaudLow; // bit/s of the blocks
    QList<int> erased;
    int32_t blocks = 0;
    double seconds = 0;
    std::optional<std::array<std::optional<PageView>, 4>> pages; // after the run; nullopt: not read
};

// The plan of a dry run, as printed.
struct PlanSummary {
    int16_t pageNo = 1;
    bool loaded = false;
    PlanOutcome plan;
    std::array<std::optional<PageView>, 4> pages;
};

QJsonValue PageValue(int16_t pageNo); // "1".."4" as numbers, or "thru"
QJsonArray PagesJson(const std::array<std::optional<PageView>, 4>& pages);
QJsonObject InfoJson(const QString& port, const std::array<std::optional<PageView>, 4>& pages);
QJsonObject PlanJson(const PlanSummary& plan);
QJsonObject WriteJson(const WriteSummary& write);
QJsonObject GangJson(const QList<WriteSummary>& units);
WriteSummary WriteSummaryFromJson(const QJsonObject& object);
QString JsonText(const QJsonObject& object); // indented, ending in a line feed

// The memory view as a table.
QString PagesText(const std::array<std::optional<PageView>, 4>& pages);
QString PlanText(const PlanSummary& plan);
QString WriteText(const WriteSummary& write);
// One row per unit: port, result, code, exit status, erased pages, blocks, seconds.
QString GangText(const QList<WriteSummary>& units);
// "code  name  listed", then one row per named catalogue entry.
QString CpusText();
// {"cpus": [{"code": n, "name": text, "listed": bool}, …]}
QJsonObject CpusJson();

} // namespace cli
