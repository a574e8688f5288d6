#include "UnitTypes.h"

#include <algorithm>

namespace unitsim {

namespace {

void PutBigEndian(uint8_t* at, uint32_t value)
{
    for (int i = 3; i >= 0; --i, value >>= 8)
        at[i] = static_cast<uint8_t>(value);
}

uint32_t GetBigEndian(const uint8_t* at)
{
    return uint32_t(at[0]) << 24 | uint32_t(at[1]) << 16 | uint32_t(at[2]) << 8 | at[3];
}

} // namespace

std::array<uint8_t, PageRecord::kBytes> PageRecord::Bytes() const
{
    std::array<uint8_t, kBytes> bytes{};
    bytes[0] = status;
    bytes[1] = cpu;
    PutBigEndian(&bytes[2], clockHz);
    std::copy(name.begin(), name.end(), &bytes[6]);
    PutBigEndian(&bytes[18], size);
    return bytes;
}

PageRecord PageRecord::FromBytes(const std::array<uint8_t, kBytes>& bytes)
{
    PageRecord record;
    record.status = bytes[0];
    record.cpu = bytes[1];
    record.clockHz = GetBigEndian(&bytes[2]);
    std::copy(&bytes[6], &bytes[18], record.name.begin());
    record.size = GetBigEndian(&bytes[18]);
    return record;
}

} // namespace unitsim
