#pragma once

namespace unitsim {

class UnitSimulator;

// Fills pages 1 and 3 with records and data such as a host would have written, so a memory
// check has something to show: page 1 a small image, page 3 one that spills into page 4.
void PreloadDemoPages(UnitSimulator& simulator);

} // namespace unitsim
