#pragma once

#include "cli/Commands.h"
#include "cli/FlashSession.h"
#include "cli/Options.h"

#include <functional>
#include <memory>

namespace cli {

// One command of corvane-flash from its arguments to its exit status. `workerProgram` is what a
// gang write starts once per port (corvane-flash itself).
int RunProgram(const QStringList& arguments, Streams& streams, const SessionMaker& makeSession,
               const QString& workerProgram);

// The arguments a gang's worker gets for one port.
QStringList WorkerArguments(const Invocation& inv, const PortSpec& port);

} // namespace cli
