#pragma once

#include "product/FaultSink.h"
#include "product/SerialRule.h"

#include <toml++/toml.h>

#include <optional>
#include <vector>

namespace product {

// The [thru.serial] table, every fault of it in `sink`. `image` is the THRU image as loaded, or
// empty when it could not be; the place is checked against its bytes.
std::optional<SerialRule> ReadSerialRule(const toml::table& table, const std::vector<uint8_t>& image, FaultSink& sink);

} // namespace product
