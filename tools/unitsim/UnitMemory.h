#pragma once

#include "UnitTypes.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace unitsim {

// The unit's flash: 512 KB of data and a record for each of the four pages. Erased flash
// reads 0xFF; an erased page's record is all zeros.
class UnitMemory {
public:
    UnitMemory();

    const PageRecord& Record(int page) const { return records_.at(page); }
    void SetRecord(int page, const PageRecord& record) { records_.at(page) = record; }
    void Erase(int page);
    // Writes at an address of the whole memory; the bytes must fit below its end.
    void Write(uint32_t address, std::span<const uint8_t> bytes);
    std::vector<uint8_t> PageData(int page) const;
    const std::vector<uint8_t>& Data() const { return data_; }
    bool AnyPageHoldsData() const;

    // State file: a magic line, the four records, the 512 KB. Saving writes a temporary
    // file and renames it over the old one, so a crash never leaves half a state.
    // Loading a missing file leaves the memory erased and succeeds.
    bool Load(const std::string& path, std::string* error);
    bool Save(const std::string& path, std::string* error) const;

private:
    std::array<PageRecord, kPages> records_{};
    std::vector<uint8_t> data_;
};

// Puts `parts` one after the other into the file at `path` through a temporary file beside it
// renamed over the old one: a reader sees the old file or the new one, never half of either.
// Parent folders are created. `what` names the file in the error ("the state file").
bool ReplaceFile(const std::string& path, const std::string& what, const std::vector<std::span<const char>>& parts,
                 std::string* error);

} // namespace unitsim
