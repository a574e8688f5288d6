#pragma once

#include "unitsim/UnitEngine.h"
#include "unitsim/UnitMemory.h"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// A unit engine with its memory, fed the way the driver feeds it.
struct EngineHarness {
    explicit EngineHarness(unitsim::Timing timing = {}) : engine(memory, timing) {}
    explicit EngineHarness(const unitsim::Faults& faults) : engine(memory) { engine.SetFaults(faults); }
    EngineHarness(const EngineHarness&) = delete; // the engine holds on to the memory

    std::vector<unitsim::Action> Feed(std::string_view text)
    {
        for (char c : text)
            engine.Feed(static_cast<uint8_t>(c));
        return engine.TakeActions();
    }
    std::vector<unitsim::Action> Feed(const std::vector<uint8_t>& bytes)
    {
        engine.Feed(bytes);
        return engine.TakeActions();
    }
    // Only what goes on the line, all replies in a row.
    std::string Say(std::string_view text) { return Sent(Feed(text)); }
    std::string Say(const std::vector<uint8_t>& bytes) { return Sent(Feed(bytes)); }

    static std::string Sent(const std::vector<unitsim::Action>& actions)
    {
        std::string text;
        for (const auto& action : actions) {
            if (action.kind == unitsim::Action::Kind::Send)
                text.append(action.bytes.begin(), action.bytes.end());
        }
        return text;
    }

    unitsim::UnitMemory memory;
    unitsim::UnitEngine engine;
};

namespace unitsim {
// Readable actions in failure messages.
inline void PrintTo(const Action& action, std::ostream* out)
{
    static const char* kNames[] = {"Send", "Pause", "SetSpeed", "AwaitHostSpeed", "Persist", "HangUp"};
    *out << kNames[static_cast<int>(action.kind)];
    if (action.kind == Action::Kind::Send)
        *out << " \"" << std::string(action.bytes.begin(), action.bytes.end()) << "\"";
    else
        *out << " " << action.value;
}
} // namespace unitsim
