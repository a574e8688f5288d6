#pragma once

#include "imagebuf/ImageLoad.h"

#include <string>

namespace imagebuf {

// The English text of `load`'s fault reason (ImageFault::text), without its place.
std::string ReasonText(const ImageLoad& load);

} // namespace imagebuf
