// corvane-flash ports: Com1 to Com8 as the window resolves them, and --set / --unset making and
// removing the ComN link, an address of a remote port included.
#include "cli/Options.h"
#include "cli/PortsCommand.h"
#include "cli/Program.h"
#include "link/PortTarget.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

using namespace cli;

struct Ran {
    int status;
    QString out, err;
};

Ran ports(const QStringList& arguments)
{
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    Streams streams{outStream, errStream, false, false, [] { return std::nullopt; }, [] { return 0.0; }};
    const int status = RunProgram(QStringList{"ports"} + arguments, streams, {}, {});
    return {status, out, err};
}

QJsonObject comPort(const Ran& ran, int n)
{
    return QJsonDocument::fromJson(ran.out.toUtf8()).object().value("ports").toArray().at(n - 1).toObject();
}

TEST(PortsCommand, SetAndUnsetPointComNAtADeviceOrARemotePort)
{
    const QString url = QStringLiteral("rfc2217://[::1]:3001");
    const Ran set = ports({"--set", "com2", url, "--json"});
    ASSERT_EQ(set.status, 0) << set.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(set.out.toUtf8()).object().value("ports").toArray().size(), 8);
    EXPECT_EQ(comPort(set, 2), (QJsonObject{{"port", "Com2"}, {"target", url}, {"kind", "remote"},
                                            {"present", QJsonValue::Null}}));
    // The command's --port follows the link as the window does.
    EXPECT_EQ(ResolvePort("2")->device, url);

    ASSERT_EQ(ports({"--set", "2", "/dev/null"}).status, 0);
    const Ran device = ports({"--json"});
    EXPECT_EQ(comPort(device, 2), (QJsonObject{{"port", "Com2"}, {"target", "/dev/null"}, {"kind", "device"},
                                               {"present", true}}));

    ASSERT_EQ(ports({"--unset", "2"}).status, 0);
    EXPECT_EQ(comPort(ports({"--json"}), 2).value("kind").toString(), "fallback");
    EXPECT_EQ(PortTargetOf(2), "/dev/ttyS1");
}

// The new link is made beside the old one: a link that cannot be made (here a target longer
// than a link can hold, which no permission lets through) leaves the old one as it was.
TEST(PortsCommand, ALinkThatCannotBeMadeKeepsTheOldOne)
{
    ASSERT_EQ(ports({"--set", "3", "/dev/null"}).status, 0);
    const Ran failed = ports({"--set", "3", "/" + QString(5000, 'a')});
    EXPECT_EQ(failed.status, 4);
    EXPECT_TRUE(failed.err.contains("cannot make")) << failed.err.toStdString();
    EXPECT_EQ(PortTargetOf(3), "/dev/null");
    ASSERT_EQ(ports({"--unset", "3"}).status, 0);
}

TEST(PortsCommand, BadPortsAndTargetsAreUsageErrors)
{
    for (const QStringList& arguments : {QStringList{"--set", "9", "/dev/ttyUSB0"}, {"--set", "2", "rfc2217://host"},
                                         {"--set", "2", "ttyUSB0"}, {"--set", "2", "/dev/tty\x1b[2J"},
                                         {"--set", "2", "/dev/ttyUSB0\nrm"}, {"--unset", "0"}, {"--bogus"}})
        EXPECT_EQ(ports(arguments).status, 2) << arguments.join(' ').toStdString();
    EXPECT_FALSE(ResolvePort("rfc2217://host")) << "an address without its port";
    EXPECT_EQ(ResolvePort("rfc2217://bench-7:3001")->device, "rfc2217://bench-7:3001");
}

} // namespace
