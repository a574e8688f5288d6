#include "product/ProductRuns.h"

#include <gtest/gtest.h>

namespace {

struct RunsRow {
    std::vector<int16_t> pages;
    bool hasThru;
    bool thruAsked;
    std::vector<int16_t> runs;
};

const RunsRow kRunsRows[] = {
    {{0, 2}, true, false, {0, 2}},
    {{0, 2}, true, true, {kPageThru}},
    {{}, true, false, {kPageThru}},
    {{0}, false, true, {}},
};

TEST(ProductRunsTest, pagesInPageOrderOrTheThruImage)
{
    for (const RunsRow& row : kRunsRows) {
        product::Product product;
        for (int16_t pageNo : row.pages)
            product.pages.push_back({pageNo, {}});
        if (row.hasThru)
            product.thru = product::Image{};
        std::vector<int16_t> runs;
        for (const product::Run& run : product::RunsOf(product, row.thruAsked))
            runs.push_back(run.pageNo);
        EXPECT_EQ(runs, row.runs) << row.pages.size() << " pages, thru asked " << row.thruAsked;
    }
}

} // namespace
