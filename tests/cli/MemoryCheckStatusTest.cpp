// A memory check that stops early ends info, plan and write alike: with the status of the
// message that stopped it, never 0, and with nothing erased or written. A THRU write's one
// query stops it the same way, long before the header's wait.
#include "FlashProcess.h"

#include "support/SimulatedUnit.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct QueryFault {
    const char* name;
    unitsim::Faults faults;
    int status;
    const char* code; // the message the check stopped with
};

unitsim::Faults vanishingAtPage1(bool hangUp)
{
    unitsim::Faults faults;
    faults.vanishAtQueryPage = 0;
    faults.hangUpOnVanish = hangUp;
    return faults;
}

unitsim::Faults garbledPage1()
{
    unitsim::Faults faults;
    faults.badRecordSumPage = 0;
    return faults;
}

class MemoryCheckStatus : public FlashProcessTest {};

TEST_F(MemoryCheckStatus, AFaultInThePageQueriesEndsEveryCommandAlike)
{
    const QueryFault cases[] = {
        {"no answer", vanishingAtPage1(false), 7, "ERR 201"},
        {"garbled record", garbledPage1(), 8, "ERR 200"},
        {"adapter pulled", vanishingAtPage1(true), 8, "ERR 202"},
    };
    const QString file = image("PROG.MOT", 256);
    for (const QueryFault& c : cases) {
        const QStringList commands[] = {{"info"}, {"plan", file}, {"write", file}, {"write", file, "--page", "thru"}};
        for (const QStringList& command : commands) {
            unitsim::Options options;
            options.faults = c.faults;
            SimulatedUnit unit(1, options);
            const Ran ran = run(command + QStringList{"--port", "1", "--cpu", "3048f", "--clock", "16", "--quiet", "--yes"});
            const std::string what = std::string(c.name) + ", " + command.join(' ').toStdString() + ": " + ran.err.toStdString();
            EXPECT_EQ(ran.status, c.status) << what;
            EXPECT_TRUE(ran.err.contains(c.code)) << what;
            const std::vector<std::string> lines = unit->CommandLines();
            EXPECT_TRUE(std::none_of(lines.begin(), lines.end(), [](const std::string& line) {
                return line.rfind("C303", 0) == 0 || line.rfind("C012", 0) == 0 || line.rfind("CF0740", 0) == 0;
            })) << what;
            EXPECT_EQ(unit->BlocksReceived(), 0) << what;
        }
    }
}

} // namespace
