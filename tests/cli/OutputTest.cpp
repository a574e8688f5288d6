#include "FakeSession.h"

#include "cli/ExitStatus.h"
#include "cli/Output.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace cli;

namespace {

QString compact(const QJsonObject& o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

std::array<std::optional<PageView>, 4> samplePages()
{
    return {FullPage("3048F", 0, 16000000, QString::fromUtf8("ﾃｽﾄ.mot     "), 2048), EmptyPage(), std::nullopt,
            std::nullopt};
}

} // namespace

TEST(CliExitStatus, EveryCodeHasItsStatus)
{
    const struct {
        const char* code;
        const char* text;
        int status;
    } rows[] = {
        {"OPEN ERROR", "/dev/ttyS0: Permission denied.\nAdd your user…", 3},
        {"OPEN ERROR", "Comﾎﾟｰﾄが使用できません", 3},
        {"OPEN ERROR", "ﾌｧｲﾙが開けません", 4},
        {"ERR 001", " 12行にﾁｪｯｸｻﾑｴﾗｰを検出しました", 4},
        {"ERR 002", " 3行にﾃﾞｰﾀ異常を検出しました", 4},
        {"ERR 400", "", 5}, {"ERR 401", "", 5}, {"ERR 402", "", 5},
        {"ERR 020", "", 7}, {"ERR 021", "", 7}, {"ERR 030", "", 7}, {"ERR 040", "", 7}, {"ERR 201", "", 7},
        {"ERR 220", "", 7},
        {"ERR 010", "", 8}, {"ERR 011", "", 8}, {"ERR 012", "", 8}, {"ERR 013", "", 8}, {"ERR 031", "", 8},
        {"ERR 041", "", 8}, {"ERR 200", "", 8}, {"ERR 202", "", 8},
        {"ERR 100", "", 9}, {"ERR 101", "", 9}, {"ERR 102", "", 9}, {"ERR 110", "", 9},
        {"既に起動しています", "", 0},
        {"ERR 999", "", 8}, // unknown: a stop, never success
    };
    for (const auto& row : rows)
        EXPECT_EQ(ExitStatusFor(QString::fromUtf8(row.code), QString::fromUtf8(row.text)), row.status) << row.code;
}

TEST(CliJson, InfoShape)
{
    EXPECT_EQ(compact(InfoJson("Com1", samplePages())),
              QString::fromUtf8(R"({"pages":[{"clock_hz":16000000,"cpu":"3048F","cpu_code":0,"empty":false,)"
                                R"("name":"ﾃｽﾄ.mot     ","page":1,"size":2048},{"empty":true,"page":2},null,null],)"
                                R"("port":"Com1"})"));
}

TEST(CliJson, PlanShape)
{
    PlanSummary s;
    s.pageNo = 1;
    s.loaded = true;
    s.plan.dataEnd = 0x20000;
    s.plan.sendEnd = 0x2007F;
    s.plan.questions = {{QString::fromUtf8("ページを跨ぐデータ"), QString::fromUtf8(" 3ページを消去します")}};
    s.plan.erase = {2};
    s.pages = samplePages();
    const QJsonObject o = PlanJson(s);
    EXPECT_EQ(o.keys(), (QStringList{"blocks", "data_end", "erase", "page", "pages", "questions", "refused", "send_end"}));
    EXPECT_EQ(o["page"].toInt(), 2);
    EXPECT_EQ(o["blocks"].toInt(), 0x20080 / 32);
    EXPECT_TRUE(o["refused"].isNull());
    EXPECT_EQ(compact(QJsonObject{{"q", o["questions"]}, {"e", o["erase"]}}),
              QString::fromUtf8(R"({"e":[3],"q":[" 3ページを消去します"]})"));

    s.pageNo = 8;
    s.plan = {};
    s.plan.loaded = true;
    s.plan.refusal = "ERR 402";
    EXPECT_EQ(PlanJson(s)["page"].toString(), "thru");
    EXPECT_EQ(PlanJson(s)["refused"].toString(), "ERR 402");
    s.loaded = false;
    EXPECT_TRUE(PlanJson(s)["data_end"].isNull());
}

TEST(CliJson, WriteShapeAndItsRoundTripThroughAWorker)
{
    WriteSummary w;
    w.port = "/dev/ttyUSB0";
    w.result = "done";
    w.pageNo = 0;
    w.speed = 38400;
    w.erased = {2, 3};
    w.blocks = 4100;
    w.seconds = 12.34567;
    w.pages = samplePages();
    const QJsonObject o = WriteJson(w);
    EXPECT_EQ(o.keys(), (QStringList{"blocks", "bytes", "code", "erased", "exit", "page", "pages", "port", "result",
                                     "seconds", "speed"}));
    EXPECT_EQ(o["bytes"].toInteger(), 4100 * 32);
    EXPECT_TRUE(o["code"].isNull());
    EXPECT_DOUBLE_EQ(o["seconds"].toDouble(), 12.346);
    EXPECT_EQ(compact(WriteJson(WriteSummaryFromJson(o))), compact(o));

    w.pages.reset();
    w.result = "stopped";
    w.code = "ERR 102";
    w.exit = 9;
    EXPECT_TRUE(WriteJson(w)["pages"].isNull());
    EXPECT_EQ(WriteJson(w)["code"].toString(), "ERR 102");
    EXPECT_EQ(GangJson({w, w})["units"].toArray().size(), 2);
}

TEST(CliText, CpusListsNamedEntriesWithTheirListing)
{
    const QStringList lines = CpusText().split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines[0], "code  name  listed");
    EXPECT_EQ(lines.size(), 1 + 75); // 76 codes, 67 has no name
    EXPECT_EQ(lines[1], "0  3048F  yes");
    EXPECT_TRUE(lines.contains("46  SH7047  no"));
    EXPECT_TRUE(lines.contains("75  2612F  yes"));
    for (const QString& line : lines.mid(1))
        EXPECT_EQ(line.split(' ', Qt::SkipEmptyParts).size(), 3) << line.toStdString();
}

TEST(CliJson, CpusShape)
{
    const QJsonArray cpus = CpusJson()["cpus"].toArray();
    ASSERT_EQ(cpus.size(), 75);
    EXPECT_EQ(compact(cpus[0].toObject()), R"({"code":0,"listed":true,"name":"3048F"})");
}

TEST(CliText, PagesAsTheMemoryViewShowsThem)
{
    const QStringList lines = PagesText(samplePages()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[0].startsWith("page  cpu"));
    EXPECT_EQ(lines[1].split(' ', Qt::SkipEmptyParts).mid(0, 4), (QStringList{"1", "3048F", "16.0000", QString::fromUtf8("ﾃｽﾄ.mot")}));
    EXPECT_TRUE(lines[2].contains("------") && lines[2].contains("----"));
    EXPECT_TRUE(lines[3].contains("(not read)"));
}
