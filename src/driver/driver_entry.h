// The Kestrand driver's one entry point, which the file access layer calls for every
// operation on a block whose driver is Kestrand.
#pragma once

#include <cstdint>

#include "filelayer/file_control_block.h"

namespace kestrand {

std::intptr_t kestrandDriverEntry(int32_t code, FileControlBlock* block, const std::intptr_t* args);

}  // namespace kestrand
