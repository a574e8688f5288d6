#include "cli/Options.h"

#include "main/DeviceCatalogue.h"
#include "shared/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace cli;

namespace {

ParseOutcome parse(const QStringList& args)
{
    return ParseArguments(args, SavedChoices{});
}

struct BadCase {
    const char* name;
    QStringList args;
    const char* mentions; // part of the usage error
};

} // namespace

TEST(CliOptions, BadArgumentsAreUsageErrorsThatSayWhy)
{
    const QList<BadCase> cases = {
        {"no command", {}, "no command"},
        {"unknown command", {"flash"}, "unknown command 'flash'"},
        {"write without FILE", {"write"}, "write needs a FILE"},
        {"plan without FILE", {"plan"}, "plan needs a FILE"},
        {"extra argument", {"info", "x.mot"}, "unexpected argument 'x.mot'"},
        {"unknown option", {"info", "--fast"}, "Unknown option"},
        {"port 0", {"info", "--port", "0"}, "bad --port '0'"},
        {"port 9", {"info", "--port", "9"}, "bad --port '9'"},
        {"Com9", {"info", "--port", "Com9"}, "bad --port 'Com9'"},
        {"bare device name", {"info", "--port", "ttyUSB0"}, "bad --port 'ttyUSB0'"},
        {"same port twice", {"write", "f", "--port", "2", "--port", "com2"}, "a second time"},
        {"gang on info", {"info", "--port", "1", "--port", "2"}, "for write and check only"},
        {"check without a product", {"check"}, "check needs --product FILE"},
        {"FILE beside a product", {"write", "f.mot", "--product", "line.toml"}, "not both"},
        {"clock beside a product", {"plan", "--product", "line.toml", "--clock", "16"}, "--clock is the product's"},
        {"thru without a product", {"write", "f.mot", "--thru"}, "--thru is for --product only"},
        {"log on plan", {"plan", "f", "--log", "units.log"}, "--log is for write only"},
        {"empty log", {"write", "f", "--log", ""}, "--log needs a FILE"},
        {"clock 0", {"info", "--clock", "0"}, "bad --clock '0'"},
        {"clock above limit", {"info", "--clock", "99.99991"}, "bad --clock"},
        {"clock 100", {"info", "--clock", "100"}, "bad --clock"},
        {"clock negative", {"info", "--clock", "-5"}, "bad --clock"},
        {"clock exponent", {"info", "--clock", "1e1"}, "bad --clock"},
        {"clock comma", {"info", "--clock", "12,5"}, "bad --clock"},
        {"clock too small for a single", {"info", "--clock", "0.0000000000000000000000000000000000000000000001"}, "bad --clock"},
        {"page 0", {"info", "--page", "0"}, "bad --page"},
        {"page 5", {"info", "--page", "5"}, "bad --page"},
        {"speed 19200", {"info", "--speed", "19200"}, "bad --speed"},
        {"unknown cpu", {"info", "--cpu", "3O48F"}, "nearest catalogue names: 3048F"},
        {"missing value", {"info", "--port"}, "Missing value"},
    };
    for (const BadCase& c : cases) {
        const ParseOutcome outcome = parse(c.args);
        EXPECT_FALSE(outcome.invocation) << c.name;
        EXPECT_TRUE(outcome.text.contains(QString::fromUtf8(c.mentions))) << c.name << ": " << outcome.text.toStdString();
    }
}

TEST(CliOptions, GoodValuesBecomeTheRunChoices)
{
    const ParseOutcome o = parse({"write", "a.mot", "--port", "cOm3", "--cpu", "sh7045", "--clock", "12.345678",
                                  "--page", "THRU", "--speed", "38400", "--yes", "--json", "--quiet", "--trace"});
    ASSERT_TRUE(o.invocation) << o.text.toStdString();
    const Invocation& inv = *o.invocation;
    EXPECT_EQ(inv.command, Command::Write);
    EXPECT_EQ(inv.file, "a.mot");
    ASSERT_EQ(inv.ports.size(), 1);
    EXPECT_EQ(inv.ports[0].label, "Com3");
    EXPECT_EQ(inv.ports[0].number, 3);
    EXPECT_EQ(inv.ports[0].device, "/dev/ttyS2");
    EXPECT_EQ(inv.choices.CpuIndex, 29);
    EXPECT_EQ(inv.choices.ClockMHz, 12.345678f);
    EXPECT_EQ(inv.choices.PageNo, 8);
    EXPECT_EQ(inv.choices.SpeedIndex, 1);
    EXPECT_EQ(inv.choices.FilePath, "a.mot");
    EXPECT_TRUE(inv.yes && inv.json && inv.quiet && inv.trace);
    EXPECT_FALSE(inv.worker);
    EXPECT_EQ(inv.forwarded, (QStringList{"--cpu", "sh7045", "--clock", "12.345678", "--page", "THRU", "--speed",
                                          "38400", "--yes", "--trace"}));
}

