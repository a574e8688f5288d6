#include "UnitMemory.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace unitsim {

namespace {

constexpr std::string_view kStateMagic = "corvane-unitsim state 1\n";
constexpr size_t kStateSize = kStateMagic.size() + kPages * PageRecord::kBytes + kMemorySize;
constexpr uint8_t kErased = 0xFF;

} // namespace

UnitMemory::UnitMemory() : data_(kMemorySize, kErased) {}

void UnitMemory::Erase(int page)
{
    records_.at(page) = PageRecord{};
    std::fill_n(data_.begin() + page * kPageSize, kPageSize, kErased);
}

void UnitMemory::Write(uint32_t address, std::span<const uint8_t> bytes)
{
    std::copy(bytes.begin(), bytes.end(), data_.begin() + address);
}

std::vector<uint8_t> UnitMemory::PageData(int page) const
{
    const auto begin = data_.begin() + page * kPageSize;
    return {begin, begin + kPageSize};
}

bool UnitMemory::AnyPageHoldsData() const
{
    return std::any_of(records_.begin(), records_.end(), [](const PageRecord& r) { return r.status == 1; });
}

bool UnitMemory::Load(const std::string& path, std::string* error)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return true;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.eof() && in.fail()) {
        *error = "cannot read the state file " + path;
        return false;
    }
    if (bytes.size() != kStateSize || std::memcmp(bytes.data(), kStateMagic.data(), kStateMagic.size()) != 0) {
        *error = "not a unit state file (wrong size or header): " + path;
        return false;
    }
    auto at = bytes.begin() + kStateMagic.size();
    for (auto& record : records_) {
        std::array<uint8_t, PageRecord::kBytes> raw;
        std::copy_n(at, raw.size(), raw.begin());
        record = PageRecord::FromBytes(raw);
        at += raw.size();
    }
    std::copy(at, bytes.end(), data_.begin());
    return true;
}

bool UnitMemory::Save(const std::string& path, std::string* error) const
{
    std::vector<char> records;
    for (const auto& record : records_) {
        const auto raw = record.Bytes();
        records.insert(records.end(), raw.begin(), raw.end());
    }
    return ReplaceFile(path, "the state file",
                       {kStateMagic, records, std::span(reinterpret_cast<const char*>(data_.data()), data_.size())}, error);
}

bool ReplaceFile(const std::string& path, const std::string& what, const std::vector<std::span<const char>>& parts,
                 std::string* error)
{
    const std::filesystem::path target(path);
    std::error_code ec;
    if (target.has_parent_path())
        std::filesystem::create_directories(target.parent_path(), ec);
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        for (const std::span<const char> part : parts)
            out.write(part.data(), static_cast<std::streamsize>(part.size()));
        out.flush();
        if (!out) {
            *error = "cannot write " + what + " " + temporary;
            return false;
        }
    }
    std::filesystem::rename(temporary, target, ec);
    if (ec) {
        *error = "cannot replace " + what + " " + path + ": " + ec.message();
        return false;
    }
    return true;
}

} // namespace unitsim
