// The run core is not part of this library yet: no session can be made, and the commands that
// talk to a unit say so instead of pretending.
#include "cli/FlashSession.h"

namespace cli {

std::unique_ptr<FlashSession> CreateFlashSession(const FlashChoices&, SessionFront&, bool)
{
    return nullptr;
}

} // namespace cli