TEST(CliOptions, ValueTables)
{
    // The one catalogue entry the window's list and the unit's page names leave out.
    EXPECT_EQ(FindCpuCode("2638f"), int16_t{67});
    EXPECT_EQ(ParsePage("1"), int16_t{0});
    EXPECT_EQ(ParsePage("4"), int16_t{3});
    EXPECT_EQ(ParsePage("thru"), int16_t{8});
    EXPECT_FALSE(ParsePage("01"));
    EXPECT_EQ(ParseSpeed("9600"), int16_t{0});
    EXPECT_FALSE(ParseSpeed("38.4"));
    EXPECT_EQ(ParseClock("99.9999"), 99.9999f);
    EXPECT_EQ(ParseClock(".5"), 0.5f);
    EXPECT_EQ(ParseClock("16"), 16.0f);
    EXPECT_FALSE(ParseClock(""));
    EXPECT_FALSE(ParseClock("16MHz"));
    EXPECT_EQ(FindCpuCode("3048f"), int16_t{0});
    EXPECT_EQ(FindCpuCode("SH7047"), int16_t{46}); // named, though the window's list leaves it out
    EXPECT_EQ(FindCpuCode("2612F"), int16_t{75});
    EXPECT_FALSE(FindCpuCode("3048F "));
}

TEST(CliOptions, NearestNamesComeNearestFirst)
{
    EXPECT_EQ(NearestCpuNames("3048", 2), (QStringList{"3048F", "3048BF"}));
    EXPECT_EQ(NearestCpuNames("sh7045x", 1), QStringList{"SH7045"});
    EXPECT_EQ(NearestCpuNames("2612", 1), QStringList{"2612F"});
}

TEST(CliOptions, PortsResolveLikeTheWindowsPorts)
{
    const QString ports = AppConfigFolder() + "/ports";
    ASSERT_TRUE(QDir().mkpath(ports));
    QFile::remove(ports + "/COM5");
    ASSERT_TRUE(QFile::link("/dev/ttyUSB7", ports + "/COM5"));
    EXPECT_EQ(ResolvePort("5")->device, "/dev/ttyUSB7");
    EXPECT_EQ(ResolvePort("COM5")->device, "/dev/ttyUSB7");
    EXPECT_EQ(ResolvePort("com1")->device, "/dev/ttyS0");
    EXPECT_EQ(ResolvePort("8")->device, "/dev/ttyS7");
    const std::optional<PortSpec> path = ResolvePort("/dev/serial/by-id/usb-x");
    ASSERT_TRUE(path);
    EXPECT_EQ(path->number, 0);
    EXPECT_EQ(path->label, "/dev/serial/by-id/usb-x");
    QFile::remove(ports + "/COM5");
}

TEST(CliOptions, LeftOutOptionsTakeTheSavedChoicesWithoutWritingThem)
{
    const QString file = SettingsStore::FilePath();
    QFile::remove(file);
    EXPECT_EQ(ReadStoredChoices().PortNo, 1);
    EXPECT_FALSE(QFileInfo::exists(file)) << "reading must not create the settings";

    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
    const QByteArray saved = "[Settings]\nPort=4\nCpu=29\nFreq=9.8304\nPage=8\nSpeed=1\nMainLeft=1000\n";
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(saved);
    }
    const ParseOutcome o = ParseArguments({"info"}, ReadStoredChoices());
    ASSERT_TRUE(o.invocation);
    EXPECT_EQ(o.invocation->ports[0].label, "Com4");
    EXPECT_EQ(o.invocation->choices.CpuIndex, 29);
    EXPECT_EQ(o.invocation->choices.ClockMHz, 9.8304f);
    EXPECT_EQ(o.invocation->choices.PageNo, 8);
    EXPECT_EQ(o.invocation->choices.SpeedIndex, 1);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), saved);

    // Out-of-range saved values fall back as the window falls back.
    {
        QFile w(file);
        ASSERT_TRUE(w.open(QIODevice::WriteOnly));
        w.write("[Settings]\nPort=9\nPage=5\n");
    }
    EXPECT_EQ(ReadStoredChoices().PortNo, 1);
    EXPECT_EQ(ReadStoredChoices().PageNo, 0);
    QFile::remove(file);
}

TEST(CliOptions, HelpListsEveryOptionAndVersionIsTheProjects)
{
    const ParseOutcome help = parse({"--help"});
    ASSERT_TRUE(help.invocation);
    for (const char* word : {"--port", "--cpu", "--clock", "--page", "--speed", "--yes", "--json", "--quiet",
                             "--trace", "--version", "info", "write FILE", "plan FILE", "cpus"})
        EXPECT_TRUE(help.text.contains(QLatin1String(word))) << word;
    EXPECT_FALSE(help.text.contains(QLatin1String("--worker")));
    EXPECT_EQ(parse({"--version"}).text, "corvane-flash 1.6.4\n");
}
