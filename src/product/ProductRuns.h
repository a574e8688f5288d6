#pragma once

#include "product/Product.h"
#include "shared/SavedChoices.h"

#include <vector>

namespace product {

// One run of a product's write, as write makes it for one file and page.
struct Run {
    int16_t pageNo = 0; // 0..3, or kPageThru
    const Image* image = nullptr; // into the product the runs were made of
};

// The runs a product's write makes, in this order: its pages in page order, or its THRU image
// when it lists no pages or `thru` asks for it. Empty when `thru` asks for a THRU image the
// product does not have.
std::vector<Run> RunsOf(const Product& product, bool thru);

// The choices `run` is made with: `base` (the port and what the window saved) with the run's
// file, CPU, clock and page, and the product's speed where it names one.
SavedChoices ChoicesFor(const Run& run, const Product& product, SavedChoices base);

} // namespace product
