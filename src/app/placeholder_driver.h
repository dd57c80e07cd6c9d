// Stands in for the Kestrand driver's entry until that driver exists: the real
// driver entry replaces it in targetFile (one line in target_file.cpp).
#pragma once

#include <cstdint>

#include "filelayer/file_control_block.h"

namespace kestrand {

// Answers every operation with 80 "Unsupported File Driver Function", naming the
// block as the error file, and the result 0.
std::intptr_t placeholderDriverEntry(int32_t code, FileControlBlock* block, const std::intptr_t* args);

}  // namespace kestrand
