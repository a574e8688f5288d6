#pragma once

#include "imagebuf/ImageLoad.h"

#include <cstdint>
#include <string>

namespace imagebuf {

// The English text of `load`'s fault reason (ImageFault::text), without its place. The texts
// that name what the file holds are made where it is read, by the two below.
std::string ReasonText(const ImageLoad& load);

// "ELF for machine 40 (ARM), not SH or H8": the ELF header's e_machine, named when it is one
// an image is commonly built for.
std::string OtherMachineText(uint16_t machine);
// "ELF of type 3 (shared object), not an executable": the ELF header's e_type.
std::string NotExecutableText(uint16_t type);

} // namespace imagebuf
