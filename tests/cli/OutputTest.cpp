#include "FakeSession.h"

#include "cli/Commands.h"
#include "cli/Output.h"

#include <QJsonDocument>
#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace cli;

namespace {

QString compact(const QJsonObject& o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

PageRecords samplePages()
{
    QStringEncoder cp932(Proto::kCodePage);
    const QByteArray name = cp932.encode(QString::fromUtf8("ﾃｽﾄ.mot"));
    return {FullPage(0, 16000000, name, 2048), EmptyPage(), std::nullopt, std::nullopt};
}

} // namespace

TEST(CliExitStatus, AStopWithoutAMessageOfTheTableIsNeverSuccess)
{
    EXPECT_EQ(ExitStatusOf(RunReport{}, false), 8);
    RunReport refused;
    refused.questionRefused = true;
    EXPECT_EQ(ExitStatusOf(refused, false), 6);
    EXPECT_EQ(ExitStatusOf(refused, true), 10);
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
    s.image = imagebuf::ImageLoad{};
    s.image->format = imagebuf::ImageFormat::Elf;
    s.image->result = IMAGEBUF_LOADED;
    s.image->dataEnd = 0x20000;
    s.plan.upper.question = PagePlan::Question{QString::fromUtf8("ページを跨ぐデータ"), QString::fromUtf8(" 3ページを消去します")};
    s.plan.upper.erase = {2};
    s.pages = samplePages();
    const QJsonObject o = PlanJson(s);
    EXPECT_EQ(o.keys(), (QStringList{"blocks", "data_end", "erase", "fault", "file_sha256", "format", "image_sha256",
                                     "page", "pages", "questions",
                                     "refused", "send_end"}));
    EXPECT_EQ(o["page"].toInt(), 2);
    EXPECT_EQ(o["format"].toString(), "elf");
    EXPECT_TRUE(o["fault"].isNull());
    EXPECT_EQ(o["send_end"].toInt(), 0x2007F);
    EXPECT_EQ(o["blocks"].toInt(), 0x20080 / 32);
    EXPECT_TRUE(o["refused"].isNull());
    EXPECT_EQ(compact(QJsonObject{{"q", o["questions"]}, {"e", o["erase"]}}),
              QString::fromUtf8(R"({"e":[3],"q":[" 3ページを消去します"]})"));

    s.pageNo = 8;
    s.plan = {};
    s.plan.refusal = &Messages::kErr402;
    EXPECT_EQ(PlanJson(s)["page"].toString(), "thru");
    EXPECT_EQ(PlanJson(s)["refused"].toString(), "ERR 402");
    s.image->result = IMAGEBUF_BEYOND_IMAGE;
    s.image->fault = {imagebuf::FaultReason::OutsideImage, imagebuf::FaultPlace::Segment, 3, 0x3FFFFF00u,
                      "data at 0x3FFFFF00 lies outside the image (0x00000-0x7FFFF)"};
    EXPECT_TRUE(PlanJson(s)["data_end"].isNull());
    EXPECT_EQ(compact(PlanJson(s)["fault"].toObject()),
              R"j({"address":1073741568,"number":3,"place":"segment","reason":"data at 0x3FFFFF00 lies outside the )j"
              R"j(image (0x00000-0x7FFFF)","text":"segment 3: data at 0x3FFFFF00 lies outside the image (0x00000-0x7FFFF)"})j");
}

TEST(CliJson, WriteShapeAndTheGangsDocumentOfWorkerResults)
{
    WriteSummary w;
    w.port = "/dev/ttyUSB0";
    w.report.result = RunReport::Result::Done;
    w.pageNo = 0;
    w.report.blockBaud = 38400;
    w.report.erasedPages = {2, 3};
    w.report.blocksAccepted = 4100;
    w.seconds = 12.34567;
    w.pages = samplePages();
    const QJsonObject o = WriteJson(w);
    EXPECT_EQ(o.keys(), (QStringList{"blocks", "bytes", "code", "erased", "exit", "fault", "file_sha256", "format",
                                     "image_sha256", "page", "pages", "port", "result", "seconds", "serial", "speed"}));
    EXPECT_TRUE(o["serial"].isNull());
    EXPECT_EQ(o["result"].toString(), "done");
    EXPECT_EQ(o["bytes"].toInteger(), 4100 * 32);
    EXPECT_TRUE(o["code"].isNull());
    EXPECT_DOUBLE_EQ(o["seconds"].toDouble(), 12.346);

    w.pages.reset();
    w.report.result = RunReport::Result::Stopped;
    w.report.stoppedRow = &Messages::kErr102;
    w.exit = 9;
    EXPECT_TRUE(WriteJson(w)["pages"].isNull());
    EXPECT_EQ(WriteJson(w)["result"].toString(), "stopped");
    EXPECT_EQ(WriteJson(w)["code"].toString(), "ERR 102");
    EXPECT_EQ(GangJson({WriteJson(w), o})["units"].toArray().size(), 2);
    const QStringList rows = GangText({*ReadWriteJson(WriteJson(w)), *ReadWriteJson(o)}).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[1].split(' ', Qt::SkipEmptyParts),
              (QStringList{"/dev/ttyUSB0", "stopped", "ERR", "102", "9", "2,3", "4100", "12.3"}));
}

TEST(CliText, CpusListsNamedEntriesWithTheirListing)
{
    const QStringList lines = CpusText().split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines[0], "code  name  listed");
    EXPECT_EQ(lines.size(), 1 + 76);
    EXPECT_EQ(lines[1], "0  3048F  yes");
    EXPECT_TRUE(lines.contains("46  SH7047  no"));
    EXPECT_TRUE(lines.contains("67  2638F  no"));
    EXPECT_TRUE(lines.contains("75  2612F  yes"));
    for (const QString& line : lines.mid(1))
        EXPECT_EQ(line.split(' ', Qt::SkipEmptyParts).size(), 3) << line.toStdString();
}

TEST(CliJson, CpusShape)
{
    const QJsonArray cpus = CpusJson()["cpus"].toArray();
    ASSERT_EQ(cpus.size(), 76);
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
