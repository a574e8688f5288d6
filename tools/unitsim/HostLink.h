#pragma once

#include <string>

namespace unitsim {

// A symbolic link at a fixed place (such as the host's port folder) that leads to the
// simulator's current pseudo-terminal, so the host can be pointed at one name for good.

// Creates the parent folders and points `linkPath` at `target`, replacing a stale link left
// behind by an earlier run. Refuses to replace anything that is not a symbolic link.
bool PlaceLink(const std::string& linkPath, const std::string& target, std::string* error);

// Removes the link, but only while it still leads to `target`: a newer simulator may have
// taken the name over.
void RemoveLink(const std::string& linkPath, const std::string& target);

} // namespace unitsim
