#include "unitsim/UnitMemory.h"

#include "TestFolder.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace unitsim;
namespace fs = std::filesystem;

namespace {

TEST(UnitMemory, StateFileRoundTripsRecordsAndData)
{
    const auto path = (TestFolder("memory") / "sub" / "unit.state").string();
    UnitMemory memory;
    memory.SetRecord(3, PageRecord{1, 75, 99999999, {'A', 'B'}, 0x60000});
    memory.Write(kMemorySize - 4, std::vector<uint8_t>{1, 2, 3, 4});
    std::string error;
    ASSERT_TRUE(memory.Save(path, &error)) << error;
    EXPECT_FALSE(fs::exists(path + ".tmp"));

    UnitMemory loaded;
    ASSERT_TRUE(loaded.Load(path, &error)) << error;
    EXPECT_EQ(loaded.Record(3), memory.Record(3));
    EXPECT_EQ(loaded.Data(), memory.Data());
}

TEST(UnitMemory, MissingStateFileLeavesTheMemoryErased)
{
    UnitMemory memory;
    std::string error;
    EXPECT_TRUE(memory.Load((TestFolder("missing") / "none.state").string(), &error));
    EXPECT_FALSE(memory.AnyPageHoldsData());
    EXPECT_EQ(memory.Data(), std::vector<uint8_t>(kMemorySize, 0xFF));
}

TEST(UnitMemory, ForeignFileIsRefusedAndLeftAlone)
{
    const auto path = (TestFolder("foreign") / "notes.txt").string();
    std::ofstream(path) << "not a state";
    UnitMemory memory;
    std::string error;
    EXPECT_FALSE(memory.Load(path, &error));
    EXPECT_NE(error.find(path), std::string::npos);
    EXPECT_EQ(fs::file_size(path), 11u);
}

TEST(UnitMemory, EraseClearsOnlyItsPage)
{
    UnitMemory memory;
    memory.Write(0, std::vector<uint8_t>(2 * kPageSize, 0x00));
    memory.SetRecord(0, PageRecord{1, 1, 1, {}, 1});
    memory.SetRecord(1, PageRecord{1, 1, 1, {}, 1});
    memory.Erase(1);
    EXPECT_EQ(memory.Record(0).status, 1);
    EXPECT_EQ(memory.Record(1), PageRecord{});
    EXPECT_EQ(memory.Data()[kPageSize - 1], 0x00);
    EXPECT_EQ(memory.Data()[kPageSize], 0xFF);
    EXPECT_EQ(memory.Data()[2 * kPageSize - 1], 0xFF);
}

} // namespace
